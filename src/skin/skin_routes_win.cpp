#include "skin/skin_routes_win.h"

#include <windowsx.h>

#include <array>
#include <optional>

#include "platform/handles_win.h"
#include "platform/window_win.h"
#include "skin/skin_attach_win.h"
#include "skin/skin_painters_win.h"

namespace ferrik::MSkinner {

namespace {

using Before = std::optional<LRESULT> (*)(SkinnedWindow&, const Message&);
using After = void (*)(SkinnedWindow&, const Message&);

// `before` runs first and answers the message itself when it returns a result (the window's own
// procedure then never sees it); otherwise the window's procedure runs, then `after`, unless the
// window was unskinned meanwhile.
struct Route {
    UINT message;
    Before before;
    After after;
};

int X(const Message& m) {
    return GET_X_LPARAM(m.lParam);
}
int Y(const Message& m) {
    return GET_Y_LPARAM(m.lParam);
}
bool LeftDown(const Message& m) {
    return (m.wParam & MK_LBUTTON) != 0;
}

// A click may have changed other check boxes or option buttons of the group: all of them are
// drawn again.
void RepaintGroup(HWND hwnd) {
    HWND parent = GetParent(hwnd);
    if (!parent) parent = hwnd;
    for (HWND child : Descendants(parent))
        if (const auto skinned = SkinnedWindowOf(child)) skinned->OnGroupClicked();
}

constexpr Route kRoutes[] = {
    {WM_DESTROY,
     [](SkinnedWindow& w, const Message&) -> std::optional<LRESULT> {
         // The window's own procedure still gets the message, through the procedure kept here.
         DetachWindow(w.Hwnd());
         return std::nullopt;
     },
     nullptr},
    {WM_SIZE, nullptr, [](SkinnedWindow& w, const Message&) { w.OnSize(); }},
    {WM_ACTIVATE,
     [](SkinnedWindow& w, const Message& m) -> std::optional<LRESULT> {
         if (m.lParam) w.OnActivate(reinterpret_cast<HWND>(m.lParam));
         return std::nullopt;
     },
     nullptr},
    {WM_SETFOCUS, nullptr, [](SkinnedWindow& w, const Message&) { w.OnFocusChange(); }},
    {WM_KILLFOCUS, nullptr, [](SkinnedWindow& w, const Message&) { w.OnFocusChange(); }},
    {WM_ENABLE, nullptr, [](SkinnedWindow& w, const Message& m) { w.OnEnable(m.wParam != 0); }},
    {WM_PAINT,
     [](SkinnedWindow& w, const Message&) -> std::optional<LRESULT> {
         if (!w.PaintsWhole()) return std::nullopt;
         PaintDc paint(w.Hwnd());
         w.OnPaint(paint.get());
         return 0;
     },
     [](SkinnedWindow& w, const Message&) { w.OnPaintOver(); }},
    // Owner-drawn push buttons are the engine's to draw: their owner never hears of them.
    {WM_DRAWITEM, [](SkinnedWindow&, const Message&) -> std::optional<LRESULT> { return 0; }, nullptr},
    {WM_WINDOWPOSCHANGING, nullptr, [](SkinnedWindow& w, const Message&) { w.OnPositionChanging(); }},
    {WM_NCPAINT,
     [](SkinnedWindow& w, const Message&) -> std::optional<LRESULT> {
         if (!w.PaintsFrame()) return std::nullopt;
         w.OnNcPaint();
         return 0;
     },
     [](SkinnedWindow& w, const Message&) { w.OnFramePainted(); }},
    {WM_KEYDOWN, nullptr, [](SkinnedWindow& w, const Message& m) { w.OnKey(static_cast<UINT>(m.wParam), true); }},
    {WM_KEYUP, nullptr, [](SkinnedWindow& w, const Message& m) { w.OnKey(static_cast<UINT>(m.wParam), false); }},
    {WM_TIMER,
     [](SkinnedWindow& w, const Message&) -> std::optional<LRESULT> {
         w.OnTimer();  // whatever the timer's id
         return std::nullopt;
     },
     nullptr},
    // The dialog box or menu owner that is idle, and a combo box's list being coloured, are
    // skinned as they appear.
    {WM_ENTERIDLE, nullptr,
     [](SkinnedWindow&, const Message& m) {
         if (m.lParam) AttachWindow(reinterpret_cast<HWND>(m.lParam));
     }},
    {WM_CTLCOLOREDIT, nullptr,
     [](SkinnedWindow&, const Message& m) { SetBkColor(reinterpret_cast<HDC>(m.wParam), kWhite); }},
    {WM_CTLCOLORLISTBOX, nullptr,
     [](SkinnedWindow&, const Message& m) {
         if (m.lParam) AttachWindow(reinterpret_cast<HWND>(m.lParam));
     }},
    {WM_MOUSEMOVE, nullptr, [](SkinnedWindow& w, const Message& m) { w.OnMouseMove(X(m), Y(m), LeftDown(m)); }},
    {WM_LBUTTONDOWN,
     [](SkinnedWindow& w, const Message& m) -> std::optional<LRESULT> {
         w.OnPress(X(m));
         return std::nullopt;
     },
     [](SkinnedWindow& w, const Message& m) { w.OnLeftButtonDown(X(m), Y(m)); }},
    {WM_LBUTTONUP,
     [](SkinnedWindow& w, const Message&) -> std::optional<LRESULT> {
         w.OnRelease();
         return std::nullopt;
     },
     [](SkinnedWindow& w, const Message&) {
         w.OnLeftButtonUp();
         RepaintGroup(w.Hwnd());
     }},
    {WM_MOUSELEAVE, nullptr, [](SkinnedWindow& w, const Message&) { w.OnLeave(); }},
};

// Every message reaches the table: its row is found by the message's number, not by a search.
constexpr UINT kLastRouted = WM_MOUSELEAVE;
constexpr std::array<signed char, kLastRouted + 1> IndexRoutes() {
    std::array<signed char, kLastRouted + 1> index{};
    index.fill(-1);
    for (std::size_t i = 0; i < std::size(kRoutes); ++i) index[kRoutes[i].message] = static_cast<signed char>(i);
    return index;
}
constexpr auto kRouteIndex = IndexRoutes();

}  // namespace

LRESULT RouteMessage(SkinnedWindow& window, const Message& m) {
    if (m.id > kLastRouted || kRouteIndex[m.id] < 0) return window.Forward(m);
    const Route& route = kRoutes[static_cast<std::size_t>(kRouteIndex[m.id])];
    if (route.before)
        if (const std::optional<LRESULT> answered = route.before(window, m)) return *answered;
    const LRESULT result = window.Forward(m);
    // The window's own handling may have unskinned it (a button that closes its form).
    if (route.after && window.Attached()) route.after(window, m);
    return result;
}

}  // namespace ferrik::MSkinner
