#include "controls/button_picture.h"

#include <algorithm>
#include <functional>
#include <string_view>

#include "controls/button_color.h"

namespace ferrik {
namespace {

// Large enough for any button picture; keeps a hostile header from asking for gigabytes.
constexpr std::int64_t kMaxPixels = 4096 * 4096;

class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}
    bool Has(std::size_t offset, std::size_t count) const {
        return offset <= m_bytes.size() && count <= m_bytes.size() - offset;
    }
    std::uint32_t U8(std::size_t at) const { return m_bytes[at]; }
    std::uint32_t U16(std::size_t at) const { return m_bytes[at] | (m_bytes[at + 1] << 8); }
    std::uint32_t U32(std::size_t at) const {
        return m_bytes[at] | (m_bytes[at + 1] << 8) | (m_bytes[at + 2] << 16) |
               (static_cast<std::uint32_t>(m_bytes[at + 3]) << 24);
    }
    std::int32_t I32(std::size_t at) const { return static_cast<std::int32_t>(U32(at)); }
    std::size_t Size() const { return m_bytes.size(); }

private:
    std::span<const std::uint8_t> m_bytes;
};

// One channel of a bit-field mask scaled to 0..255.
struct Field {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint32_t max = 0;
    explicit Field(std::uint32_t m) : mask(m) {
        if (!m) return;
        while (!((m >> shift) & 1)) ++shift;
        max = m >> shift;
    }
    std::uint32_t Of(std::uint32_t value) const {
        if (!mask) return 0;
        return static_cast<std::uint32_t>(static_cast<std::uint64_t>((value & mask) >> shift) * 255 / max);
    }
};

// A device-independent bitmap: header at `header` (its first word its size), pixel rows at `bits`
// (or right after the colour table when `bits` is 0). `rows` is the number of rows to read
// (icons store the colour image and the mask in a height of twice the image).
struct Dib {
    int width = 0;
    int height = 0;  // rows of the colour image
    bool topDown = false;
    int bpp = 0;
    std::vector<Pixel> pixels;  // top-down; alpha byte as stored for 32 bits, 0xFF otherwise
    std::size_t end = 0;        // first byte after the colour image
};

std::optional<Dib> ReadDib(const Reader& in, std::size_t header, std::size_t bits, bool icon) {
    if (!in.Has(header, 4)) return std::nullopt;
    const std::uint32_t headerSize = in.U32(header);
    Dib dib;
    std::int64_t width = 0, height = 0;
    std::uint32_t compression = 0, colours = 0;
    std::size_t tableEntry = 4;
    std::uint32_t masks[4] = {0, 0, 0, 0};
    std::size_t table = header + headerSize;
    if (headerSize == 12) {  // the OS/2 core header
        if (!in.Has(header, 12)) return std::nullopt;
        width = in.U16(header + 4);
        height = static_cast<std::int16_t>(in.U16(header + 6));
        dib.bpp = static_cast<int>(in.U16(header + 10));
        tableEntry = 3;
    } else if (headerSize >= 40 && headerSize <= 124) {
        if (!in.Has(header, headerSize)) return std::nullopt;
        width = in.I32(header + 4);
        height = in.I32(header + 8);
        dib.bpp = static_cast<int>(in.U16(header + 14));
        compression = in.U32(header + 16);
        colours = in.U32(header + 32);
        if (compression == 3 || compression == 6) {
            const int count = compression == 6 ? 4 : 3;
            std::size_t at = header + 40;
            if (headerSize == 40) {  // the masks follow the header
                if (!in.Has(at, 4u * count)) return std::nullopt;
                table += 4u * count;
            } else if (headerSize < 40u + 4u * count) {
                return std::nullopt;
            }
            for (int i = 0; i < count; ++i) masks[i] = in.U32(at + 4u * i);
            if (headerSize >= 56) masks[3] = in.U32(header + 52);
        } else if (compression != 0) {
            return std::nullopt;  // RLE, JPEG and PNG inside a bitmap are not read
        }
    } else {
        return std::nullopt;
    }
    if (icon) height /= 2;
    if (height < 0) {
        dib.topDown = true;
        height = -height;
    }
    if (width <= 0 || height <= 0 || width * height > kMaxPixels) return std::nullopt;
    switch (dib.bpp) {
        case 1:
        case 4:
        case 8:
        case 24:
            break;
        case 16:
        case 32:
            break;
        default:
            return std::nullopt;
    }
    if (compression != 0 && dib.bpp != 16 && dib.bpp != 32) return std::nullopt;
    dib.width = static_cast<int>(width);
    dib.height = static_cast<int>(height);

    std::vector<Pixel> palette;
    if (dib.bpp <= 8) {
        std::uint32_t count = colours ? colours : (1u << dib.bpp);
        if (count > 256) return std::nullopt;
        if (!in.Has(table, count * tableEntry)) return std::nullopt;
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::size_t at = table + i * tableEntry;
            palette.push_back(0xFF000000u | (in.U8(at + 2) << 16) | (in.U8(at + 1) << 8) | in.U8(at));
        }
        table += count * tableEntry;
    }
    if (bits == 0) bits = table;

    const std::size_t stride = ((static_cast<std::size_t>(dib.width) * dib.bpp + 31) / 32) * 4;
    if (!in.Has(bits, stride * dib.height)) return std::nullopt;
    dib.end = bits + stride * dib.height;

    if (compression == 0) {
        if (dib.bpp == 16) {
            masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
        } else if (dib.bpp == 32) {
            masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF, masks[3] = 0xFF000000u;
        }
    }
    const Field red(masks[0]), green(masks[1]), blue(masks[2]), alpha(masks[3]);

    dib.pixels.resize(static_cast<std::size_t>(dib.width) * dib.height);
    for (int row = 0; row < dib.height; ++row) {
        const std::size_t line = bits + stride * row;
        const int y = dib.topDown ? row : dib.height - 1 - row;
        Pixel* out = &dib.pixels[static_cast<std::size_t>(y) * dib.width];
        for (int x = 0; x < dib.width; ++x) {
            Pixel p = 0;
            if (dib.bpp <= 8) {
                const std::size_t bit = static_cast<std::size_t>(x) * dib.bpp;
                const std::uint32_t byte = in.U8(line + bit / 8);
                const std::uint32_t index = (byte >> (8 - dib.bpp - bit % 8)) & ((1u << dib.bpp) - 1);
                p = index < palette.size() ? palette[index] : 0xFF000000u;
            } else if (dib.bpp == 24) {
                const std::size_t at = line + 3u * x;
                p = 0xFF000000u | (in.U8(at + 2) << 16) | (in.U8(at + 1) << 8) | in.U8(at);
            } else {
                const std::uint32_t v = dib.bpp == 16 ? in.U16(line + 2u * x) : in.U32(line + 4u * x);
                p = (red.Of(v) << 16) | (green.Of(v) << 8) | blue.Of(v);
                p |= dib.bpp == 32 ? (alpha.Of(v) << 24) : 0xFF000000u;
            }
            out[x] = p;
        }
    }
    return dib;
}

