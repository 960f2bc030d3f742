#pragma once
#include <windows.h>

#include "common/text.h"

namespace ferrik {

// Opens a document or address with the shell's "Open" verb (a "|" separates the parameters),
// working directory "C:\", normal window, the desktop as owner. Returns the shell's result code;
// errors are ignored. Empty text opens nothing and returns 0.
INT_PTR ShellOpen(TextView text);

}  // namespace ferrik
