#include "web/web_buttons.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace ferrik {

namespace {

// The form's design text for its buttons: curved gradient faces in the blue scheme (style 2 and
// its face colour, as the skin's blue frames). The navigation buttons are picture-only (empty
// caption): lighter when hot, darker when pressed, their mask colour left out.
constexpr std::string_view kDesignText = R"(Begin tesselbutton Command5
    ButtonStyle = 2
    BackColor = &H00E7EBEC&
    Caption = ""
    PictureEffectOnOver = 1
    PictureEffectOnDown = 2
    PictureAlign = 4
    UseMaskColor = True
    MaskColor = &H00E0E0E0&
    ToolTip = "后退"
End
Begin tesselbutton Command6
    ButtonStyle = 2
    BackColor = &H00E7EBEC&
    Caption = ""
    PictureEffectOnOver = 1
    PictureEffectOnDown = 2
    PictureAlign = 4
    UseMaskColor = True
    MaskColor = &H00E0E0E0&
    ToolTip = "前进"
End
Begin tesselbutton Command2
    ButtonStyle = 2
    BackColor = &H00E7EBEC&
    Caption = ""
    PictureEffectOnOver = 1
    PictureEffectOnDown = 2
    PictureAlign = 4
    UseMaskColor = True
    MaskColor = &H00E0E0E0&
    ToolTip = "主页"
End
Begin tesselbutton Command3
    ButtonStyle = 2
    BackColor = &H00E7EBEC&
    Caption = ""
    PictureEffectOnOver = 1
    PictureEffectOnDown = 2
    PictureAlign = 4
    UseMaskColor = True
    MaskColor = &H00E0E0E0&
    ToolTip = "刷新"
End
Begin tesselbutton Command4
    ButtonStyle = 2
    BackColor = &H00E7EBEC&
    Caption = ""
    PictureEffectOnOver = 1
    PictureEffectOnDown = 2
    PictureAlign = 4
    UseMaskColor = True
    MaskColor = &H00E0E0E0&
    ToolTip = "停止"
End
Begin tesselbutton Command7
    ButtonStyle = 2
    BackColor = &H00E7EBEC&
    Caption = "添加当前页"
    Font = Font("宋体", 90000, 400, False, False, False, 134)
    TooltipTitle = "说明"
    ToolTip = "把当前页添加到主界面分析输入框中。"
End
)";

struct Rgb {
    double r, g, b;
};

// A point of the 24 x 24 square (pixel centres at .5) is inside the glyph's shape, and in which colour.
using Shape = bool (*)(double x, double y, Rgb& colour);

bool InPolygon(double x, double y, std::initializer_list<std::array<double, 2>> points) {
    bool inside = false;
    const auto* p = points.begin();
    const std::size_t n = points.size();
    for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
        const double xi = p[i][0], yi = p[i][1], xj = p[j][0], yj = p[j][1];
        if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) inside = !inside;
    }
    return inside;
}

bool InRect(double x, double y, double left, double top, double right, double bottom) {
    return x >= left && x < right && y >= top && y < bottom;
}

constexpr Rgb kBlue{0x1E, 0x64, 0xC8};
constexpr Rgb kGreen{0x22, 0x8B, 0x3A};
constexpr Rgb kRed{0xD0, 0x28, 0x28};
constexpr Rgb kWhite{0xFF, 0xFF, 0xFF};
constexpr Rgb kRoof{0xC0, 0x50, 0x20};
constexpr Rgb kWall{0x2A, 0x6E, 0xB8};

bool BackShape(double x, double y, Rgb& c) {
    c = kBlue;
    return InPolygon(x, y,
                     {{2.5, 12}, {11.5, 3.5}, {11.5, 8.5}, {21.5, 8.5}, {21.5, 15.5}, {11.5, 15.5}, {11.5, 20.5}});
}

bool ForwardShape(double x, double y, Rgb& c) {
    return BackShape(24 - x, y, c);
}

bool HomeShape(double x, double y, Rgb& c) {
    if (InPolygon(x, y, {{12, 2.5}, {1.5, 12.5}, {22.5, 12.5}})) {
        c = kRoof;
        return true;
    }
    if (InRect(x, y, 4.5, 11.5, 19.5, 21.5) && !InRect(x, y, 10, 15, 14, 21.5)) {
        c = kWall;
        return true;
    }
    return false;
}

bool RefreshShape(double x, double y, Rgb& c) {
    c = kGreen;
    const double dx = x - 12, dy = y - 12.5;
    const double r = std::sqrt(dx * dx + dy * dy);
    double angle = std::atan2(-dy, dx) * 180 / std::numbers::pi;  // 0 at the right, counter-clockwise
    if (angle < 0) angle += 360;
    // A ring open at the upper right; the arrow head at the ring's upper end points clockwise.
    if (r >= 5.5 && r <= 8.8 && !(angle > 10 && angle < 75)) return true;
    return InPolygon(x, y, {{19.5, 3.5}, {20.5, 11.5}, {13, 9}});
}

