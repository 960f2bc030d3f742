#include "skin/skin_painters_win.h"

#include <commctrl.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "platform/handles_win.h"
#include "platform/window_win.h"
#include "skin/skin_blits_win.h"
#include "skin/skin_geometry.h"
#include "skin/skin_images_win.h"

namespace ferrik::MSkinner {

namespace {

using skin::Nearest;

SIZE ClientExtent(HWND hWnd) {
    RECT rc{};
    GetClientRect(hWnd, &rc);
    return SIZE{rc.right, rc.bottom};
}

void Fill(HDC dc, int x, int y, int w, int h, COLORREF colour) {
    UniqueGdi<HBRUSH> brush(CreateSolidBrush(colour));
    const RECT rc{x, y, x + w, y + h};
    FillRect(dc, &rc, brush.get());
}

void Frame(HDC dc, int x, int y, int w, int h, COLORREF colour) {
    UniqueGdi<HBRUSH> brush(CreateSolidBrush(colour));
    const RECT rc{x, y, x + w, y + h};
    FrameRect(dc, &rc, brush.get());
}

COLORREF FrameColour(HWND hWnd) {
    return IsWindowEnabled(hWnd) ? kFrameBlue : kPaleFrameBlue;
}

// The header item's text without its NUL characters.
std::wstring HeaderItemText(HWND header, int index) {
    wchar_t buffer[256] = {};
    HDITEMW item{};
    item.mask = HDI_TEXT;
    item.pszText = buffer;
    item.cchTextMax = 256;
    SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    std::wstring text(item.pszText ? item.pszText : buffer);
    std::erase(text, L'\0');
    return text;
}

RECT HeaderItemRect(HWND header, int index) {
    RECT rc{};
    SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&rc));
    return rc;
}

// The item's sort mark (HDF_SORTUP or HDF_SORTDOWN), drawn at `x` on `dc`; the text's area then
// ends before it.
void DrawSortMark(HWND header, int index, HDC dc, int x, RECT& textArea) {
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    if (!SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item))) return;
    if (!(item.fmt & (HDF_SORTUP | HDF_SORTDOWN))) return;
    const RECT rc = HeaderItemRect(header, index);
    const std::vector<skin::Rect> rows =
        skin::SortMarkRows(x, x + rc.right - rc.left, textArea.bottom - textArea.top, (item.fmt & HDF_SORTUP) != 0);
    if (rows.empty()) return;
    UniqueGdi<HBRUSH> brush(CreateSolidBrush(kSortMarkColour));
    for (const skin::Rect& r : rows) {
        const RECT row{r.x, textArea.top + r.y, r.x + r.width, textArea.top + r.y + r.height};
        FillRect(dc, &row, brush.get());
    }
    textArea.right = rows.front().x - 2;
}

void DrawHeaderText(HDC dc, HFONT font, const std::wstring& text, RECT area) {
    if (text.empty()) return;
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area, kCaptionFormat);
    if (old) SelectObject(dc, old);
}

// Runs `paint` on `dc`, or on the window's own device context when `dc` is 0.
template <class F>
void OnDcOrWindow(HWND hWnd, HDC dc, F&& paint) {
    if (dc) {
        paint(dc);
    } else {
        WindowDc own(hWnd, WindowDc::Whole);
        paint(own.get());
    }
}

int BorderX(HWND hWnd) {
    const SIZE w = WindowExtent(hWnd), c = ClientExtent(hWnd);
    const bool vscroll = GetWindowLongPtrW(hWnd, GWL_STYLE) & WS_VSCROLL;
    return skin::BorderHalf(w.cx, c.cx, vscroll ? SystemMetricForDpi(SM_CXVSCROLL, WindowDpi(hWnd)) : 0);
}

int BorderY(HWND hWnd) {
    const SIZE w = WindowExtent(hWnd), c = ClientExtent(hWnd);
    const bool hscroll = GetWindowLongPtrW(hWnd, GWL_STYLE) & WS_HSCROLL;
    return skin::BorderHalf(w.cy, c.cy, hscroll ? SystemMetricForDpi(SM_CYHSCROLL, WindowDpi(hWnd)) : 0);
}

