// Rendered tesselbuttons read back pixel by pixel: the telling lines, borders and corners of the
// styles, the window regions, and the gallery of every style, state and scheme.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "controls/tesselbutton_win.h"
#include "host/support/fake_button_host.h"
#include "platform/pump_win.h"
#include "win/support/ui_driver.h"

namespace ferrik {
namespace {

class Form {
public:
    explicit Form(DWORD exStyle = 0, int width = 400, int height = 300) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = L"ButtonPaintTestForm";
        RegisterClassW(&wc);
        hwnd = CreateWindowExW(exStyle, wc.lpszClassName, L"form", WS_POPUP | WS_VISIBLE, 40, 40, width, height,
                               nullptr, nullptr, wc.hInstance, nullptr);
    }
    ~Form() { DestroyWindow(hwnd); }
    HWND hwnd;
};

// A button of 75 x 23 pixels without caption (nothing of the content over the frame).
struct Button {
    explicit Button(HWND parent, int style, int x = 10, int y = 10) {
        EXPECT_TRUE(window.Create(parent, 1, RECT{x, y, x + 75, y + 23}, nullptr, u"b"));
        window.Button().SetCaption(u"");
        window.Button().SetButtonStyle(style);
    }
    test::EventLog events;
    TesselButtonWindow window{events};
};

// The look rendered into a bitmap of its own; pixels as RGB values (0x00BBGGRR).
struct Pixels {
    int width = 0;
    std::vector<std::uint32_t> rgb;
    std::uint32_t operator()(int x, int y) const {
        const std::uint32_t p = rgb[static_cast<std::size_t>(y) * width + x];
        return ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF);
    }
};

Pixels Render(TesselButtonWindow& window, const ButtonLook& look) {
    test::Capture capture = test::DrawOffScreen(look.width, look.height, [&](HDC dc) { window.PaintLook(dc, look); });
    Pixels pixels;
    pixels.width = capture.width;
    pixels.rgb = std::move(capture.pixels);
    return pixels;
}

Pixels Render(TesselButtonWindow& window, const std::function<void(ButtonLook&)>& change = {}) {
    ButtonLook look = window.CurrentLook();
    if (change) change(look);
    return Render(window, look);
}

std::string Hex(std::uint32_t colour) {
    char text[16];
    std::snprintf(text, sizeof text, "%06X", colour);
    return text;
}

struct Probe {
    int x, y;
    std::uint32_t rgb;
};

void ExpectPixels(const Pixels& pixels, const std::vector<Probe>& probes, const char* what) {
    ASSERT_GT(pixels.width, 0) << what;
    for (const Probe& p : probes) {
        EXPECT_EQ(Hex(pixels(p.x, p.y)), Hex(p.rgb)) << what << " at (" << p.x << ", " << p.y << ")";
    }
}

TEST(ButtonPixels, CurvedGradientHotAndDefaultFrames) {
    Form form;
    Button b(form.hwnd, 2);
    ASSERT_EQ(b.window.Button().ColorScheme(), 0);
    // The hot frame P1..P8, end-exclusive lines: (73, 20) belongs to P4, not P7.
    const std::uint32_t corner = 0xC0884C;  // ShiftColor(0x743C00, 0.3)
    ExpectPixels(Render(b.window, [](ButtonLook& l) { l.state = 1; }),
                 {{5, 2, 0x89D8FD},
                  {5, 1, 0xCFF0FF},
                  {1, 10, 0x49BDF9},
                  {73, 10, 0x49BDF9},
                  {2, 10, 0x7AD2FC},
                  {72, 10, 0x7AD2FC},
                  {5, 20, 0x30B3F8},
                  {5, 21, 0x0097E5},
                  {73, 20, 0x49BDF9},
                  {73, 2, 0x49BDF9},
                  {5, 0, 0x743C00},
                  {0, 10, 0x743C00},
                  {74, 22, 0x743C00},
                  {1, 1, corner},
                  {73, 21, corner}},
                 "hot");

    // The default frame with the focus while the form is active.
    // (Other test programs may hold the foreground: the focus is given as the message.)
    SendMessageW(b.window.Hwnd(), WM_SETFOCUS, 0, 0);
    SendMessageW(form.hwnd, WM_ACTIVATE, WA_ACTIVE, 0);
    ASSERT_TRUE(b.window.Button().HasFocus());
    ASSERT_TRUE(b.window.Button().ParentActive());
    ASSERT_EQ(b.window.Button().State(), 0);
    ExpectPixels(Render(b.window),
                 {{5, 2, 0xF6D4BC},
                  {5, 1, 0xFFE7CE},
                  {1, 10, 0xE6AF8E},
                  {73, 10, 0xE6AF8E},
                  {2, 10, 0xF4D1B8},
                  {72, 10, 0xF4D1B8},
                  {5, 20, 0xE4AD89},
                  {5, 21, 0xEE8269},
                  {5, 0, 0x743C00},
                  {1, 1, corner}},
                 "default frame");
    SendMessageW(form.hwnd, WM_ACTIVATE, WA_INACTIVE, 0);
    // Without the frame: the normal state's lines, P3 in the mean of white and 0xE7EBEC.
    ExpectPixels(Render(b.window), {{1, 10, 0xF3F5F6}, {5, 21, 0xD0D4D5}}, "normal");
}

