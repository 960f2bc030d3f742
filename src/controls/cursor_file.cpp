#include "controls/cursor_file.h"

namespace ferrik {

namespace {

std::uint32_t Le16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at] | (b[at + 1] << 8));
}

std::uint32_t Le32(std::span<const std::uint8_t> b, std::size_t at) {
    return Le16(b, at) | (Le16(b, at + 2) << 16);
}

}  // namespace

std::optional<CursorImage> CursorImageOf(std::span<const std::uint8_t> file) {
    // ICONDIR: reserved 0, type 1 (icon) or 2 (cursor), count; then 16-byte entries.
    constexpr std::size_t kHeader = 6;
    constexpr std::size_t kEntry = 16;
    constexpr std::uint32_t kBitmapHeader = 40;
    if (file.size() < kHeader + kEntry || Le16(file, 0) != 0) return std::nullopt;
    const std::uint32_t type = Le16(file, 2);
    if ((type != 1 && type != 2) || Le16(file, 4) == 0) return std::nullopt;
    const std::uint32_t size = Le32(file, kHeader + 8);
    const std::uint32_t offset = Le32(file, kHeader + 12);
    if (size < kBitmapHeader || offset > file.size() || size > file.size() - offset) return std::nullopt;
    CursorImage image;
    image.icon = type == 1;
    image.width = file[kHeader] ? file[kHeader] : 256;
    image.height = file[kHeader + 1] ? file[kHeader + 1] : 256;
    if (!image.icon) image.resource.assign(file.begin() + kHeader + 4, file.begin() + kHeader + 8);
    image.resource.insert(image.resource.end(), file.begin() + offset, file.begin() + offset + size);
    return image;
}

}  // namespace ferrik
