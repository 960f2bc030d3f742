#include "platform/window_win.h"

#include "platform/handles_win.h"

namespace ferrik {

namespace {

// The objects whose handlers are on this thread's stack, innermost last. Nesting deeper than the
// array is counted but not recorded (no window nests its handlers that deep).
constexpr int kHandlerSlots = 64;
thread_local const void* t_handlers[kHandlerSlots];
thread_local int t_handlerDepth = 0;

}  // namespace

bool HandlerOnStack(const void* object) noexcept {
    const int recorded = t_handlerDepth < kHandlerSlots ? t_handlerDepth : kHandlerSlots;
    for (int i = 0; i < recorded; ++i)
        if (t_handlers[i] == object) return true;
    return false;
}

namespace detail {

HandlerScope::HandlerScope(const void* object) noexcept {
    if (t_handlerDepth < kHandlerSlots) t_handlers[t_handlerDepth] = object;
    ++t_handlerDepth;
}

// Touches nothing of the object: a handler may have destroyed it.
HandlerScope::~HandlerScope() {
    --t_handlerDepth;
}

}  // namespace detail

namespace {

// Messages that come before WM_NCCREATE (WM_GETMINMAXINFO for top-level windows) have no object
// yet; at WM_NCCREATE the window gets its object's own procedure for good.
LRESULT CALLBACK RoutedClassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    if (msg == WM_NCCREATE) {
        const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        const auto* route = static_cast<const CreateRoute*>(cs->lpCreateParams);
        if (route && route->proc) {
            SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(route->proc));
            return CallWindowProcW(route->proc, hwnd, msg, wParam, lParam);
        }
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace

bool RegisterRoutedClass(const wchar_t* className) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = RoutedClassProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    wc.lpszClassName = className;
    return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

void CenterWindowOn(HWND hwnd, const RECT& area) {
    RECT rc;
    if (!GetWindowRect(hwnd, &rc)) return;
    const RECT target = CenteredRect(area, SIZE{rc.right - rc.left, rc.bottom - rc.top});
    SetWindowPos(hwnd, nullptr, target.left, target.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT CenteredRect(const RECT& area, SIZE size) {
    const int width = size.cx;
    const int height = size.cy;
    int x = area.left + ((area.right - area.left) - width) / 2;
    int y = area.top + ((area.bottom - area.top) - height) / 2;
    MONITORINFO mi{};
    mi.cbSize = sizeof(mi);
    RECT target{x, y, x + width, y + height};
    if (GetMonitorInfoW(MonitorFromRect(&target, MONITOR_DEFAULTTONEAREST), &mi)) {
        const RECT& work = mi.rcWork;
        if (x + width > work.right) x = work.right - width;
        if (y + height > work.bottom) y = work.bottom - height;
        if (x < work.left) x = work.left;
        if (y < work.top) y = work.top;
    }
    return RECT{x, y, x + width, y + height};
}

SIZE WindowExtent(HWND hwnd) {
    RECT rc{};
    GetWindowRect(hwnd, &rc);
    return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

RECT RectInParent(HWND control) {
    RECT rc{};
    GetWindowRect(control, &rc);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

void PlaceWindow(HWND hwnd, const RECT& rect) {
    SetWindowPos(hwnd, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

int ScreenDpi() {
    WindowDc screen(nullptr);
    const int dpi = screen.get() ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
    return dpi > 0 ? dpi : 96;
}

namespace {

template <class Function>
Function User32Function(const char* name) {
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name))) : nullptr;
}

}  // namespace

namespace {
std::function<int(HWND)> g_testDpi;
}  // namespace

void SetWindowDpiForTests(std::function<int(HWND)> dpi) {
    g_testDpi = std::move(dpi);
}

int WindowDpi(HWND hwnd) {
    if (const int dpi = g_testDpi && hwnd ? g_testDpi(hwnd) : 0; dpi > 0) return dpi;
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpi = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
    const int dpi = getDpi && hwnd ? static_cast<int>(getDpi(hwnd)) : 0;
    return dpi > 0 ? dpi : ScreenDpi();
}

int SystemMetricForDpi(int index, int dpi) {
    using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);
    static const auto metric = User32Function<GetSystemMetricsForDpiFn>("GetSystemMetricsForDpi");
    if (metric && dpi > 0) return metric(index, static_cast<UINT>(dpi));
    return MulDiv(GetSystemMetrics(index), dpi > 0 ? dpi : 96, ScreenDpi());
}

void AdjustWindowRectForDpi(RECT& rc, DWORD style, DWORD exStyle, int dpi) {
    using AdjustFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    static const auto adjust = User32Function<AdjustFn>("AdjustWindowRectExForDpi");
    if (adjust && dpi > 0 && adjust(&rc, style, FALSE, exStyle, static_cast<UINT>(dpi))) return;
    AdjustWindowRectEx(&rc, style, FALSE, exStyle);
}

std::vector<HWND> Descendants(HWND hwnd) {
    std::vector<HWND> found;
    EnumChildWindows(
        hwnd,
        [](HWND child, LPARAM param) CALLBACK -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(param)->push_back(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

}  // namespace ferrik
