#include <gtest/gtest.h>

#include <random>
#include <string>

#include "analysis/dbcs_table.h"
#include "host/support/iconv_decoder.h"

namespace ferrik {
namespace {

// A small double-byte code page with the quirks converters have: lead bytes 0x81-0x83; a pair
// with a second byte from 0x40 is one character, one below 0x40 gives '?' for the lead byte and
// is read again; 0x83 0x41 gives three units; 0x82 followed by a lead byte gives '?' and reads
// that lead byte again; a lead byte at the end gives nothing. `yen`: 0x5C reads as U+00A5.
struct ToyCodePage {
    bool yen = false;

    static bool IsLead(unsigned b) { return b >= 0x81 && b <= 0x83; }

    Text operator()(std::string_view bytes) const {
        Text out;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const unsigned b = static_cast<unsigned char>(bytes[i]);
            if (!IsLead(b)) {
                out += b == 0x5C && yen ? u'\u00A5' : b == 0x80 ? u'\u20AC' : static_cast<char16_t>(b);
                continue;
            }
            if (i + 1 == bytes.size()) break;
            const unsigned next = static_cast<unsigned char>(bytes[i + 1]);
            if (next < 0x40 || (b == 0x82 && IsLead(next))) {
                out += u'?';
            } else if (b == 0x83 && next == 0x41) {
                out += u"XYZ";
                ++i;
            } else {
                out += static_cast<char16_t>(0x4E00 + (b - 0x81) * 256 + next);
                ++i;
            }
        }
        return out;
    }
};

std::array<bool, 256> LeadBytes(unsigned first, unsigned last) {
    std::array<bool, 256> lead{};
    for (unsigned b = first; b <= last; ++b) lead[b] = true;
    return lead;
}

DbcsTable ToyTable(bool yen) {
    return DbcsTable(LeadBytes(0x81, 0x83), ToyCodePage{yen});
}

// Bodies of bytes drawn from `alphabet`, among long ASCII runs so that the wide path is taken.
std::vector<std::string> RandomBodies(std::string_view alphabet, int count) {
    std::mt19937 random(31);
    std::vector<std::string> bodies;
    for (int k = 0; k < count; ++k) {
        std::string body;
        const std::size_t length = random() % 200;
        for (std::size_t i = 0; i < length; ++i) {
            body += random() % 3 == 0 ? std::string(random() % 40, static_cast<char>('a' + random() % 26))
                                      : std::string(1, alphabet[random() % alphabet.size()]);
        }
        bodies.push_back(body);
    }
    return bodies;
}

TEST(DbcsTable, DecodesEveryWindowAsTheConverter) {
    const std::string bytes("\x00\x20\x3F\x40\x41\x5C\x7E\x7F\x80\x81\x82\x83\x84\xA1\xFE\xFF", 16);
    for (const bool yen : {false, true}) {
        const DbcsTable table = ToyTable(yen);
        const ToyCodePage convert{yen};
        for (const char a : bytes) {
            for (const char b : bytes) {
                for (const char c : bytes) {
                    // Alone, and after and before runs of ASCII long enough for the wide path.
                    for (const std::string& body :
                         {std::string{a, b, c}, std::string(20, 'x') + a + b + c, a + std::string(20, '\\') + b + c,
                          std::string{a, b} + std::string(17, 'y') + c}) {
                        SCOPED_TRACE(testing::PrintToString(body) + (yen ? " yen" : ""));
                        ASSERT_EQ(table.Decode(body), convert(body));
                    }
                }
            }
        }
        for (const std::string& body : RandomBodies(bytes, 300)) {
            ASSERT_EQ(table.Decode(body), convert(body));
            // Appended after text already there, which stays as it was.
            Text onto = u"\u4E2Dx";
            table.DecodeAppend(body, onto);
            ASSERT_EQ(onto, u"\u4E2Dx" + convert(body));
        }
    }
}

TEST(DbcsTable, LeavesToTheConverterOnlyWhatItCannotHold) {
    // 0x83 0x41 (three units) and 0x82 before each of the three lead bytes.
    EXPECT_EQ(ToyTable(false).UndecidedPairs(), 4u);
    const struct {
        std::string body;
        const char16_t* expected;
    } cases[] = {
        {"\x83\x41", u"XYZ"},
        {"a\x83\x41" "b", u"aXYZb"},
        {"\x82\x81\x41", u"?\u4E41"},
        {"\x82\x82\x82\x41" "c", u"??\u4F41c"},
        {"\x82\x83\x41\x83\x41", u"?XYZXYZ"},
        {"\x82\x83", u"?"},
        {"\x81\x20\x81", u"? "},
        {"\x80\xFF\x81\x40", u"\u20AC\u00FF\u4E40"},
    };
    const DbcsTable table = ToyTable(false);
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.body));
        EXPECT_EQ(table.Decode(c.body), c.expected);
        Text onto = u"ab";
        table.DecodeAppend(c.body, onto);
        EXPECT_EQ(onto, Text(u"ab") + c.expected);
    }
}

