#include "tasks/natural_order.h"

#include <gtest/gtest.h>

#include <vector>

namespace ferrik {
namespace {

// Names in ascending natural order; the names of one group rank alike.
const std::vector<std::vector<Text>> kAscending = {
    {u""},
    {u" 片头"},  // a space ranks below the digits
    {u"0", u"000"},
    {u"1", u"01", u"１"},  // leading zeros and full-width digits: the value counts
    {u"2"},
    {u"2x"},  // 2 < 9: the run decides before what follows it
    {u"9"},
    {u"10", u"１0"},
    {u"99999999999999999999"},  // longer than any machine word
    {u"100000000000000000000"},
    {u":"},  // above '9', below the letters
    {u"_"},  // below the small letters, which capitals fold to
    {u"A", u"a"},
    {u"a2"},
    {u"A10", u"a10"},
    {u"a10b"},
    {u"ab", u"AB", u"aB"},
    {u"abc"},
    {u"B"},  // after "abc": case does not put capitals first
    {u"b集"},
    {u"z"},
    {u"笑傲江湖"},  // U+7B11
    {u"第2集"},     // U+7B2C
    {u"第2集.rmvb", u"第02集.rmvb"},
    {u"第10集"},
    {u"第10集.rmvb", u"第10集.RMVB"},
    {u"第100集"},
    {u"Ａ", u"ａ"},   // full-width letters fold as well
    {u"\U00020000"},  // a code point above U+FFFF, above every unit below U+D800
};

int Sign(int v) {
    return (v > 0) - (v < 0);
}

TEST(NaturalOrder, NamesRankAsTheTableSays) {
    for (std::size_t g = 0; g < kAscending.size(); ++g)
        for (std::size_t h = 0; h < kAscending.size(); ++h)
            for (const Text& a : kAscending[g])
                for (const Text& b : kAscending[h])
                    EXPECT_EQ(Sign(NaturalCompare(a, b)), g < h   ? -1
                                                          : g > h ? 1
                                                                  : 0)
                        << ToUtf8(a) << " against " << ToUtf8(b);
}

}  // namespace
}  // namespace ferrik
