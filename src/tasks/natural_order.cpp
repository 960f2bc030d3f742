#include "tasks/natural_order.h"

namespace ferrik {

namespace {

// ASCII digits and the full-width ones of CJK text; -1 for any other unit.
int DigitValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= 0xFF10 && c <= 0xFF19) return c - 0xFF10;
    return -1;
}

// The code point at `i` (a surrogate pair read whole, a lone surrogate as itself), `i` moved past
// it, Latin capitals (ASCII and full-width) folded to small letters.
char32_t FoldedCodePointAt(TextView s, std::size_t& i) {
    char32_t c = s[i++];
    if (c >= 0xD800 && c <= 0xDBFF && i < s.size() && s[i] >= 0xDC00 && s[i] <= 0xDFFF)
        c = 0x10000 + ((c - 0xD800) << 10) + (s[i++] - 0xDC00);
    if ((c >= U'A' && c <= U'Z') || (c >= 0xFF21 && c <= 0xFF3A)) c += 0x20;
    return c;
}

// The run of digits from `i`, without its leading zeros: [begin, end), `i` moved past it.
struct DigitRun {
    std::size_t begin, end;
};
DigitRun ReadRun(TextView s, std::size_t& i) {
    while (i < s.size() && DigitValue(s[i]) == 0) ++i;
    const std::size_t begin = i;
    while (i < s.size() && DigitValue(s[i]) >= 0) ++i;
    return {begin, i};
}

// Runs compare by value: more significant digits are more, else digit by digit. Any length works.
int CompareRuns(TextView a, DigitRun ra, TextView b, DigitRun rb) {
    const std::size_t la = ra.end - ra.begin, lb = rb.end - rb.begin;
    if (la != lb) return la < lb ? -1 : 1;
    for (std::size_t k = 0; k < la; ++k) {
        const int da = DigitValue(a[ra.begin + k]), db = DigitValue(b[rb.begin + k]);
        if (da != db) return da < db ? -1 : 1;
    }
    return 0;
}

}  // namespace

// The texts are read as sequences of pieces: a run of digits, or one character. A run against a
// character ranks as the digits' code points do ('0' to '9'): a character is never a digit, so
// this does not depend on the run, and the order of pieces stays a total preorder.
int NaturalCompare(TextView a, TextView b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const bool digitA = DigitValue(a[i]) >= 0, digitB = DigitValue(b[j]) >= 0;
        if (digitA && digitB) {
            const DigitRun ra = ReadRun(a, i), rb = ReadRun(b, j);
            if (const int order = CompareRuns(a, ra, b, rb)) return order;
            continue;
        }
        std::size_t ni = i, nj = j;
        const char32_t ca = digitA ? U'0' : FoldedCodePointAt(a, ni);
        const char32_t cb = digitB ? U'0' : FoldedCodePointAt(b, nj);
        if (ca != cb) return ca < cb ? -1 : 1;
        i = ni;
        j = nj;
    }
    return static_cast<int>(i < a.size()) - static_cast<int>(j < b.size());
}

}  // namespace ferrik
