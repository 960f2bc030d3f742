#pragma once
// Which charset a page's bytes are in, as browsers decide it, and their decoding in pieces.
#include <cstddef>
#include <optional>
#include <string_view>

#include "analysis/charset.h"
#include "common/ports.h"
#include "common/text.h"

namespace ferrik {

struct Encoding {
    enum class Kind {
        AsciiCompatible,  // stateless; no multi-byte sequence holds a byte below 0x30 or in ":;<=>?"
        Stateful,         // decoded in one piece
        Utf16Le,
        Utf16Be,
        UserDefined,  // x-user-defined: bytes 0x80-0xFF map to U+F780-U+F7FF
        Replacement,  // decodes to one U+FFFD: encodings browsers refuse for safety
    };
    Text label;  // as the page or server wrote it, trimmed: what the ByteDecoder is given
    Kind kind = Kind::AsciiCompatible;
    Charset charset;  // what the label names
};

// The encoding a label names (ASCII case and surrounding white space ignored); nullopt if none.
std::optional<Encoding> EncodingForLabel(std::string_view label);

// The charset parameter of an HTTP Content-Type header, when it names an encoding.
std::optional<Encoding> CharsetFromContentType(std::string_view contentType);

// The charset of a <meta charset> or <meta http-equiv="Content-Type" content="...charset=...">
// found by the HTML prescan of the first 1024 bytes; nullopt if none.
std::optional<Encoding> PrescanCharset(std::string_view bytes);

struct DocumentCharset {
    Encoding encoding;
    std::size_t bomLength = 0;  // bytes of the byte-order mark to skip
};

// Byte-order mark, then the Content-Type header, then the prescan, else GBK.
DocumentCharset SniffCharset(std::string_view body, std::string_view contentType);

// True for a byte that is never inside a multi-byte sequence of an ASCII-compatible encoding: below
// 0x30 or from ':' to '?' (GB18030's second and fourth bytes are 0x30-0x39, every other trail byte
// is 0x40 or above). A body may be cut into pieces right after one; also markup without blanks
// ("<b><b>...") then comes in pieces.
constexpr bool CanEndAPiece(unsigned char byte) {
    return byte < 0x30 || (byte >= 0x3A && byte <= 0x3F);
}

// Decodes a body piece by piece, cutting only where no character can straddle the cut, so that
// the whole text never needs to be held at once.
class BodyDecoder {
public:
    BodyDecoder(std::string_view bytes, const Encoding& encoding, const ByteDecoder& decoder)
        : m_bytes(bytes), m_encoding(encoding), m_decoder(decoder) {}
    // The next piece into `text`; false when the body is exhausted.
    bool Next(Text& text);

private:
    std::size_t CutPoint() const;

    std::string_view m_bytes;
    const Encoding& m_encoding;
    const ByteDecoder& m_decoder;
    std::size_t m_pos = 0;
};

}  // namespace ferrik
