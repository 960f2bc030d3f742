#include "skin/skin_images.h"

#include <algorithm>
#include <cmath>

namespace ferrik::skin {

namespace {

// a at t = 0, b at t = 1.
Rgb Mix(Rgb a, Rgb b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    const auto channel = [t](int x, int y) { return static_cast<int>(std::lround(x + (y - x) * t)); };
    return MakeRgb(channel(RedOf(a), RedOf(b)), channel(GreenOf(a), GreenOf(b)), channel(BlueOf(a), BlueOf(b)));
}

// Row `i` of `n` rows shading from `top` to `bottom`.
Rgb Shade(Rgb top, Rgb bottom, int i, int n) {
    return Mix(top, bottom, n > 1 ? static_cast<double>(i) / (n - 1) : 0.0);
}

PixelImage Blank(int width, int height, Rgb fill = kKeyMagenta) {
    return PixelImage{width, height, std::vector<Rgb>(static_cast<std::size_t>(width) * height, fill)};
}

constexpr Rgb kWhite = MakeRgb(255, 255, 255);

// One 7 x 21 push-button tile at row `top`: a 1-pixel outline with softened corners, an optional
// rim just inside it, and a face shading over the inner rows.
struct ButtonTile {
    Rgb outline;
    bool rim;
    Rgb rimColour;
    Rgb faceTop, faceMiddle, faceBottom;
};

void PaintButtonTile(PixelImage& img, int top, const ButtonTile& t) {
    constexpr int w = 7, h = 21;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const bool edgeX = x == 0 || x == w - 1, edgeY = y == 0 || y == h - 1;
            Rgb c;
            if (edgeX && edgeY) {
                c = Mix(t.outline, kWhite, 0.6);  // the corner the 3 x 3 window clipping rounds off
            } else if (edgeX || edgeY) {
                const bool nextToCorner = (edgeX && (y == 1 || y == h - 2)) || (edgeY && (x == 1 || x == w - 2));
                c = nextToCorner ? Mix(t.outline, kWhite, 0.25) : t.outline;
            } else if (t.rim && (x == 1 || x == w - 2 || y == 1 || y == h - 2)) {
                c = t.rimColour;
            } else {
                // Inner rows 1..19 (2..18 inside a rim): top to middle to bottom.
                const int first = t.rim ? 2 : 1, last = t.rim ? h - 3 : h - 2;
                const double f = static_cast<double>(y - first) / (last - first);
                c = f < 0.5 ? Mix(t.faceTop, t.faceMiddle, f * 2) : Mix(t.faceMiddle, t.faceBottom, f * 2 - 1);
            }
            img.Set(x, top + y, c);
        }
    }
}

// Glyphs of the glyph sheet as masks ('#' drawn).
constexpr const char* kCheckMark[8] = {
    "........#", ".......##", "#.....###", "##...###.", "###.###..", ".#####...", "..###....", "...#.....",
};
constexpr const char* kOptionDot[5] = {".###.", "#####", "#####", "#####", ".###."};

void PaintGlyph(PixelImage& img, int left, int top, int width, int height, const char* const* mask, Rgb topColour,
                Rgb bottomColour) {
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (!mask || mask[y][x] == '#') img.Set(left + x, top + y, Shade(topColour, bottomColour, y, height));
}

// One anti-aliased 13 x 13 circle at row `top`: ring of one pixel, face shading downwards, the
// outside key magenta, edge pixels mixed with white.
void PaintCircle(PixelImage& img, int top, Rgb ring, Rgb faceTop, Rgb faceBottom) {
    constexpr double centre = 6.0, outer = 6.5, ringWidth = 1.1;
    for (int y = 0; y < 13; ++y) {
        for (int x = 0; x < 13; ++x) {
            const double d = std::hypot(x - centre, y - centre);
            const double inside = std::clamp(outer + 0.5 - d, 0.0, 1.0);
            if (inside <= 0.0) continue;  // stays key magenta
            const double face = std::clamp(outer - ringWidth + 0.5 - d, 0.0, 1.0);
            const Rgb faceColour = Shade(faceTop, faceBottom, y, 13);
            // face share, ring share, white share
            const Rgb ringed = Mix(ring, faceColour, face);
            img.Set(x, top + y, Mix(kWhite, ringed, inside));
        }
    }
}

}  // namespace

