#pragma once
// What the web window gets from the main window that makes it: the one hand-over between the
// two windows, so that neither knows the other.
#include <functional>

#include "common/ports.h"
#include "common/text.h"

namespace ferrik {

struct WebWindowPorts {
    // Where Rule.dat is.
    Text dataDirectory;
    const ByteDecoder* decoder = nullptr;
    // Sets the main window's address box as if typed (SelectScheme runs there).
    std::function<void(TextView)> handOver;
    // True once the main window is closing: a choice of browser still running is given up.
    std::function<bool()> ownerClosing;
};

}  // namespace ferrik
