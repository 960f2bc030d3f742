#include "analysis/html_charset.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace ferrik {

namespace {

using Kind = Encoding::Kind;

// Labels browsers know beyond those with a converter: they never decode these as written.
constexpr std::string_view kReplacementLabels[] = {"csiso2022kr",     "hz-gb-2312",  "iso-2022-cn",
                                                   "iso-2022-cn-ext", "iso-2022-kr", "replacement"};
constexpr std::uint32_t kCodePageIso2022Jp = 50220;  // the one stateful encoding with a converter

Encoding Named(std::string_view label) {
    return *EncodingForLabel(label);
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
std::optional<Encoding> CharsetFromMetaContent(std::string_view s) {
    std::size_t pos = 0;
    for (;;) {
        std::size_t at = std::string::npos;
        for (std::size_t i = pos; i + 7 <= s.size(); ++i) {
            if (StartsWithIgnoringCase(s, i, "charset")) {
                at = i;
                break;
            }
        }
        if (at == std::string::npos) return std::nullopt;
        pos = at + 7;
        while (pos < s.size() && IsSpaceByte(s[pos])) ++pos;
        if (pos < s.size() && s[pos] == '=') break;
    }
    ++pos;
    while (pos < s.size() && IsSpaceByte(s[pos])) ++pos;
    if (pos == s.size()) return std::nullopt;
    if (s[pos] == '"' || s[pos] == '\'') {
        const std::size_t close = s.find(s[pos], pos + 1);
        if (close == std::string::npos) return std::nullopt;
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

    std::optional<Encoding> Run() {
        while (m_pos < m_s.size()) {
            if (Starts("<!--")) {
                // Ends at the first "-->" whose '>' lies after the "<!" (so "<!-->" ends at once).
                const std::size_t close = m_s.find("-->", m_pos + 2);
                if (close == std::string::npos) return std::nullopt;
                m_pos = close + 3;
            } else if (StartsWithIgnoringCase(m_s, m_pos, "<meta") && m_pos + 5 < m_s.size() &&
                       (IsSpaceByte(m_s[m_pos + 5]) || m_s[m_pos + 5] == '/')) {
                m_pos += 5;
                if (std::optional<Encoding> e = Meta()) return e;
                if (m_ended) return std::nullopt;
            } else if (m_s[m_pos] == '<' && m_pos + 1 < m_s.size() &&
                       (IsAlphaByte(m_s[m_pos + 1]) ||
                        (m_s[m_pos + 1] == '/' && m_pos + 2 < m_s.size() && IsAlphaByte(m_s[m_pos + 2])))) {
                m_pos += m_s[m_pos + 1] == '/' ? 2 : 1;
                while (m_pos < m_s.size() && !IsSpaceByte(m_s[m_pos]) && m_s[m_pos] != '>') ++m_pos;
                std::string name, value;
                while (Attribute(name, value)) {
                }
                if (m_ended) return std::nullopt;
                ++m_pos;
            } else if (Starts("<!") || Starts("</") || Starts("<?")) {
                const std::size_t close = m_s.find('>', m_pos + 2);
                if (close == std::string::npos) return std::nullopt;
                m_pos = close + 1;
            } else {
                ++m_pos;
            }
        }
        return std::nullopt;
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
    std::optional<Encoding> Meta() {
        std::vector<std::string> seen;
        bool gotPragma = false;
        enum { Unset, Needed, NotNeeded } needPragma = Unset;
        std::optional<Encoding> charset;
        std::string name, value;
        while (Attribute(name, value)) {
            if (std::find(seen.begin(), seen.end(), name) != seen.end()) continue;
            seen.push_back(name);
            if (name == "http-equiv") {
                if (value == "content-type") gotPragma = true;
            } else if (name == "content") {
                std::optional<Encoding> e = CharsetFromMetaContent(value);
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
            return std::nullopt;
        }
        if (charset->kind == Kind::Utf16Le || charset->kind == Kind::Utf16Be) return Named("UTF-8");
        if (charset->kind == Kind::UserDefined) return Named("windows-1252");
        return charset;
    }

    std::string_view m_s;
    std::size_t m_pos = 0;
    bool m_ended = false;
};

constexpr std::size_t kChunkBytes = 64 * 1024;

}  // namespace

std::optional<Encoding> EncodingForLabel(std::string_view label) {
    label = TrimSpaceBytes(label);
    std::string lower(label);
    for (char& c : lower) c = LowerByte(c);
    const Text written = FromUtf8(label);
    if (std::find(std::begin(kReplacementLabels), std::end(kReplacementLabels), lower) != std::end(kReplacementLabels))
        return Encoding{written, Kind::Replacement, {}};
    if (lower == "x-user-defined") return Encoding{written, Kind::UserDefined, {}};
    const std::optional<Charset> charset = FindCharset(written);
    if (!charset) return std::nullopt;
    Kind kind = Kind::AsciiCompatible;
    if (charset->form == CharsetForm::Utf16Le) kind = Kind::Utf16Le;
    if (charset->form == CharsetForm::Utf16Be) kind = Kind::Utf16Be;
    if (charset->form == CharsetForm::CodePage && charset->codePage == kCodePageIso2022Jp) kind = Kind::Stateful;
    return Encoding{written, kind, *charset};
}

std::optional<Encoding> CharsetFromContentType(std::string_view contentType) {
    // Parameters follow the type after ';'; the first "charset" counts; values may be quoted.
    std::size_t pos = contentType.find(';');
    while (pos != std::string_view::npos && pos < contentType.size()) {
        ++pos;
        while (pos < contentType.size() && IsSpaceByte(contentType[pos])) ++pos;
        std::size_t nameEnd = pos;
        while (nameEnd < contentType.size() && contentType[nameEnd] != '=' && contentType[nameEnd] != ';') ++nameEnd;
        const std::string_view name = contentType.substr(pos, nameEnd - pos);
        if (nameEnd >= contentType.size()) return std::nullopt;
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
    return std::nullopt;
}

std::optional<Encoding> PrescanCharset(std::string_view bytes) {
    constexpr std::size_t kWindow = 1024;
    return Prescanner(bytes.substr(0, kWindow)).Run();
}

DocumentCharset SniffCharset(std::string_view body, std::string_view contentType) {
    if (body.starts_with("\xEF\xBB\xBF")) return {Named("UTF-8"), 3};
    if (body.starts_with("\xFE\xFF")) return {Named("UTF-16BE"), 2};
    if (body.starts_with("\xFF\xFE")) return {Named("UTF-16LE"), 2};
    if (std::optional<Encoding> e = CharsetFromContentType(contentType)) return {std::move(*e), 0};
    if (std::optional<Encoding> e = PrescanCharset(body)) return {std::move(*e), 0};
    return {Named("GBK"), 0};
}

std::size_t BodyDecoder::CutPoint() const {
    const std::size_t rest = m_bytes.size() - m_pos;
    if (rest <= kChunkBytes) return m_bytes.size();
    std::size_t cut = m_pos + kChunkBytes;
    switch (m_encoding.kind) {
        case Kind::Utf16Le:
        case Kind::Utf16Be:
            // Even; a surrogate pair may be split, the tokenizer joins the pieces.
            return cut - (cut - m_pos) % 2;
        case Kind::AsciiCompatible: {
            const auto safe = [this](std::size_t i) { return CanEndAPiece(static_cast<unsigned char>(m_bytes[i])); };
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
            // Well-formed UTF-8 has one decoding, so it is decoded here; the converter keeps the
            // other encodings and its own way with broken UTF-8.
            if (m_encoding.charset == Charset{CharsetForm::CodePage, kCodePageUtf8} &&
                DecodeWellFormedUtf8(piece, text))
                break;
            // Into the text's memory of the piece before.
            text.clear();
            m_decoder.DecodeAppend(piece, m_encoding.label, text);
            break;
    }
    return true;
}

}  // namespace ferrik
