#include "skin/skin_images_win.h"

#include <array>
#include <cstdint>
#include <vector>

#include "skin/skin_blits_win.h"

namespace ferrik::MSkinner {

namespace {

std::array<MemorySurface, skin::kSkinImageCount> g_images;

}  // namespace

HDC Image(SkinImage image) {
    return g_images[static_cast<std::size_t>(image)].dc();
}

void CreateSkinImages() {
    const auto images = skin::PaintSkinImages();
    for (std::size_t i = 0; i < images.size(); ++i)
        g_images[i] = CreateScratchSurface(images[i].width, images[i].height);
    // Each image goes onto its surface in one transfer of 32-bit top-down rows.
    for (std::size_t i = 0; i < images.size(); ++i) {
        const skin::PixelImage& img = images[i];
        if (!g_images[i] || img.width <= 0 || img.height <= 0) continue;
        std::vector<std::uint32_t> rows;
        rows.reserve(static_cast<std::size_t>(img.width) * static_cast<std::size_t>(img.height));
        for (int y = 0; y < img.height; ++y)
            for (int x = 0; x < img.width; ++x) {
                const skin::Rgb c = img.At(x, y);
                rows.push_back(static_cast<std::uint32_t>(skin::RedOf(c)) << 16 |
                               static_cast<std::uint32_t>(skin::GreenOf(c)) << 8 |
                               static_cast<std::uint32_t>(skin::BlueOf(c)));
            }
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = img.width;
        info.bmiHeader.biHeight = -img.height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        SetDIBitsToDevice(g_images[i].dc(), 0, 0, static_cast<DWORD>(img.width), static_cast<DWORD>(img.height), 0, 0,
                          0, static_cast<UINT>(img.height), rows.data(), &info, DIB_RGB_COLORS);
    }
}

void DeleteSkinImages() {
    for (MemorySurface& image : g_images) image = MemorySurface{};
}

}  // namespace ferrik::MSkinner
