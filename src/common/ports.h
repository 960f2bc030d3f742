#pragma once
// The small interfaces through which the portable core reaches the platform. The Win32 edge
// implements them; tests replace them with fakes.
#include <string_view>

#include "common/text.h"

namespace ferrik {

// Dispatches the window messages that are pending now, once ("DoEvents"). A WM_QUIT seen while
// pumping is posted again so that the program can still end.
class MessagePump {
public:
    virtual ~MessagePump() = default;
    virtual void PumpMessages() = 0;
};

// The main window's status line: sets the text, then pumps messages once so it shows at once.
class StatusLine {
public:
    virtual ~StatusLine() = default;
    virtual void ShowStatus(TextView text) = 0;
};

// Turns a page body into text in a named charset ("GB2312", "UTF-8", or any name a page declares).
// Bytes the converter cannot map are replaced as the converter does; it never fails.
class ByteDecoder {
public:
    virtual ~ByteDecoder() = default;
    virtual Text Decode(std::string_view bytes, TextView charset) const = 0;
    // The same text appended to `out`; a decoder that can write there directly saves the copy.
    virtual void DecodeAppend(std::string_view bytes, TextView charset, Text& out) const {
        out += Decode(bytes, charset);
    }
};

}  // namespace ferrik
