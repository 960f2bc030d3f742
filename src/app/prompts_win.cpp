#include "app/prompts_win.h"

namespace ferrik {

void ShowMessageBox(HWND owner, TextView text, MessageIcon icon) {
    UINT type = MB_OK;
    switch (icon) {
        case MessageIcon::Critical:
            type |= MB_ICONERROR;
            break;
        case MessageIcon::Exclamation:
            type |= MB_ICONEXCLAMATION;
            break;
        case MessageIcon::Information:
            type |= MB_ICONINFORMATION;
            break;
    }
    const Text body(text);
    MessageBoxW(owner, reinterpret_cast<const wchar_t*>(body.c_str()), L"提示", type);
}

}  // namespace ferrik
