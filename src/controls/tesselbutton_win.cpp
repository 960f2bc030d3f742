#include "controls/tesselbutton_win.h"

#include <commctrl.h>
#include <windowsx.h>

#include <utility>

#include "controls/button_paint_win.h"
#include "controls/button_tooltip.h"
#include "platform/pump_win.h"
#include "platform/system_dlls_win.h"

namespace ferrik {

namespace {

int ShiftState() {
    int shift = 0;
    if (GetKeyState(VK_SHIFT) < 0) shift |= 1;
    if (GetKeyState(VK_CONTROL) < 0) shift |= 2;
    if (GetKeyState(VK_MENU) < 0) shift |= 4;
    return shift;
}

int ButtonOf(UINT msg) {
    switch (msg) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_LBUTTONDBLCLK:
            return kLeftButton;
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
        case WM_RBUTTONDBLCLK:
            return kRightButton;
        default:
            return 4;  // middle
    }
}

int HeldButtons(WPARAM keys) {
    return ((keys & MK_LBUTTON) ? 1 : 0) | ((keys & MK_RBUTTON) ? 2 : 0) | ((keys & MK_MBUTTON) ? 4 : 0);
}

class FixedSystemColors final : public SystemColors {
public:
    std::optional<std::uint32_t> SysColor(int index) const override {
        if (index < 0 || index > COLOR_MENUBAR) return std::nullopt;
        return GetSysColor(index);
    }
};

std::uint32_t Le16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at] | (b[at + 1] << 8));
}

std::uint32_t Le32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return Le16(b, at) | (Le16(b, at + 2) << 16);
}

}  // namespace

HCURSOR CursorFromFileImage(const std::vector<std::uint8_t>& bytes) {
    // ICONDIR: reserved 0, type 1 (icon) or 2 (cursor), count; then 16-byte entries.
    constexpr std::size_t kHeader = 6;
    constexpr std::size_t kEntry = 16;
    if (bytes.size() < kHeader + kEntry || Le16(bytes, 0) != 0) return nullptr;
    const std::uint32_t type = Le16(bytes, 2);
    if ((type != 1 && type != 2) || Le16(bytes, 4) == 0) return nullptr;
    const int width = bytes[kHeader] ? bytes[kHeader] : 256;
    const int height = bytes[kHeader + 1] ? bytes[kHeader + 1] : 256;
    const std::uint32_t size = Le32(bytes, kHeader + 8);
    const std::uint32_t offset = Le32(bytes, kHeader + 12);
    if (size < 40 || offset > bytes.size() || size > bytes.size() - offset) return nullptr;
    // A cursor's resource starts with its hot spot; an icon's pointer has its hot spot at the centre.
    std::vector<std::uint8_t> resource;
    if (type == 2) {
        resource.insert(resource.end(),
                        {bytes[kHeader + 4], bytes[kHeader + 5], bytes[kHeader + 6], bytes[kHeader + 7]});
    }
    resource.insert(resource.end(), bytes.begin() + offset, bytes.begin() + offset + size);
    return CreateIconFromResourceEx(resource.data(), static_cast<DWORD>(resource.size()), type == 1, 0x00030000, width,
                                    height, LR_DEFAULTCOLOR);
}

// Creation: the effect tables, the shell library (held until the button goes) and the platform.
TesselButtonWindow::TesselButtonWindow(ButtonEvents& events)
    : m_events(*this, events),
      m_button(*this, m_events),
      m_effects(MakeEffectTables()),
      m_nt((GetVersion() & 0x80000000u) == 0),
      m_shell(LoadSystemDll(L"shell32.dll")) {}

TesselButtonWindow::~TesselButtonWindow() {
    if (m_accessible) {
        m_accessible->Disconnect();
        std::exchange(m_accessible, nullptr)->Release();
    }
    RemoveHooks();
    m_button.UnsetPopupMenu();
    if (m_iconCursor) DestroyCursor(std::exchange(m_iconCursor, nullptr));
    if (m_shell) FreeLibrary(std::exchange(m_shell, nullptr));
}

