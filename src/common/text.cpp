#include "common/text.h"

#include <algorithm>
#include <iterator>

namespace ferrik {

namespace {

struct LowerRun {
    char16_t first;
    char16_t last;
    int delta;
    int stride;
};

constexpr LowerRun kLowerRuns[] = {
#include "common/lower_table.inc"
};

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

void AppendUtf16(Text& out, char32_t cp) {
    if (cp < 0x10000) {
        out += static_cast<char16_t>(cp);
    } else {
        cp -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (cp >> 10));
        out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    }
}

namespace {

// Appends the UTF-16 of `utf8` to `out`. An invalid sequence becomes U+FFFD, one byte at a time,
// or, when `strict`, ends the decoding with false.
bool DecodeUtf8(std::string_view utf8, Text& out, bool strict) {
    out.reserve(out.size() + utf8.size());
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const size_t n = utf8.size();
    size_t i = 0;
    while (i < n) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            out += static_cast<char16_t>(b);
            ++i;
            continue;
        }
        int len = 0;
        char32_t cp = 0;
        char32_t min = 0;
        if ((b & 0xE0) == 0xC0) {
            len = 2, cp = b & 0x1F, min = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            len = 3, cp = b & 0x0F, min = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            len = 4, cp = b & 0x07, min = 0x10000;
        }
        bool ok = len != 0 && i + len <= n;
        for (int k = 1; ok && k < len; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) {
                ok = false;
            } else {
                cp = (cp << 6) | (p[i + k] & 0x3F);
            }
        }
        if (!ok || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            if (strict) return false;
            out += u'\uFFFD';
            ++i;
            continue;
        }
        AppendUtf16(out, cp);
        i += len;
    }
    return true;
}

}  // namespace

Text FromUtf8(std::string_view utf8) {
    Text out;
    DecodeUtf8(utf8, out, false);
    return out;
}

std::optional<Text> FromWellFormedUtf8(std::string_view utf8) {
    Text out;
    if (!DecodeUtf8(utf8, out, true)) return std::nullopt;
    return out;
}

std::string ToUtf8(TextView text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        AppendUtf8(out, c);
    }
    return out;
}

char16_t LowerChar(char16_t c) {
    if (c < 0x80) {
        return AsciiLower(c);
    }
    auto it = std::upper_bound(std::begin(kLowerRuns), std::end(kLowerRuns), c,
                               [](char16_t v, const LowerRun& run) { return v < run.first; });
    if (it == std::begin(kLowerRuns)) {
        return c;
    }
    const LowerRun& run = *std::prev(it);
    if (c > run.last || (c - run.first) % run.stride != 0) {
        return c;
    }
    return static_cast<char16_t>(c + run.delta);
}

char16_t AsciiLower(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
}

Text AsciiLower(TextView text) {
    Text out(text);
    for (char16_t& c : out) c = AsciiLower(c);
    return out;
}

Text ToLower(TextView text) {
    Text out(text);
    for (char16_t& c : out) {
        c = LowerChar(c);
    }
    return out;
}

TextView TrimSpaces(TextView text) {
    const size_t first = text.find_first_not_of(u' ');
    if (first == TextView::npos) {
        return {};
    }
    const size_t last = text.find_last_not_of(u' ');
    return text.substr(first, last - first + 1);
}

bool IsHexDigit(char16_t c) { return HexValue(c) >= 0; }

int HexValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

Text ToText(std::int64_t value) {
    const std::string s = std::to_string(value);
    return Text(s.begin(), s.end());
}

}  // namespace ferrik
