#include "host/support/json.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace ferrik::test {

namespace {

class Parser {
public:
    explicit Parser(std::string_view s) : m_s(s) {}

    Json Document() {
        Json v = Value();
        Space();
        if (m_i != m_s.size()) Fail("trailing characters");
        return v;
    }

private:
    [[noreturn]] void Fail(const char* what) const {
        throw std::runtime_error(std::string("JSON: ") + what + " at offset " + std::to_string(m_i));
    }
    void Space() {
        while (m_i < m_s.size() && (m_s[m_i] == ' ' || m_s[m_i] == '\n' || m_s[m_i] == '\r' || m_s[m_i] == '\t')) ++m_i;
    }
    bool Eat(char c) {
        Space();
        if (m_i < m_s.size() && m_s[m_i] == c) {
            ++m_i;
            return true;
        }
        return false;
    }
    void Expect(char c) {
        if (!Eat(c)) Fail("unexpected character");
    }
    bool Word(std::string_view w) {
        if (m_s.substr(m_i, w.size()) != w) return false;
        m_i += w.size();
        return true;
    }

    Json Value() {
        Space();
        if (m_i >= m_s.size()) Fail("unexpected end");
        const char c = m_s[m_i];
        if (c == '{') return ObjectValue();
        if (c == '[') return ArrayValue();
        if (c == '"') return Json{StringValue()};
        if (Word("true")) return Json{true};
        if (Word("false")) return Json{false};
        if (Word("null")) return Json{nullptr};
        size_t n = 0;
        while (m_i + n < m_s.size() && std::string_view("+-0123456789.eE").find(m_s[m_i + n]) != std::string_view::npos) ++n;
        if (n == 0) Fail("bad value");
        const double d = std::strtod(std::string(m_s.substr(m_i, n)).c_str(), nullptr);
        m_i += n;
        return Json{d};
    }

    Json ArrayValue() {
        Expect('[');
        auto items = std::make_shared<Json::Array>();
        if (!Eat(']')) {
            do items->push_back(Value());
            while (Eat(','));
            Expect(']');
        }
        return Json{items};
    }

    Json ObjectValue() {
        Expect('{');
        auto members = std::make_shared<Json::Object>();
        if (!Eat('}')) {
            do {
                Space();
                std::string name = ToUtf8(StringValue());
                Expect(':');
                members->emplace_back(std::move(name), Value());
            } while (Eat(','));
            Expect('}');
        }
        return Json{members};
    }

    unsigned Hex4() {
        if (m_i + 4 > m_s.size()) Fail("short \\u escape");
        unsigned v = 0;
        for (int k = 0; k < 4; ++k) {
            const int h = HexValue(static_cast<char16_t>(static_cast<unsigned char>(m_s[m_i++])));
            if (h < 0) Fail("bad \\u escape");
            v = v * 16 + static_cast<unsigned>(h);
        }
        return v;
    }

    Text StringValue() {
        if (m_i >= m_s.size() || m_s[m_i] != '"') Fail("expected string");
        ++m_i;
        std::string raw;  // UTF-8 runs between escapes
        Text out;
        auto flush = [&] {
            out += FromUtf8(raw);
            raw.clear();
        };
        for (;;) {
            if (m_i >= m_s.size()) Fail("unterminated string");
            const char c = m_s[m_i++];
            if (c == '"') break;
            if (c != '\\') {
                raw += c;
                continue;
            }
            if (m_i >= m_s.size()) Fail("unterminated escape");
            const char e = m_s[m_i++];
            switch (e) {
                case '"': raw += '"'; break;
                case '\\': raw += '\\'; break;
                case '/': raw += '/'; break;
                case 'b': raw += '\b'; break;
                case 'f': raw += '\f'; break;
                case 'n': raw += '\n'; break;
                case 'r': raw += '\r'; break;
                case 't': raw += '\t'; break;
                case 'u':
                    flush();
                    out += static_cast<char16_t>(Hex4());  // surrogates stay as written
                    break;
                default: Fail("bad escape");
            }
        }
        flush();
        return out;
    }

    std::string_view m_s;
    size_t m_i = 0;
};

}  // namespace

const Json* Json::Find(std::string_view name) const {
    if (!IsObject()) return nullptr;
    for (const auto& [key, v] : Members())
        if (key == name) return &v;
    return nullptr;
}

Json ParseJson(std::string_view text) { return Parser(text).Document(); }

Json ReadJsonFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ParseJson(ss.str());
}

}  // namespace ferrik::test
