#pragma once
// frmabout: one sentence about the program, modeless, owned by the main window.
#include <windows.h>

#include "forms/form_window_win.h"
#include "skin/skinner_win.h"

namespace ferrik {

class AboutWindow final : public FormWindow<AboutWindow> {
public:
    AboutWindow();
    ~AboutWindow();

    // Creates the window centred on `owner`, with the owner's icon and the skin attached.
    bool Create(HWND owner);
    void Show();

private:
    friend class Window<AboutWindow>;

    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

    CSkinner m_skinner;
};

}  // namespace ferrik
