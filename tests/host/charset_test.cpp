#include <gtest/gtest.h>

#include <random>
#include <string>

#include "analysis/charset.h"
#include "analysis/html_charset.h"
#include "host/support/iconv_decoder.h"

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

// The page decoder's own UTF-8 path must give what the converter gives, and leave every broken
// sequence to the converter: checked against it on chosen and on random bytes (well-formed
// exactly when the converter's text encodes back to the same bytes).
TEST(Charset, WellFormedUtf8DecodesAsTheConverterDoes) {
    const test::IconvDecoder converter;
    const auto check = [&](const std::string& bytes) {
        const Text plain = converter.Decode(bytes, u"utf-8");
        const bool wellFormed = ToUtf8(plain) == bytes;
        Text fast = u"stale";
        ASSERT_EQ(DecodeWellFormedUtf8(bytes, fast), wellFormed) << testing::PrintToString(bytes);
        if (wellFormed) {
            ASSERT_EQ(fast, plain) << testing::PrintToString(bytes);
        }
    };
    for (const char* bytes :
         {"", "<a href=x>0123456789abcdef</a>",
          "\xE7\xAC\xAC"
          "1\xE9\x9B\x86",
          "\xC2\x80\xDF\xBF", "\xEF\xBF\xBF\xEF\xBB\xBF", "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", "\xC0\x80", "\xC1\xBF",
          "\xE0\x9F\xBF", "\xED\xA0\x80", "\xF0\x8F\xBF\xBF", "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\x80",
          "abcdefg\xE7\xAC", "\xE7\xACx", "12345678\xFF"}) {
        check(bytes);
    }
    static constexpr unsigned char kBytes[] = {'a',  '<',  0x00, 0x7F, 0x80, 0xBF, 0xC2, 0xDF, 0xE0,
                                               0xE7, 0xED, 0xEF, 0xF0, 0xF4, 0xF5, 0xA0, 0x9F, 0x8F};
    std::mt19937 random(22);
    for (int round = 0; round < 20000; ++round) {
        std::string bytes(random() % 24, 'a');
        for (char& b : bytes) b = static_cast<char>(kBytes[random() % std::size(kBytes)]);
        check(bytes);
    }
}

// A long body comes in pieces cut where no character can straddle the cut, markup without blanks
// included, and the pieces read as the whole does.
TEST(BodyDecoder, CutsBetweenCharactersAlsoInMarkupWithoutBlanks) {
    const auto repeated = [](std::string_view piece, std::size_t times) {
        std::string out;
        for (std::size_t i = 0; i < times; ++i) out += piece;
        return out;
    };
    struct Case {
        const char* label;
        std::string body;
    };
    const Case cases[] = {
        {"gbk", repeated("<b>", 400000)},
        {"gbk", repeated("<b>\xb5\xda\x31\xbc\xaf", 100000)},       // 第1集
        {"gb18030", repeated("\x81\x39\xee\x39:\x81\x30\x81\x30;", 100000)},  // four-byte forms, digits inside
        {"big5", repeated("<i>\xa4\x40=\xb9\x71?", 100000)},
        {"shift_jis", repeated("\x89\x66\x89\xe6<>", 100000)},
        {"utf-8", repeated("<b>\xe7\xac\xac</b>", 100000)},
    };
    const test::IconvDecoder decoder;
    for (const Case& c : cases) {
        const std::optional<Encoding> encoding = EncodingForLabel(c.label);
        ASSERT_TRUE(encoding) << c.label;
        BodyDecoder pieces(c.body, *encoding, decoder);
        Text piece, all;
        int count = 0;
        while (pieces.Next(piece)) {
            all += piece;
            ++count;
        }
        EXPECT_GT(count, 4) << c.label;
        EXPECT_EQ(all, decoder.Decode(c.body, encoding->label)) << c.label;
    }
}

}  // namespace
}  // namespace ferrik
