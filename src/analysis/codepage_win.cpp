#include "analysis/codepage_win.h"

#include <windows.h>

#include <array>
#include <climits>
#include <memory>

#include "analysis/charset.h"
#include "analysis/dbcs_table.h"

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

Text SystemConvert(std::string_view bytes, UINT codePage) {
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

// Code page 936 as the system converts it; the few bytes the table is built from take one call
// into a buffer at hand (what the converter cannot convert goes the long way, as above).
Text SystemConvertGbk(std::string_view bytes) {
    wchar_t units[16];
    constexpr std::size_t kFew = 8;  // never more units than bytes in a double-byte code page
    const int length = bytes.size() <= kFew ? MultiByteToWideChar(kCodePageGbk, 0, bytes.data(),
                                                                   static_cast<int>(bytes.size()), units, 16)
                                            : 0;
    if (length <= 0) return SystemConvert(bytes, kCodePageGbk);
    return Text(reinterpret_cast<const char16_t*>(units), static_cast<std::size_t>(length));
}

// Code page 936 by a table read off the system's converter the first time a GBK body is decoded
// (a few milliseconds, once per process), or by the system's converter where it has no such code
// page. The table is shared by every thread; its first use is made once, whichever thread comes.
const DbcsTable* GbkTable() {
    static const std::unique_ptr<const DbcsTable> table = []() -> std::unique_ptr<const DbcsTable> {
        CPINFO info{};
        if (!GetCPInfo(kCodePageGbk, &info) || info.MaxCharSize != 2) return nullptr;
        std::array<bool, 256> lead{};
        for (unsigned b = 0; b < 256; ++b) lead[b] = IsDBCSLeadByteEx(kCodePageGbk, static_cast<BYTE>(b)) != FALSE;
        return std::make_unique<const DbcsTable>(lead, SystemConvertGbk);
    }();
    return table.get();
}

Text Convert(std::string_view bytes, UINT codePage) {
    if (codePage == kCodePageGbk) {
        if (const DbcsTable* table = GbkTable()) return table->Decode(bytes);
    }
    // Well-formed UTF-8 has one decoding; the converter keeps its own way with broken input.
    Text out;
    if (codePage == kCodePageUtf8 && DecodeWellFormedUtf8(bytes, out)) return out;
    return SystemConvert(bytes, codePage);
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

void DecodeBytesAppend(std::string_view body, TextView charset, Text& out) {
    const Charset target = FindCharset(charset).value_or(Charset{CharsetForm::CodePage, kCodePageGbk});
    const DbcsTable* table =
        target.form == CharsetForm::CodePage && target.codePage == kCodePageGbk ? GbkTable() : nullptr;
    if (table) {
        table->DecodeAppend(body, out);
    } else if (out.empty()) {
        out = DecodeBytes(body, charset);
    } else {
        out += DecodeBytes(body, charset);
    }
}

}  // namespace ferrik
