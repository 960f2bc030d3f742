#include "common/text_search.h"

#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#elif defined(_WIN32)
#error "the Windows builds take the SSE2 paths (cmake/mingw-w32.cmake)"
#endif

namespace ferrik {

namespace {

constexpr std::size_t npos = TextView::npos;

#if defined(__SSE2__)
constexpr std::size_t kLanes = 8;  // UTF-16 units per 128-bit register

__m128i Load(const char16_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// Each matching unit sets two adjacent bits of the mask.
std::size_t LaneOf(unsigned mask) {
    return static_cast<std::size_t>(std::countr_zero(mask)) / 2;
}
#endif

}  // namespace

std::size_t FindUnit(TextView text, char16_t unit, std::size_t from) {
    const char16_t* p = text.data();
    const std::size_t n = text.size();
    std::size_t i = from;
#if defined(__SSE2__)
    const __m128i wanted = _mm_set1_epi16(static_cast<short>(unit));
    // One register first: many searches (the next "%" of an escaped run, the next "|" of a link)
    // end within a few units.
    if (i + kLanes <= n) {
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(Load(p + i), wanted)));
        if (mask != 0) return i + LaneOf(mask);
        i += kLanes;
    }
    // Then four registers a round: one branch per 32 units leaves the loop bound by memory
    // rather than by instructions.
    for (; i + 4 * kLanes <= n; i += 4 * kLanes) {
        const __m128i a = _mm_cmpeq_epi16(Load(p + i), wanted);
        const __m128i b = _mm_cmpeq_epi16(Load(p + i + kLanes), wanted);
        const __m128i c = _mm_cmpeq_epi16(Load(p + i + 2 * kLanes), wanted);
        const __m128i d = _mm_cmpeq_epi16(Load(p + i + 3 * kLanes), wanted);
        if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(a, b), _mm_or_si128(c, d))) == 0) continue;
        const unsigned low = static_cast<unsigned>(_mm_movemask_epi8(a)) |
                             static_cast<unsigned>(_mm_movemask_epi8(b)) << (2 * kLanes);
        if (low != 0) return i + LaneOf(low);
        const unsigned high = static_cast<unsigned>(_mm_movemask_epi8(c)) |
                              static_cast<unsigned>(_mm_movemask_epi8(d)) << (2 * kLanes);
        return i + 2 * kLanes + LaneOf(high);
    }
    for (; i + kLanes <= n; i += kLanes) {
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(Load(p + i), wanted)));
        if (mask != 0) return i + LaneOf(mask);
    }
#endif
    for (; i < n; ++i) {
        if (p[i] == unit) return i;
    }
    return npos;
}

std::size_t FindFirstOf(TextView text, char16_t a, char16_t b, char16_t c, std::size_t from) {
    const char16_t* p = text.data();
    const std::size_t n = text.size();
    std::size_t i = from;
#if defined(__SSE2__)
    const __m128i wa = _mm_set1_epi16(static_cast<short>(a));
    const __m128i wb = _mm_set1_epi16(static_cast<short>(b));
    const __m128i wc = _mm_set1_epi16(static_cast<short>(c));
    for (; i + kLanes <= n; i += kLanes) {
        const __m128i v = Load(p + i);
        const __m128i hits =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(v, wa), _mm_cmpeq_epi16(v, wb)), _mm_cmpeq_epi16(v, wc));
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
        if (mask != 0) return i + LaneOf(mask);
    }
#endif
    for (; i < n; ++i) {
        if (p[i] == a || p[i] == b || p[i] == c) return i;
    }
    return npos;
}

