// Attachment, classification and the skin window procedure.
#include "skin/mskinner_win.h"

#include <commctrl.h>

#include <algorithm>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/handles_win.h"
#include "platform/system_dlls_win.h"
#include "platform/window_win.h"

namespace ferrik::MSkinner {

void CountGdiObjects(int delta);  // skin_draw_win.cpp

namespace {

bool g_imagesReady = false;
bool g_user32Tracking = false;
int g_attachedCount = 0;
// The kind of every attached window, found once from its class name at attach, and the window
// procedure it had: the skin window procedure needs both for every message, and under Wine a
// property read is a round trip to the server. "PROCADDR" stays the truth; this copy is set and
// dropped with it.
struct Attached {
    WindowKind kind = WindowKind::Other;
    WNDPROC proc = nullptr;
};
std::unordered_map<HWND, Attached> g_attached;

constexpr const wchar_t* kSurfaceNames[] = {L"HDC0", L"HDC1", L"HDC2", L"HDC3"};
constexpr const wchar_t* kBitmapNames[] = {L"BMP0", L"BMP1", L"BMP2", L"BMP3"};

SIZE WindowExtent(HWND hWnd) {
    RECT rc{};
    GetWindowRect(hWnd, &rc);
    return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

WNDPROC StoredProc(HWND hWnd) {
    const auto known = g_attached.find(hWnd);
    if (known != g_attached.end() && known->second.proc) return known->second.proc;
    return reinterpret_cast<WNDPROC>(GetSkinProp(hWnd, L"PROCADDR"));
}

void ClipCorners(HWND hWnd) {
    const SIZE size = WindowExtent(hWnd);
    // The system owns the region once SetWindowRgn succeeds.
    HRGN region = CreateRoundRectRgn(0, 0, size.cx + 1, size.cy + 1, 3, 3);
    if (region && !SetWindowRgn(hWnd, region, TRUE)) DeleteObject(region);
}

// A window not on the screen (one being built, whose form is not shown yet) is painted whole when
// it is shown: nothing to do before.
void RequestRepaint(HWND hWnd) {
    if (!IsWindowVisible(hWnd)) return;
    SendMessageW(hWnd, WM_NCPAINT, 1, 0);
    RedrawWindow(hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_INTERNALPAINT);
}

void RequestLeave(HWND hWnd) {
    if (GetSkinProp(hWnd, L"MOUSEFLAG") != 0) return;
    SetSkinProp(hWnd, L"MOUSEFLAG", 1);
    TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, hWnd, 0};
    if (g_user32Tracking)
        TrackMouseEvent(&track);
    else
        _TrackMouseEvent(&track);
}

bool UnderCursor(HWND hWnd) {
    POINT pt{};
    GetCursorPos(&pt);
    return WindowFromPoint(pt) == hWnd;
}

bool EditableCombo(HWND hWnd) {
    return !(GetWindowLongPtrW(hWnd, GWL_STYLE) & 1);
}

bool OverButton(HWND hWnd, LPARAM lParam) {
    const SIZE size = WindowExtent(hWnd);
    return skin::OverComboButton(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)), size.cx,
                                 size.cy, SystemMetricForDpi(SM_CXVSCROLL, WindowDpi(hWnd)));
}

int HeaderHitOf(HWND header, LPARAM lParam) {
    const int count = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    std::vector<skin::ItemSpan> items;
    for (int i = 0; i < count; ++i) {
        RECT rc{};
        SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&rc));
        items.push_back({rc.left, rc.right});
    }
    return skin::HeaderHit(items, static_cast<short>(LOWORD(lParam)));
}

int StateOfButtons(WPARAM wParam) {
    return (wParam & MK_LBUTTON) ? 2 : 1;
}

// A click may have changed other check boxes or option buttons of the group: repaint all of them.
void RepaintGroup(HWND hWnd) {
    HWND parent = GetParent(hWnd);
    if (!parent) parent = hWnd;
    for (HWND child : Descendants(parent)) {
        if (!GetSkinProp(child, L"PROCADDR")) continue;
        const WindowKind kind = KindOf(child);
        if (kind == WindowKind::CheckBox) PaintCheckBox(child, 0, true);
        if (kind == WindowKind::OptionButton) PaintOptionButton(child, 0, true);
    }
}