bool AnyAlpha(const std::vector<Pixel>& pixels) {
    return std::any_of(pixels.begin(), pixels.end(), [](Pixel p) { return (p >> 24) != 0; });
}

std::optional<PictureImage> DecodeBitmap(const Reader& in) {
    if (!in.Has(0, 14)) return std::nullopt;
    const std::size_t bits = in.U32(10);
    std::optional<Dib> dib = ReadDib(in, 14, bits, false);
    if (!dib) return std::nullopt;
    PictureImage image;
    image.kind = dib->bpp == 32 ? PictureKind::kAlphaBitmap : PictureKind::kBitmap;
    image.width = dib->width;
    image.height = dib->height;
    image.pixels = std::move(dib->pixels);
    if (image.kind == PictureKind::kAlphaBitmap && !AnyAlpha(image.pixels)) {
        for (Pixel& p : image.pixels) p |= 0xFF000000u;
    }
    return image;
}

// Normal icon drawing onto the transparent colour: the colour image alpha-blended when it has
// alpha, else the mask ANDed with the background and the colour image XORed over it.
std::optional<PictureImage> DecodeIcon(const Reader& in) {
    const std::uint32_t count = in.U16(4);
    if (!in.Has(6, 16u * count)) return std::nullopt;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t entry = 6 + 16u * i;
        const std::size_t size = in.U32(entry + 8);
        const std::size_t offset = in.U32(entry + 12);
        if (!in.Has(offset, 8) || !in.Has(offset, size)) continue;
        if (in.U32(offset) == 0x474E5089u) continue;  // PNG-compressed image
        std::optional<Dib> dib = ReadDib(in, offset, 0, true);
        if (!dib) continue;
        const std::size_t maskStride = ((static_cast<std::size_t>(dib->width) + 31) / 32) * 4;
        const bool hasMask = in.Has(dib->end, maskStride * dib->height);
        const bool alpha = dib->bpp == 32 && AnyAlpha(dib->pixels);
        PictureImage image;
        image.kind = PictureKind::kIcon;
        image.width = dib->width;
        image.height = dib->height;
        image.pixels.resize(dib->pixels.size());
        const Pixel back = kIconTransparent;
        for (int y = 0; y < dib->height; ++y) {
            const int row = dib->topDown ? y : dib->height - 1 - y;
            const std::size_t line = dib->end + maskStride * row;
            for (int x = 0; x < dib->width; ++x) {
                const Pixel c = dib->pixels[static_cast<std::size_t>(y) * dib->width + x];
                Pixel out;
                if (alpha) {
                    const std::uint32_t a = c >> 24;
                    out = 0;
                    for (int shift = 0; shift <= 16; shift += 8) {
                        const std::uint32_t s = (c >> shift) & 0xFF, b = (back >> shift) & 0xFF;
                        out |= ((s * a + b * (255 - a) + 127) / 255) << shift;
                    }
                } else {
                    const bool transparent = hasMask && ((in.U8(line + x / 8) >> (7 - x % 8)) & 1);
                    out = ((transparent ? back : 0) ^ c) & 0xFFFFFF;
                }
                image.pixels[static_cast<std::size_t>(y) * dib->width + x] = 0xFF000000u | out;
            }
        }
        return image;
    }
    return std::nullopt;
}

}  // namespace

