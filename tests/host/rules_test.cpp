#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/text_fields.h"
#include "host/support/fakes.h"
#include "host/support/iconv_decoder.h"
#include "rules/data_file.h"
#include "rules/ini_file.h"
#include "rules/scheme.h"
#include "rules/site_list.h"
#include "rules/text_lines.h"

namespace ferrik {
namespace {

using test::EncodeGbk;
using test::FakeStatus;
using test::IconvDecoder;

// Awkward but real INI text: what the Windows reader makes of each line is in the table below.
constexpr TextView kAwkwardIni =
    u"top=before any section\r\n"
    u"; a comment line\r\n"
    u"[Scheme]\r\n"
    u"  FilterStr =  *.html  \r\n"
    u"filterstr=second wins nothing\r\n"
    u"Quoted=\"  spaced  \"\r\n"
    u"Single='x'\r\n"
    u"Mixed=\"x'\r\n"
    u"Lone=\"\r\n"
    u"Empty=\"\"\r\n"
    u"Tabs=\t\x0B v \x1A\t\r\n"
    u"Eq=a=b\r\n"
    u"NoValue\r\n"
    u"NoValue=shadowed\r\n"
    u";Hidden=1\r\n"
    u"Inline=2 ; not a comment\r\n"
    u"Wide=\u3000第1集\u3000\r\n"
    u"=no name\r\n"
    u"\r\n"
    u"[ Spaced ]\r\n"
    u"a=1\r\n"
    u"[SCHEME]\r\n"
    u"Later=the first section of a name is the only one read\r\n"
    u"[Tail] anything\r\n"
    u"k=tail\r\n"
    u"[Open\r\n"
    u"k=still in Tail\r\n"
    u"[]\r\n"
    u"e=empty section\r\n"
    u"[Cr]\rx=1\ry=2\r"
    u"[Lf]\nx=3\n"
    u"[Mixed]\ra=1\rb=2\nc=3\n"
    u"[Case]\r\n"
    u"\uFF21\u00C4=full width\r\n"
    u"[End]\r\n"
    u"last=no final newline";

struct IniCase {
    TextView section;
    TextView key;
    TextView expected;
};

TEST(IniValue, AwkwardText) {
    const IniCase cases[] = {
        {u"Scheme", u"FilterStr", u"*.html"},
        {u"scheme", u"FILTERSTR", u"*.html"},
        {u" Scheme ", u" FilterStr\t", u"*.html"},
        {u"Scheme", u"Quoted", u"  spaced  "},
        {u"Scheme", u"Single", u"x"},
        {u"Scheme", u"Mixed", u"\"x'"},
        {u"Scheme", u"Lone", u"\""},
        {u"Scheme", u"Empty", u""},
        {u"Scheme", u"Tabs", u"v"},
        {u"Scheme", u"Eq", u"a=b"},
        {u"Scheme", u"NoValue", u""},
        {u"Scheme", u"Hidden", u""},
        {u"Scheme", u";Hidden", u"1"},
        {u"Scheme", u"Inline", u"2 ; not a comment"},
        {u"Scheme", u"Wide", u"\u3000第1集\u3000"},
        {u"Scheme", u"", u"no name"},
        {u"Scheme", u"Later", u""},
        {u"Scheme", u"a", u""},
        {u"Scheme", u"missing", u""},
        {u"", u"top", u"before any section"},
        {u"", u"e", u""},
        {u"Spaced", u"a", u"1"},
        {u"Tail", u"k", u"tail"},
        {u"Open", u"k", u""},
        {u"Cr", u"x", u"1"},
        {u"Cr", u"y", u"2"},
        {u"Lf", u"x", u"3"},
        {u"Mixed", u"b", u"2"},
        {u"Mixed", u"c", u"3"},
        {u"Case", u"\uFF41\u00E4", u""},  // letters beyond A-Z keep their case
        {u"Case", u"\uFF21\u00C4", u"full width"},
        {u"cASE", u"\uFF21\u00C4", u"full width"},
        {u"End", u"last", u"no final newline"},
        {u"Missing", u"a", u""},
    };
    for (const IniCase& c : cases) {
        EXPECT_EQ(IniValue(kAwkwardIni, c.section, c.key), c.expected) << ToUtf8(c.section) << "/" << ToUtf8(c.key);
    }
}

TEST(IniValue, NulEndsNamesAndValues) {
    const Text ini(u"[S\0x]\r\na=v\0w\r\nb\0c=2\r\n", 21);
    EXPECT_EQ(IniValue(ini, u"S", u"a"), u"v");
    EXPECT_EQ(IniValue(ini, u"S", u"b"), u"2");
}

// The classic reader fills 1000 bytes of code page 936: 999 bytes of whole characters at most.
TEST(IniValue, LongValuesAreCutToWholeCharactersIn999Bytes) {
    const Text x998(998, u'x');
    const struct {
        Text value;
        Text expected;
    } cases[] = {
        {Text(1200, u'x'), Text(999, u'x')},
        {Text(999, u'x'), Text(999, u'x')},
        {x998 + u"中", x998},
        {Text(997, u'x') + u"中y", Text(997, u'x') + u"中"},
        {Text(600, u'中'), Text(499, u'中')},
        {x998 + u"€€", x998 + u"€"},  // one byte in code page 936
        {u"\"" + Text(999, u'x') + u"\"", Text(999, u'x')},
        {u"\"" + Text(1000, u'x') + u"\"", Text(999, u'x')},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IniValue(u"[S]\r\nk=" + c.value + u"\r\n", u"S", u"k"), c.expected) << c.value.size();
    }
}

class TempDir : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = std::filesystem::temp_directory_path() /
                (std::string("ferrik-") + info->test_suite_name() + "-" + info->name() + "-" +
                 std::to_string(::getpid()));
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    Text Write(const std::string& name, const std::string& bytes) {
        std::ofstream(m_dir / name, std::ios::binary) << bytes;
        return Path(name);
    }
    Text Path(const std::string& name) const { return FromUtf8((m_dir / name).string()); }

