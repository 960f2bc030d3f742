#include "analysis/charset.h"

#include <cstring>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ferrik {

namespace {

struct EncodingLabels {
    Charset charset;
    std::string_view labels;  // separated by single spaces
};

constexpr Charset Cp(std::uint32_t codePage) {
    return {CharsetForm::CodePage, codePage};
}

// One row per encoding: the browsers' labels for it, then the Windows aliases that pages use.
constexpr EncodingLabels kEncodings[] = {
    {Cp(kCodePageUtf8), "unicode-1-1-utf-8 unicode11utf8 unicode20utf8 utf-8 utf8 x-unicode20utf8"},
    {Cp(kCodePageGbk),
     "chinese csgb2312 csiso58gb231280 gb2312 gb_2312 gb_2312-80 gbk iso-ir-58 x-gbk cp936 ms936 windows-936 euc-cn"},
    {Cp(54936), "gb18030"},
    {Cp(950), "big5 big5-hkscs cn-big5 csbig5 x-x-big5 cp950"},
    {Cp(932), "csshiftjis ms932 ms_kanji shift-jis shift_jis sjis windows-31j x-sjis cp932"},
    {Cp(20932), "cseucpkdfmtjapanese euc-jp x-euc-jp"},
    {Cp(50220), "csiso2022jp iso-2022-jp"},
    {Cp(949),
     "cseuckr csksc56011987 euc-kr iso-ir-149 korean ks_c_5601-1987 ks_c_5601-1989 ksc5601 ksc_5601 windows-949 "
     "cp949"},
    {Cp(1252),
     "ansi_x3.4-1968 ascii cp1252 cp819 csisolatin1 ibm819 iso-8859-1 iso-ir-100 iso8859-1 iso88591 iso_8859-1 "
     "iso_8859-1:1987 l1 latin1 us-ascii windows-1252 x-cp1252"},
    {Cp(1250), "cp1250 windows-1250 x-cp1250"},
    {Cp(1251), "cp1251 windows-1251 x-cp1251"},
    {Cp(1253), "cp1253 windows-1253 x-cp1253"},
    {Cp(1254),
     "cp1254 csisolatin5 iso-8859-9 iso-ir-148 iso8859-9 iso88599 iso_8859-9 iso_8859-9:1989 l5 latin5 windows-1254 "
     "x-cp1254"},
    {Cp(1255), "cp1255 windows-1255 x-cp1255"},
    {Cp(1256), "cp1256 windows-1256 x-cp1256"},
    {Cp(1257), "cp1257 windows-1257 x-cp1257"},
    {Cp(1258), "cp1258 windows-1258 x-cp1258"},
    {Cp(874), "dos-874 iso-8859-11 iso8859-11 iso885911 tis-620 windows-874"},
    {Cp(866), "866 cp866 csibm866 ibm866"},
    {Cp(28592), "csisolatin2 iso-8859-2 iso-ir-101 iso8859-2 iso88592 iso_8859-2 iso_8859-2:1987 l2 latin2"},
    {Cp(28593), "csisolatin3 iso-8859-3 iso-ir-109 iso8859-3 iso88593 iso_8859-3 iso_8859-3:1988 l3 latin3"},
    {Cp(28594), "csisolatin4 iso-8859-4 iso-ir-110 iso8859-4 iso88594 iso_8859-4 iso_8859-4:1988 l4 latin4"},
    {Cp(28595), "csisolatincyrillic cyrillic iso-8859-5 iso-ir-144 iso8859-5 iso88595 iso_8859-5 iso_8859-5:1988"},
    {Cp(28596),
     "arabic asmo-708 csiso88596e csiso88596i csisolatinarabic ecma-114 iso-8859-6 iso-8859-6-e iso-8859-6-i "
     "iso-ir-127 iso8859-6 iso88596 iso_8859-6 iso_8859-6:1987"},
    {Cp(28597),
     "csisolatingreek ecma-118 elot_928 greek greek8 iso-8859-7 iso-ir-126 iso8859-7 iso88597 iso_8859-7 "
     "iso_8859-7:1987 sun_eu_greek"},
    {Cp(28598),
     "csiso88598e csisolatinhebrew hebrew iso-8859-8 iso-8859-8-e iso-ir-138 iso8859-8 iso88598 iso_8859-8 "
     "iso_8859-8:1988 visual"},
    {Cp(38598), "csiso88598i iso-8859-8-i logical"},
    {Cp(28603), "iso-8859-13 iso8859-13 iso885913"},
    {Cp(28605), "csisolatin9 iso-8859-15 iso8859-15 iso885915 iso_8859-15 l9"},
    {Cp(20866), "cskoi8r koi koi8 koi8-r koi8_r"},
    {Cp(21866), "koi8-ru koi8-u"},
    {Cp(10000), "csmacintosh mac macintosh x-mac-roman"},
    {Cp(10007), "x-mac-cyrillic x-mac-ukrainian"},
    {{CharsetForm::Utf16Le, 0}, "csunicode iso-10646-ucs-2 ucs-2 unicode unicodefeff utf-16 utf-16le"},
    {{CharsetForm::Utf16Be, 0}, "unicodefffe utf-16be"},
};

bool IsLabelSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\f' || c == u'\r';
}

