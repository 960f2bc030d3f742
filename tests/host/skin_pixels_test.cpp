#include <gtest/gtest.h>

#include <array>
#include <utility>

#include "skin/skin_images.h"
#include "skin/fade.h"
#include "skin/skin_geometry.h"
#include "skin/window_kinds.h"

namespace ferrik::skin {
namespace {

constexpr Rgb kMagenta = 0xFF00FF;

TEST(SkinImages, SizesKeyAreasAndTellingColours) {
    const auto images = PaintSkinImages();
    struct Size {
        int w, h;
    };
    const Size sizes[] = {{7, 84}, {15, 18}, {18, 24}, {13, 52}, {9, 20}};
    int pixels = 0;
    for (int i = 0; i < kSkinImageCount; ++i) {
        EXPECT_EQ(images[i].width, sizes[i].w) << i;
        EXPECT_EQ(images[i].height, sizes[i].h) << i;
        ASSERT_EQ(images[i].pixels.size(), static_cast<std::size_t>(sizes[i].w * sizes[i].h)) << i;
        pixels += images[i].width * images[i].height;
    }
    EXPECT_EQ(pixels, 2146);

    const PixelImage& button = images[0];
    const PixelImage& combo = images[1];
    const PixelImage& glyphs = images[2];
    const PixelImage& option = images[3];
    const PixelImage& header = images[4];
    struct Probe {
        const PixelImage* image;
        int x, y;
        Rgb colour;
    };
    const Probe probes[] = {
        {&button, 3, 0, 0x1B8FD5},   {&button, 0, 10, 0x1B8FD5},  // outline (27,143,213), normal tile
        {&button, 3, 1, 0xFFFFFF},   {&button, 3, 19, 0xB1D0EA},  // normal face white to (177,208,234)
        {&button, 3, 22, 0x4CC3FB},  {&button, 1, 30, 0x4CC3FB},  // hot rim (76,195,251)
        {&button, 3, 41, 0x1B8FD5},  {&button, 3, 44, 0x86CCF3},  // pressed face from (134,204,243)
        {&button, 3, 63, 0x87C3E8},  {&button, 3, 82, 0xD2E3F3},  // disabled outline, face to (210,227,243)
        {&combo, 0, 9, 0x4EA0D1},    {&combo, 4, 9, 0x4EA0D1},    // left edges (78,160,209)
        {&combo, 1, 0, 0xE8F9FF},    {&combo, 5, 17, 0xE8F9FF},   // hot light on top, pressed below
        {&combo, 8, 0, 0x19555F},    {&combo, 11, 3, 0x19555F},   // enabled arrow (25,85,95)
        {&combo, 12, 5, 0x84A5AC},   {&combo, 10, 4, 0x84A5AC},   // disabled arrow (132,165,172)
        {&combo, 8, 1, kMagenta},    {&combo, 10, 3, kMagenta},   // beside the narrowing arrow
        {&combo, 14, 17, kMagenta},  {&combo, 8, 8, kMagenta},
        {&glyphs, 8, 0, 0x54B71D},   {&glyphs, 3, 7, 0x359102},   // green (84,183,29) to (53,145,2)
        {&glyphs, 1, 9, 0x54B71D},   {&glyphs, 7, 15, 0x359102},  // indeterminate square
        {&glyphs, 4, 18, 0x54B71D},  {&glyphs, 0, 0, kMagenta},   // dot; outside the tick
        {&glyphs, 8, 9, kMagenta},   {&glyphs, 17, 23, kMagenta}, {&glyphs, 2, 18, kMagenta},
        {&option, 0, 0, kMagenta},   {&option, 12, 51, kMagenta}, {&option, 12, 13, kMagenta},  // corners
        {&option, 6, 6, 0xFFFFFF},   {&option, 6, 45, 0xFFFFFF},  // normal and disabled faces white
        {&header, 0, 19, 0xC0DAF2},  {&header, 8, 19, 0xC0DAF2},  // bottom line (192,218,242)
        {&header, 0, 0, 0xEAF5FE},   {&header, 2, 18, 0x7AB0D9},  // normal top; separator bottom
        {&header, 3, 5, 0x5EC2FA},   {&header, 8, 5, 0x5EC2FA},   // hot and pressed sides (94,194,250)
    };
    for (const Probe& p : probes)
        EXPECT_EQ(p.image->At(p.x, p.y), p.colour) << "image " << (p.image - &images[0]) << " at " << p.x << ","
                                                   << p.y;

    // Arrows: 7, 5, 3, 1 pixels wide; the glyph sheet is key magenta outside its six glyph cells.
    for (int row = 0; row < 4; ++row) {
        int enabled = 0;
        for (int x = 8; x < 15; ++x) enabled += combo.At(x, row) == 0x19555F;
        EXPECT_EQ(enabled, 7 - 2 * row) << row;
    }
    const Rect cells[] = {{0, 0, 9, 8}, {9, 0, 9, 8}, {1, 9, 7, 7}, {10, 9, 7, 7}, {2, 18, 5, 5}, {11, 18, 5, 5}};
    int drawn = 0;
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 18; ++x) {
            bool inCell = false;
            for (const Rect& c : cells) inCell |= x >= c.x && x < c.x + c.width && y >= c.y && y < c.y + c.height;
            if (!inCell) {
                EXPECT_EQ(glyphs.At(x, y), kMagenta) << x << "," << y;
            }
            drawn += glyphs.At(x, y) != kMagenta;
        }
    EXPECT_EQ(drawn, 2 * 27 + 2 * 49 + 2 * 21);  // tick 27 pixels, square 49, dot 21
    // Rings: normal (131,166,210) darkest pixel at the circle's left, pressed darker (100,137,193).
    EXPECT_EQ(option.At(0, 6), 0x83A6D2);
    EXPECT_EQ(option.At(0, 32), 0x6489C1);
    EXPECT_EQ(option.At(0, 45), 0xC1D2E8);
}

TEST(SkinLayout, WindowKindsByLowerCasedClassName) {
    struct Row {
        const char16_t* name;
        WindowKind kind;
    };
    const Row rows[] = {
        {u"Form", WindowKind::Form},           {u"#32770", WindowKind::Form},
        {u"ThunderRT6FormDC", WindowKind::Form}, {u"Button", WindowKind::PushButton},
        {u"BUTTON", WindowKind::PushButton},   {u"ComboBox", WindowKind::Combo},
        {u"ComboLBox", WindowKind::DropList},  {u"SysHeader32", WindowKind::Header},
        {u"ThunderRT6CheckBox", WindowKind::CheckBox}, {u"ThunderOptionButton", WindowKind::OptionButton},
        {u"ProgressBar20WndClass", WindowKind::ProgressBar}, {u"ThunderRT6DriveListBox", WindowKind::DriveList},
        {u"DataListWndClass", WindowKind::DataList}, {u"msctls_progress32", WindowKind::Other},
        {u"SysListView32", WindowKind::Other}, {u"Edit", WindowKind::Other},
        {u"ApexGridOleDB32", WindowKind::Other},  // a grid only for the paint handler
        {u"buttons", WindowKind::Other},       {u"", WindowKind::Other},
    };
    for (const Row& r : rows) EXPECT_EQ(KindOfClass(r.name), r.kind) << ToUtf8(r.name);
    EXPECT_TRUE(IsGridClass(u"ApexGridOleDB32"));
    EXPECT_TRUE(IsGridClass(u"apexgrid"));
    EXPECT_FALSE(IsGridClass(u"xapexgrid"));

    // Painted button types: push (0) and default push (1); never a check box (2, 3), radio (4, 9),
    // 3-state (5, 6), group box (7) or owner-drawn (11) button.
    for (std::uint32_t type = 0; type < 16; ++type)
        EXPECT_EQ(IsPaintedButtonStyle(0x50010000 | type), type <= 1) << type;
}

TEST(SkinLayout, NineSliceOfAButtonTileAndOfAPlainStretch) {
    // A 7 x 21 tile (the hot one at row 21) over 75 x 23 with borders 3: corners 1:1, edges and
    // the 1-pixel centre column stretched.
    const std::vector<SliceBlit> expected = {
        {{0, 0, 3, 3}, {0, 21, 3, 3}, false},     {{72, 0, 3, 3}, {4, 21, 3, 3}, false},
        {{0, 20, 3, 3}, {0, 39, 3, 3}, false},    {{72, 20, 3, 3}, {4, 39, 3, 3}, false},
        {{0, 3, 3, 17}, {0, 24, 3, 15}, true},    {{72, 3, 3, 17}, {4, 24, 3, 15}, true},
        {{3, 0, 69, 3}, {3, 21, 1, 3}, true},     {{3, 20, 69, 3}, {3, 39, 1, 3}, true},
        {{3, 3, 69, 17}, {3, 24, 1, 15}, true},
    };
    EXPECT_EQ(NineSlicePlan(75, 23, {0, 21, 7, 21}, 3, 3, 3, 3), expected);
    // All borders 0: the whole tile stretched once.
    EXPECT_EQ(NineSlicePlan(40, 10, {3, 0, 3, 20}, 0, 0, 0, 0),
              (std::vector<SliceBlit>{{{0, 0, 40, 10}, {3, 0, 3, 20}, true}}));
    // Combo face borders 2, 1, 1, 1: no piece for a missing border is left out wrongly.
    EXPECT_EQ(NineSlicePlan(18, 19, {4, 0, 4, 18}, 2, 1, 1, 1).size(), 9u);
    EXPECT_EQ(NineSlicePlan(18, 19, {0, 0, 4, 18}, 2, 0, 1, 0).size(), 3u);  // left, right, centre
    const std::array<int, 4> empties[] = {{0, 5, 3, 3}, {5, 0, 3, 3}, {5, 5, 0, 3}, {5, 5, 3, 0}};
    for (auto [w, h, sw, sh] : empties)
        EXPECT_TRUE(NineSlicePlan(w, h, {0, 0, sw, sh}, 1, 1, 1, 1).empty());
}

TEST(SkinLayout, FadeLevelsAndTheirBlends) {
    const std::vector<int> fromZero = FadeLevels(0), fromSixty = FadeLevels(60);
    EXPECT_EQ(fromZero.size(), 86u);
    EXPECT_EQ(fromSixty.size(), 66u);
    EXPECT_EQ(fromZero.back(), 255);
    EXPECT_EQ(fromSixty.front(), 60);
    EXPECT_EQ(fromSixty.back(), 255);
    struct Row {
        int level, blend, next;
        bool stop;
    };
    const Row rows[] = {{0, 0, 3, false}, {60, 60, 63, false}, {252, 252, 255, false}, {255, 255, 0, true},
                        {140, 140, 143, false}};
    for (const Row& r : rows) {
        const FadeStepResult s = FadeStep(r.level);
        EXPECT_EQ(s.blendLevel, r.blend);
        EXPECT_EQ(s.nextLevel, r.next) << r.level;
        EXPECT_EQ(s.stop, r.stop) << r.level;
    }
    // Blending the hot face back to the normal one: every step mixes into what the last one left;
    // the face is close well before the end and exact at 255.
    const Rgb normal = 0xFFFFFF, hot = 0x4CC3FB;
    Rgb shown = hot;
    for (int level : fromZero) {
        shown = BlendOver(normal, shown, level);
        if (level == 150) {
            EXPECT_GE(GreenOf(shown), 250);
        }
    }
    EXPECT_EQ(shown, normal);
    EXPECT_EQ(BlendOver(0x000000, 0xFFFFFF, 140), 0x737373);  // 255 * 115 / 255
    EXPECT_EQ(BlendOver(0x102030, 0xF0E0D0, 0), 0xF0E0D0);
}

TEST(SkinLayout, PainterPlacesAtUsualMetrics) {
    // Drop-down button of a 21-pixel combo box with 17-pixel scroll bars: 18 x 19 at (w - 19, 1),
    // arrow at (nearest(11 / 2), nearest(15 / 2)) = (6, 8) (5.5 and 7.5 go to the even side).
    const ComboButtonLayout combo = ComboButtonGeometry(120, 21, 17);
    EXPECT_EQ(combo.width, 18);
    EXPECT_EQ(combo.height, 19);
    EXPECT_EQ(combo.arrowX, 6);
    EXPECT_EQ(combo.arrowY, 8);
    EXPECT_EQ(combo.target, (Rect{101, 1, 18, 19}));
    // Editable combo box, 120 x 21: the button area spans x 101..118, y 2..19.
    struct Hit {
        int x, y;
        bool over;
    };
    for (const Hit& h : {Hit{101, 10, true}, Hit{100, 10, false}, Hit{118, 2, true}, Hit{119, 10, false},
                         Hit{110, 1, false}, Hit{110, 19, true}, Hit{110, 20, false}})
        EXPECT_EQ(OverComboButton(h.x, h.y, 120, 21, 17), h.over) << h.x << "," << h.y;

    // 13 x 13 boxes: the check mark at (2, 2) (4 / 2 and 5 / 2 = 2.5 -> 2), the option dot at (4, y0 + 4).
    const BoxGeometry box = BoxPieces(13, 13, 20);
    EXPECT_EQ(box.boxY, 4);  // 3.5 -> 4
    EXPECT_EQ(box.checkX, 2);
    EXPECT_EQ(box.checkY, 2);
    EXPECT_EQ(box.squareX, 3);
    EXPECT_EQ(box.squareY, 3);
    EXPECT_EQ(box.dotX, 4);
    EXPECT_EQ(box.dotY, 8);
    EXPECT_EQ(BoxPieces(13, 13, 18).boxY, 2);  // 2.5 -> 2

    // Progress bars: half position fills the lower half (vertical) or the left half.
    EXPECT_EQ(ProgressClientFill(ProgressFraction(15000), 20, 100, true), (Rect{0, 50, 20, 50}));
    EXPECT_EQ(ProgressClientFill(ProgressFraction(15000), 101, 20, false), (Rect{0, 0, 50, 20}));  // 50.5 -> 50
    EXPECT_EQ(ProgressClientFill(ProgressFraction(0), 100, 20, false), Rect{});
    EXPECT_EQ(ProgressClientFill(ProgressFraction(30000), 100, 20, false), (Rect{0, 0, 100, 20}));
    EXPECT_EQ(BorderHalf(100, 96, 0), 2);
    EXPECT_EQ(BorderHalf(100, 79, 17), 2);
    EXPECT_EQ(BorderHalf(100, 97, 0), 2);  // 1.5 -> 2

    // Header: hits include both ends; the held item wins over the hot one.
    const ItemSpan items[] = {{0, 99}, {100, 179}, {180, 300}};
    const std::pair<int, int> hits[] = {{0, 0}, {99, 0}, {100, 1}, {300, 2}, {301, -1}, {-1, -1}};
    for (auto [x, item] : hits)
        EXPECT_EQ(HeaderHit(items, x), item) << x;
    EXPECT_EQ(HeaderItemLook(1, 1, 1), HeaderLook::Pressed);
    EXPECT_EQ(HeaderItemLook(1, -1, 1), HeaderLook::Hot);
    EXPECT_EQ(HeaderItemLook(2, 1, 1), HeaderLook::Normal);
}

// The header's sort mark: four rows, the widest at the bottom pointing up (ascending) or at the top
// pointing down, its right end 6 pixels inside the item, centred in the height; none in an item
// under 24 pixels.
TEST(SkinGeometry, SortMarkRows) {
    struct Case {
        int left, right, height;
        bool ascending;
        std::vector<Rect> rows;
    };
    const Case cases[] = {
        {0, 100, 20, true, {{90, 8, 1, 1}, {89, 9, 3, 1}, {88, 10, 5, 1}, {87, 11, 7, 1}}},
        {0, 100, 20, false, {{87, 8, 7, 1}, {88, 9, 5, 1}, {89, 10, 3, 1}, {90, 11, 1, 1}}},
        {100, 124, 9, true, {{114, 2, 1, 1}, {113, 3, 3, 1}, {112, 4, 5, 1}, {111, 5, 7, 1}}},
        {100, 123, 20, true, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SortMarkRows(c.left, c.right, c.height, c.ascending), c.rows) << c.left << " " << c.ascending;
}

}  // namespace
}  // namespace ferrik::skin