    IconvDecoder decoder;

private:
    std::filesystem::path m_dir;
};

using DataFiles = TempDir;

TEST_F(DataFiles, IniFileIsGbkUnlessItCarriesAByteOrderMark) {
    const Text gbk = Write("gbk.dat", EncodeGbk(u"[电影]\r\nName=第1集\r\n"));
    EXPECT_EQ(ReadIniValue(u"电影", u"name", gbk, decoder), u"第1集");
    const Text utf8 = Write("utf8.dat",
                            "\xEF\xBB\xBF[S]\r\nName=\xE7\xAC\xAC"
                            "1\xE9\x9B\x86\r\n");
    EXPECT_EQ(ReadIniValue(u"S", u"Name", utf8, decoder), u"第1集");
    const Text utf16 = Write("utf16.dat", std::string("\xFF\xFE[\0S\0]\0\r\0\n\0k\0=\0\x2D\x4E", 18));
    EXPECT_EQ(ReadIniValue(u"S", u"k", utf16, decoder), u"中");
    const Text utf16be = Write("utf16be.dat", std::string("\xFE\xFF\0[\0S\0]\0\n\0k\0=\x4E\x2D", 16));
    EXPECT_EQ(ReadIniValue(u"S", u"k", utf16be, decoder), u"中");
}

TEST_F(DataFiles, MissingOrUnreadableFilesReadAsEmpty) {
    Text text = u"stale";
    EXPECT_FALSE(ReadDataFile(Path("missing.dat"), decoder, text));
    EXPECT_EQ(text, u"");
    EXPECT_EQ(ReadIniValue(u"S", u"k", Path("missing.dat"), decoder), u"");
    EXPECT_EQ(ReadIniValue(u"S", u"k", Path(""), decoder), u"");
    EXPECT_EQ(ReadIniValue(u"S", u"k", Path("missing-dir/x.dat"), decoder), u"");
    EXPECT_EQ(ReadIniValue(u"S", u"k", Path("."), decoder), u"");  // a directory
    EXPECT_EQ(ReadIniValue(u"S", u"k", Write("empty.dat", ""), decoder), u"");
}

struct SiteCase {
    TextView address;
    TextView scheme;
    bool found;
};