std::optional<PictureImage> DecodePicture(std::span<const std::uint8_t> bytes) {
    const Reader in(bytes);
    if (in.Has(0, 2) && bytes[0] == 'B' && bytes[1] == 'M') return DecodeBitmap(in);
    if (in.Has(0, 6) && in.U16(0) == 0 && (in.U16(2) == 1 || in.U16(2) == 2)) return DecodeIcon(in);
    return std::nullopt;
}

int HimetricFromPixels(int pixels, int dpi) {
    if (dpi <= 0) return 0;
    const std::int64_t scaled = static_cast<std::int64_t>(pixels) * 2540;
    return static_cast<int>((scaled + dpi / 2) / dpi);
}

int PixelsFromHimetric(int himetric, int dpi) {
    return static_cast<int>(RoundHalfEven(static_cast<double>(himetric) * dpi / 2540.0));
}

void ComposePicture(const PictureImage& picture, const PictureInk& ink, std::span<Pixel> background, int width,
                    int height) {
    const int o = std::clamp(ink.opacity, 0, 255);
    if (o == 0 || width <= 0 || height <= 0 || background.size() < static_cast<std::size_t>(width) * height) return;
    static const EffectTables tables = MakeEffectTables();
    std::uint8_t identity[256];
    for (int i = 0; i < 256; ++i) identity[i] = static_cast<std::uint8_t>(i);
    const std::uint8_t* effect = ink.effect == 1 ? tables.lighter : ink.effect == 2 ? tables.darker : identity;
    const bool alphaPath = picture.kind == PictureKind::kAlphaBitmap;
    const bool masked = !alphaPath && ink.transparent.has_value();
    const Pixel transparent = ink.transparent.value_or(0) & 0xFFFFFF;

    const int w = std::min(width, picture.width), h = std::min(height, picture.height);
    for (int y = 0; y < h; ++y) {
        Pixel* out = &background[static_cast<std::size_t>(y) * width];
        for (int x = 0; x < w; ++x) {
            const Pixel p = picture.At(x, y);
            if (masked && (p & 0xFFFFFF) == transparent) continue;
            const std::uint32_t f = alphaPath ? (p >> 24) * o / 255 : static_cast<std::uint32_t>(o);
            if (f == 0) continue;
            Pixel colour;
            if (ink.silhouette) {
                colour = *ink.silhouette & 0xFFFFFF;
            } else if (ink.greyed) {
                const double r = static_cast<double>((p >> 16) & 0xFF), g = static_cast<double>((p >> 8) & 0xFF),
                             b = static_cast<double>(p & 0xFF);
                const long red = RoundHalfEven(r * 0.3);
                const std::uint32_t grey = static_cast<std::uint32_t>(
                    std::clamp(RoundHalfEven(g * 0.59 + static_cast<double>(red) + b * 0.11), 0L, 255L));
                colour = (grey << 16) | (grey << 8) | grey;
            } else {
                colour = (static_cast<Pixel>(effect[(p >> 16) & 0xFF]) << 16) |
                         (static_cast<Pixel>(effect[(p >> 8) & 0xFF]) << 8) | effect[p & 0xFF];
            }
            if (f >= 255) {
                out[x] = colour;
                continue;
            }
            const Pixel back = out[x];
            Pixel mixed = 0;
            for (int shift = 0; shift <= 16; shift += 8) {
                const std::uint32_t c = (colour >> shift) & 0xFF, bg = (back >> shift) & 0xFF;
                mixed |= ((f * c + (255 - f) * bg) / 256) << shift;
            }
            out[x] = mixed;
        }
    }
}

std::shared_ptr<const PictureImage> PictureCache::Get(std::span<const std::uint8_t> bytes) {
    const std::size_t hash =
        std::hash<std::string_view>{}(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
        if (it->hash != hash || !std::equal(it->bytes.begin(), it->bytes.end(), bytes.begin(), bytes.end())) continue;
        std::rotate(it, it + 1, m_entries.end());  // now the most recently used
        return m_entries.back().image;
    }
    if (m_entries.size() >= kCapacity) m_entries.erase(m_entries.begin());
    Entry entry;
    entry.hash = hash;
    entry.bytes.assign(bytes.begin(), bytes.end());
    if (std::optional<PictureImage> image = DecodePicture(bytes)) {
        entry.image = std::make_shared<const PictureImage>(std::move(*image));
    }
    m_entries.push_back(std::move(entry));
    return m_entries.back().image;
}

}  // namespace ferrik
