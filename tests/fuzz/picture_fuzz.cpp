// Any bytes decode to nothing or to a picture whose pixels fill its size, and composing it over a
// button buffer stays inside the buffer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "controls/button_picture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::span<const std::uint8_t> bytes(data + 1, size - 1);
    const std::optional<ferrik::PictureImage> image = ferrik::DecodePicture(bytes);
    if (!image) return 0;
    if (image->width <= 0 || image->height <= 0 ||
        image->pixels.size() != static_cast<std::size_t>(image->width) * image->height) {
        std::abort();
    }
    ferrik::PictureInk ink;
    ink.opacity = data[0];
    ink.effect = data[0] % 3;
    ink.greyed = data[0] & 8;
    if (data[0] & 16) ink.silhouette = 0xC0C0C0;
    if (data[0] & 32) ink.transparent = 0xE0E0E0;
    const int width = 1 + data[0] % 40, height = 1 + (data[0] / 40) % 40;
    std::vector<ferrik::Pixel> buffer(static_cast<std::size_t>(width) * height, 0x808080);
    ferrik::ComposePicture(*image, ink, buffer, width, height);
    return 0;
}
