#include "common/text_fields.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "common/text_search.h"

namespace ferrik {

TextView FieldView(TextView line, TextView delimiter, std::int32_t index) {
    if (line.empty() || index < 0) return {};
    // Splitting at an empty delimiter leaves the line whole, as one piece.
    if (delimiter.empty()) return index == 0 ? line : TextView();
    std::size_t start = 0;
    for (std::int32_t piece = 0; piece < index; ++piece) {
        const std::size_t at = FindText(line, delimiter, start);
        if (at == TextView::npos) return {};
        start = at + delimiter.size();
    }
    const std::size_t end = FindText(line, delimiter, start);
    return line.substr(start, end == TextView::npos ? TextView::npos : end - start);
}

Text SplitField(TextView line, TextView delimiter, std::int32_t index) {
    return Text(FieldView(line, delimiter, index));
}

namespace {

// HexValue inline, by table: the unescaping of a page reads four or six digits per escape.
constexpr auto kHexDigits = [] {
    std::array<signed char, 128> table{};
    for (int c = 0; c < 128; ++c) {
        table[c] = static_cast<signed char>(c >= '0' && c <= '9'   ? c - '0'
                                            : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                            : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                                   : -1);
    }
    return table;
}();

inline int Hex(char16_t c) {
    return c < 128 ? kHexDigits[c] : -1;
}

}  // namespace

void UnEscapeInPlace(Text& text) {
    UnEscapeBefore(text, text.size());
}

std::size_t UnEscapeBefore(Text& text, std::size_t limit) {
    return UnEscapeBetween(text, 0, limit);
}

std::size_t UnEscapeBetween(Text& text, std::size_t from, std::size_t limit) {
    const std::size_t n = text.size();
    char16_t* const p = text.data();
    std::size_t i = FindUnit(text, u'%', std::min(from, n));
    if (i == TextView::npos || i >= limit) return i == TextView::npos ? n : i;  // nothing to move
    std::size_t kept = i;    // text[0, kept) is final
    std::size_t copied = i;  // text[copied, i) is still to be moved down to `kept`
    while (i != TextView::npos && i < limit) {
        int value = -1;
        std::size_t length = 0;
        // "%u" takes precedence; a "%u" without four hex digits is a plain "%", and so is a "%"
        // without two, since "u" is no hex digit.
        if (i + 5 < n && p[i + 1] == u'u') {
            const int d0 = Hex(p[i + 2]), d1 = Hex(p[i + 3]), d2 = Hex(p[i + 4]), d3 = Hex(p[i + 5]);
            if ((d0 | d1 | d2 | d3) >= 0) value = (d0 << 12) | (d1 << 8) | (d2 << 4) | d3, length = 6;
        } else if (i + 2 < n) {
            const int d0 = Hex(p[i + 1]), d1 = Hex(p[i + 2]);
            if ((d0 | d1) >= 0) value = (d0 << 4) | d1, length = 3;
        }
        if (value < 0) {
            i = FindUnit(text, u'%', i + 1);
            continue;
        }
        // Writing stays behind reading: every escape shrinks the text.
        // Between the escapes of an escaped link there are only a few units: moved one by one.
        if (i - copied <= 8) {
            for (std::size_t k = copied; k < i; ++k) p[kept++] = p[k];
        } else {
            std::memmove(p + kept, p + copied, (i - copied) * sizeof(char16_t));
            kept += i - copied;
        }
        p[kept++] = static_cast<char16_t>(value);
        copied = i + length;
        i = FindUnit(text, u'%', copied);
    }
    std::memmove(p + kept, p + copied, (n - copied) * sizeof(char16_t));
    text.resize(kept + (n - copied));
    return kept + ((i == TextView::npos ? n : i) - copied);
}

Text vbUnEscape(TextView psString) {
    Text text(psString);
    UnEscapeInPlace(text);
    return text;
}

}  // namespace ferrik