float ProgressOf(HWND hWnd) {
    return skin::ProgressFraction(static_cast<std::int32_t>(SendMessageW(hWnd, PBM_GETPOS, 0, 0)));
}

}  // namespace

HFONT WindowFont(HWND hWnd) {
    return reinterpret_cast<HFONT>(SendMessageW(hWnd, WM_GETFONT, 0, 0));
}

void PaintComboButton(SkinnedWindow& window, HDC dc, int state, bool force) {
    HWND hWnd = window.Hwnd();
    if (SendMessageW(hWnd, CB_GETDROPPEDSTATE, 0, 0)) state = 2;
    if (state == window.Prop(SkinProp::OldState) && !force) return;
    if (!(GetWindowLongPtrW(hWnd, GWL_STYLE) & 2)) return;  // a simple combo box has no button
    window.WriteProp(SkinProp::OldState, state);
    const SIZE size = WindowExtent(hWnd);
    const skin::ComboButtonLayout layout =
        skin::ComboButtonGeometry(size.cx, size.cy, SystemMetricForDpi(SM_CXVSCROLL, WindowDpi(hWnd)));
    const MemorySurface surface = CreateScratchSurface(layout.width, layout.height);
    HDC scratch = surface.dc();
    if (!scratch) return;
    HDC strip = Image(SkinImage::ComboButtonStrip);
    if (state == 1 || state == 2)
        NineSliceBlt(scratch, 0, 0, layout.width, layout.height, strip, state == 1 ? 0 : 4, 0, 4, 18, 2, 1, 1, 1);
    else
        Fill(scratch, 0, 0, layout.width, layout.height, kWhite);
    KeyColorBlt(scratch, layout.arrowX, layout.arrowY, 7, 4, strip, 8, IsWindowEnabled(hWnd) ? 0 : 4, kKeyMagenta);
    OnDcOrWindow(hWnd, dc, [&](HDC target) {
        BitBlt(target, layout.target.x, layout.target.y, layout.target.width, layout.target.height, scratch, 0, 0,
               SRCCOPY);
    });
}

namespace {

// What the check-box and option-button painters start from; none when the state is drawn already.
struct Box {
    int bw, bh;  // the menu check-mark size of the window's monitor
    LRESULT check;
    skin::BoxGeometry g;
};

std::optional<Box> BoxToPaint(SkinnedWindow& window, int state, bool force) {
    HWND hWnd = window.Hwnd();
    if (state == window.Prop(SkinProp::OldState) && !force) return std::nullopt;
    window.WriteProp(SkinProp::OldState, state);
    const int dpi = WindowDpi(hWnd);
    const int bw = SystemMetricForDpi(SM_CXMENUCHECK, dpi), bh = SystemMetricForDpi(SM_CYMENUCHECK, dpi);
    const SIZE size = WindowExtent(hWnd);
    const LRESULT check = SendMessageW(hWnd, BM_GETCHECK, 0, 0);
    return Box{bw, bh, check, skin::BoxPieces(bw, bh, size.cy)};
}

}  // namespace

