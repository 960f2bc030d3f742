#include "forms/form_controls_win.h"

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
        case ControlKind::TesselButton:
            return nullptr;  // FormButtons::Create
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

// ---- tesselbuttons ----

FormButtons::FormButtons(std::string_view designText) : m_design(ParseDesignText(designText)) {}

FormButtons::~FormButtons() = default;

TesselButtonWindow* FormButtons::Create(const ControlLayout& layout, HWND parent, int dpi, ButtonEvents* events,
                                        HFONT font) {
    static ButtonEvents none;
    const PropertyBag* stored = nullptr;
    for (const StoredControl& control : m_design) {
        if (control.name == layout.name) stored = &control.bag;
    }
    const RECT pixels{TwipsToPixels(layout.rect.left, dpi), TwipsToPixels(layout.rect.top, dpi),
                      TwipsToPixels(layout.rect.left + layout.rect.width, dpi),
                      TwipsToPixels(layout.rect.top + layout.rect.height, dpi)};
    auto button = std::make_unique<TesselButtonWindow>(events ? *events : none);
    button->SetAmbientFont(font);
    if (!button->Create(parent, layout.id, pixels, stored, FromUtf8(layout.name))) return nullptr;
    if (m_tooltips) button->SetContainerTooltips(m_tooltips);
    m_buttons.push_back(std::move(button));
    return m_buttons.back().get();
}

TesselButtonWindow* FormButtons::Find(int id) const {
    for (const auto& button : m_buttons) {
        if (button->Hwnd() && GetDlgCtrlID(button->Hwnd()) == id) return button.get();
    }
    return nullptr;
}

void FormButtons::SetDefault(int id) {
    for (const auto& button : m_buttons) button->SetDefault(button->Hwnd() && GetDlgCtrlID(button->Hwnd()) == id);
}

void FormButtons::SetCancel(int id) {
    for (const auto& button : m_buttons) button->SetCancel(button->Hwnd() && GetDlgCtrlID(button->Hwnd()) == id);
}

void FormButtons::SetContainerTooltips(HWND tooltips) {
    m_tooltips = tooltips;
    for (const auto& button : m_buttons) button->SetContainerTooltips(tooltips);
}

namespace {

// The first enabled, visible tesselbutton of the form that `pick` accepts.
template <class Pick>
TesselButtonWindow* FindFormButton(HWND form, Pick pick) {
    for (HWND hwnd : Descendants(form)) {
        TesselButtonWindow* button = TesselButtonWindow::FromHandle(hwnd);
        if (button && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd) && pick(*button)) return button;
    }
    return nullptr;
}

// The focused control takes the key itself: a button takes Enter (and clicks), a control that asks
// for the key (a dropped-down combo box, a multi-line edit) takes either.
bool FocusTakesKey(const MSG& msg) {
    const bool enter = msg.wParam == VK_RETURN;
    if (TesselButtonWindow::FromHandle(msg.hwnd)) return enter;
    wchar_t cls[16] = {};
    GetClassNameW(msg.hwnd, cls, 16);
    if (enter && lstrcmpiW(cls, L"Button") == 0) return true;
    const LRESULT code =
        SendMessageW(msg.hwnd, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(const_cast<MSG*>(&msg)));
    return (code & (DLGC_WANTMESSAGE | DLGC_WANTALLKEYS)) != 0;
}

}  // namespace

bool TranslateFormButtonKey(const MSG& msg) {
    if (!msg.hwnd) return false;
    const HWND form = GetAncestor(msg.hwnd, GA_ROOT);
    if (!form) return false;
    if (msg.message == WM_SYSCHAR) {
        const char16_t key = LowerChar(static_cast<char16_t>(msg.wParam));
        TesselButtonWindow* button =
            FindFormButton(form, [key](const TesselButtonWindow& b) { return b.AccessKey() == key; });
        if (!button) return false;
        SetFocus(button->Hwnd());
        button->Button().OnAccessKeyPress(static_cast<int>(msg.wParam));
        return true;
    }
    if (msg.message != WM_KEYDOWN || (msg.wParam != VK_RETURN && msg.wParam != VK_ESCAPE)) return false;
    if (GetKeyState(VK_MENU) < 0 || GetKeyState(VK_CONTROL) < 0) return false;
    const bool enter = msg.wParam == VK_RETURN;
    TesselButtonWindow* button =
        FindFormButton(form, [enter](const TesselButtonWindow& b) { return enter ? b.IsDefault() : b.IsCancel(); });
    if (!button || FocusTakesKey(msg)) return false;
    button->Button().OnAccessKeyPress(enter ? 13 : 27);
    return true;
}

}  // namespace ferrik
