// What the button observes of the windows above it: its form's activation, and the system colour
// and theme changes that only top-level windows receive.
#include "controls/tesselbutton_win.h"

#include <commctrl.h>

namespace ferrik {

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

}  // namespace ferrik