void PreparePushButton(HWND hWnd) {
    {
        WindowDc dc(hWnd, WindowDc::Whole);
        const SIZE size = WindowExtent(hWnd);
        for (int i = 0; i < 4; ++i) {
            HDC surface = CreateCompatibleDC(dc.get());
            HBITMAP bitmap = CreateCompatibleBitmap(dc.get(), size.cx, size.cy);
            if (surface && bitmap) SelectObject(surface, bitmap);
            CountGdiObjects((surface ? 1 : 0) + (bitmap ? 1 : 0));
            SetSkinProp(hWnd, kSurfaceNames[i], reinterpret_cast<std::intptr_t>(surface));
            SetSkinProp(hWnd, kBitmapNames[i], reinterpret_cast<std::intptr_t>(bitmap));
        }
        RenderButtonFaces(hWnd);
    }
    const auto style = static_cast<std::uint32_t>(GetWindowLongPtrW(hWnd, GWL_STYLE));
    if (skin::IsPaintedButtonStyle(style)) SendMessageW(hWnd, BM_SETSTYLE, BS_OWNERDRAW, TRUE);
    SetSkinProp(hWnd, L"OLDSTYLE", static_cast<std::intptr_t>(style));
    SetSkinProp(hWnd, L"MOUSEFLAG", 0);
    SetSkinProp(hWnd, L"TIMERID", 0);
    SetSkinProp(hWnd, L"OLDSTATE", IsWindowEnabled(hWnd) ? 0 : 3);
    SetSkinProp(hWnd, L"ALPHALEVEL", 0);
    ClipCorners(hWnd);
}

void UnpreparePushButton(HWND hWnd) {
    for (int i = 0; i < 4; ++i) {
        HDC surface = reinterpret_cast<HDC>(GetSkinProp(hWnd, kSurfaceNames[i]));
        HBITMAP bitmap = reinterpret_cast<HBITMAP>(GetSkinProp(hWnd, kBitmapNames[i]));
        if (surface) DeleteDC(surface);  // lets go of the bitmap, which can then be deleted
        if (bitmap) DeleteObject(bitmap);
        CountGdiObjects(-((surface ? 1 : 0) + (bitmap ? 1 : 0)));
        RemoveSkinProp(hWnd, kSurfaceNames[i]);
        RemoveSkinProp(hWnd, kBitmapNames[i]);
    }
    StopFade(hWnd);
    SetWindowLongPtrW(hWnd, GWL_STYLE, GetSkinProp(hWnd, L"OLDSTYLE"));
    for (const wchar_t* name : {L"OLDSTYLE", L"MOUSEFLAG", L"TIMERID", L"OLDSTATE", L"ALPHALEVEL"})
        RemoveSkinProp(hWnd, name);
    SetWindowRgn(hWnd, nullptr, TRUE);
}

// WM_SIZE: new bitmaps of the new size in the same state surfaces, faces and region again.
void ResizePushButton(HWND hWnd) {
    ForgetFadeSurfaces(hWnd);
    {
        WindowDc dc(hWnd, WindowDc::Whole);
        const SIZE size = WindowExtent(hWnd);
        for (int i = 0; i < 4; ++i) {
            HDC surface = reinterpret_cast<HDC>(GetSkinProp(hWnd, kSurfaceNames[i]));
            if (!surface) continue;
            HBITMAP bitmap = CreateCompatibleBitmap(dc.get(), size.cx, size.cy);
            if (!bitmap) continue;
            HGDIOBJ replaced = SelectObject(surface, bitmap);
            if (replaced && replaced != HGDI_ERROR) DeleteObject(replaced);
            SetSkinProp(hWnd, kBitmapNames[i], reinterpret_cast<std::intptr_t>(bitmap));
        }
    }
    RenderButtonFaces(hWnd);
    ClipCorners(hWnd);
}

LRESULT Forward(WNDPROC proc, HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcW(proc, hWnd, msg, wParam, lParam);
}

// Common controls 6 repaint a push button themselves when its state changes (hover, press,
// release, leave, focus, enabling), at once or through its update region. The skin draws the
// faces itself, and a repaint of the control's own making must neither cut the fade nor leave a
// WM_PAINT behind that does: while such a message is handled, a nested WM_PAINT only shows the
// current face, and what the control's handling invalidated is validated again.
bool ChangesControlState(UINT msg) {
    switch (msg) {
        case WM_ENABLE:
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_KEYDOWN:
        case WM_KEYUP:
        case WM_MOUSEMOVE:
        case WM_MOUSEHOVER:
        case WM_MOUSELEAVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_LBUTTONDBLCLK:
        case WM_CAPTURECHANGED:
        case BM_SETSTATE:
            return true;
        default:
            return false;
    }
}