TEST(MatchSiteList, Table) {
    constexpr TextView kSites =
        u"\r\n"
        u"|emptysite|Nothing\r\n"
        u"site-a|schemeA|Site A\r"
        u"both.example|first|First\r\n"
        u"noscheme.example\r\n"
        u"电影|中文方案|中文\r\n"
        u"lf.example|lf\nnext.org|after-lf\r\n"
        u"Upper.Example|KeepCase|x\r\n"
        u"example|second|Second";
    const SiteCase cases[] = {
        {u"http://SITE-A/list.html", u"schemeA", true},
        {u"http://www.both.example/", u"first", true},
        {u"http://other.example/", u"second", true},
        {u"http://noscheme.example/", u"", true},
        {u"http://电影.cn/", u"中文方案", true},
        {u"http://lf.example/", u"lf\nnext.org", true},  // a lone LF ends no line
        {u"http://next.org/", u"", false},
        {u"http://UPPER.example.org", u"KeepCase", true},
        {u"http://unknown.org/", u"", false},
        {u"", u"", false},
    };
    for (const SiteCase& c : cases) {
        bool found = !c.found;
        EXPECT_EQ(MatchSiteList(kSites, c.address, found), c.scheme) << ToUtf8(c.address);
        EXPECT_EQ(found, c.found) << ToUtf8(c.address);
    }
}

TEST_F(DataFiles, FindSchemeNameReadsTheGbkSiteList) {
    const Text rules = Write("Rule.dat", EncodeGbk(u"dy.example|电影方案|电影站\r\n"));
    Scheme scheme;
    EXPECT_EQ(FindSchemeName(u"HTTP://DY.EXAMPLE/1.html", rules, decoder, scheme), u"电影方案");
    EXPECT_TRUE(scheme.schemeFound);
    EXPECT_EQ(FindSchemeName(u"   ", rules, decoder, scheme), u"");
    EXPECT_FALSE(scheme.schemeFound);
    scheme.schemeFound = true;
    EXPECT_EQ(FindSchemeName(u"http://dy.example/", Path("missing.dat"), decoder, scheme), u"");
    EXPECT_FALSE(scheme.schemeFound);
}

