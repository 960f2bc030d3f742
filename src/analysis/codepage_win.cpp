#include "analysis/codepage_win.h"

#include <windows.h>

#include <climits>

#include "analysis/charset.h"

namespace ferrik {

namespace {

// Flags 0: undecodable bytes become what the converter substitutes, never an error. Returns false
// only when the system has no such code page.
bool AppendConverted(Text& out, std::string_view bytes, UINT codePage) {
    const int size = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
    if (length <= 0) return false;
    const std::size_t start = out.size();
    out.resize(start + static_cast<std::size_t>(length));
    MultiByteToWideChar(codePage, 0, bytes.data(), size, reinterpret_cast<wchar_t*>(out.data() + start), length);
    return true;
}

Text Convert(std::string_view bytes, UINT codePage) {
    Text out;
    // Bodies stay far below the converter's int limit (the fetch limit is 64 MiB); larger input
    // is converted piecewise rather than failing.
    constexpr std::size_t kPiece = INT_MAX / 2;
    for (std::size_t at = 0; at < bytes.size(); at += kPiece) {
        const std::string_view piece = bytes.substr(at, kPiece);
        if (!AppendConverted(out, piece, codePage) && !AppendConverted(out, piece, kCodePageGbk)) {
            out.append(piece.size(), u'\uFFFD');
        }
    }
    return out;
}

bool StartsWith(std::string_view bytes, std::string_view prefix) {
    return bytes.substr(0, prefix.size()) == prefix;
}

}  // namespace

Text DecodeBytes(std::string_view body, TextView charset) {
    if (body.empty()) return {};
    const Charset target = FindCharset(charset).value_or(Charset{CharsetForm::CodePage, kCodePageGbk});
    // A byte order mark that agrees with the charset is not part of the text.
    switch (target.form) {
        case CharsetForm::Utf16Le:
            if (StartsWith(body, "\xFF\xFE")) body.remove_prefix(2);
            return DecodeUtf16(body, false);
        case CharsetForm::Utf16Be:
            if (StartsWith(body, "\xFE\xFF")) body.remove_prefix(2);
            return DecodeUtf16(body, true);
        case CharsetForm::CodePage:
            break;
    }
    if (target.codePage == kCodePageUtf8 && StartsWith(body, "\xEF\xBB\xBF")) body.remove_prefix(3);
    return Convert(body, target.codePage);
}

}  // namespace ferrik
