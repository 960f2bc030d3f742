#include "common/text_fields.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Moves the units from `from` on down to `to`, which is before it, up to the next "%": returns
// where that "%" stands, or the end of the text, and moves `to` on by the units moved. The
// search and the copy are one pass: eight units are loaded, looked at and stored at once.
std::size_t MoveToPercent(char16_t* p, std::size_t n, std::size_t from, std::size_t& to) {
    std::size_t i = from;
#if defined(__SSE2__)
    const __m128i percent = _mm_set1_epi16(static_cast<short>(u'%'));
    for (; i + 8 <= n; i += 8, to += 8) {
        const __m128i eight = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(eight, percent)));
        if (mask != 0) {
            // Only the units before the "%": a store of all eight could overwrite the "%" and
            // what follows it, not read yet, where the text has shrunk by less than eight.
            const std::size_t before = static_cast<std::size_t>(std::countr_zero(mask)) / 2;
            for (std::size_t k = 0; k < before; ++k) p[to + k] = p[i + k];
            to += before;
            return i + before;
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p + to), eight);
    }
#endif
    for (; i < n && p[i] != u'%'; ++i) p[to++] = p[i];
    return i;
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
    std::size_t kept = i;  // text[0, kept) is final; text[i, n) is not read yet
    while (i < std::min(limit, n)) {
        int value = -1;
        std::size_t length = 1;
        // "%u" takes precedence; a "%u" without four hex digits is a plain "%", and so is a "%"
        // without two, since "u" is no hex digit.
        if (i + 5 < n && p[i + 1] == u'u') {
            const int d0 = Hex(p[i + 2]), d1 = Hex(p[i + 3]), d2 = Hex(p[i + 4]), d3 = Hex(p[i + 5]);
            if ((d0 | d1 | d2 | d3) >= 0) value = (d0 << 12) | (d1 << 8) | (d2 << 4) | d3, length = 6;
        } else if (i + 2 < n) {
            const int d0 = Hex(p[i + 1]), d1 = Hex(p[i + 2]);
            if ((d0 | d1) >= 0) value = (d0 << 4) | d1, length = 3;
        }
        // Writing stays behind reading: every escape shrinks the text.
        p[kept++] = value < 0 ? u'%' : static_cast<char16_t>(value);
        i = MoveToPercent(p, n, i + length, kept);
    }
    const std::size_t stop = kept;
    std::memmove(p + kept, p + i, (n - i) * sizeof(char16_t));
    text.resize(kept + (n - i));
    return stop;
}

Text vbUnEscape(TextView psString) {
    Text text(psString);
    UnEscapeInPlace(text);
    return text;
}

}  // namespace ferrik
