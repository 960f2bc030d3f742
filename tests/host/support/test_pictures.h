#pragma once
// Small BMP and ICO file images written in code, for the picture decoder and the button drawing
// tests. Pixels are given top-down as 0xRRGGBB (0xAARRGGBB for 32 bits).
#include <cstdint>
#include <vector>

namespace ferrik::test {

class ByteWriter {
public:
    void U8(std::uint32_t v) { bytes.push_back(static_cast<std::uint8_t>(v)); }
    void U16(std::uint32_t v) { U8(v), U8(v >> 8); }
    void U32(std::uint32_t v) { U16(v), U16(v >> 16); }
    void Pad() {
        while (bytes.size() % 4) U8(0);
    }
    std::vector<std::uint8_t> bytes;
};

// BITMAPINFOHEADER and the rows of a DIB, bottom-up unless `topDown`; `rows` is the height field.
inline void WriteDib(ByteWriter& out, int width, int height, int rowsField, int bpp,
                     const std::vector<std::uint32_t>& values, const std::vector<std::uint32_t>& palette,
                     bool topDown) {
    out.U32(40);
    out.U32(static_cast<std::uint32_t>(width));
    out.U32(static_cast<std::uint32_t>(topDown ? -rowsField : rowsField));
    out.U16(1);
    out.U16(static_cast<std::uint32_t>(bpp));
    out.U32(0);  // BI_RGB
    out.U32(0);
    out.U32(3780), out.U32(3780);
    out.U32(static_cast<std::uint32_t>(palette.size()));
    out.U32(0);
    for (std::uint32_t c : palette) out.U32(c);
    for (int r = 0; r < height; ++r) {
        const int y = topDown ? r : height - 1 - r;
        const std::size_t start = out.bytes.size();
        std::uint32_t acc = 0;
        int bits = 0;
        for (int x = 0; x < width; ++x) {
            const std::uint32_t v = values[static_cast<std::size_t>(y) * width + x];
            if (bpp < 8) {
                acc = (acc << bpp) | v;
                bits += bpp;
                if (bits == 8) out.U8(acc), acc = 0, bits = 0;
            } else if (bpp == 8) {
                out.U8(v);
            } else if (bpp == 24) {
                out.U8(v), out.U8(v >> 8), out.U8(v >> 16);
            } else {
                out.U32(v);
            }
        }
        if (bits) out.U8(acc << (8 - bits));
        while ((out.bytes.size() - start) % 4) out.U8(0);
    }
}

// A BMP file; `values` are colours for 24 and 32 bits and palette indexes below that.
inline std::vector<std::uint8_t> MakeBmp(int width, int height, int bpp, const std::vector<std::uint32_t>& values,
                                         const std::vector<std::uint32_t>& palette = {}, bool topDown = false) {
    ByteWriter dib;
    WriteDib(dib, width, height, height, bpp, values, palette, topDown);
    ByteWriter file;
    file.U8('B'), file.U8('M');
    file.U32(static_cast<std::uint32_t>(14 + dib.bytes.size()));
    file.U32(0);
    file.U32(static_cast<std::uint32_t>(14 + 40 + 4 * palette.size()));
    file.bytes.insert(file.bytes.end(), dib.bytes.begin(), dib.bytes.end());
    return file.bytes;
}

// An ICO file with one 24-bit image; `transparent` marks the pixels whose AND-mask bit is set
// (their colour is stored as black, as icon editors do).
inline std::vector<std::uint8_t> MakeIcon(int width, int height, const std::vector<std::uint32_t>& colours,
                                          const std::vector<bool>& transparent) {
    std::vector<std::uint32_t> xorPixels = colours;
    for (std::size_t i = 0; i < xorPixels.size(); ++i) {
        if (transparent[i]) xorPixels[i] = 0;
    }
    ByteWriter dib;
    WriteDib(dib, width, height, height * 2, 24, xorPixels, {}, false);
    for (int r = 0; r < height; ++r) {  // the AND mask, bottom-up, rows padded to 4 bytes
        const int y = height - 1 - r;
        const std::size_t start = dib.bytes.size();
        std::uint32_t acc = 0;
        int bits = 0;
        for (int x = 0; x < width; ++x) {
            acc = (acc << 1) | (transparent[static_cast<std::size_t>(y) * width + x] ? 1u : 0u);
            if (++bits == 8) dib.U8(acc), acc = 0, bits = 0;
        }
        if (bits) dib.U8(acc << (8 - bits));
        while ((dib.bytes.size() - start) % 4) dib.U8(0);
    }
    ByteWriter file;
    file.U16(0), file.U16(1), file.U16(1);
    file.U8(static_cast<std::uint32_t>(width)), file.U8(static_cast<std::uint32_t>(height)), file.U8(0), file.U8(0);
    file.U16(1), file.U16(24);
    file.U32(static_cast<std::uint32_t>(dib.bytes.size()));
    file.U32(6 + 16);
    file.bytes.insert(file.bytes.end(), dib.bytes.begin(), dib.bytes.end());
    return file.bytes;
}

}  // namespace ferrik::test
