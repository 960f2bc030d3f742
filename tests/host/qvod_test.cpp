#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "analysis/qvod.h"
#include "common/text_fields.h"
#include "common/stop_flag.h"
#include "host/support/fakes.h"
#include "host/support/iconv_decoder.h"

namespace ferrik {
namespace {

using test::EncodeGbk;
using test::FakeFetcher;
using test::IconvDecoder;

struct ScanCase {
    TextView text;
    TextView startMark;
    TextView endMark;
    std::int64_t startPos;
    TextView token;
    std::int64_t nextPos;
};

TEST(ScanToken, Table) {
    const ScanCase cases[] = {
        {u"x<a>y", u"<", u">", 1, u"a", 5},   {u"<a><b>", u"<", u">", 4, u"b", 7},
        {u"<a><b>", u"<", u">", 7, u"", -1},  // one past the end
        {u"<a>", u"<", u">", 0, u"", -1},     // positions are 1-based
        {u"<a>", u"<", u">", -5, u"", -1},    {u"<a", u"<", u">", 1, u"", -1},
        {u"a>", u"<", u">", 1, u"", -1},      {u"<>", u"<", u">", 1, u"", 3},
        {u"[[x]]", u"[[", u"]]", 1, u"x", 6}, {u"|F2|F3|", u"|", u"|", 1, u"F2", 5},
        {u"<a>", u"", u">", 1, u"", -1},  // empty marks are no marks
        {u"", u"<", u">", 1, u"", -1},
    };
    for (const ScanCase& c : cases) {
        std::int64_t next = 99;
        EXPECT_EQ(ScanToken(c.text, c.startMark, c.endMark, c.startPos, next), c.token) << ToUtf8(c.text);
        EXPECT_EQ(next, c.nextPos) << ToUtf8(c.text);
    }
    std::int64_t pos = 2;  // one variable for both positions
    EXPECT_EQ(ScanToken(u"<a><b>", u"<", u">", pos, pos), u"b");
    EXPECT_EQ(pos, 7);
}

class QvodPage : public ::testing::Test {
protected:
    void SetUp() override { StopFlag = 0; }
    void TearDown() override { StopFlag = 0; }

    void Serve(TextView page) { fetcher.Serve(kUrl, EncodeGbk(page)); }
    void Extract(TextView unescape = u"") { GetAllQvodUrl(fetcher, decoder, tasks, kUrl, false, unescape); }
    std::vector<Text> Links() const {
        std::vector<Text> links;
        for (std::size_t i = 0; i < tasks.Count(); ++i) links.push_back(tasks.At(i).address);
        return links;
    }