bool StopShape(double x, double y, Rgb& c) {
    const double dx = x - 12, dy = y - 12;
    const bool octagon = std::abs(dx) <= 10 && std::abs(dy) <= 10 && std::abs(dx) + std::abs(dy) <= 14.2;
    if (!octagon) return false;
    // A white cross on red.
    const double u = (dx + dy) / std::numbers::sqrt2, v = (dx - dy) / std::numbers::sqrt2;
    const bool cross = (std::abs(u) <= 1.7 && std::abs(v) <= 6.5) || (std::abs(v) <= 1.7 && std::abs(u) <= 6.5);
    c = cross ? kWhite : kRed;
    return true;
}

Shape ShapeOf(WebGlyph glyph) {
    switch (glyph) {
        case WebGlyph::Back:
            return BackShape;
        case WebGlyph::Forward:
            return ForwardShape;
        case WebGlyph::Home:
            return HomeShape;
        case WebGlyph::Refresh:
            return RefreshShape;
        case WebGlyph::Stop:
            return StopShape;
    }
    return BackShape;
}

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

}  // namespace

int GlyphSizeForDpi(int dpi) {
    return dpi > 96 ? (kGlyphSize * dpi + 48) / 96 : kGlyphSize;
}

Picture WebGlyphPicture(WebGlyph glyph, int size) {
    constexpr int kSamples = 4;  // per axis: 16 samples a pixel
    if (size <= 0) size = kGlyphSize;
    const auto side = static_cast<std::uint32_t>(size);
    const std::uint32_t rowBytes = (side * 3 + 3) & ~3u;  // rows of a bitmap file are padded to 4 bytes
    const std::uint32_t pixelBytes = rowBytes * side;
    // The shapes are drawn on a 24-unit square.
    const double unit = static_cast<double>(kGlyphSize) / size;
    const Shape shape = ShapeOf(glyph);
    const Rgb mask{static_cast<double>(kGlyphMaskColor & 0xFF), static_cast<double>((kGlyphMaskColor >> 8) & 0xFF),
                   static_cast<double>((kGlyphMaskColor >> 16) & 0xFF)};

    Picture picture;
    std::vector<std::uint8_t>& out = picture.bytes;
    out.reserve(54 + pixelBytes);
    out.push_back('B');
    out.push_back('M');
    Put32(out, 54 + pixelBytes);
    Put32(out, 0);
    Put32(out, 54);
    Put32(out, 40);
    Put32(out, side);
    Put32(out, side);  // positive: bottom-up rows
    Put16(out, 1);
    Put16(out, 24);
    Put32(out, 0);  // BI_RGB
    Put32(out, pixelBytes);
    Put32(out, 2835);
    Put32(out, 2835);
    Put32(out, 0);
    Put32(out, 0);
    for (int row = size - 1; row >= 0; --row) {
        for (int col = 0; col < size; ++col) {
            Rgb sum{0, 0, 0};
            int hits = 0;
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    Rgb c{};
                    const double x = (col + (sx + 0.5) / kSamples) * unit, y = (row + (sy + 0.5) / kSamples) * unit;
                    if (!shape(x, y, c))
                        c = mask;
                    else
                        ++hits;
                    sum.r += c.r;
                    sum.g += c.g;
                    sum.b += c.b;
                }
            }
            constexpr double n = kSamples * kSamples;
            // Pixels outside the shape are exactly the mask colour; edge pixels blend into it.
            Rgb px = hits == 0 ? mask : Rgb{sum.r / n, sum.g / n, sum.b / n};
            if (hits > 0 && std::lround(px.r) == static_cast<long>(mask.r) &&
                std::lround(px.g) == static_cast<long>(mask.g) && std::lround(px.b) == static_cast<long>(mask.b))
                px.b -= 1;  // a blended edge that happens to hit the mask colour stays visible
            out.push_back(static_cast<std::uint8_t>(std::clamp(std::lround(px.b), 0L, 255L)));
            out.push_back(static_cast<std::uint8_t>(std::clamp(std::lround(px.g), 0L, 255L)));
            out.push_back(static_cast<std::uint8_t>(std::clamp(std::lround(px.r), 0L, 255L)));
        }
        for (std::uint32_t pad = side * 3; pad < rowBytes; ++pad) out.push_back(0);
    }
    return picture;
}

std::vector<StoredControl> WebButtonStore() {
    std::vector<StoredControl> controls = ParseDesignText(kDesignText);
    for (StoredControl& control : controls)
        for (const auto& [name, glyph] : kWebButtonGlyphs)
            if (control.name == name) control.bag.Store("PictureNormal", WebGlyphPicture(glyph));
    return controls;
}

std::string WebButtonDesignText() {
    return WriteDesignText(WebButtonStore());
}

}  // namespace ferrik
