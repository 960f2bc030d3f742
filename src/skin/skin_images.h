#pragma once
// The skin's five images, painted pixel by pixel in code (nothing is loaded from a file). The
// Windows half copies them into memory surfaces with SetPixel at first use.
#include <array>
#include <cstdint>
#include <vector>

namespace ferrik::skin {

// 0x00RRGGBB.
using Rgb = std::uint32_t;

constexpr Rgb MakeRgb(int r, int g, int b) {
    return (static_cast<Rgb>(r) << 16) | (static_cast<Rgb>(g) << 8) | static_cast<Rgb>(b);
}
constexpr int RedOf(Rgb c) {
    return static_cast<int>((c >> 16) & 0xFF);
}
constexpr int GreenOf(Rgb c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int BlueOf(Rgb c) {
    return static_cast<int>(c & 0xFF);
}

// Pixels never drawn by the key-colour and nine-slice blits.
constexpr Rgb kKeyMagenta = MakeRgb(255, 0, 255);

struct PixelImage {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;  // row by row, top-down
    Rgb At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    void Set(int x, int y, Rgb c) { pixels[static_cast<std::size_t>(y) * width + x] = c; }
};

// In the order they are created and painted.
enum class SkinImage { ButtonStrip, ComboButtonStrip, GlyphSheet, OptionStrip, HeaderStrip };
constexpr int kSkinImageCount = 5;

PixelImage PaintButtonStrip();       // 7 x 84: normal, hot, pressed, disabled tiles of 7 x 21
PixelImage PaintComboButtonStrip();  // 15 x 18: hot and pressed faces, enabled and disabled arrows
PixelImage PaintGlyphSheet();        // 18 x 24: check marks, indeterminate squares, option dots
PixelImage PaintOptionStrip();       // 13 x 52: four circles of 13 x 13
PixelImage PaintHeaderStrip();       // 9 x 20: normal, hot, pressed tiles of 3 x 20

std::array<PixelImage, kSkinImageCount> PaintSkinImages();

}  // namespace ferrik::skin
