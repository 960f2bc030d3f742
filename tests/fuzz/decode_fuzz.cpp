// A body of any bytes under any Content-Type text decodes through the real converters (iconv on
// the host: GBK, GB18030, ISO-2022-JP, Big5, Shift_JIS, UTF-8 and UTF-16 with or without a
// byte-order mark) the same way in pieces as in one go, and the page engines read it cleanly.
// Input: the Content-Type header, a line feed, the body.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "analysis/html_charset.h"
#include "analysis/html_links.h"
#include "host/support/iconv_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t newline = input.find('\n');
    const std::string_view contentType = newline == std::string_view::npos ? std::string_view() : input.substr(0, newline);
    const std::string_view body = newline == std::string_view::npos ? input : input.substr(newline + 1);
    const ferrik::test::IconvDecoder decoder;

    const ferrik::DocumentCharset charset = ferrik::SniffCharset(body, contentType);
    if (charset.bomLength > 3 || charset.bomLength > body.size()) std::abort();
    const std::string_view content = body.substr(charset.bomLength);
    ferrik::Text pieces;
    ferrik::BodyDecoder decoding(content, charset.encoding, decoder);
    ferrik::Text piece;
    while (decoding.Next(piece)) pieces += piece;
    using Kind = ferrik::Encoding::Kind;
    if (charset.encoding.kind == Kind::AsciiCompatible || charset.encoding.kind == Kind::Stateful) {
        if (pieces != decoder.Decode(content, charset.encoding.label)) std::abort();
    }
    (void)ferrik::ExtractLinks(body, contentType, u"http://example.com/a/b", decoder);
    return 0;
}
