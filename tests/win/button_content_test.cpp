// The button's content drawn into a memory bitmap and read back pixel by pixel.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "controls/button_content_win.h"
#include "host/support/fake_button_host.h"
#include "host/support/test_pictures.h"
#include "platform/handles_win.h"

namespace ferrik {
namespace {

constexpr int kWidth = 90;
constexpr int kHeight = 30;

// A 32-bit bitmap filled with the button's back colour, as a style routine leaves it.
class Canvas {
public:
    explicit Canvas(COLORREF back) : m_dc(CreateCompatibleDC(nullptr)) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = kWidth;
        info.bmiHeader.biHeight = -kHeight;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        m_bitmap.reset(CreateDIBSection(m_dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        m_old = SelectObject(m_dc.get(), m_bitmap.get());
        const RECT all{0, 0, kWidth, kHeight};
        UniqueGdi<HBRUSH> brush(CreateSolidBrush(back));
        FillRect(m_dc.get(), &all, brush.get());
    }
    ~Canvas() { SelectObject(m_dc.get(), m_old); }
    HDC Dc() const { return m_dc.get(); }
    COLORREF At(int x, int y) const { return GetPixel(m_dc.get(), x, y); }

    // The bounding box of the pixels in `area` for which `hit` holds.
    RECT Find(const RECT& area, const std::function<bool(COLORREF)>& hit) const {
        RECT box{kWidth, kHeight, -1, -1};
        for (int y = area.top; y < area.bottom; ++y) {
            for (int x = area.left; x < area.right; ++x) {
                if (!hit(At(x, y))) continue;
                box.left = std::min<LONG>(box.left, x), box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x + 1), box.bottom = std::max<LONG>(box.bottom, y + 1);
            }
        }
        return box;
    }

private:
    UniqueDc m_dc;
    UniqueGdi<HBITMAP> m_bitmap;
    HGDIOBJ m_old = nullptr;
};

UniqueGdi<HFONT> Tahoma() {
    LOGFONTW lf{};
    lf.lfHeight = -11;
    lstrcpynW(lf.lfFaceName, L"Tahoma", LF_FACESIZE);
    return UniqueGdi<HFONT>(CreateFontIndirectW(&lf));
}

Picture Square(int side, std::uint32_t rgb) {
    return Picture{
        test::MakeBmp(side, side, 24, std::vector<std::uint32_t>(static_cast<std::size_t>(side) * side, rgb))};
}

TEST(ButtonContent, HeldStyleZeroSinksCaptionAndPictureOnePixelAndTheArrowTwo) {
    test::FakeButtonHost host;
    TesselButton button(host, host);
    button.InitProperties();
    button.SetButtonStyle(kRaised3D);
    button.SetBackColor(0xFFFFFF);
    button.SetForeColor(0x000000);
    button.SetCaption(u"Go");
    button.SetPictureAlign(0);
    button.SetPictureNormal(Square(8, 0xFF0000));  // red, 0x0000FF as a COLORREF
    button.SetDropDownSymbol(6);
    const UniqueGdi<HFONT> font = Tahoma();

    struct Found {
        RECT caption, picture, arrow;
    };
    const auto draw = [&](int state) {
        Canvas canvas(0xFFFFFF);
        const ButtonContentRects rects =
            DrawButtonContent(canvas.Dc(), button, state, kWidth, kHeight, font.get(), true);
        const auto dark = [](COLORREF c) { return GetRValue(c) < 128 && GetGValue(c) < 128 && GetBValue(c) < 128; };
        const auto red = [](COLORREF c) { return c == RGB(255, 0, 0); };
        Found found{canvas.Find(RECT{12, 0, kWidth - 16, kHeight}, dark), canvas.Find(RECT{0, 0, 14, kHeight}, red),
                    canvas.Find(RECT{kWidth - 16, 0, kWidth, kHeight}, dark)};
        EXPECT_EQ(found.picture.right - found.picture.left, 8) << state;  // never stretched
        EXPECT_EQ(found.picture.left, rects.picture.left) << state;
        return found;
    };
    const Found rest = draw(kStateNormal);
    const Found held = draw(kStateDown);
    ASSERT_LT(rest.caption.left, rest.caption.right) << "no caption drawn";
    ASSERT_LT(rest.arrow.left, rest.arrow.right) << "no arrow drawn";
    EXPECT_EQ(rest.picture.left, 3);  // PictureAlign 0: left 3
    EXPECT_EQ(held.caption.left - rest.caption.left, 1);
    EXPECT_EQ(held.caption.top - rest.caption.top, 1);
    EXPECT_EQ(held.picture.left - rest.picture.left, 1);
    EXPECT_EQ(held.picture.top - rest.picture.top, 1);
    EXPECT_EQ(held.arrow.left - rest.arrow.left, 2);
    EXPECT_EQ(held.arrow.top - rest.arrow.top, 2);
    EXPECT_EQ(held.arrow.right - held.arrow.left, rest.arrow.right - rest.arrow.left);
}

TEST(ButtonContent, IconsShowOnTheirGreySquareWithoutTheMaskColourAndAlphaMixesPerPixel) {
    test::FakeButtonHost host;
    TesselButton button(host, host);
    button.InitProperties();
    button.SetButtonStyle(kThinEdge);
    button.SetBackColor(0xFFFFFF);
    button.SetCaption(u"");
    // 4 x 4: the left half red, the right half transparent.
    std::vector<std::uint32_t> colours(16);
    std::vector<bool> transparent(16);
    for (int i = 0; i < 16; ++i) {
        colours[i] = i % 4 < 2 ? 0xFF0000 : 0;
        transparent[i] = i % 4 >= 2;
    }
    button.SetPictureNormal(Picture{test::MakeIcon(4, 4, colours, transparent)});

    struct Case {
        bool useMask;
        COLORREF right;
    };
    for (const Case& c : {Case{false, RGB(0xC0, 0xC0, 0xC0)}, Case{true, RGB(255, 255, 255)}}) {
        button.SetUseMaskColor(c.useMask);
        Canvas canvas(0xFFFFFF);
        const ButtonContentRects rects =
            DrawButtonContent(canvas.Dc(), button, kStateNormal, kWidth, kHeight, nullptr, true);
        // A blank caption centres the picture.
        EXPECT_EQ(rects.picture.left, (kWidth - 4) / 2);
        EXPECT_EQ(rects.picture.top, (kHeight - 4) / 2);
        EXPECT_EQ(canvas.At(rects.picture.left, rects.picture.top), RGB(255, 0, 0)) << c.useMask;
        EXPECT_EQ(canvas.At(rects.picture.left + 3, rects.picture.top + 3), c.right) << c.useMask;
        EXPECT_EQ(canvas.At(rects.picture.left + 4, rects.picture.top), RGB(255, 255, 255)) << c.useMask;
    }

    // A 32-bit bitmap: blue at alpha 128 over white, at opacity 255 and, while hot, 128.
    button.SetPictureNormal(Picture{test::MakeBmp(2, 2, 32, std::vector<std::uint32_t>(4, 0x800000FF))});
    button.SetPictureOpacityOnOver(128);
    button.SetPictureEffectOnOver(0);
    Canvas canvas(0xFFFFFF);
    const ButtonContentRects rects =
        DrawButtonContent(canvas.Dc(), button, kStateNormal, kWidth, kHeight, nullptr, true);
    // f = 128: (128 x 255 + 127 x 255) / 256 = 254 for blue, 127 x 255 / 256 = 126 for red and green.
    EXPECT_EQ(canvas.At(rects.picture.left, rects.picture.top), RGB(126, 126, 254));
    Canvas hot(0xFFFFFF);
    DrawButtonContent(hot.Dc(), button, kStateHot, kWidth, kHeight, nullptr, true);
    // f = 128 x 128 / 255 = 64: 191 x 255 / 256 = 190 for red and green.
    EXPECT_EQ(hot.At(rects.picture.left, rects.picture.top), RGB(190, 190, 254));
}

TEST(ButtonContent, PushOnHoverGhostAndShadowOffsets) {
    test::FakeButtonHost host;
    TesselButton button(host, host);
    button.InitProperties();
    button.SetButtonStyle(kThinEdge);
    button.SetBackColor(0xFFFFFF);
    button.SetCaption(u"");
    button.SetPictureNormal(Square(4, 0xFF0000));
    const COLORREF red = RGB(255, 0, 0), white = RGB(255, 255, 255);
    // Over white the shadow's base is the mean of 0x808080 and white, 191.5 -> 192; the far copy
    // is 192 + 12.75 -> 205, the near one 192 - 25.5 -> 166.
    const COLORREF farCopy = RGB(205, 205, 205), nearCopy = RGB(166, 166, 166), ghost = RGB(0xC0, 0xC0, 0xC0);
    struct Probe {
        int dx, dy;
        COLORREF colour;
    };
    struct Case {
        const char* what;
        bool push, shadow;
        int state;
        std::vector<Probe> probes;  // relative to the picture rectangle's top-left
    };
    const Case cases[] = {
        {"push-on-hover, hot",
         true,
         true,
         kStateHot,
         {{-2, -2, red}, {1, 1, red}, {2, 3, ghost}, {3, 3, ghost}, {4, 4, white}, {-3, -3, white}}},
        {"push-on-hover, normal: the shadow instead",
         true,
         true,
         kStateNormal,
         {{0, 0, red},
          {3, 3, red},
          {4, 4, nearCopy},
          {5, 5, farCopy},
          {4, 1, nearCopy},
          {5, 2, farCopy},
          {-1, -1, white}}},
        {"shadow",
         false,
         true,
         kStateHot,
         {{3, 3, red}, {4, 4, nearCopy}, {5, 5, farCopy}, {1, 4, nearCopy}, {6, 6, white}}},
    };
    for (const Case& c : cases) {
        button.SetPicturePushOnHover(c.push);
        button.SetPictureShadow(c.shadow);
        Canvas canvas(0xFFFFFF);
        const ButtonContentRects rects =
            DrawButtonContent(canvas.Dc(), button, c.state, kWidth, kHeight, nullptr, true);
        for (const Probe& p : c.probes) {
            EXPECT_EQ(canvas.At(rects.picture.left + p.dx, rects.picture.top + p.dy), p.colour)
                << c.what << " at " << p.dx << "," << p.dy;
        }
    }

    // A half-transparent picture with a shadow is blended once: red at f = 128 over white.
    button.SetPicturePushOnHover(false);
    button.SetPictureOpacity(128);
    Canvas canvas(0xFFFFFF);
    const ButtonContentRects rects =
        DrawButtonContent(canvas.Dc(), button, kStateNormal, kWidth, kHeight, nullptr, true);
    EXPECT_EQ(canvas.At(rects.picture.left, rects.picture.top), RGB(254, 126, 126));
}

TEST(ButtonContent, CaptionEffectCopiesAndCaptionColours) {
    test::FakeButtonHost host;
    TesselButton button(host, host);
    button.InitProperties();
    button.SetButtonStyle(kThinEdge);
    button.SetBackColor(0x808080);
    button.SetForeColor(0x000000);
    button.SetForeColorHover(0x0000FF);
    button.SetCaption(u"HIH");
    LOGFONTW lf{};
    lf.lfHeight = -13;
    lf.lfQuality = NONANTIALIASED_QUALITY;  // whole pixels, so that copies and caption separate
    lstrcpynW(lf.lfFaceName, L"Tahoma", LF_FACESIZE);
    const UniqueGdi<HFONT> font(CreateFontIndirectW(&lf));
    const RECT all{0, 0, kWidth, kHeight};
    const auto is = [](COLORREF want) { return [want](COLORREF c) { return c == want; }; };

    // The copies' colours from the back colour 128: +0.14 -> 163.7 -> 164, +0.1 -> 153.5 -> 154,
    // -0.1 -> 102.5 -> 102; the shadow is 0xC0C0C0. Which sides of the caption they stick out of.
    struct Case {
        int effect;
        int grey;
        int left, top, right, bottom;  // how far the copies reach past the caption
    };
    const Case cases[] = {
        {1, 164, 1, 1, 0, 0}, {2, 164, 0, 0, 1, 1}, {3, 192, 0, 0, 1, 1}, {4, 154, 1, 1, 1, 1}, {5, 102, 1, 1, 1, 1}};
    for (const Case& c : cases) {
        button.SetCaptionEffects(c.effect);
        Canvas canvas(0x808080);
        DrawButtonContent(canvas.Dc(), button, kStateNormal, kWidth, kHeight, font.get(), true);
        const RECT caption = canvas.Find(all, is(RGB(0, 0, 0)));
        const RECT copies = canvas.Find(all, is(RGB(c.grey, c.grey, c.grey)));
        ASSERT_LT(caption.left, caption.right) << c.effect;
        ASSERT_LT(copies.left, copies.right) << c.effect << ": no copy in grey " << c.grey;
        if (c.left) {
            EXPECT_EQ(caption.left - copies.left, 1) << c.effect;
        }
        if (c.top) {
            EXPECT_EQ(caption.top - copies.top, 1) << c.effect;
        }
        if (c.right) {
            EXPECT_EQ(copies.right - caption.right, 1) << c.effect;
        }
        if (c.bottom) {
            EXPECT_EQ(copies.bottom - caption.bottom, 1) << c.effect;
        }
    }

    // The caption in ForeColorHover while hot, in the grey-text colour when disabled.
    button.SetCaptionEffects(0);
    Canvas hot(0x808080);
    DrawButtonContent(hot.Dc(), button, kStateHot, kWidth, kHeight, font.get(), true);
    EXPECT_LT(hot.Find(all, is(RGB(255, 0, 0))).left, kWidth);
    EXPECT_EQ(hot.Find(all, is(RGB(0, 0, 0))).left, kWidth);
    button.SetEnabled(false);
    Canvas disabled(0x808080);
    DrawButtonContent(disabled.Dc(), button, kStateNormal, kWidth, kHeight, font.get(), true);
    EXPECT_LT(disabled.Find(all, is(GetSysColor(COLOR_GRAYTEXT))).left, kWidth);
    EXPECT_EQ(disabled.Find(all, is(RGB(0, 0, 0))).left, kWidth);
}

}  // namespace
}  // namespace ferrik
