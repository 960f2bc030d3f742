#include "app/message_loop_win.h"

#include "forms/form_controls_win.h"
#include "platform/ole_host_win.h"

namespace ferrik {

namespace {

bool IsFormNavigation(MSG& msg) {
    HWND active = GetActiveWindow();
    if (!active) return false;
    wchar_t cls[16] = {};
    GetClassNameW(active, cls, 16);
    return lstrcmpW(cls, L"Form") == 0 && IsDialogMessageW(active, &msg);
}

}  // namespace

bool PreTranslateMessage(MSG& msg) {
    return OleControlHost::TranslateKey(msg) || TranslateFormButtonKey(msg) || IsFormNavigation(msg);
}

}  // namespace ferrik