bool TesselButtonWindow::Create(HWND parent, int id, const RECT& pixels, const PropertyBag* stored,
                                TextView displayName) {
    if (!RegisterRoutedClass(kTesselButtonClass)) return false;
    m_displayName = Text(displayName);
    const HWND hwnd =
        CreateRouted(kTesselButtonClass, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS, 0, pixels.left,
                     pixels.top, pixels.right - pixels.left, pixels.bottom - pixels.top, parent);
    if (!hwnd) return false;
    SetWindowLongPtrW(hwnd, GWLP_ID, id);
    if (stored) {
        m_button.ReadProperties(*stored);
    } else {
        m_button.InitProperties();
        RememberParent();
        ResizeHandling();
        InstallHooks();
    }
    if (GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_VISIBLE) m_button.OnShown();
    m_announced = AccessibleFactsOf(m_button, IsWindowVisible(hwnd) != FALSE);
    return true;
}

void TesselButtonWindow::SetDpi(int dpi) {
    if (dpi == m_dpi) return;
    m_dpi = dpi;
    if (Hwnd()) AdoptFont(m_button.Font());
}

void TesselButtonWindow::SetDefault(bool isDefault) {
    if (m_default == isDefault) return;
    m_default = isDefault;
    m_button.OnAmbientChanged();
}

bool TesselButtonWindow::AmbientDisplayAsDefault() const {
    if (!m_default || !Hwnd()) return false;
    const HWND focus = GetFocus();
    return !focus || focus == Hwnd() || !FromHandle(focus) ||
           GetAncestor(focus, GA_ROOT) != GetAncestor(Hwnd(), GA_ROOT);
}

// The focus moved to or from this button: the form's default button may display otherwise now.
void TesselButtonWindow::RefreshFormDefault() {
    if (!Hwnd()) return;
    for (HWND hwnd : Descendants(GetAncestor(Hwnd(), GA_ROOT))) {
        TesselButtonWindow* button = FromHandle(hwnd);
        if (button && button->m_default && button->m_button.DisplayAsDefault() != button->AmbientDisplayAsDefault()) {
            button->m_button.OnAmbientChanged();
        }
    }
}

void TesselButtonWindow::About() {
    m_button.About();
}

void TesselButtonWindow::ShowMessageBox(TextView text, TextView title) {
    const Text body(text);
    const Text caption(title);
    MessageBoxW(Hwnd(), reinterpret_cast<const wchar_t*>(body.c_str()),
                reinterpret_cast<const wchar_t*>(caption.c_str()), MB_OK | MB_ICONINFORMATION);
}

// Through the shell library the button holds; what the shell answers is not reported.
void TesselButtonWindow::OpenWebsite(TextView address) {
    if (!m_shell) return;
    using ShellExecuteFn = HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
    const auto execute =
        reinterpret_cast<ShellExecuteFn>(reinterpret_cast<void*>(GetProcAddress(m_shell, "ShellExecuteW")));
    if (!execute) return;
    const Text file(address);
    execute(Hwnd(), L"open", reinterpret_cast<const wchar_t*>(file.c_str()), nullptr, nullptr, SW_SHOWNORMAL);
}

