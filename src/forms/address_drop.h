#pragma once
// What a drop on a window's address box gives: a link dragged from a browser, text, or an
// Internet shortcut file; on a window that takes lists, also a list of links or a text file. The Win32 half
// (address_drop_win.h) reads the data object.
#include <cstddef>

#include "common/text.h"

namespace ferrik {

// The address in dropped text: its first line that is not blank, without the blanks (spaces, tabs)
// around it; empty when there is none. A one-line box could hold no more.
Text AddressFromDroppedText(TextView text);

// Whether a file name is that of an Internet shortcut (".url", in any case).
bool IsShortcutFileName(TextView path);

// A file a window that takes lists (the main window's task list) may take instead of an address: a
// text file (".txt", in any case).
bool IsTextFileName(TextView path);

// The longest address a shortcut gives, in characters (a longer one is cut, and then fails to load).
inline constexpr std::size_t kShortcutAddressMax = 32767;

// The web address (common/web_address.h) an Internet shortcut's text holds: the value of URL in
// section [InternetShortcut], read as the system's INI reader reads it (rules/ini_file.h) with a
// buffer as long as an address; empty when there is none.
Text AddressOfShortcut(TextView shortcutText);

// Whether a path names a file on a drive of this computer by its letter ("C:\..."): a UNC path
// ("\\server\share"), a device or long-path form ("\\?\", "\\.\") and anything relative are
// not, since opening them may reach over the network (and wait for its time-out) or a device.
// A drive letter mapped to a share is the Win32 half's to refuse.
bool IsDriveLetterPath(TextView path);

}  // namespace ferrik