    static constexpr TextView kUrl = u"http://film.example/list.html";
    FakeFetcher fetcher;
    IconvDecoder decoder;
    TaskList tasks;
};

TEST_F(QvodPage, RepeatedLinkGivesOneDirectRow) {
    Serve(u"<a href=\"qvod://123|ABC|Film 01.rmvb|\">1</a><script>x='qvod://123|ABC|Film 01.rmvb|'</script>");
    Extract();
    ASSERT_EQ(tasks.Count(), 1u);
    const TaskRow& row = tasks.At(0);
    EXPECT_EQ(row.name, u"Film 01.rmvb");
    EXPECT_EQ(row.address, u"qvod://123|ABC|Film 01.rmvb|");
    EXPECT_EQ(row.Key(), row.address);
    EXPECT_EQ(row.engine, u"SS0");
    EXPECT_EQ(row.tag, u"");
    EXPECT_EQ(tasks.Header(), u"名称(1)");
    EXPECT_EQ(fetcher.requests, std::vector<Text>{Text(kUrl)});
}

struct PageCase {
    const char* what;
    TextView page;
    TextView unescape;
    std::vector<Text> links;
};

TEST_F(QvodPage, LinksOfPages) {
    const PageCase cases[] = {
        {"names differ", u"qvod://1|A|x.rmvb| qvod://1|A|y.rmvb|", u"", {u"qvod://1|A|x.rmvb|", u"qvod://1|A|y.rmvb|"}},
        {"no bar after the mark", u"qvod://123 nothing", u"", {}},
        {"only two bars", u"qvod://1|2| end", u"", {}},
        {"empty fields", u"qvod://||name|", u"", {u"qvod://||name|"}},
        {"fields taken from what follows", u"qvod://1</a>\n<p>|x|y|z", u"", {u"qvod://1</a>\n<p>|x|y|"}},
        {"scan resumes after the third bar", u"qvod://a|b|c|qvod://d|e|f|", u"", {u"qvod://a|b|c|", u"qvod://d|e|f|"}},
        {"a mark inside a field belongs to it", u"qvod://a|qvod://b|c|d|e|", u"", {u"qvod://a|qvod://b|c|"}},
        {"Chinese names", u"qvod://9|H|第01集.rmvb|", u"", {u"qvod://9|H|第01集.rmvb|"}},
        {"upper-case mark is no link", u"QVOD://1|2|3|", u"", {}},
        {"escaped, unescaped", u"qvod%3A%2F%2F123%7CABC%7C%u7B2C1%u96C6%7C", u"1", {u"qvod://123|ABC|第1集|"}},
        {"escaped, left as is", u"qvod%3A%2F%2F123%7CABC%7C%u7B2C1%u96C6%7C", u"", {}},
        {"only exactly 1 unescapes", u"qvod%3A%2F%2F1%7C2%7C3%7C", u"true", {}},
        {"1 with a space does not", u"qvod%3A%2F%2F1%7C2%7C3%7C", u"1 ", {}},
        {"empty page", u"", u"1", {}},
    };
    for (const PageCase& c : cases) {
        Serve(c.page);
        Extract(c.unescape);
        EXPECT_EQ(Links(), c.links) << c.what;
    }
    Serve(u"qvod%3A%2F%2F123%7CABC%7C%u7B2C1%u96C6%7C");
    Extract(u"1");
    ASSERT_EQ(tasks.Count(), 1u);
    EXPECT_EQ(tasks.At(0).name, u"第1集");
}

TEST_F(QvodPage, Utf8PageIsDecodedAndAskedForAsUtf8) {
    fetcher.Serve(kUrl,
                  "qvod://1|A|\xE7\xAC\xAC"
                  "1\xE9\x9B\x86|");
    GetAllQvodUrl(fetcher, decoder, tasks, kUrl, true, u"");
    EXPECT_EQ(Links(), std::vector<Text>{u"qvod://1|A|第1集|"});
    // The page's charset is also the one its address's query is sent in.
    Extract();
    (void)GetQvodUrl(fetcher, decoder, kUrl, 0, false);
    EXPECT_EQ(fetcher.charsets, (std::vector<Text>{u"UTF-8", u"GB2312", u"GB2312"}));
}

TEST_F(QvodPage, ClearsTheListFirstAndKeepsItEmptyWhenTheFetchFails) {
    tasks.AddTask(u"old", u"old", u"SS1", u"", u"old");
    GetAllQvodUrl(fetcher, decoder, tasks, u"http://nowhere.example/", false, u"");
    EXPECT_EQ(tasks.Count(), 0u);
    EXPECT_EQ(tasks.Header(), u"名称(0)");
}

TEST_F(QvodPage, PendingStopClearsFetchesAndAddsNothing) {
    Serve(u"qvod://1|A|a| qvod://2|B|b|");
    tasks.AddTask(u"old", u"old", u"SS1", u"", u"old");
    StopFlag = 1;
    Extract();
    EXPECT_EQ(tasks.Count(), 0u);
    EXPECT_EQ(fetcher.requests.size(), 1u);
    EXPECT_EQ(StopFlag, 0);
}

TEST_F(QvodPage, StopDuringTheFetchEndsTheRunAndIsConsumed) {
    Serve(u"qvod://1|A|a|");
    fetcher.onGet = [](TextView) { StopFlag = 1; };
    Extract();
    EXPECT_EQ(tasks.Count(), 0u);
    EXPECT_EQ(StopFlag, 0);
}

TEST_F(QvodPage, PageWithoutLinksStillConsumesAPendingStop) {
    Serve(u"<html></html>");
    StopFlag = 1;
    Extract();
    EXPECT_EQ(StopFlag, 0);
}

// Observer that stops after the second row, as a stop handler running between links would.
class StopAfter : public TaskListObserver {
public:
    explicit StopAfter(std::size_t rows) : m_rows(rows) {}
    void OnRowAdded(std::size_t index) override {
        if (index + 1 == m_rows) StopFlag = 1;
    }
    void OnRowsCleared() override {}
    void OnRowChanged(std::size_t) override {}
    void OnHeaderChanged(TextView) override {}

private:
    std::size_t m_rows;
};

TEST_F(QvodPage, StopIsTestedBeforeEachLink) {
    StopAfter observer(2);
    tasks.SetObserver(&observer);
    AddQvodUrls(u"qvod://1|A|a| qvod://2|B|b| qvod://3|C|c|", tasks);
    EXPECT_EQ(tasks.Count(), 2u);
    EXPECT_EQ(StopFlag, 0);
}

TEST_F(QvodPage, GetQvodUrlPicksByPositionAndNeverUnescapes) {
    Serve(u"qvod://1|A|a| qvod://2|B|b| x qvod://1|A|a| qvod%3A%2F%2F4%7C4%7C4%7C");
    tasks.AddTask(u"keep", u"keep", u"SS1", u"", u"keep");
    StopFlag = 1;
    EXPECT_EQ(GetQvodUrl(fetcher, decoder, kUrl, 0, false), u"qvod://1|A|a|");
    EXPECT_EQ(GetQvodUrl(fetcher, decoder, kUrl, 2, false), u"qvod://1|A|a|");  // repeats count
    EXPECT_EQ(GetQvodUrl(fetcher, decoder, kUrl, 3, false), u"");
    EXPECT_EQ(GetQvodUrl(fetcher, decoder, kUrl, -1, false), u"");
    EXPECT_EQ(GetQvodUrl(fetcher, decoder, u"http://nowhere.example/", 0, false), u"");
    EXPECT_EQ(tasks.Count(), 1u);
    EXPECT_EQ(StopFlag, 1);
}

// Decodes as glibc does and counts what it was given.
struct PieceDecoder final : public ByteDecoder {
    Text Decode(std::string_view bytes, TextView charset) const override {
        decodedBytes += bytes.size();
        largestPiece = std::max(largestPiece, bytes.size());
        return IconvDecoder().Decode(bytes, charset);
    }
    mutable std::size_t decodedBytes = 0;
    mutable std::size_t largestPiece = 0;
};

// A page of Chinese text without bytes below 0x30 around the first pieces' ends, links on both
// sides of them and across them, a mark whose bars come only much later, and a partial mark at
// the very end.
std::string PageInPieces() {
    Text page = u"qvod://1|A|第1集|";
    while (page.size() < 32760) page += u"中文字幕";
    page += u"qvod://2|B|第2集|qvod://3|C|";
    while (page.size() < 70000) page += u"国语";
    page += u"|跨越|";
    for (int k = 0; k < 40000; ++k) page += u"qvod://" + FromUtf8(std::to_string(k % 30000)) + u"|y|z|<p>高清</p>\r\n";
    page += u"qvod://9|9|";
    while (page.size() < 2000000) page += u"完结";
    return EncodeGbk(page + u"|最后|qvod:/");
}

// The links of the whole text, as the scan reads them.
std::vector<Text> WholeTextLinks(const std::string& body) {
    TaskList all;
    AddQvodUrls(IconvDecoder().Decode(body, u"GB2312"), all);
    std::vector<Text> links;
    for (std::size_t i = 0; i < all.Count(); ++i) links.push_back(all.At(i).address);
    return links;
}

// A page that is not unescaped is decoded a piece at a time and never whole, and gives the rows
// of its whole text.
TEST_F(QvodPage, PlainPagesAreScannedInPieces) {
    const std::string body = PageInPieces();
    fetcher.Serve(kUrl, body);
    PieceDecoder pieces;
    GetAllQvodUrl(fetcher, pieces, tasks, kUrl, false, u"");
    const std::vector<Text> expected = WholeTextLinks(body);
    ASSERT_EQ(expected.size(), 30004u);
    EXPECT_EQ(expected[2].substr(0, 13), u"qvod://3|C|国语");
    EXPECT_EQ(Links(), expected);
    EXPECT_EQ(tasks.At(30003).name.substr(0, 2), u"完结");
    EXPECT_EQ(pieces.decodedBytes, body.size());
    // The bars of the last link are far from its mark: the pieces grow instead of rescanning.
    EXPECT_LT(pieces.largestPiece, body.size());
    EXPECT_GT(pieces.largestPiece, 1000000u);
    // Links close together: pieces of a size that stays in the cache.
    const std::string list = body.substr(0, body.find("qvod://9|9|"));
    fetcher.Serve(kUrl, list);
    pieces.largestPiece = 0;
    GetAllQvodUrl(fetcher, pieces, tasks, kUrl, false, u"");
    EXPECT_EQ(tasks.Count(), 30003u);
    EXPECT_LT(pieces.largestPiece, 100000u);
    StopFlag = 1;
    GetAllQvodUrl(fetcher, pieces, tasks, kUrl, false, u"");
    EXPECT_EQ(tasks.Count(), 0u);
    EXPECT_EQ(StopFlag, 0);
}

// An escaped page is unescaped a piece at a time too, escapes cut by the pieces' ends included.
TEST_F(QvodPage, EscapedPagesAreUnescapedInPieces) {
    Text page;
    for (int k = 0; page.size() < 600000; ++k) {
        page += u"<a href=\"javascript:play(unescape('qvod%3A%2F%2F" + FromUtf8(std::to_string(k % 9000)) +
                u"%7Cy%7C%u7B2C" + FromUtf8(std::to_string(k)) + u"%u96C6%7C'))\">第集</a>50%zz %u12 %%41 %E4%B8\r\n";
    }
    const std::string body = EncodeGbk(page);
    fetcher.Serve(kUrl, body);
    PieceDecoder pieces;
    GetAllQvodUrl(fetcher, pieces, tasks, kUrl, false, u"1");
    TaskList whole;
    AddQvodUrls(vbUnEscape(decoder.Decode(body, u"GB2312")), whole);
    ASSERT_EQ(tasks.Count(), whole.Count());
    for (std::size_t i = 0; i < whole.Count(); ++i) ASSERT_EQ(tasks.At(i).address, whole.At(i).address) << i;
    EXPECT_EQ(tasks.At(1).address, u"qvod://1|y|第1集|");
    EXPECT_LT(pieces.largestPiece, 100000u);
}

// A GBK page is decoded only as far as the link asked for, in pieces that decode as the whole
// page: every link, wherever it stands against the pieces' ends, is the one the whole text has.
TEST_F(QvodPage, GetQvodUrlDecodesOnlyAsFarAsTheLink) {
    const std::string body = PageInPieces();
    fetcher.Serve(kUrl, body);
    std::vector<Text> links;
    {
        const Text whole = decoder.Decode(body, u"GB2312");
        std::size_t at = 0;
        for (std::size_t found = whole.find(u"qvod://"); found != Text::npos; found = whole.find(u"qvod://", at)) {
            const std::size_t third = whole.find(u'|', whole.find(u'|', whole.find(u'|', found) + 1) + 1);
            if (third == Text::npos) break;
            links.push_back(whole.substr(found, third + 1 - found));
            at = third + 1;
        }
    }
    ASSERT_EQ(links.size(), 40004u);
    PieceDecoder pieces;
    for (const std::int32_t i : {0, 1, 2, 3, 20000, 40002, 40003}) {
        pieces.decodedBytes = 0;
        EXPECT_EQ(GetQvodUrl(fetcher, pieces, kUrl, i, false), links[static_cast<std::size_t>(i)]) << i;
        if (i < 2) {
            EXPECT_LT(pieces.decodedBytes, body.size() / 10) << i;
        }
    }
    pieces.decodedBytes = 0;
    EXPECT_EQ(GetQvodUrl(fetcher, pieces, kUrl, 40004, false), u"");
    EXPECT_EQ(pieces.decodedBytes, body.size());
}

// Hostile pages: the scan must end, linear in the page, without touching memory it does not own.
TEST_F(QvodPage, BadPagesEndQuietly) {
    std::string garbage(1 << 20, '\0');
    std::uint32_t x = 12345;
    for (char& c : garbage) {
        x = x * 1103515245 + 12345;
        c = static_cast<char>(x >> 23);
    }
    garbage += "\nqvod://1|2|3|";  // the newline cannot be the trail byte of a GBK pair
    const std::string manyMarks = [] {
        std::string s;
        for (int i = 0; i < 200000; ++i) s += "qvod://";
        return s + "|";
    }();
    const std::string manyBars(1 << 20, '|');
    // Bytes that are no GBK character; none of them can pair with the "|" that follows.
    const std::string invalidGbk = "\x81\x20qvod://\xFF|\x80\xFF|\xFE\x20|";
    for (const std::string& body : {garbage, manyMarks, manyBars, invalidGbk}) {
        fetcher.Serve(kUrl, body);
        Extract(u"1");
        Extract(u"");
        (void)GetQvodUrl(fetcher, decoder, kUrl, 1000000, false);
    }
    fetcher.Serve(kUrl, garbage);
    Extract();
    EXPECT_EQ(tasks.At(tasks.Count() - 1).address, u"qvod://1|2|3|");
    fetcher.Serve(kUrl, manyBars);
    Extract();
    EXPECT_EQ(tasks.Count(), 0u);
    fetcher.Serve(kUrl, invalidGbk);
    Extract();
    EXPECT_EQ(tasks.Count(), 1u);
}

}  // namespace
}  // namespace ferrik
