#pragma once
// The file image of a 16 x 16 icon (type 1) or cursor (type 2, hot spot 3, 4) with 32-bit pixels.
#include <cstdint>
#include <vector>

namespace ferrik::test {

inline std::vector<std::uint8_t> IconFile(int type) {
    std::vector<std::uint8_t> f;
    const std::uint32_t size = 40 + 16 * 16 * 4 + 16 * 4;
    auto le16 = [&](std::uint32_t v) {
        f.push_back(static_cast<std::uint8_t>(v));
        f.push_back(static_cast<std::uint8_t>(v >> 8));
    };
    auto le32 = [&](std::uint32_t v) { le16(v & 0xFFFF), le16(v >> 16); };
    le16(0), le16(static_cast<std::uint32_t>(type)), le16(1);
    le16(16 | (16 << 8)), le16(0);
    le16(type == 2 ? 3 : 1);
    le16(type == 2 ? 4 : 32);
    le32(size);
    le32(22);
    le32(40), le32(16), le32(32), le16(1), le16(32), le32(0), le32(16 * 16 * 4 + 16 * 4);
    le32(0), le32(0), le32(0), le32(0);
    for (int i = 0; i < 16 * 16; ++i) le32(0xFF336699);
    f.resize(f.size() + 16 * 4, 0);
    return f;
}

}  // namespace ferrik::test
