#pragma once
// A small CRTP window base: the object owns its window, the static procedure finds `this` from
// the creation parameters at WM_NCCREATE, and no exception ever leaves into user32.
#include <windows.h>

#include <functional>
#include <utility>
#include <vector>

namespace ferrik {

// What a routed class's procedure needs to hand a new window over to its object.
struct CreateRoute {
    WNDPROC proc;
    void* self;
};

// Registers a window class whose procedure only hands each new window over to the object that
// creates it (Window::CreateRouted). Several C++ window types can so share one class name: every
// form is of class "Form", which is how the skin engine tells forms from other windows.
// Registering the same name again is harmless.
bool RegisterRoutedClass(const wchar_t* className);

// Moves `hwnd` so that its window rectangle is centred on `area` (screen coordinates), kept
// inside the work area of the monitor it ends up on.
void CenterWindowOn(HWND hwnd, const RECT& area);
// The rectangle of a window of `size` that CenterWindowOn gives.
RECT CenteredRect(const RECT& area, SIZE size);

// The window rectangle's width and height.
SIZE WindowExtent(HWND hwnd);
// A control's rectangle in its parent's client coordinates.
RECT RectInParent(HWND control);
// Moves and sizes `hwnd` to `rect` (its parent's coordinates; the screen's for a top-level window),
// keeping its place in the Z order and the activation.
void PlaceWindow(HWND hwnd, const RECT& rect);

// The display's logical pixels per inch (vertical; the forms use square pixels).
int ScreenDpi();

// Per-monitor DPI. The functions of Windows 10 (1607 and later) are looked up at run time: on
// older systems every window has the system DPI and these fall back to it.
// The DPI of the monitor `hwnd` is on (its own DPI, as WM_DPICHANGED last gave it).
int WindowDpi(HWND hwnd);
// For tests, where every monitor has the system's DPI (Wine): what WindowDpi answers instead,
// where `dpi` gives more than 0; null: the system's answer again.
void SetWindowDpiForTests(std::function<int(HWND)> dpi);
// A system metric (SM_CXVSCROLL, SM_CXICON, ...) at `dpi`.
int SystemMetricForDpi(int index, int dpi);
// AdjustWindowRectEx at `dpi`: the frame of a window on a monitor of that DPI.
void AdjustWindowRectForDpi(RECT& rc, DWORD style, DWORD exStyle, int dpi);

// Every window below `hwnd` at any depth, parents before their children.
std::vector<HWND> Descendants(HWND hwnd);

// Whether a message handler of the window object `object` (a Window's Derived*) is on this
// thread's stack. A handler that pumps messages (a status line does) lets anything happen meanwhile,
// the closing and replacing of its own window included; the object must then stay until the handler
// has returned.
bool HandlerOnStack(const void* object) noexcept;

namespace detail {
// Brackets one message handler of `object` (Window's procedure does it); innermost last.
class HandlerScope {
public:
    explicit HandlerScope(const void* object) noexcept;
    ~HandlerScope();
    HandlerScope(const HandlerScope&) = delete;
    HandlerScope& operator=(const HandlerScope&) = delete;
};
}  // namespace detail

// A top-level window that another window makes on first use and owns (the web window, as the
// main window sees it).
class OwnedWindow {
public:
    virtual ~OwnedWindow() = default;
    virtual HWND Hwnd() const noexcept = 0;
    virtual void Show() = 0;
    // Whether a handler of the window or of a window it is made of is on the stack (HandlerOnStack):
    // an owner that replaces it destroys the object only once this is false.
    virtual bool HandlerRunning() const noexcept = 0;
};

template <class Derived>
class Window {
public:
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND Hwnd() const noexcept { return m_hwnd; }

protected:
    Window() = default;
    // An object that goes before its window unlinks itself first, so that the messages of the
    // destruction reach no dead object.
    ~Window() {
        if (m_hwnd) {
            SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, 0);
            DestroyWindow(std::exchange(m_hwnd, nullptr));
        }
    }

    HWND CreateRouted(const wchar_t* className, const wchar_t* caption, DWORD style, DWORD exStyle, int x, int y,
                      int width, int height, HWND parent) {
        CreateRoute route{&Window::Proc, static_cast<Derived*>(this)};
        return CreateWindowExW(exStyle, className, caption, style, x, y, width, height, parent, nullptr,
                               GetModuleHandleW(nullptr), &route);
    }

    LRESULT DefaultProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
        return DefWindowProcW(m_hwnd, msg, wParam, lParam);
    }

    // Called once the window is gone (WM_NCDESTROY), after the object was unlinked from it.
    void OnFinalDestroy() {}

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
        Derived* self = nullptr;
        if (msg == WM_NCCREATE) {
            const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            self = static_cast<Derived*>(static_cast<CreateRoute*>(cs->lpCreateParams)->self);
            self->m_hwnd = hwnd;
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        } else {
            self = reinterpret_cast<Derived*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        }
        if (!self) return DefWindowProcW(hwnd, msg, wParam, lParam);
        if (msg == WM_NCDESTROY) {
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            self->m_hwnd = nullptr;
            try {
                self->OnFinalDestroy();
            } catch (...) {
            }
            return DefWindowProcW(hwnd, msg, wParam, lParam);
        }
        try {
            const detail::HandlerScope scope(self);
            return self->HandleMessage(msg, wParam, lParam);
        } catch (...) {
            return DefWindowProcW(hwnd, msg, wParam, lParam);
        }
    }

    HWND m_hwnd = nullptr;
};

}  // namespace ferrik
