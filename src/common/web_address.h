#pragma once
// The one rule for addresses that come from outside the program (a page, a drop, the site list, the
// command line, the address boxes): they are navigated to or fetched only when they are http:// or
// https:// with a host. A browser control that the host asks to navigate skips its own zone checks,
// so anything else is a way out of the web: file: and UNC paths make Windows connect to a share and
// send the user's credentials, ftp:, javascript:, res:, ms-settings: and other protocols start a
// handler or run code.
#include "common/text.h"

namespace ferrik {

// The address to navigate to or fetch: `text` without the blanks and control characters around it
// (a browser drops them too), when what remains is "http://" or "https://" (the scheme in any case,
// two forward slashes) with a host; empty when it is not. Refused as well: control characters
// inside (parsers drop tabs and line feeds, so "java\tscript:" reads as javascript:), a host with
// characters no host has, a port that is not a number. An address without a scheme is refused: the
// web window makes "www.example.com" an http address before it asks.
Text WebAddress(TextView text);
inline bool IsWebAddress(TextView text) {
    return !WebAddress(text).empty();
}

}  // namespace ferrik
