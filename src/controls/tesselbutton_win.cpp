// The button's window: creation, its messages, the form's default button and the accessible
// object. What the portable button asks of its window is in tesselbutton_host_win.cpp, what it
// observes of its parents in tesselbutton_hooks_win.cpp.
#include "controls/tesselbutton_win.h"

#include <commctrl.h>
#include <windowsx.h>

#include <utility>

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

}  // namespace

// Creation: the effect tables, the shell library (held until the button goes) and the platform.
TesselButtonWindow::TesselButtonWindow(ButtonEvents& events)
    : m_events(*this, events),
      m_button(*this, m_events),
      m_effects(MakeEffectTables()),
      m_nt((GetVersion() & 0x80000000u) == 0),
      m_shell(LoadSystemDll(L"shell32.dll")) {}

// The owners let go of the accessible object (disconnected first), the pointer and the shell.
TesselButtonWindow::~TesselButtonWindow() {
    RemoveHooks();
    m_button.UnsetPopupMenu();
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
// Through the shell library the button holds; what the shell answers is not reported.
void TesselButtonWindow::OpenWebsite(TextView address) {
    if (!m_shell) return;
    using ShellExecuteFn = HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
    const auto execute =
        reinterpret_cast<ShellExecuteFn>(reinterpret_cast<void*>(GetProcAddress(m_shell.get(), "ShellExecuteW")));
    if (!execute) return;
    const Text file(address);
    execute(Hwnd(), L"open", reinterpret_cast<const wchar_t*>(file.c_str()), nullptr, nullptr, SW_SHOWNORMAL);
}

void TesselButtonWindow::SetContainerTooltips(HWND tooltips) {
    m_containerTips = tooltips;
    SetContainerToolTip(m_containerToolTip);
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
            const PaintDc paint(Hwnd());
            m_paintDc = paint.get();
            m_button.Repaint();
            m_paintDc = nullptr;
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
                    SetCursor(m_iconCursor.get());
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
    m_accessible.reset();
    RemoveHooks();
    m_tooltip.reset();
}

LRESULT TesselButtonWindow::OnGetObject(WPARAM wParam, LPARAM lParam) {
    if (static_cast<LONG>(lParam) != static_cast<LONG>(OBJID_CLIENT)) return DefaultProc(WM_GETOBJECT, wParam, lParam);
    return late::LresultFromObject(IID_IAccessible, wParam, static_cast<IAccessible*>(m_accessible.GetOrMake(*this)));
}

void TesselButtonWindow::AnnounceChanges() {
    if (!Hwnd() || !m_announced) return;  // not before creation has ended
    ButtonAccessibleFacts facts = AccessibleFactsOf(m_button, IsWindowVisible(Hwnd()) != FALSE);
    if (facts.name != m_announced->name) NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, Hwnd(), OBJID_CLIENT, CHILDID_SELF);
    if (facts.state != m_announced->state) NotifyWinEvent(EVENT_OBJECT_STATECHANGE, Hwnd(), OBJID_CLIENT, CHILDID_SELF);
    m_announced = std::move(facts);
}

}  // namespace ferrik