std::vector<HWND> g_stateChanges;  // push buttons handling a state change, innermost last

class StateChangeScope {
public:
    explicit StateChangeScope(HWND hWnd) : m_hwnd(hWnd), m_pending(GetUpdateRect(hWnd, nullptr, FALSE) != FALSE) {
        g_stateChanges.push_back(hWnd);
    }
    ~StateChangeScope() {
        g_stateChanges.pop_back();
        if (!m_pending && IsWindow(m_hwnd)) ValidateRect(m_hwnd, nullptr);
    }
    StateChangeScope(const StateChangeScope&) = delete;
    StateChangeScope& operator=(const StateChangeScope&) = delete;

private:
    HWND m_hwnd;
    bool m_pending;  // a repaint was due before: it stays due
};

bool InStateChange(HWND hWnd) {
    return std::find(g_stateChanges.begin(), g_stateChanges.end(), hWnd) != g_stateChanges.end();
}

LRESULT OnPaint(WNDPROC proc, HWND hWnd, WindowKind kind, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (kind) {
        case WindowKind::PushButton: {
            if (!skin::IsPaintedButtonStyle(static_cast<std::uint32_t>(GetSkinProp(hWnd, L"OLDSTYLE"))))
                return Forward(proc, hWnd, msg, wParam, lParam);
            if (InStateChange(hWnd)) {
                PaintDc paint(hWnd);
                BlendButtonFace(hWnd, paint.get());
                return 0;
            }
            StopFade(hWnd);
            SetSkinProp(hWnd, L"ALPHALEVEL", 255);
            PaintDc paint(hWnd);
            BlendButtonFace(hWnd, paint.get());
            return 0;
        }
        case WindowKind::Combo:
            if (EditableCombo(hWnd)) {
                PaintDc paint(hWnd);
                const SIZE size = WindowExtent(hWnd);
                UniqueGdi<HBRUSH> white(CreateSolidBrush(kWhite));
                const RECT all{0, 0, size.cx, size.cy};
                FillRect(paint.get(), &all, white.get());
                PaintFlatFrame(hWnd, paint.get(), false);
                PaintComboButton(hWnd, paint.get(), static_cast<int>(GetSkinProp(hWnd, L"OLDSTATE")), true);
                return 0;
            }
            [[fallthrough]];
        case WindowKind::DriveList: {
            const LRESULT result = Forward(proc, hWnd, msg, wParam, lParam);
            WindowDc dc(hWnd, WindowDc::Whole);
            PaintFlatFrame(hWnd, dc.get(), true);
            PaintComboButton(hWnd, dc.get(), static_cast<int>(GetSkinProp(hWnd, L"OLDSTATE")), true);
            return result;
        }
        case WindowKind::CheckBox: {
            const LRESULT result = Forward(proc, hWnd, msg, wParam, lParam);
            PaintCheckBox(hWnd, 0, true);
            return result;
        }
        case WindowKind::OptionButton: {
            const LRESULT result = Forward(proc, hWnd, msg, wParam, lParam);
            PaintOptionButton(hWnd, 0, true);
            return result;
        }
        case WindowKind::DataList:
        case WindowKind::DropList: {
            const LRESULT result = Forward(proc, hWnd, msg, wParam, lParam);
            WindowDc dc(hWnd, WindowDc::Whole);
            PaintFlatFrame(hWnd, dc.get(), true);
            return result;
        }
        case WindowKind::ProgressBar: {
            PaintDc paint(hWnd);
            PaintProgressClient(hWnd, paint.get());
            return 0;
        }
        case WindowKind::Header: {
            PaintDc paint(hWnd);
            PaintHeader(hWnd, paint.get());
            return 0;
        }
        default:
            break;
    }
    wchar_t name[256] = {};
    GetClassNameW(hWnd, name, 255);
    if (skin::IsGridClass(reinterpret_cast<const char16_t*>(name))) {
        const LRESULT result = Forward(proc, hWnd, msg, wParam, lParam);
        if (GetWindowLongPtrW(hWnd, GWL_STYLE) & WS_BORDER) {
            WindowDc dc(hWnd, WindowDc::Whole);
            PaintFlatFrame(hWnd, dc.get(), false);
        }
        return result;
    }
    return Forward(proc, hWnd, msg, wParam, lParam);
}

