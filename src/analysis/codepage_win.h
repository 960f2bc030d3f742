#pragma once
// Byte decoding with the system's code page converters.
#include <string_view>

#include "common/ports.h"

namespace ferrik {

// The whole body decoded in the named charset (MultiByteToWideChar: 936 for "GB2312"/"GBK",
// CP_UTF8 for "UTF-8", other labels by their code page); unknown names decode as GBK.
Text DecodeBytes(std::string_view body, TextView charset);

class Win32Decoder final : public ByteDecoder {
public:
    Text Decode(std::string_view bytes, TextView charset) const override { return DecodeBytes(bytes, charset); }
};

}  // namespace ferrik