int PaintCheckBox(SkinnedWindow& window, int state, bool force) {
    const std::optional<Box> box = BoxToPaint(window, state, force);
    if (!box) return 0;
    HWND hWnd = window.Hwnd();
    const auto& [bw, bh, check, g] = *box;
    const MemorySurface surface = CreateScratchSurface(bw, bh);
    HDC scratch = surface.dc();
    if (!scratch) return 1;
    Fill(scratch, 0, 0, bw, bh, kWhite);
    HDC glyphs = Image(SkinImage::GlyphSheet);
    const bool enabled = IsWindowEnabled(hWnd);
    if (enabled) {
        Frame(scratch, 0, 0, bw, bh, state == 2 ? kPressedFrameBlue : kFrameBlue);
        SetStretchBltMode(scratch, COLORONCOLOR);
        if (state == 1 || state == 2)
            StretchBlt(scratch, 1, 1, bw - 2, bh - 2, Image(SkinImage::OptionStrip), 1, state == 1 ? 17 : 30, 11, 5,
                       SRCCOPY);
    } else {
        Frame(scratch, 0, 0, bw, bh, kPaleFrameBlue);
    }
    if (check == BST_CHECKED)
        KeyColorBlt(scratch, g.checkX, g.checkY, 9, 8, glyphs, enabled ? 0 : 9, 0, kKeyMagenta);
    else if (check == BST_INDETERMINATE)
        KeyColorBlt(scratch, g.squareX, g.squareY, 7, 7, glyphs, enabled ? 1 : 10, 9, kKeyMagenta);
    {
        WindowDc own(hWnd, WindowDc::Whole);
        BitBlt(own.get(), 0, g.boxY, bw, bh, scratch, 0, 0, SRCCOPY);
    }
    return 1;
}

int PaintOptionButton(SkinnedWindow& window, int state, bool force) {
    const std::optional<Box> box = BoxToPaint(window, state, force);
    if (!box) return 0;
    HWND hWnd = window.Hwnd();
    const auto& [bw, bh, check, g] = *box;
    const bool enabled = IsWindowEnabled(hWnd);
    const int row = enabled ? 13 * std::clamp(state, 0, 2) : 39;
    WindowDc own(hWnd, WindowDc::Whole);
    NineSliceBlt(own.get(), 0, g.boxY, bw, bh, Image(SkinImage::OptionStrip), 0, row, 13, 13, 5, 5, 5, 5, kKeyMagenta);
    if (check == BST_CHECKED)
        KeyColorBlt(own.get(), g.dotX, g.dotY, 5, 5, Image(SkinImage::GlyphSheet), enabled ? 2 : 11, 18, kKeyMagenta);
    return 1;
}

void PaintHeaderItem(HWND hWnd, HDC dc, int index, int look) {
    if (index < 0) return;
    const RECT item = HeaderItemRect(hWnd, index);
    const int iw = item.right - item.left, h = WindowExtent(hWnd).cy;
    if (iw <= 0 || h <= 0) return;
    const MemorySurface surface = CreateScratchSurface(iw, h);
    HDC scratch = surface.dc();
    if (!scratch) return;
    NineSliceBlt(scratch, 0, 0, iw, h, Image(SkinImage::HeaderStrip), 3 * std::clamp(look, 0, 2), 0, 3, 20, 1, 1, 1, 1);
    RECT text{0, 0, iw, h};
    DrawSortMark(hWnd, index, scratch, 0, text);
    DrawHeaderText(scratch, WindowFont(hWnd), HeaderItemText(hWnd, index), text);
    OnDcOrWindow(hWnd, dc,
                 [&](HDC target) { BitBlt(target, item.left, 0, iw, item.bottom - item.top, scratch, 0, 0, SRCCOPY); });
}

void PaintHeader(const SkinnedWindow& window, HDC paintDc) {
    HWND hWnd = window.Hwnd();
    const SIZE size = WindowExtent(hWnd);
    if (size.cx <= 0 || size.cy <= 0) return;
    const MemorySurface surface = CreateScratchSurface(size.cx, size.cy);
    HDC scratch = surface.dc();
    if (!scratch) return;
    HDC strip = Image(SkinImage::HeaderStrip);
    SetStretchBltMode(scratch, COLORONCOLOR);
    StretchBlt(scratch, 0, 0, size.cx, size.cy, strip, 1, 0, 1, 20, SRCCOPY);
    const int count = static_cast<int>(SendMessageW(hWnd, HDM_GETITEMCOUNT, 0, 0));
    const int pressed = static_cast<int>(window.Prop(SkinProp::HdIndex));
    const int hot = static_cast<int>(window.Prop(SkinProp::HmIndex));
    HFONT font = WindowFont(hWnd);
    for (int i = 0; i < count; ++i) {
        const RECT item = HeaderItemRect(hWnd, i);
        const int look = static_cast<int>(skin::HeaderItemLook(i, pressed, hot));
        NineSliceBlt(scratch, item.left, 0, item.right - item.left, size.cy, strip, 3 * look, 0, 3, 20, 1, 1, 1, 1);
        RECT text{item.left, 0, item.right, item.bottom};
        DrawSortMark(hWnd, i, scratch, item.left, text);
        DrawHeaderText(scratch, font, HeaderItemText(hWnd, i), text);
    }
    BitBlt(paintDc, 0, 0, size.cx, size.cy, scratch, 0, 0, SRCCOPY);
}