// The container's tooltip for the button is a tool of the tooltip window the form gave
// (SetContainerTooltips); an empty text removes the tool.
void TesselButtonWindow::SetContainerToolTip(TextView text) {
    m_containerToolTip = Text(text);
    if (!m_containerTips || !IsWindow(m_containerTips) || !Hwnd()) return;
    TOOLINFOW ti{};
    ti.cbSize = TTTOOLINFOW_V2_SIZE;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = GetParent(Hwnd());
    ti.uId = reinterpret_cast<UINT_PTR>(Hwnd());
    SendMessageW(m_containerTips, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    if (m_containerToolTip.empty()) return;
    ti.lpszText = reinterpret_cast<wchar_t*>(m_containerToolTip.data());
    SendMessageW(m_containerTips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

void TesselButtonWindow::SetContainerTooltips(HWND tooltips) {
    m_containerTips = tooltips;
    SetContainerToolTip(m_containerToolTip);
}

// A custom pointer from the picture's file image (.ico or .cur) for MousePointer 99; a picture
// that is no icon or cursor leaves the default pointer (errors are ignored).
void TesselButtonWindow::SetMouseIcon(const std::optional<Picture>& icon) {
    if (m_iconCursor) DestroyCursor(std::exchange(m_iconCursor, nullptr));
    if (icon) m_iconCursor = CursorFromFileImage(icon->bytes);
}

TesselButtonWindow* TesselButtonWindow::FromHandle(HWND hwnd) noexcept {
    wchar_t name[32] = {};
    if (!hwnd || !GetClassNameW(hwnd, name, 32) || lstrcmpiW(name, kTesselButtonClass) != 0) return nullptr;
    return reinterpret_cast<TesselButtonWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

void TesselButtonWindow::Events::Click() {
    m_target.Click();
    const HWND hwnd = m_owner.Hwnd();
    if (!hwnd) return;
    const int id = static_cast<int>(GetWindowLongPtrW(hwnd, GWLP_ID));
    SendMessageW(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(hwnd));
}

LRESULT TesselButtonWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    const float x = static_cast<float>(GET_X_LPARAM(lParam));
    const float y = static_cast<float>(GET_Y_LPARAM(lParam));
    switch (msg) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(Hwnd(), &ps);
            m_paintDc = dc;
            m_button.Repaint();
            m_paintDc = nullptr;
            EndPaint(Hwnd(), &ps);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_SIZE:
            ResizeHandling();
            return 0;
        case WM_WINDOWPOSCHANGED: {
            const UINT flags = reinterpret_cast<const WINDOWPOS*>(lParam)->flags;
            if (flags & SWP_SHOWWINDOW) m_button.OnShown();
            if (flags & SWP_HIDEWINDOW) m_button.OnHidden();
            break;  // the default handling sends WM_SIZE and WM_MOVE
        }
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDBLCLK:
            if (msg == WM_LBUTTONDOWN && GetFocus() != Hwnd()) SetFocus(Hwnd());
            SetCapture(Hwnd());
            m_button.OnMouseDown(ButtonOf(msg), ShiftState(), x, y);
            return 0;
        case WM_LBUTTONDBLCLK:
            if (GetFocus() != Hwnd()) SetFocus(Hwnd());
            m_button.OnDblClick();
            return 0;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
            if (GetCapture() == Hwnd()) ReleaseCapture();
            m_button.OnMouseUp(ButtonOf(msg), ShiftState(), x, y);
            return 0;
        case WM_MOUSEMOVE:
            m_button.OnMouseMove(HeldButtons(wParam), ShiftState(), x, y);
            return 0;
        case WM_MOUSELEAVE:
            m_button.OnMouseLeave();
            return 0;
        case WM_SETCURSOR:
            if (LOWORD(lParam) == HTCLIENT) {
                if (m_button.HandPointer() && m_hand) {
                    SetCursor(m_hand);
                    return TRUE;
                }
                if (m_pointer == 99 && m_iconCursor) {
                    SetCursor(m_iconCursor);
                    return TRUE;
                }
                // The host's pointer codes; 4 and 5 are the system's older icon and size pointers.
                static const std::pair<std::int32_t, const wchar_t*> kPointers[] = {
                    {1, IDC_ARROW},    {2, IDC_CROSS},  {3, IDC_IBEAM},        {4, IDC_ICON},   {5, IDC_SIZE},
                    {6, IDC_SIZENESW}, {7, IDC_SIZENS}, {8, IDC_SIZENWSE},     {9, IDC_SIZEWE}, {10, IDC_UPARROW},
                    {11, IDC_WAIT},    {12, IDC_NO},    {13, IDC_APPSTARTING}, {14, IDC_HELP},  {15, IDC_SIZEALL},
                };
                for (const auto& [code, cursor] : kPointers) {
                    if (code == m_pointer) {
                        SetCursor(LoadCursorW(nullptr, cursor));
                        return TRUE;
                    }
                }
            }
            break;
        case WM_GETDLGCODE: {
            // Enter and Escape come to the focused button as keys (Enter clicks it); the form's
            // cancel button takes Escape before the dialog handling asks (TranslateFormButtonKey).
            const auto* key = reinterpret_cast<const MSG*>(lParam);
            const bool wanted =
                key && key->message == WM_KEYDOWN && (key->wParam == VK_RETURN || key->wParam == VK_ESCAPE);
            return DLGC_WANTARROWS | DLGC_BUTTON | (wanted ? DLGC_WANTMESSAGE : 0);
        }
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            m_button.OnKeyDown(static_cast<int>(wParam), ShiftState());
            if (msg == WM_SYSKEYDOWN) break;  // Alt keys still reach the window's menu handling
            return 0;
        case WM_KEYUP:
        case WM_SYSKEYUP:
            m_button.OnKeyUp(static_cast<int>(wParam), ShiftState());
            if (msg == WM_SYSKEYUP) break;
            return 0;
        case WM_CHAR:
            m_button.OnKeyPress(static_cast<int>(wParam));
            return 0;
        case WM_SETFOCUS:
            m_button.OnGotFocus();
            RefreshFormDefault();
            AnnounceChanges();
            return 0;
        case WM_KILLFOCUS:
            m_button.OnLostFocus();
            RefreshFormDefault();
            AnnounceChanges();
            return 0;
        case WM_GETOBJECT:
            return OnGetObject(wParam, lParam);
        case kAccessibleClickMessage:
            if (m_button.Enabled()) m_button.OnAccessKeyPress(m_accessKey.value_or(u' '));
            return 0;
        case WM_SYSCOLORCHANGE:  // forwarded by a form; heard only when the application is themed
            if (IsAppThemed()) m_button.OnSysColorChange();
            break;
        case WM_THEMECHANGED:
            m_paint.theme.reset();  // opened again for the new theme
            m_button.OnSysColorChange();
            break;
        default:
            break;
    }
    return DefaultProc(msg, wParam, lParam);
}

void TesselButtonWindow::OnFinalDestroy() {
    if (m_accessible) {
        m_accessible->Disconnect();
        std::exchange(m_accessible, nullptr)->Release();
    }
    RemoveHooks();
    m_tooltip.reset();
}

// ---- ButtonHost ----

std::optional<std::uint32_t> TesselButtonWindow::SysColor(int index) const {
    return FixedSystemColors().SysColor(index);
}

ButtonFont TesselButtonWindow::AmbientFont() const {
    HFONT font = m_ambientFont;
    if (const HWND parent = !font && Hwnd() ? GetParent(Hwnd()) : nullptr) {
        font = reinterpret_cast<HFONT>(SendMessageW(parent, WM_GETFONT, 0, 0));
    }
    if (!font) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    LOGFONTW lf{};
    GetObjectW(font, sizeof(lf), &lf);
    ButtonFont result;
    result.name = Text(reinterpret_cast<const char16_t*>(lf.lfFaceName));
    const int dpi = m_dpi > 0 ? m_dpi : ScreenDpi();
    const int pixels = lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight;
    result.size = pixels ? static_cast<std::int64_t>(pixels) * 72 * 10000 / dpi : 90000;
    result.weight = lf.lfWeight ? lf.lfWeight : 400;
    result.italic = lf.lfItalic != 0;
    result.underline = lf.lfUnderline != 0;
    result.strikethrough = lf.lfStrikeOut != 0;
    result.charset = lf.lfCharSet;
    return result;
}

void TesselButtonWindow::AdoptFont(const ButtonFont& font) {
    LOGFONTW lf{};
    const int dpi = m_dpi > 0 ? m_dpi : ScreenDpi();
    lf.lfHeight = -static_cast<LONG>((font.size * dpi + 72 * 5000) / (72 * 10000));
    lf.lfWeight = font.weight;
    lf.lfItalic = font.italic;
    lf.lfUnderline = font.underline;
    lf.lfStrikeOut = font.strikethrough;
    lf.lfCharSet = static_cast<BYTE>(font.charset);
    lstrcpynW(lf.lfFaceName, reinterpret_cast<const wchar_t*>(font.name.c_str()), LF_FACESIZE);
    m_font.reset(CreateFontIndirectW(&lf));
    if (Hwnd()) InvalidateRect(Hwnd(), nullptr, FALSE);
}

void TesselButtonWindow::Redraw() {
    ++m_repaints;
    if (!Hwnd()) return;
    const ButtonLook look = CurrentLook();
    if (m_paintDc) {
        PaintLook(m_paintDc, look);
    } else {
        WindowDc dc(Hwnd());
        if (dc.get()) PaintLook(dc.get(), look);
    }
    // Every change of state ends in a repaint: the place to tell screen readers of it.
    AnnounceChanges();
}

LRESULT TesselButtonWindow::OnGetObject(WPARAM wParam, LPARAM lParam) {
    if (static_cast<LONG>(lParam) != static_cast<LONG>(OBJID_CLIENT)) return DefaultProc(WM_GETOBJECT, wParam, lParam);
    if (!m_accessible) m_accessible = new ButtonAccessible(*this);
    return late::LresultFromObject(IID_IAccessible, wParam, static_cast<IAccessible*>(m_accessible));
}

void TesselButtonWindow::AnnounceChanges() {
    if (!Hwnd() || !m_announced) return;  // not before creation has ended
    ButtonAccessibleFacts facts = AccessibleFactsOf(m_button, IsWindowVisible(Hwnd()) != FALSE);
    if (facts.name != m_announced->name) NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, Hwnd(), OBJID_CLIENT, CHILDID_SELF);
    if (facts.state != m_announced->state) NotifyWinEvent(EVENT_OBJECT_STATECHANGE, Hwnd(), OBJID_CLIENT, CHILDID_SELF);
    m_announced = std::move(facts);
}

ButtonLook TesselButtonWindow::CurrentLook() const {
    return LookOf(m_button, *this, ClientWidth(), ClientHeight(), UserMode());
}

// Drawn off-screen and copied in one transfer, so that the cleared background never shows.
void TesselButtonWindow::PaintLook(HDC dc, const ButtonLook& look) {
    const int width = look.width;
    const int height = look.height;
    if (width <= 0 || height <= 0) return;
    const HDC memory = m_paint.back.Prepare(width, height);
    if (!memory) return;
    // The host's background is the face colour.
    const RECT all{0, 0, width, height};
    FillRect(memory, &all, GetSysColorBrush(COLOR_BTNFACE));
    GdiButtonCanvas canvas(memory, Hwnd(), m_button, m_font.get(), m_nt, width, height, m_paint,
                           [this] { BuildRegion(); });
    PaintButtonStyle(canvas, look);
    m_content = canvas.Content();
    BitBlt(dc, 0, 0, width, height, memory, 0, 0, SRCCOPY);
}

void TesselButtonWindow::BuildRegion() {
    if (!Hwnd()) return;
    RECT rc;
    GetClientRect(Hwnd(), &rc);
    int corner = 0;
    switch (m_button.ButtonStyle()) {
        case kCurvedGradient:
        case kGlassGradient:
        case kPaleRounded:
        case kGlossy:
            corner = 3;
            break;
        case kSoftGradient:
        case kCurvedPanel:
            corner = 4;
            break;
        default:
            break;
    }
    // Corner size and client size of the region; unchanged, it is not made and set again.
    const std::uint64_t key = (static_cast<std::uint64_t>(corner + 1) << 48) |
                              (static_cast<std::uint64_t>(rc.right & 0xFFFFFF) << 24) | (rc.bottom & 0xFFFFFF);
    if (key == m_paint.regionKey) return;
    m_paint.regionKey = key;
    SetWindowRegionOnce(Hwnd(), corner ? CreateRoundRectRgn(0, 0, rc.right + 1, rc.bottom + 1, corner, corner)
                                       : CreateRectRgn(0, 0, rc.right, rc.bottom));
}

void TesselButtonWindow::ResizeHandling() {
    if (!Hwnd() || m_sizing) return;
    RECT rc;
    GetWindowRect(Hwnd(), &rc);
    const int dpi = m_dpi > 0 ? m_dpi : ScreenDpi();
    const int minimum = MulDiv(kMinimumSizeTwips, dpi, 1440);
    const int width = rc.right - rc.left;
    const int height = rc.bottom - rc.top;
    if (width < minimum || height < minimum) {
        m_sizing = true;
        SetWindowPos(Hwnd(), nullptr, 0, 0, width < minimum ? minimum : width, height < minimum ? minimum : height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        m_sizing = false;
    }
    BuildRegion();
    m_button.Repaint();
}

namespace {
std::optional<bool> g_appThemed;
}  // namespace

void TesselButtonWindow::SetAppThemed(std::optional<bool> themed) noexcept {
    g_appThemed = themed;
}

bool TesselButtonWindow::IsAppThemed() const {
    if (g_appThemed) return *g_appThemed;
    static const bool themed = late::IsAppThemed() != FALSE;
    return themed;
}

int TesselButtonWindow::ClientWidth() const {
    RECT rc{};
    if (Hwnd()) GetClientRect(Hwnd(), &rc);
    return rc.right;
}

int TesselButtonWindow::ClientHeight() const {
    RECT rc{};
    if (Hwnd()) GetClientRect(Hwnd(), &rc);
    return rc.bottom;
}

void TesselButtonWindow::SetWindowEnabled(bool enabled) {
    if (Hwnd()) EnableWindow(Hwnd(), enabled);
}

bool TesselButtonWindow::LoadHandCursor() {
    m_hand = LoadCursorW(nullptr, IDC_HAND);
    return m_hand != nullptr;
}

void TesselButtonWindow::ShowHandCursor() {
    if (!m_hand) LoadHandCursor();
    if (m_hand) SetCursor(m_hand);
}

// The window whose activation matters is found when the hooks go in (InstallHooks).
void TesselButtonWindow::RememberParent() {}

// The button observes two windows without changing their handling: the form it sits on for its
// activation (WM_ACTIVATE, or WM_NCACTIVATE when the form is an MDI child, which gets no
// WM_ACTIVATE), and the top-level window for the system colour and theme changes, which only
// top-level windows receive. For a top-level form both are one window.
LRESULT CALLBACK TesselButtonWindow::ParentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                                DWORD_PTR ref) noexcept {
    auto* self = reinterpret_cast<TesselButtonWindow*>(ref);
    try {
        if (hwnd == self->m_activationWindow) {
            const bool mdiChild = (GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_MDICHILD) != 0;
            if (!mdiChild && msg == WM_ACTIVATE) self->m_button.OnParentActivate(LOWORD(wParam) != WA_INACTIVE);
            if (mdiChild && msg == WM_NCACTIVATE) self->m_button.OnParentActivate(wParam != FALSE);
        }
        if (hwnd == self->m_hookedRoot) {
            if (msg == WM_THEMECHANGED || (msg == WM_SYSCOLORCHANGE && self->IsAppThemed())) {
                self->m_button.OnSysColorChange();
            }
        }
    } catch (...) {
    }
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

void TesselButtonWindow::HookWindow(HWND hwnd) {
    // One subclass per button (the id is the object), so every button of a form hears it.
    SetWindowSubclass(hwnd, &TesselButtonWindow::ParentProc, reinterpret_cast<UINT_PTR>(this),
                      reinterpret_cast<DWORD_PTR>(this));
}

void TesselButtonWindow::InstallHooks() {
    if (!Hwnd() || m_activationWindow || m_hookedRoot) return;
    HWND form = GetParent(Hwnd());
    while (form && (GetWindowLongPtrW(form, GWL_STYLE) & WS_CHILD) &&
           !(GetWindowLongPtrW(form, GWL_EXSTYLE) & WS_EX_MDICHILD)) {
        form = GetParent(form);
    }
    const HWND top = GetAncestor(Hwnd(), GA_ROOT);
    if (form) {
        m_activationWindow = form;
        HookWindow(form);
    }
    if (top && top != Hwnd()) {
        m_hookedRoot = top;
        if (top != form) HookWindow(top);
    }
}

void TesselButtonWindow::RemoveHooks() {
    for (HWND hooked : {m_activationWindow, m_hookedRoot}) {
        if (hooked) RemoveWindowSubclass(hooked, &TesselButtonWindow::ParentProc, reinterpret_cast<UINT_PTR>(this));
    }
    m_activationWindow = nullptr;
    m_hookedRoot = nullptr;
}

bool TesselButtonWindow::CursorOverSelf() const {
    POINT pt;
    return Hwnd() && GetCursorPos(&pt) && WindowFromPoint(pt) == Hwnd();
}

void TesselButtonWindow::TrackMouseLeave() {
    TRACKMOUSEEVENT tme{};
    tme.cbSize = sizeof(tme);
    tme.dwFlags = TME_LEAVE;
    tme.hwndTrack = Hwnd();
    TrackMouseEvent(&tme);
}

bool TesselButtonWindow::HasCapture() const {
    return Hwnd() && GetCapture() == Hwnd();
}

void TesselButtonWindow::CaptureMouse() {
    if (Hwnd()) SetCapture(Hwnd());
}

void TesselButtonWindow::ReleaseMouse() {
    if (HasCapture()) ReleaseCapture();
}

// The window manager's tab order, not synthesized keystrokes.
void TesselButtonWindow::MoveFocus(bool previous) {
    const HWND top = GetAncestor(Hwnd(), GA_ROOT);
    if (const HWND next = GetNextDlgTabItem(top, Hwnd(), previous)) SetFocus(next);
}

void TesselButtonWindow::FocusPrevious() {
    MoveFocus(true);
}

void TesselButtonWindow::FocusNext() {
    MoveFocus(false);
}

void TesselButtonWindow::PumpEvents() {
    PumpPendingMessages();
}

void TesselButtonWindow::ShowTooltip() {
    m_tooltip.reset();
    const TooltipSetup setup = MakeTooltipSetup(m_button, *this, m_nt);
    m_tooltip.reset(CreateWindowExW(setup.exStyle, TOOLTIPS_CLASSW, nullptr, setup.style, CW_USEDEFAULT, CW_USEDEFAULT,
                                    CW_USEDEFAULT, CW_USEDEFAULT, Hwnd(), nullptr, GetModuleHandleW(nullptr), nullptr));
    const HWND tip = m_tooltip.get();
    if (!tip) return;
    SetClassLongPtrW(tip, GCL_STYLE, GetClassLongPtrW(tip, GCL_STYLE) | setup.classStyleAdd);
    Text text = m_button.ToolTip();
    TOOLINFOW ti{};
    ti.cbSize = TTTOOLINFOW_V2_SIZE;
    ti.uFlags = setup.toolFlags;
    ti.hwnd = Hwnd();
    ti.uId = reinterpret_cast<UINT_PTR>(Hwnd());
    GetClientRect(Hwnd(), &ti.rect);
    ti.hinst = GetModuleHandleW(nullptr);
    ti.lpszText = reinterpret_cast<wchar_t*>(text.data());
    SendMessageW(tip, setup.addToolMessage, 0, reinterpret_cast<LPARAM>(&ti));
    if (setup.setTitleMessage) {
        SendMessageW(tip, *setup.setTitleMessage, static_cast<WPARAM>(m_button.ToolTipIcon()),
                     reinterpret_cast<LPARAM>(m_button.TooltipTitle().c_str()));
    }
    SendMessageW(tip, TTM_SETMAXTIPWIDTH, 0, setup.maxWidth);
    if (setup.backColor) SendMessageW(tip, TTM_SETTIPBKCOLOR, static_cast<WPARAM>(*setup.backColor), 0);
}

bool TesselButtonWindow::IsMenu(MenuHandle menu) const {
    return ::IsMenu(reinterpret_cast<HMENU>(menu)) != FALSE;
}

// The default item shows in bold for this showing only: the caller's menu keeps its own default.
void TesselButtonWindow::ShowPopupMenu(MenuHandle menu, int x, int y, std::uint32_t flags, MenuHandle defaultItem) {
    const HMENU hmenu = reinterpret_cast<HMENU>(menu);
    if (!::IsMenu(hmenu)) return;
    const UINT ownDefault = GetMenuDefaultItem(hmenu, FALSE, GMDI_USEDISABLED);
    if (defaultItem) SetMenuDefaultItem(hmenu, static_cast<UINT>(defaultItem), FALSE);
    POINT pt{x, y};
    ClientToScreen(Hwnd(), &pt);
    TrackPopupMenu(hmenu, flags, pt.x, pt.y, 0, GetParent(Hwnd()), nullptr);
    if (defaultItem && ::IsMenu(hmenu)) SetMenuDefaultItem(hmenu, ownDefault, FALSE);
}

std::vector<TesselButton*> TesselButtonWindow::ButtonsInContainer() {
    std::vector<TesselButton*> buttons;
    const HWND parent = Hwnd() ? GetParent(Hwnd()) : nullptr;
    if (!parent) return buttons;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (TesselButtonWindow* button = FromHandle(child)) buttons.push_back(&button->m_button);
    }
    return buttons;
}

}  // namespace ferrik