// Runs of pairs are decoded by a lookup each, in blocks of some thousand units: runs longer than a
// block, and runs that end at every kind of byte, decode as the converter decodes them.
TEST(DbcsTable, RunsOfPairs) {
    const std::string pairs = [] {
        std::string run;
        for (int k = 0; k < 2500; ++k) run += k % 2 ? "\x81\x41" : "\x82\xFE";
        return run;
    }();
    const std::string cases[] = {
        pairs,
        "a" + pairs,
        pairs + "\x81",                        // a lead byte at the end
        pairs + "\x83\x41" + pairs,            // a pair of three units
        pairs + "\x81\x20" + pairs,            // a broken pair: the second byte is read again
        pairs + "\x82\x81\x41",                // a lead byte as the second byte
        pairs + "\x80" + pairs + "\xFF",        // single bytes above ASCII
        pairs + std::string(40, 'x') + pairs,  // into the wide ASCII path and out of it
        std::string(4085, 'x') + pairs,         // a run that starts near a block's end
    };
    for (const bool yen : {false, true}) {
        const DbcsTable table = ToyTable(yen);
        for (const std::string& body : cases) {
            SCOPED_TRACE(testing::PrintToString(body.substr(body.size() - 8)) + " of " + std::to_string(body.size()));
            EXPECT_EQ(table.Decode(body), ToyCodePage{yen}(body));
        }
    }
}

TEST(DbcsTable, AsciiThatTheCodePageChangesIsNotCopied) {
    const std::string body = std::string(40, '\\') + "C:\\film\\";
    EXPECT_EQ(ToyTable(true).Decode(body), ToyCodePage{true}(body));
    EXPECT_EQ(ToyTable(true).Decode(body).substr(0, 2), u"\u00A5\u00A5");
    EXPECT_EQ(ToyTable(false).Decode(body), FromUtf8(body));
}

// The host's GBK converter (glibc's), whose broken pairs skip one byte and read the next again:
// the table built from it decodes as it does.
TEST(DbcsTable, GbkFromTheHostConverter) {
    const test::IconvDecoder iconv;
    const auto convert = [&iconv](std::string_view bytes) { return iconv.Decode(bytes, u"GBK"); };
    const DbcsTable table(LeadBytes(0x81, 0xFE), convert);
    for (unsigned a = 0; a < 256; ++a) {
        for (unsigned b = 0; b < 256; ++b) {
            const std::string body{static_cast<char>(a), static_cast<char>(b), '\x81'};
            ASSERT_EQ(table.Decode(body), convert(body)) << a << " " << b;
        }
    }
    std::string alphabet;
    for (unsigned b = 0x20; b < 256; b += 3) alphabet += static_cast<char>(b);
    for (const std::string& body : RandomBodies(alphabet, 300)) ASSERT_EQ(table.Decode(body), convert(body));
    EXPECT_EQ(table.Decode(test::EncodeGbk(u"第1集 天龙八部.rmvb")), u"第1集 天龙八部.rmvb");
}

}  // namespace
}  // namespace ferrik
