#include "analysis/html_charset.h"

#include <algorithm>
#include <string>
#include <vector>

namespace ferrik {

namespace {

using Kind = Encoding::Kind;

struct EncodingLabels {
    Encoding encoding;
    std::string_view labels;  // space-separated, lower case
};

// The browsers' table of encodings and the labels that name them.
constexpr EncodingLabels kEncodings[] = {
    {{"UTF-8", Kind::AsciiCompatible}, "unicode-1-1-utf-8 unicode11utf8 unicode20utf8 utf-8 utf8 x-unicode20utf8"},
    {{"GBK", Kind::AsciiCompatible}, "chinese csgb2312 csiso58gb231280 gb2312 gb_2312 gb_2312-80 gbk iso-ir-58 x-gbk"},
    {{"gb18030", Kind::AsciiCompatible}, "gb18030"},
    {{"Big5", Kind::AsciiCompatible}, "big5 big5-hkscs cn-big5 csbig5 x-x-big5"},
    {{"IBM866", Kind::AsciiCompatible}, "866 cp866 csibm866 ibm866"},
    {{"ISO-8859-2", Kind::AsciiCompatible},
     "csisolatin2 iso-8859-2 iso-ir-101 iso8859-2 iso88592 iso_8859-2 iso_8859-2:1987 l2 latin2"},
    {{"ISO-8859-3", Kind::AsciiCompatible},
     "csisolatin3 iso-8859-3 iso-ir-109 iso8859-3 iso88593 iso_8859-3 iso_8859-3:1988 l3 latin3"},
    {{"ISO-8859-4", Kind::AsciiCompatible},
     "csisolatin4 iso-8859-4 iso-ir-110 iso8859-4 iso88594 iso_8859-4 iso_8859-4:1988 l4 latin4"},
    {{"ISO-8859-5", Kind::AsciiCompatible},
     "csisolatincyrillic cyrillic iso-8859-5 iso-ir-144 iso8859-5 iso88595 iso_8859-5 iso_8859-5:1988"},
    {{"ISO-8859-6", Kind::AsciiCompatible},
     "arabic asmo-708 csiso88596e csiso88596i csisolatinarabic ecma-114 iso-8859-6 iso-8859-6-e iso-8859-6-i "
     "iso-ir-127 iso8859-6 iso88596 iso_8859-6 iso_8859-6:1987"},
    {{"ISO-8859-7", Kind::AsciiCompatible},
     "csisolatingreek ecma-118 elot_928 greek greek8 iso-8859-7 iso-ir-126 iso8859-7 iso88597 iso_8859-7 "
     "iso_8859-7:1987 sun_eu_greek"},
    {{"ISO-8859-8", Kind::AsciiCompatible},
     "csiso88598e csisolatinhebrew hebrew iso-8859-8 iso-8859-8-e iso-ir-138 iso8859-8 iso88598 iso_8859-8 "
     "iso_8859-8:1988 visual"},
    {{"ISO-8859-8-I", Kind::AsciiCompatible}, "csiso88598i iso-8859-8-i logical"},
    {{"ISO-8859-10", Kind::AsciiCompatible}, "csisolatin6 iso-8859-10 iso-ir-157 iso8859-10 iso885910 l6 latin6"},
    {{"ISO-8859-13", Kind::AsciiCompatible}, "iso-8859-13 iso8859-13 iso885913"},
    {{"ISO-8859-14", Kind::AsciiCompatible}, "iso-8859-14 iso8859-14 iso885914"},
    {{"ISO-8859-15", Kind::AsciiCompatible}, "csisolatin9 iso-8859-15 iso8859-15 iso885915 iso_8859-15 l9"},
    {{"ISO-8859-16", Kind::AsciiCompatible}, "iso-8859-16"},
    {{"KOI8-R", Kind::AsciiCompatible}, "cskoi8r koi koi8 koi8-r koi8_r"},
    {{"KOI8-U", Kind::AsciiCompatible}, "koi8-ru koi8-u"},
    {{"macintosh", Kind::AsciiCompatible}, "csmacintosh mac macintosh x-mac-roman"},
    {{"windows-874", Kind::AsciiCompatible}, "dos-874 iso-8859-11 iso8859-11 iso885911 tis-620 windows-874"},
    {{"windows-1250", Kind::AsciiCompatible}, "cp1250 windows-1250 x-cp1250"},
    {{"windows-1251", Kind::AsciiCompatible}, "cp1251 windows-1251 x-cp1251"},
    {{"windows-1252", Kind::AsciiCompatible},
     "ansi_x3.4-1968 ascii cp1252 cp819 csisolatin1 ibm819 iso-8859-1 iso-ir-100 iso8859-1 iso88591 iso_8859-1 "
     "iso_8859-1:1987 l1 latin1 us-ascii windows-1252 x-cp1252"},
    {{"windows-1253", Kind::AsciiCompatible}, "cp1253 windows-1253 x-cp1253"},
    {{"windows-1254", Kind::AsciiCompatible},
     "cp1254 csisolatin5 iso-8859-9 iso-ir-148 iso8859-9 iso88599 iso_8859-9 iso_8859-9:1989 l5 latin5 "
     "windows-1254 x-cp1254"},
    {{"windows-1255", Kind::AsciiCompatible}, "cp1255 windows-1255 x-cp1255"},
    {{"windows-1256", Kind::AsciiCompatible}, "cp1256 windows-1256 x-cp1256"},
    {{"windows-1257", Kind::AsciiCompatible}, "cp1257 windows-1257 x-cp1257"},
    {{"windows-1258", Kind::AsciiCompatible}, "cp1258 windows-1258 x-cp1258"},
    {{"x-mac-cyrillic", Kind::AsciiCompatible}, "x-mac-cyrillic x-mac-ukrainian"},
    {{"EUC-JP", Kind::AsciiCompatible}, "cseucpkdfmtjapanese euc-jp x-euc-jp"},
    {{"ISO-2022-JP", Kind::Stateful}, "csiso2022jp iso-2022-jp"},
    {{"Shift_JIS", Kind::AsciiCompatible}, "csshiftjis ms932 ms_kanji shift-jis shift_jis sjis windows-31j x-sjis"},
    {{"EUC-KR", Kind::AsciiCompatible},
     "cseuckr csksc56011987 euc-kr iso-ir-149 korean ks_c_5601-1987 ks_c_5601-1989 ksc5601 ksc_5601 windows-949"},
    {{"replacement", Kind::Replacement}, "csiso2022kr hz-gb-2312 iso-2022-cn iso-2022-cn-ext iso-2022-kr replacement"},
    {{"UTF-16BE", Kind::Utf16Be}, "unicodefffe utf-16be"},
    {{"UTF-16LE", Kind::Utf16Le}, "csunicode iso-10646-ucs-2 ucs-2 unicode unicodefeff utf-16 utf-16le"},
    {{"x-user-defined", Kind::UserDefined}, "x-user-defined"},
};

const Encoding& Utf8() {
    return kEncodings[0].encoding;
}
const Encoding& Gbk() {
    return kEncodings[1].encoding;
}
const Encoding& Windows1252() {
    return *EncodingForLabel("windows-1252");
}

bool IsSpaceByte(char c) {
    return c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ';
}
char LowerByte(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 0x20) : c;
}

bool StartsWithIgnoringCase(std::string_view s, std::size_t at, std::string_view lowerWord) {
    if (s.size() - at < lowerWord.size()) return false;
    for (std::size_t i = 0; i < lowerWord.size(); ++i)
        if (LowerByte(s[at + i]) != lowerWord[i]) return false;
    return true;
}

std::string_view TrimSpaceBytes(std::string_view s) {
    while (!s.empty() && IsSpaceByte(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsSpaceByte(s.back())) s.remove_suffix(1);
    return s;
}

// The charset named in a meta element's content attribute ("text/html; charset=gbk").
const Encoding* CharsetFromMetaContent(std::string_view s) {
    std::size_t pos = 0;
    for (;;) {
        std::size_t at = std::string::npos;
        for (std::size_t i = pos; i + 7 <= s.size(); ++i) {
            if (StartsWithIgnoringCase(s, i, "charset")) {
                at = i;
                break;
            }
        }
        if (at == std::string::npos) return nullptr;
        pos = at + 7;
        while (pos < s.size() && IsSpaceByte(s[pos])) ++pos;
        if (pos < s.size() && s[pos] == '=') break;
    }
    ++pos;
    while (pos < s.size() && IsSpaceByte(s[pos])) ++pos;
    if (pos == s.size()) return nullptr;
    if (s[pos] == '"' || s[pos] == '\'') {
        const std::size_t close = s.find(s[pos], pos + 1);
        if (close == std::string::npos) return nullptr;
        return EncodingForLabel(s.substr(pos + 1, close - pos - 1));
    }
    std::size_t stop = pos;
    while (stop < s.size() && !IsSpaceByte(s[stop]) && s[stop] != ';') ++stop;
    return EncodingForLabel(s.substr(pos, stop - pos));
}

// The prescan's byte cursor: reading past the end of the window ends the prescan.
class Prescanner {
public:
    explicit Prescanner(std::string_view bytes) : m_s(bytes) {}

    const Encoding* Run() {
        while (m_pos < m_s.size()) {
            if (Starts("<!--")) {
                // Ends at the first "-->" whose '>' lies after the "<!" (so "<!-->" ends at once).
                const std::size_t close = m_s.find("-->", m_pos + 2);
                if (close == std::string::npos) return nullptr;
                m_pos = close + 3;
            } else if (StartsWithIgnoringCase(m_s, m_pos, "<meta") && m_pos + 5 < m_s.size() &&
                       (IsSpaceByte(m_s[m_pos + 5]) || m_s[m_pos + 5] == '/')) {
                m_pos += 5;
                if (const Encoding* e = Meta()) return e;
                if (m_ended) return nullptr;
            } else if (m_s[m_pos] == '<' && m_pos + 1 < m_s.size() &&
                       (IsAlphaByte(m_s[m_pos + 1]) ||
                        (m_s[m_pos + 1] == '/' && m_pos + 2 < m_s.size() && IsAlphaByte(m_s[m_pos + 2])))) {
                m_pos += m_s[m_pos + 1] == '/' ? 2 : 1;
                while (m_pos < m_s.size() && !IsSpaceByte(m_s[m_pos]) && m_s[m_pos] != '>') ++m_pos;
                std::string name, value;
                while (Attribute(name, value)) {
                }
                if (m_ended) return nullptr;
                ++m_pos;
            } else if (Starts("<!") || Starts("</") || Starts("<?")) {
                const std::size_t close = m_s.find('>', m_pos + 2);
                if (close == std::string::npos) return nullptr;
                m_pos = close + 1;
            } else {
                ++m_pos;
            }
        }
        return nullptr;
    }

private:
    static bool IsAlphaByte(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
    bool Starts(std::string_view word) const { return m_s.substr(m_pos, word.size()) == word; }

    // One attribute of a tag; false at the tag's '>' or the end of the window.
    bool Attribute(std::string& name, std::string& value) {
        name.clear();
        value.clear();
        while (m_pos < m_s.size() && (IsSpaceByte(m_s[m_pos]) || m_s[m_pos] == '/')) ++m_pos;
        if (m_pos >= m_s.size()) return End();
        if (m_s[m_pos] == '>') return false;
        for (;; ++m_pos) {
            if (m_pos >= m_s.size()) return End();
            const char c = m_s[m_pos];
            if (c == '=' && !name.empty()) {
                ++m_pos;
                break;
            }
            if (IsSpaceByte(c)) {
                while (m_pos < m_s.size() && IsSpaceByte(m_s[m_pos])) ++m_pos;
                if (m_pos >= m_s.size()) return End();
                if (m_s[m_pos] != '=') return true;
                ++m_pos;
                break;
            }
            if (c == '/' || c == '>') return true;
            name += LowerByte(c);
        }
        while (m_pos < m_s.size() && IsSpaceByte(m_s[m_pos])) ++m_pos;
        if (m_pos >= m_s.size()) return End();
        const char quote = m_s[m_pos];
        if (quote == '"' || quote == '\'') {
            for (++m_pos;; ++m_pos) {
                if (m_pos >= m_s.size()) return End();
                if (m_s[m_pos] == quote) {
                    ++m_pos;
                    return true;
                }
                value += LowerByte(m_s[m_pos]);
            }
        }
        if (quote == '>') return true;
        for (;; ++m_pos) {
            if (m_pos >= m_s.size()) return End();
            if (IsSpaceByte(m_s[m_pos]) || m_s[m_pos] == '>') return true;
            value += LowerByte(m_s[m_pos]);
        }
    }

    bool End() {
        m_ended = true;
        return false;
    }

    // After "<meta": the charset it declares, if it declares one usable.
    const Encoding* Meta() {
        std::vector<std::string> seen;
        bool gotPragma = false;
        enum { Unset, Needed, NotNeeded } needPragma = Unset;
        const Encoding* charset = nullptr;
        std::string name, value;
        while (Attribute(name, value)) {
            if (std::find(seen.begin(), seen.end(), name) != seen.end()) continue;
            seen.push_back(name);
            if (name == "http-equiv") {
                if (value == "content-type") gotPragma = true;
            } else if (name == "content") {
                const Encoding* e = CharsetFromMetaContent(value);
                if (e && !charset) {
                    charset = e;
                    needPragma = Needed;
                }
            } else if (name == "charset") {
                charset = EncodingForLabel(value);
                needPragma = NotNeeded;
            }
        }
        if (m_ended || needPragma == Unset || (needPragma == Needed && !gotPragma) || !charset) {
            ++m_pos;
            return nullptr;
        }
        if (charset->kind == Kind::Utf16Le || charset->kind == Kind::Utf16Be) return &Utf8();
        if (charset->kind == Kind::UserDefined) return &Windows1252();
        return charset;
    }

    std::string_view m_s;
    std::size_t m_pos = 0;
    bool m_ended = false;
};

constexpr std::size_t kChunkBytes = 64 * 1024;

Text DecodeUtf16(std::string_view bytes, bool bigEndian) {
    Text out;
    out.reserve(bytes.size() / 2 + 1);
    const auto unit = [&](std::size_t i) {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        return static_cast<char16_t>(bigEndian ? (a << 8 | b) : (b << 8 | a));
    };
    const std::size_t n = bytes.size() / 2;
    for (std::size_t i = 0; i < n; ++i) {
        const char16_t u = unit(i * 2);
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < n) {
            const char16_t v = unit(i * 2 + 2);
            if (v >= 0xDC00 && v <= 0xDFFF) {
                out += u;
                out += v;
                ++i;
                continue;
            }
        }
        out += (u >= 0xD800 && u <= 0xDFFF) ? char16_t{0xFFFD} : u;
    }
    if (bytes.size() % 2) out += u'\xFFFD';
    return out;
}

}  // namespace

const Encoding* EncodingForLabel(std::string_view label) {
    label = TrimSpaceBytes(label);
    if (label.empty()) return nullptr;
    std::string lower(label);
    for (char& c : lower) c = LowerByte(c);
    for (const EncodingLabels& e : kEncodings) {
        std::string_view labels = e.labels;
        while (!labels.empty()) {
            const std::size_t space = labels.find(' ');
            if (labels.substr(0, space) == lower) return &e.encoding;
            if (space == std::string_view::npos) break;
            labels.remove_prefix(space + 1);
        }
    }
    return nullptr;
}

const Encoding* CharsetFromContentType(std::string_view contentType) {
    // Parameters follow the type after ';'; the first "charset" counts; values may be quoted.
    std::size_t pos = contentType.find(';');
    while (pos != std::string_view::npos && pos < contentType.size()) {
        ++pos;
        while (pos < contentType.size() && IsSpaceByte(contentType[pos])) ++pos;
        std::size_t nameEnd = pos;
        while (nameEnd < contentType.size() && contentType[nameEnd] != '=' && contentType[nameEnd] != ';') ++nameEnd;
        const std::string_view name = contentType.substr(pos, nameEnd - pos);
        if (nameEnd >= contentType.size()) return nullptr;
        if (contentType[nameEnd] == ';') {
            pos = nameEnd;
            continue;
        }
        pos = nameEnd + 1;
        std::string value;
        if (pos < contentType.size() && contentType[pos] == '"') {
            for (++pos; pos < contentType.size() && contentType[pos] != '"'; ++pos) {
                if (contentType[pos] == '\\' && pos + 1 < contentType.size()) ++pos;
                value += contentType[pos];
            }
            pos = contentType.find(';', pos);
        } else {
            const std::size_t stop = contentType.find(';', pos);
            value = TrimSpaceBytes(contentType.substr(pos, stop == std::string_view::npos ? stop : stop - pos));
            pos = stop;
        }
        if (name.size() == 7 && StartsWithIgnoringCase(name, 0, "charset")) return EncodingForLabel(value);
    }
    return nullptr;
}

const Encoding* PrescanCharset(std::string_view bytes) {
    constexpr std::size_t kWindow = 1024;
    return Prescanner(bytes.substr(0, kWindow)).Run();
}

DocumentCharset SniffCharset(std::string_view body, std::string_view contentType) {
    if (body.starts_with("\xEF\xBB\xBF")) return {&Utf8(), 3};
    if (body.starts_with("\xFE\xFF")) return {EncodingForLabel("utf-16be"), 2};
    if (body.starts_with("\xFF\xFE")) return {EncodingForLabel("utf-16le"), 2};
    if (const Encoding* e = CharsetFromContentType(contentType)) return {e, 0};
    if (const Encoding* e = PrescanCharset(body)) return {e, 0};
    return {&Gbk(), 0};
}

std::size_t BodyDecoder::CutPoint() const {
    const std::size_t rest = m_bytes.size() - m_pos;
    if (rest <= kChunkBytes) return m_bytes.size();
    std::size_t cut = m_pos + kChunkBytes;
    switch (m_encoding.kind) {
        case Kind::Utf16Le:
        case Kind::Utf16Be: {
            // Even, and not between the halves of a surrogate pair.
            cut -= (cut - m_pos) % 2;
            const auto hi = static_cast<unsigned char>(m_bytes[m_encoding.kind == Kind::Utf16Le ? cut - 1 : cut - 2]);
            if (hi >= 0xD8 && hi <= 0xDB) cut -= 2;
            return cut;
        }
        case Kind::AsciiCompatible: {
            // A byte below 0x30 is never inside a multi-byte sequence (GB18030's second and
            // fourth bytes go down to 0x30), so the piece may end right after one.
            const auto safe = [this](std::size_t i) { return static_cast<unsigned char>(m_bytes[i]) < 0x30; };
            std::size_t back = cut;
            while (back > m_pos && !safe(back - 1)) --back;
            if (back > m_pos) return back;
            while (cut < m_bytes.size() && !safe(cut - 1)) ++cut;
            return cut;
        }
        default:
            return m_bytes.size();
    }
}

bool BodyDecoder::Next(Text& text) {
    if (m_pos >= m_bytes.size()) return false;
    const std::size_t cut = CutPoint();
    const std::string_view piece = m_bytes.substr(m_pos, cut - m_pos);
    m_pos = cut;
    switch (m_encoding.kind) {
        case Kind::Utf16Le:
        case Kind::Utf16Be:
            text = DecodeUtf16(piece, m_encoding.kind == Kind::Utf16Be);
            break;
        case Kind::UserDefined:
            text.clear();
            for (const char b : piece) {
                const auto u = static_cast<unsigned char>(b);
                text += static_cast<char16_t>(u < 0x80 ? u : 0xF700 + u);
            }
            break;
        case Kind::Replacement:
            text.assign(1, u'\xFFFD');
            m_pos = m_bytes.size();
            break;
        default:
            text = m_decoder.Decode(piece, FromUtf8(m_encoding.name));
            break;
    }
    return true;
}

}  // namespace ferrik
