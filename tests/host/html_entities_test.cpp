#include <gtest/gtest.h>

#include "analysis/html_entities.h"

namespace ferrik {
namespace {

// Names that share prefixes, with and without ';', the longest name winning, and names that
// only start like one.
TEST(HtmlEntities, MatchesTheLongestReference) {
    struct Case {
        const char16_t* name;
        char16_t next;
        std::size_t length;
        char32_t first, second;
        bool semicolon;
    };
    const Case cases[] = {
        {u"notin", u';', 6, 0x2209, 0, true},   {u"notin", u' ', 3, 0x00AC, 0, false},
        {u"not", u';', 4, 0x00AC, 0, true},     {u"noti", u';', 3, 0x00AC, 0, false},
        {u"ampere", u';', 3, 0x0026, 0, false}, {u"AMP", 0, 3, 0x0026, 0, false},
        {u"fjlig", u';', 6, 0x0066, 0x006A, true}, {u"fjlig", u'=', 0, 0, 0, false},
        {u"ac", u';', 3, 0x223E, 0, true},      {u"Ac", u';', 0, 0, 0, false},
        {u"NotNestedGreaterGreater", u';', 24, 0x2AA2, 0x0338, true},
        {u"NotNestedGreaterGreate", u';', 0, 0, 0, false},
        {u"ltx", u'<', 2, 0x003C, 0, false},   {u"xyz", u';', 0, 0, 0, false},
    };
    for (const Case& c : cases) {
        const NamedReference r = MatchNamedReference(c.name, c.next);
        EXPECT_EQ(r.length, c.length) << ToUtf8(c.name);
        if (r.length == 0) continue;
        EXPECT_EQ(r.first, c.first) << ToUtf8(c.name);
        EXPECT_EQ(r.second, c.second) << ToUtf8(c.name);
        EXPECT_EQ(r.semicolon, c.semicolon) << ToUtf8(c.name);
    }
}

}  // namespace
}  // namespace ferrik