TEST(ButtonPixels, GlassGradientBorders) {
    Form form;
    Button b(form.hwnd, 3);
    ASSERT_EQ(b.window.Button().ColorScheme(), 2);
    ExpectPixels(Render(b.window), {{5, 0, 0x707070}, {0, 10, 0x707070}, {5, 1, 0xFFFFFF}, {1, 21, 0xBE965F}},
                 "normal");
    ExpectPixels(Render(b.window, [](ButtonLook& l) { l.state = 1; }),
                 {{5, 0, 0xA77532}, {74, 10, 0xA77532}, {5, 21, 0xFFFFFF}, {73, 1, 0xBE965F}}, "hot");
    ExpectPixels(Render(b.window, [](ButtonLook& l) { l.state = 2; }),
                 {{5, 0, 0x5C411D},
                  {30, 1, 0xB39C71},
                  {30, 2, 0xD6C6A9},
                  {30, 3, 0xECD9B9},
                  {1, 2, 0xCFB073},
                  {73, 21, 0xBE965F}},
                 "down");
    b.window.Button().SetEnabled(false);
    // ShiftColor(0xE3E3E3, -0.25) and (+0.25).
    ExpectPixels(Render(b.window), {{5, 0, 0xA3A3A3}, {5, 1, 0xFFFFFF}}, "disabled");
}

TEST(ButtonPixels, WarmGlowOnWithAndWithoutTheMouse) {
    Form form;
    Button b(form.hwnd, 8);
    b.window.Button().SetMode(1);
    b.window.Button().SetValue(true);
    ASSERT_EQ(b.window.CurrentLook().state, 2);
    // k = 23 / 2.7 = 9: the upper gradient ends at row 8, the lower starts at row 9.
    ExpectPixels(Render(b.window, [](ButtonLook& l) { l.mouseOver = false; }),
                 {{5, 8, 0x6FC0FF}, {5, 9, 0x3FABFF}, {5, 0, 0xA87A56}}, "on");  // border ShiftColor(0xFFD1AD, -0.34)
    ExpectPixels(Render(b.window, [](ButtonLook& l) { l.mouseOver = true; }),
                 {{5, 8, 0x51AFFF}, {5, 9, 0x468FFF}, {5, 0, 0xA87A56}}, "on under the mouse");
}

