#include "controls/property_bag.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>

namespace ferrik {

namespace {

constexpr std::string_view kControlClass = "tesselbutton";

auto FindEntry(auto& entries, std::string_view key) {
    return std::find_if(entries.begin(), entries.end(), [&](const auto& e) { return e.first == key; });
}

// ---- writing ----

void AppendHex(std::string& out, unsigned value, int digits) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (int i = digits - 1; i >= 0; --i) out += kHex[(value >> (4 * i)) & 0xF];
}

bool IsHigh(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLow(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// Quoted, with backslash escapes; lone surrogates as \uXXXX so that every UTF-16 text survives.
void AppendQuoted(std::string& out, TextView text) {
    out += '"';
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'"' || c == u'\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == u'\n') {
            out += "\\n";
        } else if (c == u'\r') {
            out += "\\r";
        } else if (c == u'\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F || IsLow(c) || (IsHigh(c) && (i + 1 == text.size() || !IsLow(text[i + 1])))) {
            out += "\\u";
            AppendHex(out, c, 4);
        } else if (IsHigh(c)) {
            out += ToUtf8(text.substr(i, 2));
            ++i;
        } else {
            out += ToUtf8(text.substr(i, 1));
        }
    }
    out += '"';
}

const char* BoolText(bool b) {
    return b ? "True" : "False";
}

void AppendValue(std::string& out, const PropertyValue& value) {
    struct Visitor {
        std::string& out;
        void operator()(std::monostate) const { out += "Nothing"; }
        void operator()(std::int32_t n) const { out += std::to_string(n); }
        void operator()(bool b) const { out += BoolText(b); }
        void operator()(const Text& t) const { AppendQuoted(out, t); }
        void operator()(const ColorValue& c) const {
            out += "&H";
            AppendHex(out, c.value, 8);
            out += '&';
        }
        void operator()(const ButtonFont& f) const {
            out += "Font(";
            AppendQuoted(out, f.name);
            out += ", " + std::to_string(f.size) + ", " + std::to_string(f.weight) + ", " + BoolText(f.italic) + ", " +
                   BoolText(f.underline) + ", " + BoolText(f.strikethrough) + ", " + std::to_string(f.charset) + ")";
        }
        void operator()(const Picture& p) const {
            out += "Picture(";
            for (std::uint8_t b : p.bytes) AppendHex(out, b, 2);
            out += ')';
        }
    };
    std::visit(Visitor{out}, value);
}

// ---- parsing ----

bool IsNameStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool IsNameChar(char c) {
    return IsNameStart(c) || (c >= '0' && c <= '9');
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Reads one line; every failure throws with the line number.
class LineParser {
public:
    LineParser(std::string_view line, std::size_t number) : m_line(line), m_number(number) {}

    [[noreturn]] void Fail(const std::string& what) const {
        throw DesignTextError("line " + std::to_string(m_number) + ": " + what);
    }

    void SkipSpaces() {
        while (m_pos < m_line.size() && (m_line[m_pos] == ' ' || m_line[m_pos] == '\t')) ++m_pos;
    }
    bool AtEnd() {
        SkipSpaces();
        return m_pos == m_line.size();
    }
    bool Accept(std::string_view token) {
        SkipSpaces();
        if (m_line.substr(m_pos, token.size()) != token) return false;
        m_pos += token.size();
        return true;
    }
    void Expect(std::string_view token) {
        if (!Accept(token)) Fail("expected \"" + std::string(token) + "\"");
    }
    void ExpectEnd() {
        if (!AtEnd()) Fail("unexpected text after the value");
    }

    std::string Name() {
        SkipSpaces();
        const std::size_t start = m_pos;
        if (m_pos < m_line.size() && IsNameStart(m_line[m_pos])) {
            while (m_pos < m_line.size() && IsNameChar(m_line[m_pos])) ++m_pos;
        }
        if (start == m_pos) Fail("expected a name");
        return std::string(m_line.substr(start, m_pos - start));
    }

    PropertyValue Value() {
        SkipSpaces();
        if (m_pos == m_line.size()) Fail("missing value");
        const char c = m_line[m_pos];
        if (c == '"') return Quoted();
        if (c == '&') return Color();
        if (c == '-' || (c >= '0' && c <= '9')) return static_cast<std::int32_t>(Integer(INT32_MIN, INT32_MAX));
        if (Accept("Font(")) return Font();
        if (Accept("Picture(")) return PictureBytes();
        if (Accept("Nothing")) return std::monostate{};
        if (Accept("True")) return true;
        if (Accept("False")) return false;
        Fail("unknown value");
    }

private:
    std::int64_t Integer(std::int64_t low, std::int64_t high) {
        SkipSpaces();
        const char* first = m_line.data() + m_pos;
        const char* last = m_line.data() + m_line.size();
        std::int64_t n = 0;
        const auto [ptr, ec] = std::from_chars(first, last, n);
        if (ec == std::errc::result_out_of_range || (ec == std::errc() && (n < low || n > high))) {
            Fail("number out of range");
        }
        if (ec != std::errc()) Fail("expected a number");
        m_pos += static_cast<std::size_t>(ptr - first);
        return n;
    }

    bool Boolean() {
        if (Accept("True")) return true;
        if (Accept("False")) return false;
        Fail("expected True or False");
    }

    Text Quoted() {
        Expect("\"");
        Text text;
        std::string run;  // UTF-8 bytes not yet converted
        auto flush = [&] {
            text += FromUtf8(run);
            run.clear();
        };
        while (true) {
            if (m_pos >= m_line.size()) Fail("unterminated text");
            const char c = m_line[m_pos++];
            if (c == '"') break;
            if (c != '\\') {
                run += c;
                continue;
            }
            if (m_pos >= m_line.size()) Fail("unterminated text");
            const char e = m_line[m_pos++];
            flush();
            switch (e) {
                case '"':
                    text += u'"';
                    break;
                case '\\':
                    text += u'\\';
                    break;
                case 'n':
                    text += u'\n';
                    break;
                case 'r':
                    text += u'\r';
                    break;
                case 't':
                    text += u'\t';
                    break;
                case 'u': {
                    unsigned unit = 0;
                    for (int i = 0; i < 4; ++i) {
                        const int d = m_pos < m_line.size() ? HexDigit(m_line[m_pos]) : -1;
                        if (d < 0) Fail("bad \\u escape");
                        unit = unit * 16 + static_cast<unsigned>(d);
                        ++m_pos;
                    }
                    text += static_cast<char16_t>(unit);
                    break;
                }
                default:
                    Fail("unknown escape");
            }
        }
        flush();
        return text;
    }

    ColorValue Color() {
        Expect("&H");
        std::uint32_t value = 0;
        int digits = 0;
        while (m_pos < m_line.size() && HexDigit(m_line[m_pos]) >= 0) {
            if (++digits > 8) Fail("colour has more than 8 hex digits");
            value = value * 16 + static_cast<std::uint32_t>(HexDigit(m_line[m_pos++]));
        }
        if (digits == 0) Fail("colour without hex digits");
        if (m_pos >= m_line.size() || m_line[m_pos] != '&') Fail("colour must end with \"&\"");
        ++m_pos;
        return ColorValue{value};
    }

    ButtonFont Font() {
        ButtonFont font;
        SkipSpaces();
        if (m_pos >= m_line.size() || m_line[m_pos] != '"') Fail("font name must be quoted");
        font.name = Quoted();
        Expect(",");
        font.size = Integer(1, 20000000);
        Expect(",");
        font.weight = static_cast<std::int32_t>(Integer(0, 1000));
        Expect(",");
        font.italic = Boolean();
        Expect(",");
        font.underline = Boolean();
        Expect(",");
        font.strikethrough = Boolean();
        Expect(",");
        font.charset = static_cast<std::int32_t>(Integer(0, 255));
        Expect(")");
        return font;
    }

    Picture PictureBytes() {
        Picture picture;
        SkipSpaces();
        while (m_pos < m_line.size() && m_line[m_pos] != ')') {
            const int high = HexDigit(m_line[m_pos]);
            const int low = m_pos + 1 < m_line.size() ? HexDigit(m_line[m_pos + 1]) : -1;
            if (high < 0 || low < 0) Fail("picture bytes must be pairs of hex digits");
            picture.bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
            m_pos += 2;
        }
        Expect(")");
        return picture;
    }

    std::string_view m_line;
    std::size_t m_number;
    std::size_t m_pos = 0;
};

}  // namespace

PropertyValue PropertyBag::ReadProperty(std::string_view key, const PropertyValue& def) const {
    m_reads.emplace_back(key);
    const auto it = FindEntry(m_entries, key);
    return it == m_entries.end() ? def : it->second;
}

void PropertyBag::WriteProperty(std::string_view key, const PropertyValue& value, const PropertyValue& def) {
    const auto it = FindEntry(m_entries, key);
    if (value != def) {
        Store(key, value);
    } else if (it != m_entries.end()) {
        m_entries.erase(it);
    }
}

void PropertyBag::Store(std::string_view key, PropertyValue value) {
    const auto it = FindEntry(m_entries, key);
    if (it != m_entries.end()) {
        it->second = std::move(value);
    } else {
        m_entries.emplace_back(std::string(key), std::move(value));
    }
}

bool PropertyBag::Contains(std::string_view key) const {
    return FindEntry(m_entries, key) != m_entries.end();
}

std::string WriteDesignText(std::span<const StoredControl> controls) {
    std::string out;
    for (const StoredControl& control : controls) {
        out += "Begin ";
        out += kControlClass;
        out += ' ' + control.name + '\n';
        for (const auto& [key, value] : control.bag.Entries()) {
            out += "    " + key + " = ";
            AppendValue(out, value);
            out += '\n';
        }
        out += "End\n";
    }
    return out;
}

std::vector<StoredControl> ParseDesignText(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    std::vector<StoredControl> controls;
    bool inControl = false;
    std::size_t number = 0;
    while (!text.empty()) {
        ++number;
        const std::size_t eol = text.find('\n');
        std::string_view line = text.substr(0, eol);
        text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
        if (line.ends_with('\r')) line.remove_suffix(1);

        LineParser p(line, number);
        if (p.AtEnd() || p.Accept("'")) continue;  // blank line or comment
        if (!inControl) {
            if (p.Name() != "Begin") p.Fail("expected \"Begin tesselbutton <name>\"");
            if (p.Name() != kControlClass) p.Fail("only tesselbutton controls are kept here");
            StoredControl control{p.Name(), {}};
            p.ExpectEnd();
            for (const StoredControl& other : controls) {
                if (other.name == control.name) p.Fail("control " + control.name + " appears twice");
            }
            controls.push_back(std::move(control));
            inControl = true;
            continue;
        }
        const std::string key = p.Name();
        if (key == "End" && p.AtEnd()) {
            inControl = false;
            continue;
        }
        p.Expect("=");
        PropertyValue value = p.Value();
        p.ExpectEnd();
        PropertyBag& bag = controls.back().bag;
        if (bag.Contains(key)) p.Fail("property " + key + " appears twice");
        bag.Store(key, std::move(value));
    }
    if (inControl) throw DesignTextError("line " + std::to_string(number) + ": missing \"End\"");
    return controls;
}

void SaveDesignFile(const std::filesystem::path& path, std::span<const StoredControl> controls) {
    const std::string text = WriteDesignText(controls);
    std::filesystem::path temporary = path;
    temporary += ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.close();
        if (!out) throw DesignTextError("cannot write " + temporary.string());
    }
    std::error_code ec;
    std::filesystem::rename(temporary, path, ec);
    if (ec) {
        std::filesystem::remove(temporary, ec);
        throw DesignTextError("cannot replace " + path.string());
    }
}

std::vector<StoredControl> LoadDesignFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw DesignTextError("cannot open " + path.string());
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad()) throw DesignTextError("cannot read " + path.string());
    return ParseDesignText(content.str());
}

}  // namespace ferrik
