#pragma once
// The program's command line: `ferrik.exe <address>` starts with that address in the address box.
#include <vector>

#include "common/text.h"

namespace ferrik {

// The arguments of a whole command line (GetCommandLineW), the program's name first, split as the
// C runtime splits them for every Windows program: blanks and tabs separate arguments outside
// quotes; a quote starts or ends a quoted part and is dropped; 2n backslashes before a quote give
// n backslashes, 2n + 1 give n and a literal quote; other backslashes are themselves. A quoted
// program name ends at its closing quote, another at the first blank; backslashes are plain in it.
std::vector<Text> SplitCommandLine(TextView commandLine);

// The address to start with: the first argument after the program's name, as the split gives it
// (others are ignored), when it is a web address (common/web_address.h: a shortcut or another
// program may hand over anything); empty when there is none.
Text StartAddress(TextView commandLine);

}  // namespace ferrik