TEST(ButtonPixels, CurvedPanelDownKeepsRowFiveInTheFill) {
    Form form;
    Button b(form.hwnd, 10);
    SendMessageW(b.window.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    ASSERT_EQ(b.window.Button().State(), 2);
    const Pixels down = Render(b.window);
    // Fill ShiftColor(0xFFD1AD, -0.03); band ends in Back at row 4; the lower gradient starts at
    // ShiftColor(0xFFD1AD, -0.08) on row 6.
    ExpectPixels(down, {{5, 5, 0xF7C9A5}, {40, 5, 0xF7C9A5}, {5, 4, 0xFFD1AD}, {5, 6, 0xEBBD99}}, "down");
    SendMessageW(b.window.Hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
}

TEST(ButtonPixels, SoftGradientLeavesForeColorWhiteWhilePressed) {
    Form form;
    Button b(form.hwnd, 6);
    SendMessageW(b.window.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    EXPECT_EQ(b.window.Button().ForeColor(), 0xFFFFFFu);
    ExpectPixels(Render(b.window), {{30, 10, 0xDDE4E5}, {5, 0, 0x929D9D}}, "down");
    SendMessageW(b.window.Hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    EXPECT_EQ(b.window.Button().ForeColor(), GetSysColor(COLOR_BTNTEXT));
}

TEST(ButtonPixels, WindowRegionsByStyle) {
    Form form;
    struct Case {
        int style;
        bool cornersCut;
    };
    for (const Case c : {Case{2, true}, Case{3, true}, Case{6, true}, Case{7, true}, Case{9, true}, Case{10, true},
                         Case{0, false}, Case{4, false}, Case{5, false}, Case{8, false}, Case{12, false}}) {
        Button b(form.hwnd, c.style);
        UniqueGdi<HRGN> region(CreateRectRgn(0, 0, 0, 0));
        ASSERT_NE(GetWindowRgn(b.window.Hwnd(), region.get()), ERROR) << c.style;
        EXPECT_EQ(PtInRegion(region.get(), 0, 0) != 0, !c.cornersCut) << "style " << c.style;
        EXPECT_EQ(PtInRegion(region.get(), 74, 22) != 0, !c.cornersCut) << "style " << c.style;
        EXPECT_TRUE(PtInRegion(region.get(), 37, 0)) << "style " << c.style;
        EXPECT_TRUE(PtInRegion(region.get(), 74, 11)) << "style " << c.style;
        EXPECT_FALSE(PtInRegion(region.get(), 75, 11)) << "style " << c.style;
    }
}

TEST(ButtonPixels, ThemedFallsBackToCurvedGradientWithoutVisualStyles) {
    // Wine and current Windows theme every application; this one is not.
    TesselButtonWindow::SetAppThemed(false);
    Form form;
    test::EventLog events;
    TesselButtonWindow window(events);
    PropertyBag stored;
    stored.Store("ButtonStyle", std::int32_t{13});
    stored.Store("ColorScheme", std::int32_t{1});
    stored.Store("BackColor", ColorValue{0x123456});
    ASSERT_TRUE(window.Create(form.hwnd, 1, RECT{10, 10, 85, 33}, &stored, u"b"));
    EXPECT_GT(window.RepaintCount(), 0);
    EXPECT_EQ(window.Button().ButtonStyle(), 2);
    EXPECT_EQ(window.Button().ColorScheme(), 0);
    EXPECT_EQ(window.Button().BackColor(), 0xE7EBECu);
    TesselButtonWindow::SetAppThemed(std::nullopt);
}

// On the screen: the region cuts the corners, so the form shows there, next to the border.
TEST(TesselButtonWindow, RoundedCornersShowTheFormOnScreen) {
    Form form(WS_EX_TOPMOST, 200, 100);
    SetForegroundWindow(form.hwnd);
    Button b(form.hwnd, 2, 20, 20);
    RedrawWindow(form.hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    test::Capture shot;
    auto rgb = [&](int x, int y) {
        const std::uint32_t p = shot.At(x, y);
        return ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF);
    };
    // Until the display shows the painted button (its top border), which may lag the painting.
    test::PumpUntil(
        [&] {
            shot = test::CaptureWindow(form.hwnd);
            return shot.width > 0 && rgb(20 + 30, 20) == 0x743C00;
        },
        5000);
    ASSERT_GT(shot.width, 0);
    const std::uint32_t formColour = GetSysColor(COLOR_WINDOW);
    EXPECT_EQ(Hex(rgb(20, 20)), Hex(formColour));
    EXPECT_EQ(Hex(rgb(20 + 74, 20 + 22)), Hex(formColour));
    EXPECT_EQ(Hex(rgb(20 + 30, 20)), Hex(0x743C00));
    EXPECT_EQ(Hex(rgb(20 + 30, 20 + 22)), Hex(0x743C00));
}

// A 16 x 16 24-bit bitmap file: a blue diamond on the default mask colour.
Picture DiamondPicture() {
    const int size = 16, row = size * 3;
    std::vector<std::uint8_t> bytes(14 + 40 + row * size, 0);
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, static_cast<std::uint32_t>(bytes.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, size);
    put32(22, size);
    bytes[26] = 1;
    bytes[28] = 24;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const bool inside = std::abs(x - 7) + std::abs(y - 7) <= 6;
            std::uint8_t* px = &bytes[54 + static_cast<std::size_t>(y) * row + x * 3];  // blue, green, red
            px[0] = inside ? 0xD0 : 0xE0;
            px[1] = inside ? 0x70 : 0xE0;
            px[2] = inside ? 0x20 : 0xE0;
        }
    }
    return Picture{bytes};
}

// Every style in every state and scheme, with a caption, a picture and a drop-down arrow, into
// button-gallery.png: styles 0..6 on the left, 7..13 on the right, one row per style and scheme.
TEST(Screenshots, ButtonGallery) {
    constexpr int kButtonW = 75, kButtonH = 23, kCellW = 83, kCellH = 29, kLabelW = 118, kHeaderH = 22;
    constexpr int kPanelW = kLabelW + 5 * kCellW + 12;
    const wchar_t* const kStates[] = {L"normal", L"hot", L"down", L"disabled", L"on"};
    const int galleryWidth = 2 * kPanelW;
    const int galleryHeight = kHeaderH + 7 * 4 * kCellH + 6;
    Form form;
    const Picture picture = DiamondPicture();
    int cells = 0;
    const test::Capture gallery = test::DrawOffScreen(galleryWidth, galleryHeight, [&](HDC dc) {
        const RECT all{0, 0, galleryWidth, galleryHeight};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        SelectGuard font(dc, GetStockObject(DEFAULT_GUI_FONT));
        SetBkMode(dc, TRANSPARENT);
        for (int style = 0; style <= 13; ++style) {
            for (int scheme = 0; scheme <= 3; ++scheme) {
                const int panelX = style < 7 ? 0 : kPanelW;
                const int y = kHeaderH + ((style % 7) * 4 + scheme) * kCellH;
                Button b(form.hwnd, style);
                TesselButton& button = b.window.Button();
                button.SetFont(ButtonFont{u"宋体", 90000, 400, false, false, false, 134});
                button.SetCaption(u"确定");
                button.SetPictureNormal(picture);
                button.SetPictureAlign(1);
                button.SetDropDownSymbol(6);
                button.SetColorScheme(scheme);
                if (scheme == 3) button.SetBackColor(0xC8E8D8);
                wchar_t label[64];
                swprintf(label, 64, L"style %d, scheme %d", style, scheme);
                std::wstring text = label;
                if (button.ButtonStyle() != style || button.ColorScheme() != scheme) {
                    swprintf(label, 64, L" (%d/%d)", button.ButtonStyle(), button.ColorScheme());
                    text += label;
                }
                RECT labelRect{panelX + 4, y, panelX + kLabelW, y + kButtonH};
                DrawTextW(dc, text.c_str(), -1, &labelRect, DT_SINGLELINE | DT_VCENTER);
                for (int column = 0; column < 5; ++column) {
                    if (column == 3) button.SetEnabled(false);
                    if (column == 4) {
                        button.SetMode(1);
                        button.SetValue(true);
                    }
                    ButtonLook look = b.window.CurrentLook();
                    if (column == 1) look.state = 1;
                    if (column == 2) look.state = 2;
                    look.mouseOver = column == 1 || column == 2;
                    look.mouseHeld = column == 2;
                    const int x = panelX + kLabelW + column * kCellW;
                    // The window region cuts the corners as on the screen.
                    UniqueGdi<HRGN> region(CreateRectRgn(0, 0, 0, 0));
                    if (GetWindowRgn(b.window.Hwnd(), region.get()) == ERROR) {
                        region.reset(CreateRectRgn(0, 0, kButtonW, kButtonH));
                    }
                    OffsetRgn(region.get(), x, y);
                    SelectClipRgn(dc, region.get());
                    SetViewportOrgEx(dc, x, y, nullptr);
                    b.window.PaintLook(dc, look);
                    SetViewportOrgEx(dc, 0, 0, nullptr);
                    SelectClipRgn(dc, nullptr);
                    ++cells;
                    if (column == 3) button.SetEnabled(true);
                }
            }
        }
        for (int panel = 0; panel < 2; ++panel) {
            for (int column = 0; column < 5; ++column) {
                RECT header{panel * kPanelW + kLabelW + column * kCellW, 2,
                            panel * kPanelW + kLabelW + (column + 1) * kCellW, kHeaderH};
                DrawTextW(dc, kStates[column], -1, &header, DT_SINGLELINE | DT_LEFT);
            }
        }
    });
    ASSERT_FALSE(gallery.pixels.empty());
    EXPECT_EQ(cells, 14 * 4 * 5);
    // Style 2 scheme 0 hot, P8 in its cell (BGR order in the capture).
    EXPECT_EQ(Hex(gallery.At(kLabelW + kCellW + 5, kHeaderH + 2 * 4 * kCellH + 21)), Hex(0xE59700));
    EXPECT_TRUE(test::SavePng(gallery, test::ScreenshotDir() + L"\\button-gallery.png"));
}

}  // namespace
}  // namespace ferrik
