// The basic URL parser, without state override (nothing here edits a URL in place). The states
// are walked span by span rather than code unit by code unit: each state finds where its part of
// the input ends and handles the part whole, which keeps the common case free of per-character
// buffering.
#include "analysis/url.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

#include "analysis/url_internal.h"

namespace ferrik {

using namespace url_detail;

namespace url_detail {

namespace {

constexpr char16_t kHex[] = u"0123456789ABCDEF";

void AppendEscapedByte(Text& out, unsigned byte) {
    out += '%';
    out += kHex[byte >> 4];
    out += kHex[byte & 0xF];
}

// The code point at text[i], moving i past it; a lone surrogate reads as U+FFFD.
char32_t NextCodePoint(TextView text, size_t& i) {
    char32_t cp = text[i++];
    if (cp >= 0xD800 && cp <= 0xDBFF && i < text.size() && text[i] >= 0xDC00 && text[i] <= 0xDFFF) {
        return 0x10000 + ((cp - 0xD800) << 10) + (text[i++] - 0xDC00);
    }
    return cp >= 0xD800 && cp <= 0xDFFF ? 0xFFFD : cp;
}

void AppendCodePoint(Text& out, char32_t cp) {
    if (cp < 0x10000) {
        out += static_cast<char16_t>(cp);
    } else {
        out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
        out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    }
}

// Copies the run of `text` from `i` that `set` leaves alone; returns where it ended.
size_t AppendUnescapedRun(Text& out, TextView text, size_t i, const EncodeSet& set) {
    size_t run = i;
    while (run < text.size() && text[run] < 0x80 && !set.ascii[text[run]]) ++run;
    out.append(text.data() + i, run - i);
    return run;
}

}  // namespace

void AppendPercentEncoded(Text& out, TextView text, const EncodeSet& set, bool keepNonAscii) {
    const size_t n = text.size();
    size_t i = 0;
    while ((i = AppendUnescapedRun(out, text, i, set)) < n) {
        const char32_t cp = NextCodePoint(text, i);
        if (cp < 0x80) {
            AppendEscapedByte(out, cp);
        } else if (keepNonAscii) {
            AppendCodePoint(out, cp);
        } else {
            if (cp < 0x800) {
                AppendEscapedByte(out, 0xC0 | (cp >> 6));
            } else if (cp < 0x10000) {
                AppendEscapedByte(out, 0xE0 | (cp >> 12));
                AppendEscapedByte(out, 0x80 | ((cp >> 6) & 0x3F));
            } else {
                AppendEscapedByte(out, 0xF0 | (cp >> 18));
                AppendEscapedByte(out, 0x80 | ((cp >> 12) & 0x3F));
                AppendEscapedByte(out, 0x80 | ((cp >> 6) & 0x3F));
            }
            AppendEscapedByte(out, 0x80 | (cp & 0x3F));
        }
    }
}

}  // namespace url_detail

namespace {

constexpr int kEof = -1;

struct SpecialScheme {
    TextView name;
    int defaultPort;
};
constexpr SpecialScheme kSpecialSchemes[] = {
    {u"http", 80}, {u"https", 443}, {u"ftp", 21}, {u"file", -1}, {u"ws", 80}, {u"wss", 443},
};

const SpecialScheme* FindSpecialScheme(TextView scheme) {
    for (const SpecialScheme& s : kSpecialSchemes) {
        if (s.name == scheme) return &s;
    }
    return nullptr;
}

bool IsAsciiAlpha(int c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsAsciiDigit(int c) {
    return c >= '0' && c <= '9';
}
bool IsSchemeCodePoint(int c) {
    return IsAsciiAlpha(c) || IsAsciiDigit(c) || c == '+' || c == '-' || c == '.';
}

// "C:" or "C|".
bool IsWindowsDriveLetter(TextView s) {
    return s.size() == 2 && IsAsciiAlpha(s[0]) && (s[1] == ':' || s[1] == '|');
}

bool StartsWithWindowsDriveLetter(TextView s) {
    if (s.size() < 2 || !IsWindowsDriveLetter(s.substr(0, 2))) return false;
    return s.size() == 2 || s[2] == '/' || s[2] == '\\' || s[2] == '?' || s[2] == '#';
}

bool EqualsIgnoringAsciiCase(TextView s, TextView lower) {
    if (s.size() != lower.size()) return false;
    for (size_t i = 0; i < s.size(); ++i) {
        const char16_t c = s[i] >= 'A' && s[i] <= 'Z' ? static_cast<char16_t>(s[i] + 0x20) : s[i];
        if (c != lower[i]) return false;
    }
    return true;
}

bool IsSingleDotSegment(TextView s) {
    return s == u"." || EqualsIgnoringAsciiCase(s, u"%2e");
}

bool IsDoubleDotSegment(TextView s) {
    return s == u".." || EqualsIgnoringAsciiCase(s, u".%2e") || EqualsIgnoringAsciiCase(s, u"%2e.") ||
           EqualsIgnoringAsciiCase(s, u"%2e%2e");
}

// The non-ASCII characters of a query in another charset than UTF-8: the character's bytes, each
// escaped unless it is an ASCII byte outside `set`; a character the charset lacks as "&#N;".
void AppendInCharset(Text& out, TextView text, const EncodeSet& set, const QueryCharEncoder& encode) {
    std::string bytes;
    size_t i = 0;
    while ((i = AppendUnescapedRun(out, text, i, set)) < text.size()) {
        const char32_t cp = NextCodePoint(text, i);
        bytes.clear();
        if (cp < 0x80) {
            AppendEscapedByte(out, cp);
        } else if (encode(cp, bytes)) {
            for (const char c : bytes) {
                const auto byte = static_cast<unsigned char>(c);
                if (byte < 0x80 && !set.ascii[byte]) {
                    out += static_cast<char16_t>(byte);
                } else {
                    AppendEscapedByte(out, byte);
                }
            }
        } else {
            out += u"%26%23";
            out += ToText(static_cast<std::int64_t>(cp));
            out += u"%3B";
        }
    }
}

int HexDigitValue(char16_t c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The byte that the escape "%XX" at text[i] stands for, or -1 when there is none.
int EscapedByteAt(TextView text, size_t i) {
    if (i + 2 >= text.size() || text[i] != '%') return -1;
    const int high = HexDigitValue(text[i + 1]);
    const int low = HexDigitValue(text[i + 2]);
    return high < 0 || low < 0 ? -1 : high * 16 + low;
}

// The non-ASCII character whose UTF-8 is escaped at text[i] and the length of its escapes, or
// length 0 when the escapes there are not the UTF-8 of one (overlong, surrogate, cut short).
std::pair<char32_t, size_t> EscapedUtf8At(TextView text, size_t i) {
    const int lead = EscapedByteAt(text, i);
    const size_t length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                          : lead >= 0xF0 && lead <= 0xF4                                  ? 4
                                                                                          : 0;
    if (length == 0) return {0, 0};
    char32_t cp = static_cast<char32_t>(lead) & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
        const int next = EscapedByteAt(text, i + 3 * k);
        if (next < 0x80 || next > 0xBF) return {0, 0};
        cp = (cp << 6) | static_cast<char32_t>(next & 0x3F);
    }
    const char32_t smallest = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
    if (cp < smallest || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return {0, 0};
    return {cp, 3 * length};
}

// Escaped UTF-8 of non-ASCII characters turned back into the characters; other escapes stay.
void DecodeNonAsciiEscapes(Text& text) {
    if (text.find(u'%') == Text::npos) return;
    Text out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const auto [cp, length] = EscapedUtf8At(text, i);
        if (length == 0) {
            out += text[i++];
        } else {
            AppendCodePoint(out, cp);
            i += length;
        }
    }
    text = std::move(out);
}

// What the parser does with non-ASCII characters beyond the Standard's rules.
struct ParseMode {
    UrlForm form = UrlForm::Standard;
    const QueryCharEncoder* encodeQuery = nullptr;  // set and non-empty: the query's charset
};

// Leading and trailing C0 controls and spaces go; tabs and newlines go everywhere. Copies only
// when something inside has to go.
TextView CleanInput(TextView input, Text& scratch) {
    size_t begin = 0, end = input.size();
    while (begin < end && input[begin] <= 0x20) ++begin;
    while (end > begin && input[end - 1] <= 0x20) --end;
    input = input.substr(begin, end - begin);
    auto isTabOrNewline = [](char16_t c) { return c == '\t' || c == '\n' || c == '\r'; };
    if (std::none_of(input.begin(), input.end(), isTabOrNewline)) return input;
    scratch.clear();
    std::copy_if(input.begin(), input.end(), std::back_inserter(scratch),
                 [&](char16_t c) { return !isTabOrNewline(c); });
    return scratch;
}

void Reset(Url& url) {
    url.scheme.clear();
    url.username.clear();
    url.password.clear();
    url.host.clear();
    url.hasHost = false;
    url.port = -1;
    url.path.clear();
    url.opaquePath = false;
    url.query.clear();
    url.hasQuery = false;
    url.fragment.clear();
    url.hasFragment = false;
}

class Parser {
public:
    Parser(TextView input, const Url* base, Url& url, const ParseMode& mode)
        : m_in(input), m_base(base), m_url(url), m_mode(mode), m_keepNonAscii(mode.form == UrlForm::Display) {}

    bool Run();

private:
    int At(size_t i) const { return i < m_in.size() ? m_in[i] : kEof; }
    bool IsSlash(int c) const { return c == '/' || (m_special && c == '\\'); }
    // End of the authority, a host or a path segment's span.
    size_t FindEnd(size_t p, bool stopAtSlash) const {
        for (; p < m_in.size(); ++p) {
            const char16_t c = m_in[p];
            if (c == '?' || c == '#' || (stopAtSlash && IsSlash(c))) break;
        }
        return p;
    }
    size_t SkipSlashes(size_t p) const {
        while (At(p) == '/' || At(p) == '\\') ++p;
        return p;
    }

    void SetScheme(TextView scheme) {
        m_url.scheme.assign(scheme);
        for (char16_t& c : m_url.scheme) {
            if (c >= 'A' && c <= 'Z') c = static_cast<char16_t>(c + 0x20);
        }
        m_specialScheme = FindSpecialScheme(m_url.scheme);
        m_special = m_specialScheme != nullptr;
    }
    void CopyBaseAuthority() {
        m_url.username = m_base->username;
        m_url.password = m_base->password;
        m_url.host = m_base->host;
        m_url.hasHost = m_base->hasHost;
        m_url.port = m_base->port;
    }
    void CopyBasePathAndQuery() {
        m_url.path = m_base->path;
        m_url.query = m_base->query;
        m_url.hasQuery = m_base->hasQuery;
    }
    void DropQuery() {
        m_url.query.clear();
        m_url.hasQuery = false;
    }
    bool IsFile() const { return m_specialScheme && m_specialScheme->defaultPort == -1; }

    bool Relative(size_t p);
    bool Authority(size_t p);
    bool Port(TextView digits);
    bool File(size_t p);
    bool FileHost(size_t p);
    bool PathStart(size_t p);
    bool Path(size_t p);
    void ShortenPath();
    bool OpaquePath(size_t p);
    bool Query(size_t p);
    bool Fragment(size_t p);

    TextView m_in;
    const Url* m_base;
    Url& m_url;
    const ParseMode& m_mode;
    const bool m_keepNonAscii;
    const SpecialScheme* m_specialScheme = nullptr;
    bool m_special = false;
};

bool Parser::Run() {
    Reset(m_url);
    if (IsAsciiAlpha(At(0))) {
        size_t end = 1;
        while (IsSchemeCodePoint(At(end))) ++end;
        if (At(end) == ':') {
            SetScheme(m_in.substr(0, end));
            const size_t p = end + 1;
            if (IsFile()) return File(p);
            if (m_special) {
                if (m_base && m_base->scheme == m_url.scheme) {
                    if (At(p) == '/' && At(p + 1) == '/') return Authority(SkipSlashes(p + 2));
                    return Relative(p);
                }
                return Authority(SkipSlashes(p));
            }
            if (At(p) == '/') return At(p + 1) == '/' ? Authority(p + 2) : Path(p + 1);
            return OpaquePath(p);
        }
    }
    // No scheme: relative to the base.
    if (!m_base) return false;
    if (m_base->opaquePath) {
        if (At(0) != '#') return false;
        m_url.scheme = m_base->scheme;
        m_url.path = m_base->path;
        m_url.opaquePath = true;
        m_url.query = m_base->query;
        m_url.hasQuery = m_base->hasQuery;
        return Fragment(1);
    }
    SetScheme(m_base->scheme);
    if (IsFile()) return File(0);
    return Relative(0);
}

bool Parser::Relative(size_t p) {
    const int c = At(p);
    if (IsSlash(c)) {
        const int next = At(p + 1);
        if (m_special && (next == '/' || next == '\\')) return Authority(SkipSlashes(p + 2));
        if (!m_special && next == '/') return Authority(p + 2);
        CopyBaseAuthority();
        return Path(p + 1);
    }
    CopyBaseAuthority();
    CopyBasePathAndQuery();
    if (c == '?') return Query(p + 1);
    if (c == '#') return Fragment(p + 1);
    if (c == kEof) return true;
    DropQuery();
    ShortenPath();
    return Path(p);
}

bool Parser::Authority(size_t p) {
    const size_t end = FindEnd(p, true);
    size_t hostStart = p;
    const size_t at = m_in.substr(p, end - p).rfind('@');
    if (at != TextView::npos) {
        // Every '@' but the last belongs to the userinfo; the first ':' splits it.
        const TextView userinfo = m_in.substr(p, at);
        const size_t colon = userinfo.find(':');
        AppendPercentEncoded(m_url.username, userinfo.substr(0, colon), kUserinfoSet);
        if (colon != TextView::npos) AppendPercentEncoded(m_url.password, userinfo.substr(colon + 1), kUserinfoSet);
        hostStart = p + at + 1;
        if (hostStart == end) return false;
    }
    bool insideBrackets = false;
    size_t colon = TextView::npos;
    for (size_t i = hostStart; i < end && colon == TextView::npos; ++i) {
        const char16_t c = m_in[i];
        if (c == ':' && !insideBrackets) colon = i;
        if (c == '[') insideBrackets = true;
        if (c == ']') insideBrackets = false;
    }
    const TextView host = m_in.substr(hostStart, std::min(colon, end) - hostStart);
    if (host.empty() && (m_special || colon != TextView::npos)) return false;
    if (!ParseHost(host, m_special, m_url.host)) return false;
    m_url.hasHost = true;
    if (colon != TextView::npos && !Port(m_in.substr(colon + 1, end - colon - 1))) return false;
    return PathStart(end);
}

bool Parser::Port(TextView digits) {
    int port = 0;
    for (char16_t c : digits) {
        if (!IsAsciiDigit(c)) return false;
        port = port * 10 + (c - '0');
        if (port > 65535) return false;
    }
    if (!digits.empty()) m_url.port = m_specialScheme && port == m_specialScheme->defaultPort ? -1 : port;
    return true;
}

bool Parser::File(size_t p) {
    SetScheme(u"file");
    m_url.hasHost = true;
    const Url* base = m_base && m_base->scheme == u"file" ? m_base : nullptr;
    const int c = At(p);
    if (c == '/' || c == '\\') {
        const int next = At(p + 1);
        if (next == '/' || next == '\\') return FileHost(p + 2);
        if (base) {
            m_url.host = base->host;
            // A path from the root of the base's drive stays on that drive.
            const TextView basePath = base->path;
            if (!StartsWithWindowsDriveLetter(m_in.substr(p + 1)) && basePath.size() >= 3 &&
                IsWindowsDriveLetter(basePath.substr(1, 2)) && basePath[2] == ':' &&
                (basePath.size() == 3 || basePath[3] == '/')) {
                m_url.path.assign(basePath.substr(0, 3));
            }
        }
        return Path(p + 1);
    }
    if (!base) return Path(p);
    m_url.host = base->host;
    CopyBasePathAndQuery();
    if (c == '?') return Query(p + 1);
    if (c == '#') return Fragment(p + 1);
    if (c == kEof) return true;
    DropQuery();
    if (StartsWithWindowsDriveLetter(m_in.substr(p))) {
        m_url.path.clear();
    } else {
        ShortenPath();
    }
    return Path(p);
}

bool Parser::FileHost(size_t p) {
    const size_t end = FindEnd(p, true);
    const TextView host = m_in.substr(p, end - p);
    // "file://C:/" names a drive, not a host: the letter starts the path.
    if (IsWindowsDriveLetter(host)) return Path(p);
    if (!host.empty()) {
        if (!ParseHost(host, true, m_url.host)) return false;
        if (m_url.host == u"localhost") m_url.host.clear();
    }
    return PathStart(end);
}

bool Parser::PathStart(size_t p) {
    const int c = At(p);
    if (m_special) return Path(IsSlash(c) ? p + 1 : p);
    if (c == '?') return Query(p + 1);
    if (c == '#') return Fragment(p + 1);
    if (c == kEof) return true;
    return Path(c == '/' ? p + 1 : p);
}

bool Parser::Path(size_t p) {
    while (true) {
        const size_t end = FindEnd(p, true);
        const TextView segment = m_in.substr(p, end - p);
        const int c = At(end);
        const bool slash = IsSlash(c);
        if (IsDoubleDotSegment(segment)) {
            ShortenPath();
            if (!slash) m_url.path += '/';
        } else if (IsSingleDotSegment(segment)) {
            if (!slash) m_url.path += '/';
        } else if (IsFile() && m_url.path.empty() && IsWindowsDriveLetter(segment)) {
            m_url.path += '/';
            m_url.path += segment[0];
            m_url.path += ':';
        } else {
            m_url.path += '/';
            AppendPercentEncoded(m_url.path, segment, kPathSet, m_keepNonAscii);
        }
        if (!slash) {
            if (c == '?') return Query(end + 1);
            if (c == '#') return Fragment(end + 1);
            return true;
        }
        p = end + 1;
    }
}

void Parser::ShortenPath() {
    const Text& path = m_url.path;
    // A drive letter is the root of a file path: ".." does not climb above it.
    if (IsFile() && path.size() == 3 && IsAsciiAlpha(path[1]) && path[2] == ':') return;
    const size_t slash = path.rfind('/');
    if (slash != Text::npos) m_url.path.resize(slash);
}

bool Parser::OpaquePath(size_t p) {
    const size_t end = FindEnd(p, false);
    TextView path = m_in.substr(p, end - p);
    // Spaces before a query or fragment would not survive a round trip: they go.
    while (!path.empty() && path.back() == ' ') path.remove_suffix(1);
    AppendPercentEncoded(m_url.path, path, kC0ControlSet, m_keepNonAscii);
    m_url.opaquePath = true;
    if (At(end) == '?') return Query(end + 1);
    if (At(end) == '#') return Fragment(end + 1);
    return true;
}

bool Parser::Query(size_t p) {
    size_t end = m_in.find('#', p);
    if (end == TextView::npos) end = m_in.size();
    m_url.query.clear();
    m_url.hasQuery = true;
    const TextView query = m_in.substr(p, end - p);
    const EncodeSet& set = m_special ? kSpecialQuerySet : kQuerySet;
    // ws: and wss: send their query as UTF-8 whatever the page's charset.
    const bool inCharset = m_mode.encodeQuery && *m_mode.encodeQuery && m_special && m_url.scheme != u"ws" &&
                           m_url.scheme != u"wss";
    if (inCharset) {
        AppendInCharset(m_url.query, query, set, *m_mode.encodeQuery);
    } else {
        AppendPercentEncoded(m_url.query, query, set, m_keepNonAscii);
    }
    return end == m_in.size() ? true : Fragment(end + 1);
}

bool Parser::Fragment(size_t p) {
    m_url.hasFragment = true;
    AppendPercentEncoded(m_url.fragment, m_in.substr(std::min(p, m_in.size())), kFragmentSet, m_keepNonAscii);
    return true;
}

bool ParseInto(TextView input, const Url* base, Url& url, Text& scratch, const ParseMode& mode = {}) {
    if (!Parser(CleanInput(input, scratch), base, url, mode).Run()) return false;
    if (mode.form == UrlForm::Display) {
        DecodeNonAsciiEscapes(url.path);
        DecodeNonAsciiEscapes(url.fragment);
    }
    return true;
}

}  // namespace

namespace url_detail {

namespace {

// Printable ASCII that no percent-encode set holds and that the parser copies as written in every
// part of a special URL: not '%' (escapes, which the display form decodes) nor '\' (a slash).
// The characters that end a path segment are told apart from the others.
enum ReferenceClass : std::uint8_t { kNotPlain, kPlain, kSegmentEnd };
constexpr std::array<std::uint8_t, 128> kReferenceClass = [] {
    std::array<std::uint8_t, 128> classes{};
    for (int c = 0x21; c < 0x7F; ++c) classes[c] = kPlain;
    for (const char c : std::string_view("%\\\"<>`'^{}")) classes[static_cast<unsigned char>(c)] = kNotPlain;
    for (const char c : std::string_view("/?#")) classes[static_cast<unsigned char>(c)] = kSegmentEnd;
    return classes;
}();

bool IsPlainReference(TextView input) {
    return !input.empty() && std::all_of(input.begin(), input.end(),
                                         [](char16_t c) { return c < 0x80 && kReferenceClass[c] != kNotPlain; });
}

bool StartsWith(TextView s, TextView prefix) {
    return s.size() >= prefix.size() && s.substr(0, prefix.size()) == prefix;
}

// A domain the host parser leaves as it is: lower-case letters, digits, '-' and '.', no label
// claiming to be Punycode, the last label (before a trailing dot) starting with a letter so that
// the host is not read as an IPv4 address.
bool IsPlainDomain(TextView host) {
    if (host.empty()) return false;
    for (const char16_t c : host) {
        if (!((c >= 'a' && c <= 'z') || IsAsciiDigit(c) || c == '-' || c == '.')) return false;
    }
    for (size_t start = 0; start != TextView::npos;) {
        if (StartsWith(host.substr(start), u"xn--")) return false;
        const size_t dot = host.find('.', start);
        start = dot == TextView::npos ? dot : dot + 1;
    }
    TextView rest = host;
    if (rest.back() == '.') rest.remove_suffix(1);
    const size_t dot = rest.rfind('.');
    const TextView last = dot == TextView::npos ? rest : rest.substr(dot + 1);
    return !last.empty() && last[0] >= 'a' && last[0] <= 'z';
}

// Where the segment from `p` of a plain reference ends: its '/', '?', '#' or the end.
size_t FindPathEnd(TextView input, size_t p) {
    while (p < input.size() && kReferenceClass[input[p]] != kSegmentEnd) ++p;
    return p;
}

// The path state of a special URL for segments that need no encoding, appending to `out` whose
// path starts at `pathStart`; the query and fragment after it go as written.
void AppendPlainPath(Text& out, size_t pathStart, TextView input, size_t p) {
    while (true) {
        const size_t end = FindPathEnd(input, p);
        const TextView segment = input.substr(p, end - p);
        const bool slash = end < input.size() && input[end] == '/';
        if (segment == u"..") {
            const size_t last = out.rfind('/');
            if (last != Text::npos && last >= pathStart) out.resize(last);
            if (!slash) out += '/';
        } else if (segment == u".") {
            if (!slash) out += '/';
        } else {
            out += '/';
            out += segment;
        }
        if (!slash) {
            out += input.substr(end);
            return;
        }
        p = end + 1;
    }
}

// "host/path...": the authority state with a plain domain and no userinfo or port.
bool AppendPlainAuthority(Text& out, TextView input, size_t p) {
    const size_t end = FindPathEnd(input, p);
    const TextView host = input.substr(p, end - p);
    if (!IsPlainDomain(host)) return false;
    out += u"//";
    out += host;
    AppendPlainPath(out, out.size(), input, end < input.size() && input[end] == '/' ? end + 1 : end);
    return true;
}

}  // namespace

PlainBase PreparePlainBase(const Url& base) {
    PlainBase plain;
    plain.url = &base;
    const SpecialScheme* scheme = FindSpecialScheme(base.scheme);
    plain.usable = scheme && scheme->defaultPort != -1 && base.hasHost && !base.opaquePath;
    if (!plain.usable) return plain;
    Url authority = base;
    authority.path.clear();
    authority.hasQuery = false;
    authority.hasFragment = false;
    authority.AppendHref(plain.origin);
    plain.directory.assign(TextView(base.path).substr(0, base.path.rfind('/')));
    return plain;
}

bool ResolvePlainReference(TextView input, const PlainBase& base, Text& out) {
    if (!base.usable || !IsPlainReference(input)) return false;
    const Url& url = *base.url;
    out.clear();
    out.reserve(base.origin.size() + url.path.size() + url.query.size() + input.size() + 2);
    for (const TextView scheme : {TextView(u"http:"), TextView(u"https:")}) {
        if (StartsWith(input, scheme)) {
            const size_t p = scheme.size();
            if (input.size() < p + 3 || input[p] != '/' || input[p + 1] != '/' || input[p + 2] == '/') return false;
            out += scheme;
            return AppendPlainAuthority(out, input, p + 2);
        }
    }
    if (input[0] == '/') {
        if (input.size() > 1 && input[1] == '/') {
            if (input.size() < 3 || input[2] == '/') return false;
            out += url.scheme;
            out += ':';
            return AppendPlainAuthority(out, input, 2);
        }
        out += base.origin;
        AppendPlainPath(out, out.size(), input, 1);
        return true;
    }
    out += base.origin;
    if (input[0] == '?' || input[0] == '#') {
        out += url.path;
        if (input[0] == '#' && url.hasQuery) {
            out += '?';
            out += url.query;
        }
        out += input;
        return true;
    }
    // A ':' before the path's first '/' could end a scheme.
    if (input.substr(0, FindPathEnd(input, 0)).find(':') != TextView::npos) return false;
    const size_t pathStart = out.size();
    out += base.directory;
    AppendPlainPath(out, pathStart, input, 0);
    return true;
}

}  // namespace url_detail

bool Url::IsSpecial() const {
    return FindSpecialScheme(scheme) != nullptr;
}

void Url::AppendHref(Text& out) const {
    out.reserve(out.size() + scheme.size() + username.size() + password.size() + host.size() + path.size() +
                query.size() + fragment.size() + 16);
    out += scheme;
    out += ':';
    if (hasHost) {
        out += u"//";
        if (!username.empty() || !password.empty()) {
            out += username;
            if (!password.empty()) {
                out += ':';
                out += password;
            }
            out += '@';
        }
        out += host;
        if (port >= 0) {
            out += ':';
            out += ToText(port);
        }
    } else if (!opaquePath && path.size() > 1 && path[0] == '/' && path[1] == '/') {
        // Without "/." the empty first segment would read back as a host.
        out += u"/.";
    }
    out += path;
    if (hasQuery) {
        out += '?';
        out += query;
    }
    if (hasFragment) {
        out += '#';
        out += fragment;
    }
}

Text Url::Href() const {
    Text out;
    AppendHref(out);
    return out;
}

Text Url::Protocol() const {
    return scheme + u":";
}

Text Url::HostAndPort() const {
    return port < 0 ? host : host + u":" + Port();
}

Text Url::Port() const {
    return port < 0 ? Text() : ToText(port);
}

Text Url::Search() const {
    return query.empty() ? Text() : u"?" + query;
}

Text Url::Hash() const {
    return fragment.empty() ? Text() : u"#" + fragment;
}

Text Url::Origin() const {
    if (scheme == u"blob") {
        const std::optional<Url> inner = ParseUrl(path);
        return inner && (inner->scheme == u"http" || inner->scheme == u"https") ? inner->Origin() : u"null";
    }
    if (!IsSpecial() || scheme == u"file") return u"null";
    return scheme + u"://" + HostAndPort();
}

std::optional<Url> ParseUrl(TextView input, const Url* base) {
    return ParseUrl(input, base, UrlForm::Standard);
}

std::optional<Url> ParseUrl(TextView input, const Url* base, UrlForm form) {
    Url url;
    Text scratch;
    if (!ParseInto(input, base, url, scratch, ParseMode{form, nullptr})) return std::nullopt;
    return url;
}

std::optional<Url> ParseRequestUrl(TextView input, const QueryCharEncoder& encodeQuery) {
    Url url;
    Text scratch;
    if (!ParseInto(input, nullptr, url, scratch, ParseMode{UrlForm::Standard, &encodeQuery})) return std::nullopt;
    return url;
}

std::optional<Text> ResolveUrl(TextView input, TextView base, UrlForm form) {
    std::optional<Text> href(std::in_place);
    if (!ResolveUrlInto(input, base, form, *href)) href.reset();
    return href;
}

bool ResolveUrlInto(TextView input, TextView base, UrlForm form, Text& out) {
    struct Cache {
        Text baseText;
        bool filled = false;
        bool baseValid = false;
        Url base;
        PlainBase plainBase;
        Url result;
        Text scratch;
    };
    thread_local Cache cache;
    // memcmp: char_traits<char16_t>::compare is a plain loop, and this runs once per link.
    const bool sameBase = cache.filled && cache.baseText.size() == base.size() &&
                          std::memcmp(cache.baseText.data(), base.data(), base.size() * sizeof(char16_t)) == 0;
    if (!sameBase) {
        cache.baseText.assign(base);
        cache.filled = true;
        cache.baseValid = ParseInto(base, nullptr, cache.base, cache.scratch);
        cache.plainBase = cache.baseValid ? PreparePlainBase(cache.base) : PlainBase();
    }
    if (!cache.baseValid) return false;
    // Most links of a page need nothing of the parser but the base's parts and their own text.
    if (ResolvePlainReference(input, cache.plainBase, out)) return true;
    const bool ok = ParseInto(input, &cache.base, cache.result, cache.scratch, ParseMode{form, nullptr});
    if (ok) {
        out.clear();
        cache.result.AppendHref(out);
    }
    // A hostile input must not leave megabytes behind in the per-thread buffers.
    constexpr size_t kKeepCapacity = 64 * 1024;
    if (cache.scratch.capacity() > kKeepCapacity || cache.result.path.capacity() > kKeepCapacity ||
        cache.result.query.capacity() > kKeepCapacity || cache.result.fragment.capacity() > kKeepCapacity ||
        cache.result.host.capacity() > kKeepCapacity || cache.result.username.capacity() > kKeepCapacity ||
        cache.result.password.capacity() > kKeepCapacity) {
        cache.result = Url();
        cache.scratch = Text();
    }
    return ok;
}

}  // namespace ferrik
