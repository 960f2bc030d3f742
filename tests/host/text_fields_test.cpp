#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <random>
#include <string>

#include "common/text_fields.h"
#include "common/text_search.h"

namespace ferrik {
namespace {

struct SplitCase {
    TextView line;
    TextView delimiter;
    std::int32_t index;
    TextView expected;
};

TEST(SplitField, Table) {
    const SplitCase cases[] = {
        {u"a|b|c|", u"|", 0, u"a"},  {u"a|b|c|", u"|", 2, u"c"},
        {u"a|b|c|", u"|", 3, u""},  // the piece after the last "|" is empty
        {u"a|b|c|", u"|", 4, u""},  // no such piece
        {u"", u"|", 0, u""},         {u"abc", u"|", 0, u"abc"},
        {u"abc", u"|", 1, u""},      {u"abc", u"|", -1, u""},
        {u"||x", u"|", 2, u"x"},     {u"a<>b<>c", u"<>", 1, u"b"},
        {u"a<><>c", u"<>", 2, u"c"}, {u"aXbxc", u"x", 1, u"c"},  // exact, case-sensitive
        {u"ab", u"", 0, u"ab"},                                  // an empty delimiter leaves one piece
        {u"ab", u"", 1, u""},        {u"站点|方案|名称", u"|", 2, u"名称"},
    };
    for (const SplitCase& c : cases) {
        EXPECT_EQ(SplitField(c.line, c.delimiter, c.index), c.expected)
            << ToUtf8(c.line) << " / " << ToUtf8(c.delimiter) << " / " << c.index;
    }
}

struct UnEscapeCase {
    TextView input;
    TextView expected;
};

TEST(vbUnEscape, Table) {
    const UnEscapeCase cases[] = {
        {u"%41%42", u"AB"},
        {u"%u4E2D%u6587", u"中文"},
        {u"%E4%B8%AD", u"\u00E4\u00B8\u00AD"},  // bytes stay Latin-1 characters
        {u"%U4E2D", u"%U4E2D"},
        {u"%u12", u"%u12"},
        {u"x%u123", u"x%u123"},
        {u"%u1234", u"\u1234"},  // exactly at the end
        {u"100%", u"100%"},
        {u"50%zz", u"50%zz"},
        {u"%4", u"%4"},
        {u"%4g", u"%4g"},
        {u"%%41", u"%A"},
        {u"%u00411", u"A1"},
        {u"%u004G1", u"%u004G1"},
        {TextView(u"%00", 3), TextView(u"\0", 1)},
        {u"", u""},
        {u"%ud83d%ude00", u"\U0001F600"},  // a pair written as two escapes
        {u"%uD800x", u"\xD800x"},          // a lone surrogate is kept
        {u"%uffff%FF%ff", u"\uFFFF\u00FF\u00FF"},
        {u"qvod%3A%2F%2F123%7CABC%7C%u7B2C1%u96C6%7C", u"qvod://123|ABC|第1集|"},
        {u"%%u0041u", u"%Au"},
        {u"%u%41", u"%uA"},
        // Runs after an escape, moved down eight units at a time: a "%" in them, at every place
        // of the eight, must stay unread until it is looked at.
        {u"%41abcdefgh%42", u"AabcdefghB"},
        {u"%41abcdefg%42", u"AabcdefgB"},
        {u"%41abcdefg%zzabcdefgh%42", u"Aabcdefg%zzabcdefghB"},
        {u"%41%zabcdefghijklmno%42xyz", u"A%zabcdefghijklmnoBxyz"},
        {u"%u4E2Dabcdefgh%u6587ijklmnopqrstuvw", u"中abcdefgh文ijklmnopqrstuvw"},
        {u"%41abcdefghijklmnop", u"Aabcdefghijklmnop"},
        {u"%41abcdefgh1234567%4", u"Aabcdefgh1234567%4"},
        {u"%7C0123456%u7B2C0123456789abcdef%7C", u"|0123456第0123456789abcdef|"},
    };
    for (const UnEscapeCase& c : cases) {
        EXPECT_EQ(vbUnEscape(c.input), c.expected) << ToUtf8(c.input);
    }
}

// The SIMD search must agree with the plain one at every alignment and near the ends.
// A text unescaped in two steps, the first stopping at any limit that leaves five units after
// it, gives what the whole text gives.
TEST(vbUnEscape, InTwoStepsAsInOne) {
    const Text texts[] = {u"%u4E2D%u6587%41%42", u"a%%41%u00411%U4E2D50%zz%u12%E4%B8%AD%",
                          u"%%%%u%u%u4%u4E%u4E2%u4E2D%4%41%", u"no escape at all, 100% plain"};
    for (const Text& text : texts) {
        for (std::size_t limit = 0; limit + 5 <= text.size(); ++limit) {
            Text steps = text;
            const std::size_t done = UnEscapeBefore(steps, limit);
            Text rest = steps.substr(done);
            ASSERT_TRUE(rest.empty() || rest[0] == u'%') << ToUtf8(text) << " " << limit;
            UnEscapeInPlace(rest);
            EXPECT_EQ(steps.substr(0, done) + rest, vbUnEscape(text)) << ToUtf8(text) << " " << limit;
        }
    }
}

// Unescaping from a position on: what stands before it, escapes and all, is left as it is, and
// the return is where the unescaped part ends.
TEST(vbUnEscape, BetweenAPositionAndALimit) {
    const struct {
        const char16_t* text;
        std::size_t from, limit;
        const char16_t* expected;
        std::size_t done;
    } cases[] = {
        {u"%41%42%43", 3, 9, u"%41BC", 5},
        {u"%41%42%43", 3, 6, u"%41B%43", 4},           // the escape at the limit waits
        {u"%2541%42", 3, 8, u"%2541B", 6},             // "41" after the start is no escape
        {u"%u4E2D%u6587", 1, 12, u"%u4E2D文", 7},  // from inside an escape
        {u"ab%41cd", 5, 7, u"ab%41cd", 7},             // nothing after the start
        {u"ab%41cd", 0, 0, u"ab%41cd", 2},
        {u"ab%41", 9, 9, u"ab%41", 5},                 // a start past the end
    };
    for (const auto& c : cases) {
        Text text = c.text;
        EXPECT_EQ(UnEscapeBetween(text, c.from, c.limit), c.done) << ToUtf8(c.text) << " " << c.from;
        EXPECT_EQ(text, c.expected) << ToUtf8(c.text) << " " << c.from;
    }
}

TEST(TextSearch, AgreesWithPlainSearch) {
    std::mt19937 random(7);
    const char16_t alphabet[] = u"qvod:/|%x\uFF71\u7171";
    const TextView needles[] = {u"qvod://", u"|", u"//", u"qq", u"\uFF71\u7171", u"qvod://q", u"%"};
    for (int round = 0; round < 400; ++round) {
        Text text(random() % 150, u'x');
        for (char16_t& c : text) c = alphabet[random() % (std::size(alphabet) - 1)];
        if (round % 3 == 0 && text.size() > 10) text.replace(random() % (text.size() - 7), 7, u"qvod://");
        for (TextView needle : needles) {
            for (std::size_t from = 0; from <= text.size() + 1; ++from) {
                ASSERT_EQ(FindText(text, needle, from), TextView(text).find(needle, from))
                    << ToUtf8(text) << " / " << ToUtf8(needle) << " / " << from;
            }
        }
        for (std::size_t from = 0; from <= text.size() + 1; ++from) {
            ASSERT_EQ(FindUnit(text, u'|', from), TextView(text).find(u'|', from));
            ASSERT_EQ(FindFirstOf(text, u'|', u'%', u'\u7171', from), TextView(text).find_first_of(u"|%\u7171", from));
        }
    }
    EXPECT_EQ(FindText(u"abc", u"", 3), 3u);
    EXPECT_EQ(FindText(u"abc", u"", 4), TextView::npos);
}

}  // namespace
}  // namespace ferrik
