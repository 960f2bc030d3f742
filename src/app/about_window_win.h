#pragma once
// frmabout: one sentence about the program, modeless, owned by the main window.
#include <windows.h>

#include "platform/handles_win.h"
#include "platform/window_win.h"
#include "skin/skinner_win.h"

namespace ferrik {

class AboutWindow final : public Window<AboutWindow> {
public:
    AboutWindow() = default;
    ~AboutWindow();

    // Creates the window centred on `owner`, with the owner's icon and the skin attached.
    bool Create(HWND owner);
    void Show();

private:
    friend class Window<AboutWindow>;

    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    bool OnCreate();
    void OnDpiChanged(int dpi, const RECT& suggested);

    CSkinner m_skinner;
    UniqueGdi<HFONT> m_font;
    int m_dpi = 96;
};

}  // namespace ferrik
