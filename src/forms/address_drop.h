#pragma once
// What a drop on a window's address box gives: a link dragged from a browser, text, or an
// Internet shortcut file. The Win32 half (address_drop_win.h) reads the data object.
#include "common/text.h"

namespace ferrik {

// The address in dropped text: its first line that is not blank, without the blanks (spaces, tabs)
// around it; empty when there is none. A one-line box could hold no more.
Text AddressFromDroppedText(TextView text);

// Whether a file name is that of an Internet shortcut (".url", in any case).
bool IsShortcutFileName(TextView path);

}  // namespace ferrik
