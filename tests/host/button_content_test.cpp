#include <gtest/gtest.h>

#include <vector>

#include "controls/button_content.h"
#include "controls/button_picture.h"
#include "host/support/fake_button_host.h"
#include "host/support/test_pictures.h"

namespace ferrik {
namespace {

// W 120, H 40, a 16 x 12 picture and a caption measured 30 x 13.
ContentLayoutInput Input(int captionAlign, int pictureAlign, bool dropDown) {
    ContentLayoutInput in;
    in.width = 120, in.height = 40;
    in.captionAlign = captionAlign, in.pictureAlign = pictureAlign;
    in.hasPicture = true, in.captionBlank = false;
    in.dropDownSymbol = dropDown;
    in.pictureWidth = 16, in.pictureHeight = 12;
    in.textWidth = 30, in.textHeight = 13;
    return in;
}

TEST(ButtonContentLayout, CaptionAndPictureForEveryAlignmentWithAndWithoutDropDown) {
    struct Case {
        int captionAlign, pictureAlign;
        bool dropDown;
        ContentBox caption;
        int pictureLeft, pictureTop;
    };
    const Case cases[] = {
        {0, 0, false, {20, 13, 52, 26}, 3, 14},    {0, 1, false, {20, 13, 52, 26}, 0, 14},
        {0, 2, false, {2, 13, 32, 26}, 101, 14},   {0, 3, false, {2, 13, 32, 26}, 36, 14},
        {0, 4, false, {2, 13, 32, 26}, 52, 14},    {0, 5, false, {2, 19, 32, 32}, 52, 4},
        {0, 6, false, {2, 19, 32, 32}, 52, 5},     {0, 7, false, {2, 7, 32, 20}, 52, 24},
        {0, 8, false, {2, 7, 32, 20}, 52, 22},     {1, 0, false, {53, 13, 83, 26}, 3, 14},
        {1, 1, false, {53, 13, 83, 26}, 33, 14},   {1, 2, false, {41, 13, 71, 26}, 101, 14},
        {1, 3, false, {41, 13, 71, 26}, 75, 14},   {1, 4, false, {37, 13, 67, 26}, 52, 14},
        {1, 5, false, {45, 19, 75, 32}, 52, 4},    {1, 6, false, {45, 19, 75, 32}, 52, 5},
        {1, 7, false, {45, 7, 75, 20}, 52, 24},    {1, 8, false, {45, 7, 75, 20}, 52, 22},
        {2, 0, false, {86, 13, 116, 26}, 3, 14},   {2, 1, false, {86, 13, 116, 26}, 66, 14},
        {2, 2, false, {66, 13, 100, 26}, 102, 14}, {2, 3, false, {66, 13, 100, 26}, 104, 14},
        {2, 4, false, {86, 13, 116, 26}, 52, 14},  {2, 5, false, {86, 19, 116, 32}, 52, 4},
        {2, 6, false, {86, 19, 116, 32}, 52, 5},   {2, 7, false, {86, 7, 116, 20}, 52, 24},
        {2, 8, false, {86, 7, 116, 20}, 52, 22},   {0, 0, true, {20, 13, 52, 26}, 3, 14},
        {0, 1, true, {20, 13, 52, 26}, 0, 14},     {0, 2, true, {2, 13, 32, 26}, 85, 14},
        {0, 3, true, {2, 13, 32, 26}, 34, 14},     {0, 4, true, {2, 13, 32, 26}, 44, 14},
        {0, 5, true, {2, 19, 32, 32}, 44, 4},      {0, 6, true, {2, 19, 32, 32}, 44, 5},
        {0, 7, true, {2, 7, 32, 20}, 44, 24},      {0, 8, true, {2, 7, 32, 20}, 44, 22},
        {1, 0, true, {45, 13, 75, 26}, 3, 14},     {1, 1, true, {45, 13, 75, 26}, 25, 14},
        {1, 2, true, {33, 13, 63, 26}, 85, 14},    {1, 3, true, {33, 13, 63, 26}, 65, 14},
        {1, 4, true, {29, 13, 59, 26}, 44, 14},    {1, 5, true, {37, 19, 67, 32}, 44, 4},
        {1, 6, true, {37, 19, 67, 32}, 44, 5},     {1, 7, true, {37, 7, 67, 20}, 44, 24},
        {1, 8, true, {37, 7, 67, 20}, 44, 22},     {2, 0, true, {70, 13, 100, 26}, 3, 14},
        {2, 1, true, {70, 13, 100, 26}, 50, 14},   {2, 2, true, {50, 13, 84, 26}, 86, 14},
        {2, 3, true, {50, 13, 84, 26}, 86, 14},    {2, 4, true, {70, 13, 100, 26}, 44, 14},
        {2, 5, true, {70, 19, 100, 32}, 44, 4},    {2, 6, true, {70, 19, 100, 32}, 44, 5},
        {2, 7, true, {70, 7, 100, 20}, 44, 24},    {2, 8, true, {70, 7, 100, 20}, 44, 22},
    };
    for (const Case& c : cases) {
        const ContentLayout layout = LayOutContent(Input(c.captionAlign, c.pictureAlign, c.dropDown));
        SCOPED_TRACE(testing::Message() << "CaptionAlign " << c.captionAlign << " PictureAlign " << c.pictureAlign
                                        << (c.dropDown ? " with drop-down" : ""));
        EXPECT_EQ(layout.caption, c.caption);
        EXPECT_EQ(layout.picture, (ContentBox{c.pictureLeft, c.pictureTop, c.pictureLeft + 16, c.pictureTop + 12}));
    }

    // A blank caption centres the picture whatever its alignment (8 to the left of a drop-down
    // part); without PictureNormal the picture alignment moves nothing.
    ContentLayoutInput blank = Input(1, 0, false);
    blank.captionBlank = true;
    EXPECT_EQ(LayOutContent(blank).picture, (ContentBox{52, 14, 68, 26}));
    blank.dropDownSeparator = true;
    EXPECT_EQ(LayOutContent(blank).picture, (ContentBox{44, 14, 60, 26}));
    ContentLayoutInput noPicture = Input(0, 0, false);
    noPicture.hasPicture = false, noPicture.pictureWidth = 0, noPicture.pictureHeight = 0;
    EXPECT_EQ(LayOutContent(noPicture).caption, (ContentBox{2, 13, 32, 26}));
    EXPECT_EQ(LayOutContent(noPicture).picture, ContentBox{});
    // A right-aligned caption keeps clear of the drop-down part with or without a picture.
    noPicture.captionAlign = 2, noPicture.dropDownSymbol = true;
    EXPECT_EQ(LayOutContent(noPicture).caption, (ContentBox{70, 13, 100, 26}));
}

TEST(ButtonContentLayout, MeasureBoxDropDownSymbolSeparatorAndPressedOffsets) {
    struct Measure {
        int pictureAlign;
        bool symbol, separator;
        int width;
    };
    for (const Measure& m : {Measure{1, false, false, 112}, Measure{1, true, false, 104}, Measure{2, true, false, 96},
                             Measure{3, false, true, 96}, Measure{8, false, true, 104}}) {
        ContentLayoutInput in = Input(1, m.pictureAlign, m.symbol);
        in.dropDownSeparator = m.separator;
        EXPECT_EQ(CaptionMeasureWidth(in), m.width) << m.pictureAlign << m.symbol << m.separator;
    }

    // (W - 15, H/2 - 7, W, H/2 + 8), the halves going to the even neighbour.
    for (const auto& [height, top, bottom] : {std::tuple{23, 4, 20}, {24, 5, 20}, {25, 6, 20}, {27, 6, 22}}) {
        ContentLayoutInput in = Input(1, 1, true);
        in.height = height;
        EXPECT_EQ(LayOutContent(in).dropDown, (ContentBox{105, top, 120, bottom})) << height;
    }

    // The separator needs W - 8 beyond the caption's right.
    ContentLayoutInput sep = Input(1, 1, false);
    sep.dropDownSeparator = true;
    EXPECT_TRUE(LayOutContent(sep).separator);
    sep.textWidth = 100;  // caption right 110
    EXPECT_TRUE(LayOutContent(sep).separator);
    sep.textWidth = 110;  // caption right 115
    EXPECT_FALSE(LayOutContent(sep).separator);

    // Held down: caption and picture move by (1, 1) in the pressing styles; the symbol of styles
    // 0, 1, 6, 7, 11 and 12 by (2, 2).
    struct Press {
        int style, captionShift, symbolShift;
    };
    const Press presses[] = {{0, 1, 2}, {1, 1, 2}, {2, 0, 0}, {3, 0, 0},  {4, 0, 0},  {5, 1, 1},  {6, 1, 2},
                             {7, 1, 2}, {8, 0, 0}, {9, 0, 0}, {10, 1, 1}, {11, 1, 2}, {12, 1, 2}, {13, 0, 0}};
    for (const Press& p : presses) {
        ContentLayoutInput in = Input(1, 1, true);
        in.style = p.style;
        const ContentLayout rest = LayOutContent(in);
        in.state = kStateDown;
        const ContentLayout down = LayOutContent(in);
        EXPECT_EQ(down.caption.left - rest.caption.left, p.captionShift) << p.style;
        EXPECT_EQ(down.caption.top - rest.caption.top, p.captionShift) << p.style;
        EXPECT_EQ(down.picture.left - rest.picture.left, p.captionShift) << p.style;
        EXPECT_EQ(down.dropDown.left - rest.dropDown.left, p.symbolShift) << p.style;
        EXPECT_EQ(down.dropDown.top - rest.dropDown.top, p.symbolShift) << p.style;
    }
}

TEST(ButtonContentPicture, CurrentPictureOpacityEffectAndDisabledModes) {
    test::FakeButtonHost host;
    TesselButton button(host, host);
    button.InitProperties();
    EXPECT_EQ(CurrentPicture(button, kStateHot), nullptr);
    const Picture normal{{1}}, hot{{2}}, down{{3}};
    button.SetPictureNormal(normal);
    EXPECT_EQ(*CurrentPicture(button, kStateDown), normal);  // down falls back to hot, then normal
    button.SetPictureHot(hot);
    EXPECT_EQ(*CurrentPicture(button, kStateDown), hot);
    button.SetPictureDown(down);
    EXPECT_EQ(*CurrentPicture(button, kStateNormal), normal);
    EXPECT_EQ(*CurrentPicture(button, kStateHot), hot);
    EXPECT_EQ(*CurrentPicture(button, kStateDown), down);
    button.SetMode(kCheck);
    button.SetValue(true);
    EXPECT_EQ(*CurrentPicture(button, kStateNormal), down);

    button.SetPictureEffectOnOver(1);
    button.SetPictureEffectOnDown(2);
    button.SetPictureOpacity(200);
    button.SetPictureOpacityOnOver(128);
    struct Case {
        bool enabled;
        int mode, state, opacity, effect;
        bool greyed;
    };
    const Case cases[] = {
        {true, 0, kStateNormal, 200, 0, false}, {true, 0, kStateHot, 128, 1, false},
        {true, 0, kStateDown, 200, 2, false},   {false, 0, kStateNormal, 52, 0, false},
        {false, 1, kStateNormal, 150, 0, true}, {false, 2, kStateNormal, 0, 0, false},
        {false, 7, kStateNormal, 0, 0, false},
    };
    for (const Case& c : cases) {
        button.SetEnabled(c.enabled);
        button.SetDisabledPictureMode(c.mode);
        const PictureInk ink = PictureInkOf(button, c.state);
        EXPECT_EQ(ink.opacity, c.opacity) << c.enabled << c.mode << c.state;
        EXPECT_EQ(ink.effect, c.effect) << c.enabled << c.mode << c.state;
        EXPECT_EQ(ink.greyed, c.greyed) << c.enabled << c.mode << c.state;
    }
    button.SetDisabledPictureMode(1);
    button.SetPictureOpacity(255);
    EXPECT_EQ(PictureInkOf(button, kStateNormal).opacity, 191);  // 255 x 0.75 = 191.25
}

PictureInk Ink(int opacity, int effect = 0, bool greyed = false, std::optional<Pixel> silhouette = {},
               std::optional<Pixel> transparent = {}) {
    PictureInk ink;
    ink.opacity = opacity, ink.effect = effect, ink.greyed = greyed;
    ink.silhouette = silhouette, ink.transparent = transparent;
    return ink;
}

PictureImage OnePixel(Pixel p, PictureKind kind = PictureKind::kBitmap) {
    return PictureImage{kind, 1, 1, {p}};
}

TEST(ButtonContentPicture, CompositionNumbers) {
    struct Case {
        const char* what;
        PictureImage picture;
        PictureInk ink;
        Pixel background, expected;
    };
    const Pixel silver = 0xC0C0C0;
    const Case cases[] = {
        {"hover lighter", OnePixel(0xC8E6FF), Ink(255, 1), 0x000000, 0xE5FFFF},  // 200->229, 230->255, 255->255
        {"press darker", OnePixel(0xC8FF00), Ink(255, 2), 0x000000, 0xAAD900},   // 200->170, 255->217
        {"no effect", OnePixel(0xC8E6FF), Ink(255, 0), 0x123456, 0xC8E6FF},
        {"faded 52", OnePixel(0xC86400), Ink(52, 0), 0x646464, 0x77634F},             // (52c + 203b) / 256
        {"greyed 255", OnePixel(0x0A141E), Ink(255, 0, true), 0xFFFFFF, 0x121212},    // 3 + 11.8 + 3.3
        {"greyed white", OnePixel(0xFFFFFF), Ink(255, 0, true), 0x000000, 0xFEFEFE},  // 76.5 -> 76: 254
        {"greyed 191", OnePixel(0xFFFFFF), Ink(191, 0, true), 0x000000, 0xBDBDBD},    // 191 x 254 / 256
        {"silhouette", OnePixel(0x123456), Ink(255, 1, false, silver), 0x000000, silver},
        {"half silhouette", OnePixel(0x123456), Ink(128, 0, false, silver), 0xFFFFFF, 0xDEDEDE},
        {"mask colour kept out", OnePixel(0xE0E0E0), Ink(255, 0, false, {}, 0xE0E0E0), 0x010203, 0x010203},
        {"other colour drawn", OnePixel(0xE0E0E1), Ink(255, 0, false, {}, 0xE0E0E0), 0x010203, 0xE0E0E1},
        {"mask before silhouette", OnePixel(0xE0E0E0), Ink(255, 0, false, silver, 0xE0E0E0), 0x010203, 0x010203},
        {"opacity 0", OnePixel(0xFFFFFF), Ink(0), 0x010203, 0x010203},
        {"alpha 128", OnePixel(0x80FFFFFF, PictureKind::kAlphaBitmap), Ink(255), 0x000000, 0x7F7F7F},
        {"alpha x opacity", OnePixel(0xC8FFFFFF, PictureKind::kAlphaBitmap), Ink(191), 0x000000, 0x949494},  // f 149
        {"alpha 0", OnePixel(0x00FFFFFF, PictureKind::kAlphaBitmap), Ink(255), 0x010203, 0x010203},
        {"alpha ignores mask", OnePixel(0xFFE0E0E0, PictureKind::kAlphaBitmap), Ink(255, 0, false, {}, 0xE0E0E0),
         0x010203, 0xE0E0E0},
        {"alpha silhouette", OnePixel(0x80123456, PictureKind::kAlphaBitmap), Ink(255, 0, false, 0xFFFFFF), 0x000000,
         0x7F7F7F},
    };
    for (const Case& c : cases) {
        std::vector<Pixel> buffer{c.background};
        ComposePicture(c.picture, c.ink, buffer, 1, 1);
        EXPECT_EQ(buffer[0] & 0xFFFFFF, c.expected) << c.what;
    }

    // Never stretched: a 2 x 1 picture in a 3 x 2 buffer covers its own two pixels only.
    const PictureImage wide{PictureKind::kBitmap, 2, 1, {0x111111, 0x222222}};
    std::vector<Pixel> buffer(6, 0x999999);
    ComposePicture(wide, PictureInk{}, buffer, 3, 2);
    EXPECT_EQ(buffer, (std::vector<Pixel>{0x111111, 0x222222, 0x999999, 0x999999, 0x999999, 0x999999}));
}

TEST(ButtonContentPicture, DecodesBitmapsAndIcons) {
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        PictureKind kind;
        int width, height;
        std::vector<Pixel> pixels;  // top-down
    };
    const Case cases[] = {
        {"24-bit, padded rows",
         test::MakeBmp(3, 2, 24, {0x010203, 0x040506, 0x070809, 0x0A0B0C, 0x0D0E0F, 0x101112}),
         PictureKind::kBitmap,
         3,
         2,
         {0xFF010203, 0xFF040506, 0xFF070809, 0xFF0A0B0C, 0xFF0D0E0F, 0xFF101112}},
        {"8-bit palette",
         test::MakeBmp(2, 1, 8, {1, 0}, {0x00AABBCC, 0x00112233}),
         PictureKind::kBitmap,
         2,
         1,
         {0xFF112233, 0xFFAABBCC}},
        {"1-bit, bit order",
         test::MakeBmp(9, 1, 1, {1, 0, 0, 0, 0, 0, 0, 0, 1}, {0x000000, 0xFFFFFF}),
         PictureKind::kBitmap,
         9,
         1,
         {0xFFFFFFFF, 0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000, 0xFFFFFFFF}},
        {"32-bit alpha, top-down",
         test::MakeBmp(1, 2, 32, {0x80102030, 0x00405060}, {}, true),
         PictureKind::kAlphaBitmap,
         1,
         2,
         {0x80102030, 0x00405060}},
        {"32-bit without alpha is opaque",
         test::MakeBmp(2, 1, 32, {0x00102030, 0x00405060}),
         PictureKind::kAlphaBitmap,
         2,
         1,
         {0xFF102030, 0xFF405060}},
        {"icon on the transparent colour",
         test::MakeIcon(2, 2, {0x112233, 0x445566, 0x778899, 0}, {false, false, false, true}),
         PictureKind::kIcon,
         2,
         2,
         {0xFF112233, 0xFF445566, 0xFF778899, 0xFFC0C0C0}},
    };
    for (const Case& c : cases) {
        const std::optional<PictureImage> image = DecodePicture(c.bytes);
        ASSERT_TRUE(image.has_value()) << c.what;
        EXPECT_EQ(image->kind, c.kind) << c.what;
        EXPECT_EQ(image->width, c.width) << c.what;
        EXPECT_EQ(image->height, c.height) << c.what;
        EXPECT_EQ(image->pixels, c.pixels) << c.what;
    }

