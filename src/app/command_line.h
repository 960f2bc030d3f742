#pragma once
// The program's command line: `ferrik.exe <address>` starts with that address in the address box,
// `ferrik.exe <shortcut.url>` with the address the shortcut holds.
#include <functional>
#include <vector>

#include "common/text.h"

namespace ferrik {

// The arguments of a whole command line (GetCommandLineW), the program's name first, split as the
// C runtime splits them for every Windows program: blanks and tabs separate arguments outside
// quotes; a quote starts or ends a quoted part and is dropped; 2n backslashes before a quote give
// n backslashes, 2n + 1 give n and a literal quote; other backslashes are themselves. A quoted
// program name ends at its closing quote, another at the first blank; backslashes are plain in it.
std::vector<Text> SplitCommandLine(TextView commandLine);

// Reads the web address of the Internet shortcut file at a path (empty text when it has none or may
// not be read): forms/address_drop_win.h's ShortcutFileAddress, as a drop reads one.
using ShortcutReader = std::function<Text(TextView path)>;

// The address to start with: the first argument after the program's name, as the split gives it
// (others are ignored), when it is a web address (common/web_address.h: a shortcut or another
// program may hand over anything); else, when it names a shortcut file (".url": a shortcut
// dropped on the program's icon), the address `readShortcut` finds in it; empty when there is none.
Text StartAddress(TextView commandLine, const ShortcutReader& readShortcut = {});

}  // namespace ferrik
