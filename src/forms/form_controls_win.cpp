#include "forms/form_controls_win.h"

#include <commctrl.h>

#include <algorithm>

#include "platform/window_win.h"

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

namespace {

RECT PixelRect(const TwipsRect& r, int dpi) {
    return RECT{TwipsToPixels(r.left, dpi), TwipsToPixels(r.top, dpi), TwipsToPixels(r.left + r.width, dpi),
                TwipsToPixels(r.top + r.height, dpi)};
}

// A combo box's window is as high as its dropped-down list; its edit line takes the font's height.
int WindowHeight(const ControlLayout& layout, int dpi) {
    const int height = TwipsToPixels(layout.rect.height, dpi);
    return layout.kind == ControlKind::ComboBox ? height * 10 : height;
}

}  // namespace

HWND CreateFormControl(const ControlLayout& layout, HWND parent, int dpi, HFONT font) {
    const wchar_t* cls = WC_STATICW;
    DWORD style = WS_CHILD | WS_VISIBLE;
    DWORD exStyle = 0;
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
    HWND hwnd = CreateWindowExW(
        exStyle, cls, Wide(text), style, TwipsToPixels(layout.rect.left, dpi), TwipsToPixels(layout.rect.top, dpi),
        TwipsToPixels(layout.rect.width, dpi), WindowHeight(layout, dpi), parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.id)), GetModuleHandleW(nullptr), nullptr);
    if (hwnd && font) SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return hwnd;
}

void PlaceFormControl(HWND control, const ControlLayout& layout, int dpi) {
    SetWindowPos(control, nullptr, TwipsToPixels(layout.rect.left, dpi), TwipsToPixels(layout.rect.top, dpi),
                 TwipsToPixels(layout.rect.width, dpi), WindowHeight(layout, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
}

void RelayoutFormControls(std::span<const ControlLayout> layouts, const std::function<HWND(int)>& control, int dpi,
                          HFONT font) {
    for (const ControlLayout& layout : layouts) {
        HWND hwnd = control(layout.id);
        if (!hwnd || layout.kind == ControlKind::TesselButton) continue;
        SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        PlaceFormControl(hwnd, layout, dpi);
    }
}

DpiChange DecodeDpiChanged(WPARAM wParam, LPARAM lParam) {
    DpiChange change{HIWORD(wParam), {}};
    if (lParam) change.suggested = *reinterpret_cast<const RECT*>(lParam);
    return change;
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
    AdjustWindowRectForDpi(rc, style, exStyle, dpi);
    return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

std::optional<DpiChange> PlacedDpiChange(HWND form, int builtFor, const RECT& area, int clientWidthTwips,
                                         int clientHeightTwips, DWORD style, DWORD exStyle) {
    const int dpi = WindowDpi(form);
    if (!form || dpi == builtFor) return std::nullopt;
    const SIZE size = FormWindowSize(clientWidthTwips, clientHeightTwips, style, exStyle, dpi);
    return DpiChange{dpi, CenteredRect(area, size)};
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
    auto button = std::make_unique<TesselButtonWindow>(events ? *events : none);
    button->SetAmbientFont(font);
    button->SetDpi(dpi);
    if (!button->Create(parent, layout.id, PixelRect(layout.rect, dpi), stored, FromUtf8(layout.name))) return nullptr;
    if (m_tooltips) button->SetContainerTooltips(m_tooltips);
    m_buttons.push_back(Placed{std::move(button), layout});
    return m_buttons.back().button.get();
}

TesselButtonWindow* FormButtons::Find(int id) const {
    for (const Placed& placed : m_buttons) {
        if (placed.button->Hwnd() && GetDlgCtrlID(placed.button->Hwnd()) == id) return placed.button.get();
    }
    return nullptr;
}

void FormButtons::SetDefault(int id) {
    for (const Placed& p : m_buttons) p.button->SetDefault(p.button->Hwnd() && GetDlgCtrlID(p.button->Hwnd()) == id);
}

void FormButtons::SetCancel(int id) {
    for (const Placed& p : m_buttons) p.button->SetCancel(p.button->Hwnd() && GetDlgCtrlID(p.button->Hwnd()) == id);
}

void FormButtons::SetContainerTooltips(HWND tooltips) {
    m_tooltips = tooltips;
    for (const Placed& placed : m_buttons) placed.button->SetContainerTooltips(tooltips);
}

bool FormButtons::HandlerRunning() const noexcept {
    for (const Placed& placed : m_buttons)
        if (HandlerOnStack(placed.button.get())) return true;
    return false;
}

void FormButtons::SetDpi(int dpi, HFONT font) {
    for (const Placed& placed : m_buttons) {
        TesselButtonWindow& button = *placed.button;
        button.SetAmbientFont(font);
        button.SetDpi(dpi);
        // The new size rebuilds the region and repaints with the new font.
        const RECT rc = PixelRect(placed.layout.rect, dpi);
        if (button.Hwnd())
            SetWindowPos(button.Hwnd(), nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
    }
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