void PaintProgressClient(HWND hWnd, HDC paintDc) {
    const SIZE client = ClientExtent(hWnd);
    if (client.cx <= 0 || client.cy <= 0) return;
    const float f = ProgressOf(hWnd);
    const bool vertical = GetWindowLongPtrW(hWnd, GWL_STYLE) & PBS_VERTICAL;
    const MemorySurface surface = CreateScratchSurface(client.cx, client.cy);
    HDC scratch = surface.dc();
    if (!scratch) return;
    Fill(scratch, 0, 0, client.cx, client.cy, kWhite);
    const skin::Rect bar = skin::ProgressClientFill(f, client.cx, client.cy, vertical);
    if (bar.width > 0 && bar.height > 0) Fill(scratch, bar.x, bar.y, bar.width, bar.height, kBarCyan);
    BitBlt(paintDc, 0, 0, client.cx, client.cy, scratch, 0, 0, SRCCOPY);
}

void PaintProgressFrame(HWND hWnd) {
    const SIZE size = WindowExtent(hWnd), client = ClientExtent(hWnd);
    if (size.cx <= 0 || size.cy <= 0) return;
    const float f = ProgressOf(hWnd);
    const LONG_PTR style = GetWindowLongPtrW(hWnd, GWL_STYLE);
    const int bx = BorderX(hWnd), by = BorderY(hWnd);
    const MemorySurface surface = CreateScratchSurface(size.cx, size.cy);
    HDC scratch = surface.dc();
    if (!scratch) return;
    Fill(scratch, 0, 0, size.cx, size.cy, kFrameBlue);
    Fill(scratch, 1, 1, size.cx - 2, size.cy - 2, kWhite);
    if (f != 0.0f) {
        if (style & PBS_VERTICAL) {
            if (style & PBS_SMOOTH) Fill(scratch, bx, by, client.cx, client.cy, kBarCyan);
            Fill(scratch, bx, by, client.cx, Nearest(client.cy - f * client.cy), kWhite);
        } else {
            Fill(scratch, bx, by, Nearest(f * client.cx), client.cy, kBarCyan);
        }
    }
    {
        WindowDc own(hWnd, WindowDc::Whole);
        BitBlt(own.get(), 0, 0, size.cx, size.cy, scratch, 0, 0, SRCCOPY);
    }
}

void FlattenBorder(HWND hWnd) {
    const SIZE size = WindowExtent(hWnd);
    WindowDc whole(hWnd, WindowDc::Whole);
    WindowDc client(hWnd, WindowDc::Client);
    const int bx = BorderX(hWnd);
    Frame(whole.get(), 0, 0, size.cx, size.cy, FrameColour(hWnd));
    const COLORREF inside = GetBkColor(client.get());
    for (int d = 1; d <= bx; ++d) Frame(whole.get(), d, d, size.cx - 1 - d, size.cy - 1 - d, inside);
}

void PaintFlatFrame(HWND hWnd, HDC windowDc, bool inner) {
    const SIZE size = WindowExtent(hWnd);
    Frame(windowDc, 0, 0, size.cx, size.cy, FrameColour(hWnd));
    if (inner) Frame(windowDc, 1, 1, size.cx - 2, size.cy - 2, kWhite);
}

}  // namespace ferrik::MSkinner
