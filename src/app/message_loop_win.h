#pragma once
// The program's handling of a message before it is dispatched, shared by the main loop and, through
// SetMessageFilter, by every nested pump.
#include <windows.h>

namespace ferrik {

// A key for a window inside a hosted control (the system's browser) goes to the control's
// accelerator handling first; then a form's tesselbuttons take their keys; then Tab and the arrow
// keys move between the controls of the active form as in a dialog box. True when the message was
// used up.
bool PreTranslateMessage(MSG& msg);

}  // namespace ferrik
