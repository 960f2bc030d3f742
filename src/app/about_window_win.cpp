#include "app/about_window_win.h"

#include "app/main_form.h"

namespace ferrik {

AboutWindow::AboutWindow()
    : FormWindow(
          FormShape{kAboutClientWidth, kAboutClientHeight, kDialogFormStyle, kDialogFormExStyle, kAboutControls}) {}

AboutWindow::~AboutWindow() {
    if (Hwnd()) DestroyWindow(Hwnd());
}

bool AboutWindow::Create(HWND owner) {
    if (!CreateForm(owner, Text(kAboutCaption))) return false;
    // Load: the owner's icon, then the skin.
    TakeOwnerIcons(owner);
    m_skinner.AttachSkin(Hwnd());
    return true;
}

void AboutWindow::Show() {
    ShowInFront();
}

LRESULT AboutWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (const auto handled = FormMessage(msg, wParam, lParam)) return *handled;
    switch (msg) {
        case WM_COMMAND:
            if (LOWORD(wParam) == kAboutCommand1 && HIWORD(wParam) == BN_CLICKED) DestroyWindow(Hwnd());
            return 0;
        case WM_DESTROY:
            m_skinner.DetachSkin(Hwnd());
            return 0;
        default:
            return DefaultProc(msg, wParam, lParam);
    }
}

}  // namespace ferrik
