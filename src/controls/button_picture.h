#pragma once
// The image button's pictures as pixels: decoding the bytes of a BMP or ICO file image, their size
// as a picture object reports it (HIMETRIC), and the one-pass composition of a picture over the
// button pixels beneath it (mask colour, opacity, lighter/darker effects, per-pixel alpha, the
// greyed look and one-colour silhouettes).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace ferrik {

// Pixels here are 0xAARRGGBB: the byte order of a 32-bit device-independent bitmap (B, G, R, A)
// read as one little-endian word. COLORREF values (0x00BBGGRR) are converted at the edges.
using Pixel = std::uint32_t;

constexpr Pixel PixelFromColorref(std::uint32_t colorref) {
    return ((colorref & 0xFF) << 16) | (colorref & 0xFF00) | ((colorref >> 16) & 0xFF);
}

enum class PictureKind { kBitmap, kIcon, kAlphaBitmap };

// A decoded picture, top-down rows. An icon is already drawn onto the icons' transparent colour
// (0xC0C0C0) the way normal icon drawing does it, so its pixels are opaque; only a 32-bit bitmap
// keeps its alpha bytes.
struct PictureImage {
    PictureKind kind = PictureKind::kBitmap;
    int width = 0;
    int height = 0;
    std::vector<Pixel> pixels;
    Pixel At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// The colour icons are drawn onto before they are used, and their transparent colour.
inline constexpr Pixel kIconTransparent = 0xC0C0C0;

// Nothing for bytes that are not a BMP or ICO file image this decoder reads (BMP: 1, 4, 8, 16, 24
// and 32 bits, uncompressed or with bit fields; ICO: the first image that is not PNG-compressed),
// or whose sizes do not fit the bytes. A 32-bit bitmap whose alpha bytes are all zero is taken as
// opaque: such files carry no alpha at all, and drawing them fully transparent would hide them.
std::optional<PictureImage> DecodePicture(std::span<const std::uint8_t> bytes);

// A picture object's size in HIMETRIC (0.01 mm) for a pixel size on a device of `dpi` dots per
// inch (rounded to the nearest), and that size back in pixels (halves to even, as a Long takes a
// fractional value).
int HimetricFromPixels(int pixels, int dpi);
int PixelsFromHimetric(int himetric, int dpi);

// How one pass draws the picture.
struct PictureInk {
    int opacity = 255;                 // 0..255, the opacity in use
    int effect = 0;                    // 0 none, 1 lighter, 2 darker
    bool greyed = false;               // the disabled grey look
    std::optional<Pixel> silhouette;   // one colour for every drawn pixel
    std::optional<Pixel> transparent;  // picture pixels of this colour are not drawn (bitmaps, icons)
};

// Composes `picture` over `background`, a top-down buffer of width x height pixels taken from the
// screen under the picture's rectangle; the picture's top-left pixel lands on the buffer's top-left.
// Pixels outside the picture stay as they are. Per channel: f x colour + (255 - f) x background,
// divided by 256 (truncating), where f is the opacity (the alpha path: alpha x opacity / 255).
void ComposePicture(const PictureImage& picture, const PictureInk& ink, std::span<Pixel> background, int width,
                    int height);

// Decoded pictures by their bytes, so that a repaint does not decode again. Holds the most recently
// used few; an undecodable picture is remembered as null.
class PictureCache {
public:
    std::shared_ptr<const PictureImage> Get(std::span<const std::uint8_t> bytes);
    std::size_t Size() const { return m_entries.size(); }

    static constexpr std::size_t kCapacity = 32;

private:
    struct Entry {
        std::size_t hash = 0;
        std::vector<std::uint8_t> bytes;
        std::shared_ptr<const PictureImage> image;
    };
    std::vector<Entry> m_entries;  // least recently used first
};

}  // namespace ferrik