    // Damaged or foreign bytes decode to nothing and never read past the end.
    std::vector<std::uint8_t> truncated = test::MakeBmp(4, 4, 24, std::vector<std::uint32_t>(16, 0x123456));
    truncated.resize(truncated.size() - 1);
    std::vector<std::uint8_t> huge = test::MakeBmp(1, 1, 24, {0});
    huge[18] = huge[19] = huge[20] = huge[21] = 0x7F;  // width near 2^31
    std::vector<std::uint8_t> rle = test::MakeBmp(1, 1, 8, {0}, {0});
    rle[30] = 1;  // BI_RLE8
    std::vector<std::uint8_t> icon = test::MakeIcon(2, 2, {0, 0, 0, 0}, {true, true, true, true});
    icon[18] = 0xF0;  // the image offset beyond the file
    const std::vector<std::uint8_t> bad[] = {{}, {'B', 'M'}, {0x89, 'P', 'N', 'G'}, truncated, huge, rle, icon};
    for (const auto& bytes : bad) EXPECT_FALSE(DecodePicture(bytes).has_value()) << bytes.size();
}

TEST(ButtonContentPicture, HimetricSizeComesBackAsThePixelSizeAndTheCacheDecodesOnce) {
    EXPECT_EQ(HimetricFromPixels(32, 96), 847);  // 846.67
    EXPECT_EQ(HimetricFromPixels(16, 96), 423);  // 423.33: back in pixels 15.99, not 15
    for (const int dpi : {96, 120, 144}) {
        for (int pixels = 1; pixels <= 512; ++pixels) {
            ASSERT_EQ(PixelsFromHimetric(HimetricFromPixels(pixels, dpi), dpi), pixels) << dpi;
        }
    }

    PictureCache cache;
    const std::vector<std::uint8_t> a = test::MakeBmp(1, 1, 24, {0x010203});
    const std::vector<std::uint8_t> b = test::MakeBmp(1, 1, 24, {0x010204});
    const auto first = cache.Get(a);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(cache.Get(std::vector<std::uint8_t>(a)), first);  // equal bytes elsewhere: the same image
    EXPECT_NE(cache.Get(b), first);
    EXPECT_EQ(cache.Get(std::vector<std::uint8_t>{1, 2, 3}), nullptr);
    for (int i = 0; i < 40; ++i) cache.Get(test::MakeBmp(1, 1, 24, {static_cast<std::uint32_t>(i)}));
    EXPECT_EQ(cache.Size(), PictureCache::kCapacity);
}

}  // namespace
}  // namespace ferrik