PixelImage PaintButtonStrip() {
    PixelImage img = Blank(7, 84);
    const Rgb outline = MakeRgb(27, 143, 213), rim = MakeRgb(76, 195, 251);
    PaintButtonTile(img, 0, {outline, false, 0, kWhite, MakeRgb(230, 240, 249), MakeRgb(177, 208, 234)});
    PaintButtonTile(img, 21, {outline, true, rim, MakeRgb(232, 247, 254), MakeRgb(252, 254, 255), MakeRgb(214, 240, 253)});
    PaintButtonTile(img, 42,
                    {outline, true, rim, MakeRgb(134, 204, 243), MakeRgb(170, 221, 247), MakeRgb(206, 236, 251)});
    PaintButtonTile(img, 63,
                    {MakeRgb(135, 195, 232), false, 0, MakeRgb(250, 252, 254), MakeRgb(234, 242, 250),
                     MakeRgb(210, 227, 243)});
    return img;
}

PixelImage PaintComboButtonStrip() {
    PixelImage img = Blank(15, 18);
    const Rgb edge = MakeRgb(78, 160, 209), light = MakeRgb(232, 249, 255), deep = MakeRgb(166, 214, 240);
    for (int face = 0; face < 2; ++face) {
        const int left = face * 4;
        for (int y = 0; y < 18; ++y) {
            // Hot: light at the top, deeper below; pressed: the reverse.
            const Rgb c = face == 0 ? Shade(light, deep, y, 18) : Shade(deep, light, y, 18);
            img.Set(left, y, edge);
            img.Set(left + 1, y, c);
            img.Set(left + 2, y, Mix(c, MakeRgb(0, 0, 0), 0.06));  // the darker centre column
            img.Set(left + 3, y, c);
        }
    }
    // Downward arrows 7, 5, 3 and 1 pixels wide at (8, 0) and (8, 4).
    const Rgb arrows[2] = {MakeRgb(25, 85, 95), MakeRgb(132, 165, 172)};
    for (int a = 0; a < 2; ++a)
        for (int row = 0; row < 4; ++row)
            for (int x = row; x < 7 - row; ++x) img.Set(8 + x, a * 4 + row, arrows[a]);
    return img;
}

PixelImage PaintGlyphSheet() {
    PixelImage img = Blank(18, 24);
    const Rgb greenTop = MakeRgb(84, 183, 29), greenBottom = MakeRgb(53, 145, 2);
    const Rgb paleTop = MakeRgb(170, 218, 146), paleBottom = MakeRgb(150, 202, 124);
    PaintGlyph(img, 0, 0, 9, 8, kCheckMark, greenTop, greenBottom);
    PaintGlyph(img, 9, 0, 9, 8, kCheckMark, paleTop, paleBottom);
    PaintGlyph(img, 1, 9, 7, 7, nullptr, greenTop, greenBottom);
    PaintGlyph(img, 10, 9, 7, 7, nullptr, paleTop, paleBottom);
    PaintGlyph(img, 2, 18, 5, 5, kOptionDot, greenTop, greenBottom);
    PaintGlyph(img, 11, 18, 5, 5, kOptionDot, paleTop, paleBottom);
    return img;
}

PixelImage PaintOptionStrip() {
    PixelImage img = Blank(13, 52);
    const Rgb ring = MakeRgb(131, 166, 210);
    PaintCircle(img, 0, ring, kWhite, kWhite);
    PaintCircle(img, 13, ring, MakeRgb(195, 234, 248), MakeRgb(225, 245, 253));
    PaintCircle(img, 26, MakeRgb(100, 137, 193), MakeRgb(173, 225, 245), MakeRgb(214, 241, 251));
    PaintCircle(img, 39, MakeRgb(193, 210, 232), kWhite, kWhite);
    return img;
}

PixelImage PaintHeaderStrip() {
    PixelImage img = Blank(9, 20);
    const Rgb line = MakeRgb(192, 218, 242), side = MakeRgb(94, 194, 250);
    for (int y = 0; y < 19; ++y) {
        const Rgb normal = Shade(MakeRgb(234, 245, 254), MakeRgb(211, 229, 246), y, 19);
        img.Set(0, y, normal);
        img.Set(1, y, normal);
        img.Set(2, y, Shade(MakeRgb(226, 239, 251), MakeRgb(122, 176, 217), y, 19));  // the separator
        img.Set(3, y, side);
        img.Set(4, y, Shade(MakeRgb(230, 247, 255), MakeRgb(200, 236, 252), y, 19));
        img.Set(5, y, side);
        img.Set(6, y, side);
        img.Set(7, y, Shade(MakeRgb(204, 236, 252), MakeRgb(178, 224, 249), y, 19));
        img.Set(8, y, side);
    }
    for (int x = 0; x < 9; ++x) img.Set(x, 19, line);
    return img;
}

std::array<PixelImage, kSkinImageCount> PaintSkinImages() {
    return {PaintButtonStrip(), PaintComboButtonStrip(), PaintGlyphSheet(), PaintOptionStrip(), PaintHeaderStrip()};
}

}  // namespace ferrik::skin
