#include "app/form_controls_win.h"

#include <commctrl.h>

#include <algorithm>

namespace ferrik {

UniqueGdi<HFONT> CreateFormFont(int dpi) {
    LOGFONTW lf{};
    lf.lfHeight = -MulDiv(kFormFontPoints, dpi, 72);
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = GB2312_CHARSET;
    const Text face(kFormFontName);
    lstrcpynW(lf.lfFaceName, Wide(face), LF_FACESIZE);
    return UniqueGdi<HFONT>(CreateFontIndirectW(&lf));
}

HWND CreateFormControl(const ControlLayout& layout, HWND parent, int dpi, HFONT font) {
    const wchar_t* cls = WC_STATICW;
    DWORD style = WS_CHILD | WS_VISIBLE;
    DWORD exStyle = 0;
    int height = TwipsToPixels(layout.rect.height, dpi);
    switch (layout.kind) {
        case ControlKind::Label:
            style |= SS_LEFT;
            break;
        case ControlKind::PictureBox:
            style |= SS_LEFT | WS_CLIPCHILDREN;
            exStyle = WS_EX_CLIENTEDGE;
            break;
        case ControlKind::ComboBox:
            cls = WC_COMBOBOXW;
            style |= CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP;
            height *= 10;  // room for the dropped-down list; the edit line keeps the font's height
            break;
        case ControlKind::Button:
            cls = WC_BUTTONW;
            style |= BS_PUSHBUTTON | WS_TABSTOP;
            break;
        case ControlKind::ListView:
            cls = WC_LISTVIEWW;
            // Owner data: the list shows rows that its owner keeps (the task list) and asks for them.
            style |= LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL | LVS_OWNERDATA | WS_TABSTOP;
            exStyle = WS_EX_CLIENTEDGE;
            break;
    }
    const Text text(layout.text);
    HWND hwnd =
        CreateWindowExW(exStyle, cls, Wide(text), style, TwipsToPixels(layout.rect.left, dpi),
                        TwipsToPixels(layout.rect.top, dpi), TwipsToPixels(layout.rect.width, dpi), height, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.id)), GetModuleHandleW(nullptr), nullptr);
    if (hwnd && font) SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return hwnd;
}

void FitLabelToText(HWND label, const ControlLayout& layout, int dpi) {
    const Text text = WindowText(label);
    SIZE extent{};
    TEXTMETRICW tm{};
    {
        WindowDc dc(label);
        const auto font = reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0));
        SelectGuard select(dc.get(), font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT));
        GetTextMetricsW(dc.get(), &tm);
        GetTextExtentPoint32W(dc.get(), Wide(text), static_cast<int>(text.size()), &extent);
    }
    const int width = std::max(TwipsToPixels(layout.rect.width, dpi), static_cast<int>(extent.cx));
    const int height = std::max(TwipsToPixels(layout.rect.height, dpi), static_cast<int>(tm.tmHeight));
    SetWindowPos(label, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

SIZE FormWindowSize(int clientWidthTwips, int clientHeightTwips, DWORD style, DWORD exStyle, int dpi) {
    RECT rc{0, 0, TwipsToPixels(clientWidthTwips, dpi), TwipsToPixels(clientHeightTwips, dpi)};
    AdjustWindowRectEx(&rc, style, FALSE, exStyle);
    return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

Text WindowText(HWND hwnd) {
    const int length = GetWindowTextLengthW(hwnd);
    if (length <= 0) return {};
    Text text(static_cast<std::size_t>(length) + 1, u'\0');
    const int copied = GetWindowTextW(hwnd, reinterpret_cast<wchar_t*>(text.data()), length + 1);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}

}  // namespace ferrik
