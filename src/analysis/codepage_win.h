#pragma once
// Byte decoding with the system's code page converters.
#include <string_view>

#include "common/ports.h"

namespace ferrik {

// The whole body decoded in the named charset exactly as MultiByteToWideChar decodes it (936 for
// "GB2312"/"GBK", CP_UTF8 for "UTF-8", other labels by their code page); unknown names decode as
// GBK. Code page 936 goes through a table read off the system's converter (dbcs_table.h), and
// well-formed UTF-8 is decoded here; everything else is the system's converter's.
Text DecodeBytes(std::string_view body, TextView charset);

// DecodeBytes appended to `out`; a GBK body is decoded straight into it.
void DecodeBytesAppend(std::string_view body, TextView charset, Text& out);

class Win32Decoder final : public ByteDecoder {
public:
    Text Decode(std::string_view bytes, TextView charset) const override { return DecodeBytes(bytes, charset); }
    void DecodeAppend(std::string_view bytes, TextView charset, Text& out) const override {
        DecodeBytesAppend(bytes, charset, out);
    }
};

}  // namespace ferrik
