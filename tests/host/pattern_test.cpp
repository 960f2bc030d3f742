#include <gtest/gtest.h>

#include <random>
#include <string>

#include "analysis/pattern.h"
#include "support/pattern_reference.h"

namespace ferrik {
namespace {

struct MatchCase {
    const char16_t* pattern;
    const char16_t* address;
    bool matches;
};

// Each row is one behaviour of the pattern table; the address is matched whole.
constexpr MatchCase kMatchCases[] = {
    // the site examples
    {u"*/play/*.html", u"http://www.site.com/PLAY/1.HTML", true},
    {u"*/play/*.html", u"http://www.site.com/list/1.html", false},
    {u"*/ep##.htm", u"http://v.site.cn/show/ep07.htm", true},
    {u"*/ep##.htm", u"http://v.site.cn/show/ep7.htm", false},
    {u"*/ep##.htm", u"http://v.site.cn/show/ep007.htm", false},
    {u"*", u"", true},
    {u"", u"", true},
    // whole address, whole pattern
    {u"abc", u"abc", true},
    {u"abc", u"abcd", false},
    {u"a*", u"a", true},
    {u"*a", u"ba", true},
    {u"a*b*c", u"a-b-b-c", true},
    {u"a*b*c", u"a-c-b", false},
    {u"a*bc*bc", u"abcbc", true},
    {u"a*bc*bc", u"abc", false},  // the two end segments may not overlap
    {u"*aa*aa", u"aaa", false},
    {u"*aa*aa", u"aaaa", true},
    {u"**a***", u"xxaxx", true},
    // ? and #
    {u"?", u"中", true},
    {u"?", u"", false},
    {u"#", u"0", true},
    {u"#", u"a", false},
    {u"#", u"٣", false},  // digits are 0-9 only
    // lists and ranges
    {u"[abc]", u"b", true},
    {u"[a-c]x", u"bx", true},
    {u"[a-a]", u"a", true},
    {u"[-a]", u"-", true},
    {u"[a-]", u"-", true},
    {u"[a-]", u"b", false},
    {u"[!-a]", u"-", false},
    {u"[a-c-e]", u"-", true},  // a-c, then "-" and "e" as members
    {u"[a-c-e]", u"d", false},
    {u"[!abc]", u"d", true},
    {u"[!a-z]", u"5", true},
    {u"[!a-z]", u"", false},  // a negated list still takes one character
    {u"[a!]", u"!", true},    // "!" not first is a member
    {u"[一-龥]", u"中", true},
    {u"[α-ω]", u"Δ", true},  // lower-cased first: Δ becomes δ
    // [] consumes nothing; [!] takes any one character
    {u"a[]b", u"ab", true},
    {u"[]", u"", true},
    {u"[]]", u"]", true},
    {u"*[]*x", u"ax", true},
    {u"a[!]c", u"abc", true},
    {u"a[!]c", u"ac", false},
    // special characters made literal by brackets, or literal by themselves
    {u"[[]", u"[", true},
    {u"[?]", u"?", true},
    {u"[#]", u"#", true},
    {u"a[*]", u"a*", true},
    {u"!", u"!", true},
    {u"a]b", u"a]b", true},
    // case
    {u"ABC", u"abc", true},
    {u"[A-C]", u"b", true},
    {u"ÄÖ*", u"äöX", true},
    // a middle segment found past Chinese text, far into the address
    {u"*/play/*.html", u"http://电影网.cn/电影电影电影/PLAY/第1集.html", true},
    {u"*x*", u"中中中中中中中中中中X", true},
    {u"*k*", u"中中中中中中中中中中\u212A", true},  // KELVIN SIGN lower-cases to k
    {u"*k*", u"中中中中中中中中中中Ｋ", false},  // FULLWIDTH K lower-cases to fullwidth k
    // UTF-16 code units: a character outside the BMP is two
    {u"??", u"😀", true},
    {u"?", u"😀", false},
};

TEST(Pattern, MatchTable) {
    for (const MatchCase& c : kMatchCases) {
        const std::optional<Pattern> p = Pattern::Compile(c.pattern);
        ASSERT_TRUE(p.has_value()) << ToUtf8(c.pattern);
        EXPECT_EQ(p->Matches(c.address), c.matches) << ToUtf8(c.pattern) << " vs " << ToUtf8(c.address);
    }
}

TEST(Pattern, InvalidPatternsAreReportedNotTreatedAsNoMatch) {
    for (const char16_t* pattern : {u"[z-a]", u"[", u"abc[", u"[abc", u"[!", u"[a-", u"[9-0]*", u"*[b-a]*",
                                    u"[Z-a]" /* lower-cased first: z-a */}) {
        EXPECT_FALSE(Pattern::Compile(pattern).has_value()) << ToUtf8(pattern);
    }
}

// Stars that a backtracking matcher would try in every combination: 14 stars against 2,000
// characters that almost match, in a few shapes.
TEST(Pattern, ManyStarsAgainstLongAddress) {
    const Text address = Text(2000, u'a');
    const Pattern failing = *Pattern::Compile(u"*a*a*a*a*a*a*a*a*a*a*a*a*a*b");
    EXPECT_FALSE(failing.Matches(address));
    const Pattern failingMiddle = *Pattern::Compile(u"a*a*a*a*a*a*a*a*a*a*a*a*a*b*a");
    EXPECT_FALSE(failingMiddle.Matches(address));
    const Pattern passing = *Pattern::Compile(u"*a*a*a*a*a*a*a*a*a*a*a*a*a*a");
    EXPECT_TRUE(passing.Matches(address));
    Text almost = address;
    almost[1000] = u'b';
    EXPECT_TRUE(failingMiddle.Matches(almost + u"a"));
    EXPECT_FALSE(Pattern::Compile(u"*[!a]*[!a]*")->Matches(almost));
}

// Random short patterns built from the language's pieces, checked against the slow reference:
// covers the way segments between stars are placed, which the table above only samples.
TEST(Pattern, AgreesWithReferenceOnRandomInputs) {
    static constexpr const char16_t* kPieces[] = {u"a",    u"b",  u"1",   u"*",     u"?",     u"#",    u"[ab]",
                                                  u"[!a]", u"[]", u"[!]", u"[a-]",  u"[0-9]", u"[-b]", u"**",
                                                  u"]",    u"!",  u"A",   u"[b-a]", u"["};
    static constexpr char16_t kChars[] = u"ab1-AB!]";
    std::mt19937 rng(20240601);
    for (int round = 0; round < 20000; ++round) {
        Text pattern;
        for (int k = std::uniform_int_distribution<int>(0, 7)(rng); k > 0; --k) {
            pattern += kPieces[std::uniform_int_distribution<std::size_t>(0, std::size(kPieces) - 1)(rng)];
        }
        Text address;
        for (int k = std::uniform_int_distribution<int>(0, 10)(rng); k > 0; --k) {
            address += kChars[std::uniform_int_distribution<std::size_t>(0, std::size(kChars) - 2)(rng)];
        }
        const std::optional<bool> expected = test::ReferenceMatch(pattern, address);
        const std::optional<Pattern> compiled = Pattern::Compile(pattern);
        ASSERT_EQ(compiled.has_value(), expected.has_value()) << ToUtf8(pattern);
        if (compiled) {
            ASSERT_EQ(compiled->Matches(address), *expected) << ToUtf8(pattern) << " vs " << ToUtf8(address);
        }
    }
}

}  // namespace
}  // namespace ferrik