std::size_t FindPairOrNonAscii(TextView text, char16_t a, char16_t b, std::size_t from) {
    const char16_t* p = text.data();
    const std::size_t n = text.size();
    std::size_t i = from;
#if defined(__SSE2__)
    const __m128i wa = _mm_set1_epi16(static_cast<short>(a));
    const __m128i wb = _mm_set1_epi16(static_cast<short>(b));
    const __m128i high = _mm_set1_epi16(static_cast<short>(0xFF80));
    const __m128i zero = _mm_setzero_si128();
    for (; i + kLanes <= n; i += kLanes) {
        const __m128i v = Load(p + i);
        const __m128i ascii = _mm_cmpeq_epi16(_mm_and_si128(v, high), zero);
        const __m128i pair = _mm_or_si128(_mm_cmpeq_epi16(v, wa), _mm_cmpeq_epi16(v, wb));
        const unsigned mask = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_or_si128(pair, _mm_andnot_si128(ascii, _mm_cmpeq_epi16(v, v)))));
        if (mask != 0) return i + LaneOf(mask);
    }
#endif
    for (; i < n; ++i) {
        if (p[i] == a || p[i] == b || p[i] >= 0x80) return i;
    }
    return npos;
}

std::size_t FindText(TextView text, TextView needle, std::size_t from) {
    const std::size_t n = text.size();
    const std::size_t m = needle.size();
    if (from > n) return npos;
    if (m == 0) return from;
    if (m == 1) return FindUnit(text, needle[0], from);
    if (n - from < m) return npos;

    const char16_t* p = text.data();
    const char16_t* rest = needle.data() + 1;
    const std::size_t restBytes = (m - 1) * sizeof(char16_t);
    const std::size_t lastStart = n - m;  // last position where the needle still fits
    std::size_t i = from;
#if defined(__SSE2__)
    // Candidates are the positions where both the first and the last unit of the needle match;
    // only those are compared in full.
    const __m128i first = _mm_set1_epi16(static_cast<short>(needle.front()));
    const __m128i last = _mm_set1_epi16(static_cast<short>(needle.back()));
    // Four registers a round are first tested for the first unit alone (the needles searched in
    // pages start with a rare one); a round with a hit is then tested two registers at a time for
    // the first and the last unit, their masks side by side in one word.
    for (; i + 4 * kLanes - 1 <= lastStart; i += 4 * kLanes) {
        const __m128i any = _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi16(Load(p + i), first), _mm_cmpeq_epi16(Load(p + i + kLanes), first)),
            _mm_or_si128(_mm_cmpeq_epi16(Load(p + i + 2 * kLanes), first),
                         _mm_cmpeq_epi16(Load(p + i + 3 * kLanes), first)));
        if (_mm_movemask_epi8(any) == 0) continue;
        for (std::size_t half = i; half < i + 4 * kLanes; half += 2 * kLanes) {
            const __m128i a =
                _mm_and_si128(_mm_cmpeq_epi16(Load(p + half), first), _mm_cmpeq_epi16(Load(p + half + m - 1), last));
            const __m128i b = _mm_and_si128(_mm_cmpeq_epi16(Load(p + half + kLanes), first),
                                            _mm_cmpeq_epi16(Load(p + half + kLanes + m - 1), last));
            unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(a)) |
                            (static_cast<unsigned>(_mm_movemask_epi8(b)) << (2 * kLanes));
            while (mask != 0) {
                const std::size_t at = half + LaneOf(mask);
                if (std::memcmp(p + at + 1, rest, restBytes) == 0) return at;
                mask &= mask - 1;
                mask &= mask - 1;
            }
        }
    }
    for (; i + kLanes - 1 <= lastStart; i += kLanes) {
        const __m128i hits =
            _mm_and_si128(_mm_cmpeq_epi16(Load(p + i), first), _mm_cmpeq_epi16(Load(p + i + m - 1), last));
        unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
        while (mask != 0) {
            const std::size_t at = i + LaneOf(mask);
            if (std::memcmp(p + at + 1, rest, restBytes) == 0) return at;
            mask &= mask - 1;
            mask &= mask - 1;
        }
    }
#endif
    for (; i <= lastStart; ++i) {
        if (p[i] == needle.front() && std::memcmp(p + i + 1, rest, restBytes) == 0) return i;
    }
    return npos;
}

}  // namespace ferrik