LRESULT OnMouseMove(WNDPROC proc, HWND hWnd, WindowKind kind, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = Forward(proc, hWnd, WM_MOUSEMOVE, wParam, lParam);
    switch (kind) {
        case WindowKind::PushButton:
            if (GetSkinProp(hWnd, L"MOUSEFLAG") == 0) {
                // The flag is set by the request itself: setting it first would leave the leave
                // notification unrequested and the button hot for good.
                RequestLeave(hWnd);
                SetSkinProp(hWnd, L"OLDSTATE", 1);
                SetSkinProp(hWnd, L"ALPHALEVEL", 0);
                StartFade(hWnd);
            } else if (!UnderCursor(hWnd)) {
                StopFade(hWnd);
                SetSkinProp(hWnd, L"ALPHALEVEL", 255);
                BlendButtonFace(hWnd, nullptr);
            }
            break;
        case WindowKind::Combo: {
            RequestLeave(hWnd);
            int state = StateOfButtons(wParam);
            if (EditableCombo(hWnd) && !OverButton(hWnd, lParam)) state = 0;
            PaintComboButton(hWnd, nullptr, state, false);
            break;
        }
        case WindowKind::DriveList:
            RequestLeave(hWnd);
            PaintComboButton(hWnd, nullptr, StateOfButtons(wParam), false);
            break;
        case WindowKind::CheckBox:
            RequestLeave(hWnd);
            PaintCheckBox(hWnd, StateOfButtons(wParam), true);
            break;
        case WindowKind::OptionButton:
            RequestLeave(hWnd);
            PaintOptionButton(hWnd, StateOfButtons(wParam), true);
            break;
        case WindowKind::Header: {
            RequestLeave(hWnd);
            const int item = HeaderHitOf(hWnd, lParam);
            const int hot = static_cast<int>(GetSkinProp(hWnd, L"HMINDEX"));
            const int pressed = static_cast<int>(GetSkinProp(hWnd, L"HDINDEX"));
            if (item != hot) {
                if (hot >= 0 && hot != pressed) PaintHeaderItem(hWnd, nullptr, hot, 0);
                if (!(wParam & MK_LBUTTON)) {
                    SetSkinProp(hWnd, L"HMINDEX", item);
                    PaintHeaderItem(hWnd, nullptr, item, 1);
                } else if (item == pressed) {
                    PaintHeaderItem(hWnd, nullptr, item, 2);
                }
            }
            break;
        }
        default:
            break;
    }
    return result;
}

LRESULT OnLeftButtonUp(WNDPROC proc, HWND hWnd, WindowKind kind, WPARAM wParam, LPARAM lParam) {
    if (kind == WindowKind::Header) SetSkinProp(hWnd, L"HDINDEX", -1);
    const LRESULT result = Forward(proc, hWnd, WM_LBUTTONUP, wParam, lParam);
    // The forwarded release may have destroyed the window (a button that closes its form).
    if (!IsWindow(hWnd)) return result;
    switch (kind) {
        case WindowKind::PushButton:
            SetSkinProp(hWnd, L"MOUSEFLAG", 0);
            SetSkinProp(hWnd, L"OLDSTATE", 0);
            SetSkinProp(hWnd, L"ALPHALEVEL", 60);
            StartFade(hWnd);
            break;
        case WindowKind::Combo:
        case WindowKind::DriveList:
            PaintComboButton(hWnd, nullptr, UnderCursor(hWnd) ? 1 : 0, false);
            break;
        case WindowKind::CheckBox:
            PaintCheckBox(hWnd, 0, false);
            break;
        case WindowKind::OptionButton:
            PaintOptionButton(hWnd, 0, false);
            break;
        default:
            break;
    }
    RepaintGroup(hWnd);
    return result;
}

