// The task list as a text file: the bytes 导出列表... writes, and the rows 导入列表... reads from a
// file in each encoding it takes, or why it refuses one.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/list_file.h"
#include "host/support/iconv_decoder.h"

namespace ferrik {
namespace {

using namespace std::string_literals;
using test::EncodeGbk;
using test::IconvDecoder;

std::string Utf16(TextView text, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t unit : text) {
        const char high = static_cast<char>(unit >> 8);
        const char low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

TEST(ExportList, WritesTheAddressesInTheOrderShownAfterAMarkEachLineEndedByCrLf) {
    TaskList tasks;
    tasks.AddTask(u"第1集.rmvb", u"qvod://123|ABC|第1集.rmvb|", u"SS0", u"", u"qvod://123|ABC|第1集.rmvb|");
    tasks.AddTask(u"2.html", u"http://a.cn/2.html", u"SS1", u"", u"http://a.cn/2.html");
    const Text lone = Text(u"qvod://1|2|x") + char16_t(0xD800) + u"|";
    tasks.AddTask(u"x", lone, u"SS0", u"", lone);
    // The file as a text editor saves it: UTF-8 with its mark, CR LF line ends; a lone surrogate,
    // which UTF-8 cannot hold, as U+FFFD.
    const std::string expected =
        "\xEF\xBB\xBF"
        "http://a.cn/2.html\r\n"
        "qvod://1|2|x\xEF\xBF\xBD|\r\n"
        "qvod://123|ABC|\xE7\xAC\xAC"
        "1\xE9\x9B\x86.rmvb|\r\n";
    EXPECT_EQ(ExportListBytes(tasks, {1, 2, 0}), expected);
    EXPECT_EQ(ExportListBytes(tasks, {}), "\xEF\xBB\xBF");
    EXPECT_EQ(ExportedStatus(3), u"已导出3项。");
    EXPECT_EQ(ImportedStatus(0), u"已导入0项。");
}

// Every kind of line, with each kind of line end.
constexpr char16_t kListText[] =
    u"qvod://123|ABC|第1集.rmvb|\r\n"
    u" \t　qvod://456|DEF|第2集.rmvb|  \n"
    u"第3集 qvod://789|GHI|第3集.rmvb| qvod://999|X|另一个|\r"
    u"qvod://111|两个竖线|\r\n"
    u"qvod://123|ABC|第1集.rmvb|\r\n"
    u"http://a.cn/x.html qvod://5|E|第5集|\r\n"
    u"http://www.a.cn/play/第4集.html\r\n"
    u"  HTTPS://b.cn/list/ep6/?p=1#top  \r\n"
    u"http://c.cn\r\n"
    u"ftp://d.cn/7.rmvb\r\n"
    u"javascript:alert(1)\r\n"
    u"www.e.cn/8.html\r\n"
    u"\r\n"
    u"只是一行字";

struct Row {
    Text name, address, engine;
    bool operator==(const Row&) const = default;
};

const std::vector<Row> kListRows = {
    {u"第1集.rmvb", u"qvod://123|ABC|第1集.rmvb|", u"SS0"},
    {u"第2集.rmvb", u"qvod://456|DEF|第2集.rmvb|", u"SS0"},
    {u"第3集.rmvb", u"qvod://789|GHI|第3集.rmvb|", u"SS0"},
    {u"第1集.rmvb", u"qvod://123|ABC|第1集.rmvb|", u"SS0"},
    {u"第5集", u"qvod://5|E|第5集|", u"SS0"},
    {u"第4集.html", u"http://www.a.cn/play/第4集.html", u"SS1"},
    {u"ep6", u"HTTPS://b.cn/list/ep6/?p=1#top", u"SS1"},
    {u"c.cn", u"http://c.cn", u"SS1"},
};

TEST(ImportList, ReadsEachEncodingAndEveryKindOfLineOrRefusesWhatIsNoText) {
    const std::string utf8 = ToUtf8(kListText);
    struct Case {
        const char* what;
        std::string bytes;
        std::optional<ListFileProblem> problem;
        std::vector<Row> rows;
    };
    const std::string longest(kMaxListFileBytes, 'a');
    const Case cases[] = {
        {"UTF-8 with its mark", "\xEF\xBB\xBF" + utf8, std::nullopt, kListRows},
        {"UTF-8 without a mark", utf8, std::nullopt, kListRows},
        {"UTF-16 little-endian", Utf16(kListText, false), std::nullopt, kListRows},
        {"UTF-16 big-endian", Utf16(kListText, true), std::nullopt, kListRows},
        {"GBK", EncodeGbk(kListText), std::nullopt, kListRows},
        {"empty", "", std::nullopt, {}},
        {"16 MiB", longest, std::nullopt, {}},
        {"one byte over 16 MiB", longest + "a", ListFileProblem::TooLarge, {}},
        {"a NUL byte", "qvod://1|2|3|\r\n\0\r\n"s, ListFileProblem::NotText, {}},
        {"a NUL unit in UTF-16", Utf16(u"qvod://1|2|3|\r\n"s + u'\0', false), ListFileProblem::NotText, {}},
        {"half a UTF-16 unit", Utf16(u"qvod://1|2|3|", false) + "q", ListFileProblem::NotText, {}},
        {"a lone surrogate in UTF-16",
         Utf16(u"qvod://1|2|"s + char16_t(0xDC00) + u"|", true),
         ListFileProblem::NotText,
         {}},
        {"bad UTF-8 after a UTF-8 mark", "\xEF\xBB\xBFqvod://1|2|\xC3\x28|", ListFileProblem::NotText, {}},
        {"neither UTF-8 nor GBK", "qvod://1|2|\x81\x20|", ListFileProblem::NotText, {}},
        {"0xFF", "qvod://1|2|\xFF|", ListFileProblem::NotText, {}},
    };
    IconvDecoder decoder;
    for (const Case& c : cases) {
        const ListFileText file = DecodeListFile(c.bytes, decoder);
        EXPECT_EQ(file.problem, c.problem) << c.what;
        std::vector<Row> rows;
        for (const ListRow& row : ListRows(file.text)) rows.push_back({row.name, row.address, row.engine});
        EXPECT_EQ(rows, c.rows) << c.what;
    }
    EXPECT_EQ(ListFileProblemText(ListFileProblem::TooLarge), kListTooLargeText);
    EXPECT_EQ(ListFileProblemText(ListFileProblem::NotText), kListNotTextText);
}

TEST(ImportList, AddsAfterTheRowsListedSkippingWhatIsThere) {
    TaskList tasks;
    tasks.AddTask(u"第2集.rmvb", u"qvod://456|DEF|第2集.rmvb|", u"SS0", u"", u"qvod://456|DEF|第2集.rmvb|");
    tasks.SetChecked(0, true);
    EXPECT_EQ(AddListRows(tasks, ListRows(kListText)), 6u);
    std::vector<Row> rows;
    for (std::size_t i = 0; i < tasks.Count(); ++i) {
        const TaskRow& row = tasks.At(i);
        rows.push_back({row.name, row.address, row.engine});
        EXPECT_EQ(row.Key(), row.address);
        EXPECT_EQ(row.checked, i == 0);
    }
    EXPECT_EQ(rows, (std::vector<Row>{kListRows[1], kListRows[0], kListRows[2], kListRows[4], kListRows[5],
                                      kListRows[6], kListRows[7]}));
    EXPECT_EQ(tasks.Header(), u"名称(7)");
}

}  // namespace
}  // namespace ferrik