bool ListContains(std::string_view labels, std::string_view label) {
    while (!labels.empty()) {
        const std::size_t space = labels.find(' ');
        if (labels.substr(0, space) == label) return true;
        if (space == std::string_view::npos) break;
        labels.remove_prefix(space + 1);
    }
    return false;
}

}  // namespace

std::optional<Charset> FindCharset(TextView label) {
    while (!label.empty() && IsLabelSpace(label.front())) label.remove_prefix(1);
    while (!label.empty() && IsLabelSpace(label.back())) label.remove_suffix(1);
    std::string ascii;
    for (char16_t c : label) {
        if (c >= 0x80 || c == u' ') return std::nullopt;  // every label is ASCII without spaces
        ascii += static_cast<char>(c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c);
    }
    if (ascii.empty()) return std::nullopt;
    for (const EncodingLabels& row : kEncodings) {
        if (ListContains(row.labels, ascii)) return row.charset;
    }
    return std::nullopt;
}

Text DecodeUtf16(std::string_view bytes, bool bigEndian) {
    Text out;
    out.reserve(bytes.size() / 2 + 1);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t pairs = bytes.size() / 2;
    for (std::size_t i = 0; i < pairs; ++i) {
        const unsigned first = p[2 * i];
        const unsigned second = p[2 * i + 1];
        out += static_cast<char16_t>(bigEndian ? (first << 8 | second) : (second << 8 | first));
    }
    if (bytes.size() % 2 != 0) out += u'\uFFFD';
    return out;
}

bool DecodeWellFormedUtf8(std::string_view bytes, Text& out) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    out.resize(n);  // never more units than bytes
    char16_t* o = out.data();
    std::size_t i = 0;
    while (i < n) {
        // Markup is mostly ASCII: sixteen (else eight) bytes at a time while no high bit is set.
#if defined(__SSE2__)
        while (i + 16 <= n) {
            const __m128i bytes16 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
            if (_mm_movemask_epi8(bytes16) != 0) break;
            const __m128i zero = _mm_setzero_si128();
            _mm_storeu_si128(reinterpret_cast<__m128i*>(o), _mm_unpacklo_epi8(bytes16, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 8), _mm_unpackhi_epi8(bytes16, zero));
            o += 16;
            i += 16;
        }
#endif
        while (i + 8 <= n) {
            std::uint64_t word;
            std::memcpy(&word, p + i, 8);
            if (word & 0x8080808080808080ull) break;
            for (int k = 0; k < 8; ++k) o[k] = p[i + k];
            o += 8;
            i += 8;
        }
        if (i == n) break;
        const unsigned b0 = p[i];
        if (b0 < 0x80) {
            *o++ = static_cast<char16_t>(b0);
            ++i;
            continue;
        }
        // Chinese text: runs of three-byte sequences whose second byte has the full range, decoded
        // without going back to the ASCII checks between them.
        const std::size_t runStart = i;
        while (n - i >= 3) {
            const unsigned c0 = p[i], c1 = p[i + 1] ^ 0x80u, c2 = p[i + 2] ^ 0x80u;
            if (c0 - 0xE1u > 0xEFu - 0xE1u || c0 == 0xED || (c1 | c2) > 0x3Fu) break;
            *o++ = static_cast<char16_t>((c0 & 0x0F) << 12 | c1 << 6 | c2);
            i += 3;
        }
        if (i != runStart) continue;
        // The second byte's range depends on the first (Unicode's table of well-formed sequences).
        unsigned length, lo = 0x80, hi = 0xBF;
        char32_t cp;
        if (b0 >= 0xC2 && b0 <= 0xDF) {
            length = 2, cp = b0 & 0x1F;
        } else if (b0 >= 0xE0 && b0 <= 0xEF) {
            length = 3, cp = b0 & 0x0F;
            if (b0 == 0xE0) lo = 0xA0;
            if (b0 == 0xED) hi = 0x9F;
        } else if (b0 >= 0xF0 && b0 <= 0xF4) {
            length = 4, cp = b0 & 0x07;
            if (b0 == 0xF0) lo = 0x90;
            if (b0 == 0xF4) hi = 0x8F;
        } else {
            return false;
        }
        if (n - i < length) return false;
        for (unsigned k = 1; k < length; ++k) {
            const unsigned b = p[i + k];
            if (b < (k == 1 ? lo : 0x80u) || b > (k == 1 ? hi : 0xBFu)) return false;
            cp = (cp << 6) | (b & 0x3F);
        }
        i += length;
        if (cp >= 0x10000) {
            *o++ = static_cast<char16_t>(0xD7C0 + (cp >> 10));
            *o++ = static_cast<char16_t>(0xDC00 | (cp & 0x3FF));
        } else {
            *o++ = static_cast<char16_t>(cp);
        }
    }
    out.resize(static_cast<std::size_t>(o - out.data()));
    return true;
}

}  // namespace ferrik