TEST_F(DataFiles, HugeAndBrokenSiteListsEndWithAClearAnswer) {
    std::string many;
    for (int i = 0; i < 100000; ++i) many += "site" + std::to_string(i) + ".example|s" + std::to_string(i) + "|x\r\n";
    const Text manyLines = Write("many.dat", many);
    Scheme scheme;
    EXPECT_EQ(FindSchemeName(u"http://site99999.example/", manyLines, decoder, scheme), u"s99999");
    EXPECT_EQ(FindSchemeName(u"http://none.example/", manyLines, decoder, scheme), u"");

    const Text oneLine = Write("long.dat", std::string(10 << 20, 'a') + "|s|x");
    EXPECT_EQ(FindSchemeName(u"http://aaaa/", oneLine, decoder, scheme), u"");
    EXPECT_FALSE(scheme.schemeFound);
    const Text lfOnly = Write("lf.dat", std::string(10 << 20, '\n') + "b|s|x");
    EXPECT_EQ(FindSchemeName(u"http://b/", lfOnly, decoder, scheme), u"");  // one line, field 0 is all LFs

    std::string garbage(1 << 20, '\0');
    for (std::size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>((i * 2654435761u) >> 13);
    const Text binary = Write("binary.dat", garbage + "\r\n\x81\r\xFF|\xFE\r\ngood.example|ok|x");
    EXPECT_EQ(FindSchemeName(u"http://good.example/", binary, decoder, scheme), u"ok");
    EXPECT_EQ(ReadIniValue(u"S", u"k", binary, decoder), u"");
}

class SelectSchemeTest : public TempDir {
protected:
    void SetUp() override {
        TempDir::SetUp();
        files.ruleFile = Write("Rule.dat", EncodeGbk(u"film.example|abc|电影\r\nempty.example|nothere|x\r\n"
                                                     u"bare.example\r\n"));
        files.schemeFile = Write("RunFilter.dat", EncodeGbk(u"[ABC]\r\nFilterStr=*/play/*\r\nStartStr=s\r\n"
                                                            u"EnId=2\r\nUnescape=true\r\n"));
    }
    // FilterStr, StartStr, EnId, Unescape and the flag, in one comparison.
    void ExpectScheme(TextView filter, TextView start, TextView enId, TextView unescape, bool found) const {
        EXPECT_EQ(scheme.FilterStr, filter);
        EXPECT_EQ(scheme.StartStr, start);
        EXPECT_EQ(scheme.EnId, enId);
        EXPECT_EQ(scheme.Unescape, unescape);
        EXPECT_EQ(scheme.schemeFound, found);
    }

    SiteFiles files{{}, {}, decoder};
    Scheme scheme;
    FakeStatus status;
};

TEST_F(SelectSchemeTest, NamedSchemeIsLoaded) {
    SelectScheme(u"http://FILM.example/list.html", files, scheme, status);
    ExpectScheme(u"*/play/*", u"s", u"2", u"true", true);
    EXPECT_EQ(status.texts, std::vector<Text>{u"已经为您准备好相应的方案。您可以进行分析了。"});
}

TEST_F(SelectSchemeTest, SchemeMissingFromTheSchemeFileReadsEmpty) {
    SelectScheme(u"http://empty.example/", files, scheme, status);
    ExpectScheme(u"", u"", u"", u"", true);
    EXPECT_EQ(status.texts.back(), u"已经为您准备好相应的方案。您可以进行分析了。");
    files.schemeFile = Path("missing.dat");
    SelectScheme(u"http://film.example/", files, scheme, status);
    EXPECT_EQ(scheme.FilterStr, u"");
    EXPECT_EQ(status.texts.back(), u"已经为您准备好相应的方案。您可以进行分析了。");
}

TEST_F(SelectSchemeTest, NoSchemeForcesAnalysis) {
    scheme.StartStr = u"old";
    SelectScheme(u"http://unknown.example/", files, scheme, status);
    ExpectScheme(u"*", u"", u"1", u"1", false);
    EXPECT_EQ(status.texts.back(), u"没有找到相应的方案,如果进行分析,会强制分析。");
    // A matching line without a scheme name: the same values, but the flag says a site matched.
    SelectScheme(u"http://bare.example/", files, scheme, status);
    ExpectScheme(u"*", u"", u"1", u"1", true);
    EXPECT_EQ(status.texts.back(), u"没有找到相应的方案,如果进行分析,会强制分析。");
}

TEST_F(SelectSchemeTest, ClearingTheAddressKeepsTheSchemeAndWelcomes) {
    SelectScheme(u"http://film.example/", files, scheme, status);
    SelectScheme(u"   ", files, scheme, status);
    SelectScheme(u"", files, scheme, status);
    EXPECT_EQ(scheme.EnId, u"2");
    EXPECT_TRUE(scheme.schemeFound);
    EXPECT_EQ(status.texts.back(), u"欢迎使用Ferrik。");
    EXPECT_EQ(status.texts.size(), 3u);
}

TEST_F(SelectSchemeTest, TypingFollowsTheLastAddress) {
    const Text address = u"film.example";
    for (std::size_t n = 1; n <= address.size(); ++n) SelectScheme(address.substr(0, n), files, scheme, status);
    EXPECT_EQ(status.texts.size(), address.size());
    EXPECT_EQ(status.texts.front(), u"没有找到相应的方案,如果进行分析,会强制分析。");
    EXPECT_EQ(status.texts.back(), u"已经为您准备好相应的方案。您可以进行分析了。");
    EXPECT_EQ(scheme.FilterStr, u"*/play/*");
}

// The data files shipped beside the exe: every listed site has a scheme, all three modes occur,
// and the skin is on.
TEST(ShippedData, SitesHaveSchemesAndTheSkinIsOn) {
    const test::IconvDecoder decoder;
    const Text dir = FromUtf8(FERRIK_SOURCE_DIR "/data/");
    Text sites;
    ASSERT_TRUE(ReadDataFile(dir + u"Rule.dat", decoder, sites));
    std::vector<Text> modes;
    TextLines lines(sites, LineEnds::Cr);
    TextView line;
    while (lines.Next(line)) {
        if (line.empty()) continue;
        SCOPED_TRACE(ToUtf8(line));
        EXPECT_FALSE(SplitField(line, u"|", 2).empty());
        Scheme scheme;
        const Text name =
            FindSchemeName(u"http://" + SplitField(line, u"|", 0) + u"/", dir + u"Rule.dat", decoder, scheme);
        EXPECT_EQ(name, SplitField(line, u"|", 1));
        modes.push_back(ReadIniValue(name, u"EnId", dir + u"RunFilter.dat", decoder));
    }
    std::sort(modes.begin(), modes.end());
    EXPECT_EQ(modes, (std::vector<Text>{u"0", u"1", u"2"}));
    EXPECT_EQ(ReadIniValue(u"Setting", u"UnSkin", dir + u"Setting.ini", decoder), u"0");
}

}  // namespace
}  // namespace ferrik
