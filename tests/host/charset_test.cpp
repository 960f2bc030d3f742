#include <gtest/gtest.h>

#include "analysis/charset.h"

namespace ferrik {
namespace {

constexpr Charset Cp(std::uint32_t codePage) {
    return {CharsetForm::CodePage, codePage};
}

TEST(Charset, LabelsMapToTheirConverters) {
    const struct {
        const char16_t* label;
        Charset expected;
    } cases[] = {
        {u"GB2312", Cp(936)},
        {u"gbk", Cp(936)},
        {u"x-gbk", Cp(936)},
        {u"cp936", Cp(936)},
        {u"GB18030", Cp(54936)},
        {u"UTF-8", Cp(65001)},
        {u"utf8", Cp(65001)},
        {u"Big5", Cp(950)},
        {u"big5-hkscs", Cp(950)},
        {u"Shift_JIS", Cp(932)},
        {u"EUC-JP", Cp(20932)},
        {u"euc-kr", Cp(949)},
        {u"ks_c_5601-1987", Cp(949)},
        {u"iso-8859-1", Cp(1252)},
        {u"US-ASCII", Cp(1252)},
        {u"windows-1251", Cp(1251)},
        {u"iso-8859-9", Cp(1254)},
        {u"koi8-r", Cp(20866)},
        {u"utf-16", {CharsetForm::Utf16Le, 0}},
        {u"UTF-16LE", {CharsetForm::Utf16Le, 0}},
        {u"utf-16be", {CharsetForm::Utf16Be, 0}},
        {u" \tGB2312\r\n", Cp(936)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUtf8(c.label));
        const auto found = FindCharset(c.label);
        ASSERT_TRUE(found.has_value());
        EXPECT_EQ(*found, c.expected);
    }
}

TEST(Charset, UnknownLabelsAreNotGuessed) {
    for (const char16_t* label :
         {u"", u"   ", u"gb 2312", u"gb2312x", u"utf", u"ＧＢＫ", u"iso-8859-10", u"hz-gb-2312"}) {
        SCOPED_TRACE(ToUtf8(label));
        EXPECT_FALSE(FindCharset(label).has_value());
    }
}

TEST(Charset, Utf16KeepsCodeUnitsAndMarksAnOddByte) {
    EXPECT_EQ(DecodeUtf16("\x2D\x4E\x87\x65", false), u"中文");
    EXPECT_EQ(DecodeUtf16("\x4E\x2D\x65\x87", true), u"中文");
    EXPECT_EQ(DecodeUtf16(std::string_view("\x3D\xD8\x00\xDC\x00\xD8", 6), false),
              Text(u"\U0001F400") + char16_t(0xD800));
    EXPECT_EQ(DecodeUtf16(std::string_view("A\0B", 3), false), u"A\uFFFD");
    EXPECT_EQ(DecodeUtf16("", true), u"");
}

}  // namespace
}  // namespace ferrik
