#pragma once
// The system's own words for an error number (FormatMessage), for a message a user reads.
#include <windows.h>

#include "common/text.h"

namespace ferrik {

// The message of `number` in the system's language, without the line break it ends with;
// "error N" when the system has none.
Text SystemMessageText(DWORD number);

}  // namespace ferrik
