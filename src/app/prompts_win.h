#pragma once
#include <windows.h>

#include "app/prompts.h"

namespace ferrik {

// A message box titled "提示" with an OK button; returns when the user has closed it.
void ShowMessageBox(HWND owner, TextView text, MessageIcon icon);

// The main window's prompts: message boxes owned by it, documents opened with ShellOpen.
class Win32Prompts final : public Prompts {
public:
    explicit Win32Prompts(HWND owner) : m_owner(owner) {}
    void ShowMessage(TextView text, MessageIcon icon) override { ShowMessageBox(m_owner, text, icon); }
    void ShellOpen(TextView text) override;

private:
    HWND m_owner;
};

}  // namespace ferrik