LRESULT Dispatch(WNDPROC proc, HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_DESTROY:
            DetachWindow(hWnd);
            return Forward(proc, hWnd, msg, wParam, lParam);
        case WM_DRAWITEM:
            return 0;
        case WM_ENTERIDLE: {
            const LRESULT result = Forward(proc, hWnd, msg, wParam, lParam);
            if (lParam) AttachWindow(reinterpret_cast<HWND>(lParam));
            return result;
        }
        case WM_CTLCOLOREDIT: {
            const LRESULT result = Forward(proc, hWnd, msg, wParam, lParam);
            SetBkColor(reinterpret_cast<HDC>(wParam), kWhite);
            return result;
        }
        case WM_CTLCOLORLISTBOX: {
            const LRESULT result = Forward(proc, hWnd, msg, wParam, lParam);
            if (lParam) AttachWindow(reinterpret_cast<HWND>(lParam));
            return result;
        }
        default:
            break;
    }

    const auto known = g_attached.find(hWnd);
    const WindowKind kind = known != g_attached.end() ? known->second.kind : KindOf(hWnd);
    std::optional<StateChangeScope> stateChange;
    if (kind == WindowKind::PushButton && ChangesControlState(msg)) stateChange.emplace(hWnd);
    switch (msg) {
        case WM_SIZE: {
            const LRESULT result = Forward(proc, hWnd, msg, wParam, lParam);
            if (kind == WindowKind::PushButton) ResizePushButton(hWnd);
            return result;
        }
        case WM_ACTIVATE:
            if (kind == WindowKind::Form && lParam) {
                HWND other = reinterpret_cast<HWND>(lParam);
                if (GetParent(other) == hWnd) {
                    FirstUseInit();
                    AttachWindow(other);
                }
            }
            return Forward(proc, hWnd, msg, wParam, lParam);
        case WM_SETFOCUS:
        case WM_KILLFOCUS: {
            const LRESULT result = Forward(proc, hWnd, msg, wParam, lParam);
            if (kind == WindowKind::PushButton) {
                RenderButtonFaces(hWnd);
                SetSkinProp(hWnd, L"ALPHALEVEL", 0);
                StartFade(hWnd);
            } else if (kind == WindowKind::OptionButton) {
                PaintOptionButton(hWnd, 0, true);
            }
            return result;
        }
        case WM_ENABLE: {
            const LRESULT result = Forward(proc, hWnd, msg, wParam, lParam);
            if (kind == WindowKind::PushButton) {
                SetSkinProp(hWnd, L"OLDSTATE", wParam ? 0 : 3);
                BlendButtonFace(hWnd, nullptr);
            }
            return result;
        }
        case WM_PAINT:
            return OnPaint(proc, hWnd, kind, msg, wParam, lParam);
        case WM_WINDOWPOSCHANGING: {
            const LRESULT result = Forward(proc, hWnd, msg, wParam, lParam);
            if (kind == WindowKind::Combo || kind == WindowKind::DriveList) PaintComboButton(hWnd, nullptr, 0, false);
            return result;
        }
        case WM_NCPAINT: {
            if (kind == WindowKind::ProgressBar) {
                PaintProgressFrame(hWnd);
                return 0;
            }
            const LRESULT result = Forward(proc, hWnd, msg, wParam, lParam);
            if (kind != WindowKind::DataList && (GetWindowLongPtrW(hWnd, GWL_EXSTYLE) & WS_EX_CLIENTEDGE))
                FlattenBorder(hWnd);
            return result;
        }
        case WM_KEYDOWN: {
            const LRESULT result = Forward(proc, hWnd, msg, wParam, lParam);
            if (wParam != VK_SPACE) return result;
            if (kind == WindowKind::PushButton) {
                StopFade(hWnd);
                SetSkinProp(hWnd, L"OLDSTATE", 2);
                SetSkinProp(hWnd, L"ALPHALEVEL", 255);
                BlendButtonFace(hWnd, nullptr);
                SetSkinProp(hWnd, L"ALPHALEVEL", 0);
            } else if (kind == WindowKind::CheckBox) {
                PaintCheckBox(hWnd, 2, false);
            } else if (kind == WindowKind::OptionButton) {
                PaintOptionButton(hWnd, 2, false);
            }
            return result;
        }
        case WM_KEYUP: {
            const LRESULT result = Forward(proc, hWnd, msg, wParam, lParam);
            if (wParam != VK_SPACE || !IsWindow(hWnd)) return result;
            if (kind == WindowKind::PushButton) {
                SetSkinProp(hWnd, L"MOUSEFLAG", 0);
                SetSkinProp(hWnd, L"ALPHALEVEL", 0);
                SetSkinProp(hWnd, L"OLDSTATE", 0);
                StartFade(hWnd);
            } else if (kind == WindowKind::CheckBox) {
                PaintCheckBox(hWnd, 0, false);
            } else if (kind == WindowKind::OptionButton) {
                PaintOptionButton(hWnd, 0, false);
            }
            return result;
        }
        case WM_TIMER:
            if (kind == WindowKind::PushButton) FadeStep(hWnd);
            return Forward(proc, hWnd, msg, wParam, lParam);
        case WM_MOUSEMOVE:
            return OnMouseMove(proc, hWnd, kind, wParam, lParam);
        case WM_LBUTTONDOWN: {
            if (kind == WindowKind::Header) {
                if (SendMessageW(hWnd, HDM_GETITEMCOUNT, 0, 0) > 0)
                    SetSkinProp(hWnd, L"HDINDEX", HeaderHitOf(hWnd, lParam));
                return Forward(proc, hWnd, msg, wParam, lParam);
            }
            const LRESULT result = Forward(proc, hWnd, msg, wParam, lParam);
            if (!IsWindow(hWnd)) return result;
            switch (kind) {
                case WindowKind::PushButton:
                    StopFade(hWnd);
                    SetSkinProp(hWnd, L"OLDSTATE", 2);
                    SetSkinProp(hWnd, L"ALPHALEVEL", 255);
                    BlendButtonFace(hWnd, nullptr);
                    SetSkinProp(hWnd, L"ALPHALEVEL", 0);
                    break;
                case WindowKind::Combo:
                    if (!EditableCombo(hWnd) || OverButton(hWnd, lParam)) PaintComboButton(hWnd, nullptr, 2, false);
                    break;
                case WindowKind::DriveList:
                    PaintComboButton(hWnd, nullptr, 2, false);
                    break;
                case WindowKind::CheckBox:
                    PaintCheckBox(hWnd, 2, false);
                    break;
                case WindowKind::OptionButton:
                    PaintOptionButton(hWnd, 2, false);
                    break;
                default:
                    break;
            }
            return result;
        }
        case WM_LBUTTONUP:
            return OnLeftButtonUp(proc, hWnd, kind, wParam, lParam);
        case WM_MOUSELEAVE: {
            const LRESULT result = Forward(proc, hWnd, msg, wParam, lParam);
            switch (kind) {
                case WindowKind::PushButton:
                    SetSkinProp(hWnd, L"MOUSEFLAG", 0);
                    SetSkinProp(hWnd, L"OLDSTATE", 1);
                    SetSkinProp(hWnd, L"ALPHALEVEL", 140);
                    BlendButtonFace(hWnd, nullptr);
                    SetSkinProp(hWnd, L"OLDSTATE", 0);
                    SetSkinProp(hWnd, L"ALPHALEVEL", 0);
                    StartFade(hWnd);
                    break;
                case WindowKind::Combo:
                case WindowKind::DriveList:
                    SetSkinProp(hWnd, L"MOUSEFLAG", 0);
                    PaintComboButton(hWnd, nullptr, 0, false);
                    break;
                case WindowKind::CheckBox:
                    SetSkinProp(hWnd, L"MOUSEFLAG", 0);
                    PaintCheckBox(hWnd, 0, false);
                    break;
                case WindowKind::OptionButton:
                    SetSkinProp(hWnd, L"MOUSEFLAG", 0);
                    PaintOptionButton(hWnd, 0, false);
                    break;
                case WindowKind::Header: {
                    const int hot = static_cast<int>(GetSkinProp(hWnd, L"HMINDEX"));
                    SetSkinProp(hWnd, L"MOUSEFLAG", 0);
                    SetSkinProp(hWnd, L"HDINDEX", -1);
                    SetSkinProp(hWnd, L"HMINDEX", -1);
                    if (hot >= 0) PaintHeaderItem(hWnd, nullptr, hot, 0);
                    break;
                }
                default:
                    break;
            }
            return result;
        }
        default:
            return Forward(proc, hWnd, msg, wParam, lParam);
    }
}

}  // namespace

