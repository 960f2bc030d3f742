#pragma once
// The host's stand-in for the Win32 byte decoder: glibc iconv, with GB2312/GBK read as code page
// 936 does and invalid bytes replaced by U+FFFD one byte at a time.
#include <string>
#include <string_view>

#include "common/ports.h"

namespace ferrik::test {

class IconvDecoder final : public ByteDecoder {
public:
    Text Decode(std::string_view bytes, TextView charset) const override;
};

// Text encoded as GBK (for building test pages); characters GBK lacks become '?'.
std::string EncodeGbk(TextView text);

}  // namespace ferrik::test
