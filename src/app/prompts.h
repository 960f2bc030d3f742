#pragma once
// What the program shows the user outside its windows: message boxes and documents opened with the
// shell. A port, so that tests can count them instead of blocking on a box or starting a browser.
#include "common/text.h"

namespace ferrik {

enum class MessageIcon { Critical, Exclamation, Information };

class Prompts {
public:
    virtual ~Prompts() = default;
    // A modal message box titled "提示" with one OK button, owned by the main window.
    virtual void ShowMessage(TextView text, MessageIcon icon) = 0;
    // Opens a document or address with the system shell; errors are ignored.
    virtual void ShellOpen(TextView text) = 0;
};

}  // namespace ferrik
