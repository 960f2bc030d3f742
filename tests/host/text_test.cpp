#include <gtest/gtest.h>

#include "common/text.h"

namespace ferrik {
namespace {

TEST(Text, Utf8RoundTripKeepsEveryPlane) {
    const std::string s = "abc 中文 \xF0\x9F\x8E\xAC end";
    const Text t = FromUtf8(s);
    EXPECT_EQ(t, u"abc 中文 \U0001F3AC end");
    EXPECT_EQ(ToUtf8(t), s);
}

TEST(Text, InvalidUtf8AndLoneSurrogatesBecomeReplacementCharacters) {
    EXPECT_EQ(FromUtf8("a\xFF" "b\xE4\xB8"), u"a\uFFFDb\uFFFD\uFFFD");
    EXPECT_EQ(FromUtf8("\xC0\xAF"), u"\uFFFD\uFFFD");  // overlong
    EXPECT_EQ(ToUtf8(Text(1, char16_t(0xD800)) + u"x"), "\xEF\xBF\xBDx");
}

TEST(Text, LowerCaseCoversMoreThanAscii) {
    EXPECT_EQ(ToLower(u"HTTP://Site-A.COM/ÄÖÜ/ΣΑΣ/ДОМ/Ａ"), u"http://site-a.com/äöü/σασ/дом/ａ");
    EXPECT_EQ(ToLower(u"中文123[]*?"), u"中文123[]*?");
    EXPECT_EQ(LowerChar(u'\u0100'), u'\u0101');  // stride-2 run
    EXPECT_EQ(LowerChar(u'\u0101'), u'\u0101');
}

TEST(Text, AsciiLowerFoldsOnlyAToZ) {
    struct Case {
        char16_t in, out;
    };
    // The neighbours of A-Z, a lower-case letter, and letters with case outside ASCII.
    const Case cases[] = {{u'A', u'a'}, {u'Z', u'z'}, {u'M', u'm'}, {u'@', u'@'}, {u'[', u'['},
                          {u'a', u'a'}, {u'Ä', u'Ä'}, {u'Σ', u'Σ'}, {u'Ａ', u'Ａ'}, {u'0', u'0'}};
    for (const Case& c : cases) EXPECT_EQ(AsciiLower(c.in), c.out) << int(c.in);
    EXPECT_EQ(AsciiLower(TextView(u"About:Blank ÄÖ")), u"about:blank ÄÖ");
}

TEST(Text, TrimDropsOnlySpaces) {
    EXPECT_EQ(TrimSpaces(u"  a b  "), u"a b");
    EXPECT_EQ(TrimSpaces(u"   "), u"");
    EXPECT_EQ(TrimSpaces(u"\ta\t"), u"\ta\t");
}

}  // namespace
}  // namespace ferrik
