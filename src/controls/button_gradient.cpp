// The gradients of the styles: the colour of one step, and a whole gradient into 32-bit pixels.
#include <cstddef>

#include "controls/button_paint.h"

namespace ferrik {

std::uint32_t GradientStep(std::uint32_t from, std::uint32_t to, int step, int steps) {
    std::uint32_t result = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const int a = static_cast<int>((from >> shift) & 0xFF);
        const int b = static_cast<int>((to >> shift) & 0xFF);
        // C++ division truncates toward zero, as the steps of a falling channel need.
        const int channel = steps == 1 ? a / 2 + b / 2 : a + (b - a) * step / (steps - 1);
        result |= static_cast<std::uint32_t>(channel) << shift;
    }
    return result;
}

void RenderGradient(std::uint32_t* pixels, int w, int h, std::uint32_t from, std::uint32_t to, int direction) {
    if (w <= 0 || h <= 0) return;
    auto dib = [](std::uint32_t colour) {  // 0x00BBGGRR -> 0x00RRGGBB
        return ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
    };
    if (direction == 0) {
        for (int x = 0; x < w; ++x) pixels[x] = dib(GradientStep(from, to, x, w));
        for (int row = 1; row < h; ++row) {
            std::uint32_t* line = pixels + static_cast<std::size_t>(row) * w;
            for (int x = 0; x < w; ++x) line[x] = pixels[x];
        }
        return;
    }
    for (int y = 0; y < h; ++y) {
        const std::uint32_t colour = dib(GradientStep(from, to, y, h));
        std::uint32_t* line = pixels + static_cast<std::size_t>(h - 1 - y) * w;  // bottom-up
        for (int x = 0; x < w; ++x) line[x] = colour;
    }
}

}  // namespace ferrik