bool ImagesReady() {
    return g_imagesReady;
}

bool User32Tracking() {
    return g_user32Tracking;
}

int AttachedCount() {
    return g_attachedCount;
}

std::intptr_t GetSkinProp(HWND hWnd, const wchar_t* name) {
    return reinterpret_cast<std::intptr_t>(GetPropW(hWnd, name));
}

void SetSkinProp(HWND hWnd, const wchar_t* name, std::intptr_t value) {
    SetPropW(hWnd, name, reinterpret_cast<HANDLE>(value));
    NoteFadeProp(hWnd, name, value);
}

void RemoveSkinProp(HWND hWnd, const wchar_t* name) {
    RemovePropW(hWnd, name);
    NoteFadeProp(hWnd, name, 0);
}

WindowKind KindOf(HWND hWnd) {
    wchar_t name[256] = {};
    const int length = GetClassNameW(hWnd, name, 255);
    return skin::KindOfClass(std::u16string_view(reinterpret_cast<const char16_t*>(name), length > 0 ? length : 0));
}

void FirstUseInit() {
    if (g_imagesReady) return;
    g_imagesReady = true;
    HMODULE user32 = GetModuleHandleW(L"User32");
    const bool loaded = !user32;
    if (loaded) user32 = LoadSystemDll(L"user32.dll");
    g_user32Tracking = user32 && GetProcAddress(user32, "TrackMouseEvent");
    if (loaded && user32) FreeLibrary(user32);
    CreateSkinImages();
}

void ReleaseUnusedImages() {
    if (g_attachedCount > 0 || !g_imagesReady) return;
    DeleteSkinImages();
    g_imagesReady = false;
}

std::int32_t AttachWindow(HWND hWnd) {
    if (!hWnd || !IsWindow(hWnd) || GetSkinProp(hWnd, L"PROCADDR")) return 0;
    const WindowKind kind = KindOf(hWnd);
    g_attached[hWnd].kind = kind;
    switch (kind) {
        case WindowKind::Form:
            for (HWND child : Descendants(hWnd)) AttachWindow(child);
            break;
        case WindowKind::PushButton:
            PreparePushButton(hWnd);
            break;
        case WindowKind::Combo:
        case WindowKind::DriveList:
        case WindowKind::CheckBox:
        case WindowKind::OptionButton:
            SetSkinProp(hWnd, L"MOUSEFLAG", 0);
            SetSkinProp(hWnd, L"OLDSTATE", 0);
            break;
        case WindowKind::Header:
            SetSkinProp(hWnd, L"MOUSEFLAG", 0);
            SetSkinProp(hWnd, L"HDINDEX", -1);
            SetSkinProp(hWnd, L"HMINDEX", -1);
            break;
        default:
            break;
    }
    ++g_attachedCount;
    const LONG_PTR previous = SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SkinWndProc));
    SetSkinProp(hWnd, L"PROCADDR", previous);
    g_attached[hWnd].proc = reinterpret_cast<WNDPROC>(previous);
    RequestRepaint(hWnd);
    return 1;
}

std::int32_t DetachWindow(HWND hWnd) {
    if (!hWnd || !GetSkinProp(hWnd, L"PROCADDR")) return 0;
    switch (KindOf(hWnd)) {
        case WindowKind::Form:
            for (HWND child : Descendants(hWnd)) DetachWindow(child);
            break;
        case WindowKind::PushButton:
            UnpreparePushButton(hWnd);
            break;
        case WindowKind::Combo:
        case WindowKind::DriveList:
        case WindowKind::CheckBox:
        case WindowKind::OptionButton:
            RemoveSkinProp(hWnd, L"MOUSEFLAG");
            RemoveSkinProp(hWnd, L"OLDSTATE");
            break;
        case WindowKind::Header:
            RemoveSkinProp(hWnd, L"MOUSEFLAG");
            RemoveSkinProp(hWnd, L"HDINDEX");
            RemoveSkinProp(hWnd, L"HMINDEX");
            break;
        default:
            break;
    }
    const std::intptr_t previous = GetSkinProp(hWnd, L"PROCADDR");
    RemoveSkinProp(hWnd, L"PROCADDR");
    g_attached.erase(hWnd);
    SetWindowLongPtrW(hWnd, GWLP_WNDPROC, previous);
    RequestRepaint(hWnd);
    if (--g_attachedCount <= 0) {
        g_attachedCount = 0;
        DeleteSkinImages();
        g_imagesReady = false;
    }
    return 1;
}

LRESULT CALLBACK SkinWndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    WNDPROC proc = StoredProc(hWnd);
    if (!proc) return DefWindowProcW(hWnd, msg, wParam, lParam);
    try {
        return Dispatch(proc, hWnd, msg, wParam, lParam);
    } catch (...) {
        // Nothing crosses into user32 (out of memory in the engine's lists): the control's own
        // handling answers.
        return CallWindowProcW(proc, hWnd, msg, wParam, lParam);
    }
}

}  // namespace ferrik::MSkinner
