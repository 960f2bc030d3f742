// The analysis commands over the real engines (text extraction, document link analysis) with a
// fake fetcher and document engine: what the user sees, in order, and the rows that result.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "analysis/commands.h"
#include "common/stop_flag.h"
#include "support/fakes.h"
#include "support/iconv_decoder.h"

namespace ferrik {
namespace {

using Journal = std::vector<std::string>;

// The window's side: busy state, status line and message boxes, in one journal.
class Recorder final : public BusyState, public StatusLine, public AnalysisPrompts {
public:
    void LockControls() override { journal.push_back("lock"); }
    void UnlockControls() override { journal.push_back("unlock"); }
    void ShowStatus(TextView text) override { journal.push_back(ToUtf8(text)); }
    void Warn(TextView text) override { journal.push_back("warn " + ToUtf8(text)); }
    bool Ask(TextView text) override {
        journal.push_back("ask " + ToUtf8(text));
        return answerYes;
    }
    Journal journal;
    bool answerYes = true;
};

// Documents complete at once; "nonsense" is an address the engine rejects.
class FakeDocuments final : public DocumentLoader, public Beeper {
public:
    struct Doc final : Document {
        explicit Doc(std::vector<Hyperlink> l) : links(std::move(l)) {}
        Text ReadyState() override { return kReadyComplete; }
        const std::vector<Hyperlink>& Links() const override { return links; }
        std::vector<Hyperlink> links;
    };
    std::unique_ptr<Document> CreateDocument(TextView address) override {
        if (address == u"nonsense") return nullptr;
        return std::make_unique<Doc>(pages[Text(address)]);
    }
    void Beep() override { ++beeps; }
    std::map<Text, std::vector<Hyperlink>> pages;
    int beeps = 0;
};

const Text kLink1 = u"qvod://1|A1|神雕侠侣第01集.rmvb|";
const Text kLink2 = u"qvod://2|B2|神雕侠侣第02集.rmvb|";
const std::string kEscaped =
    "var u=[\"qvod%3A//1%7CA1%7C%u795E%u96D5%u4FA0%u4FA3%u7B2C01%u96C6.rmvb%7C\","
    "\"qvod%3A//2%7CB2%7C%u795E%u96D5%u4FA0%u4FA3%u7B2C02%u96C6.rmvb%7C\"];";

const std::string kRedundant = "warn 分析结果可能包含冗余数据，可能需要您手动进行筛选！";
const std::string kNoRules = "warn 分析时将不使用规则数据！";
const std::string kAsk = "ask 没有匹配的方案,确定要进行分析吗？";
const Journal kTextSteps = {"正在分析网页中的qvod地址。", "lock", "unlock", "分析完毕"};
const Journal kLinkSteps = {"lock", "正在准备分析网页……", "正在读取网页信息……", "完成分析。", "unlock", kRedundant};
const Journal kTwoLevelSteps = {"lock",           "正在读取网页数据……",         "正在分析网页数据……",
                                "完成地址分析。", "正在分析网页中的qvod地址。", "unlock",
                                "分析完毕"};

Journal Then(Journal first, const Journal& rest) {
    first.insert(first.end(), rest.begin(), rest.end());
    return first;
}

const Scheme kNoScheme{u"*", u"", u"1", u"1", false};
const Scheme kTwoLevel{u"*/play/*.html", u"", u"2", u"1", true};
const Scheme kEpisodes{u"*/EP##.HTM", u"", u"1", u"", true};

class CommandsTest : public testing::Test {
protected:
    CommandsTest() {
        StopFlag = 0;
        fetcher.Serve(u"http://s/plain.html",
                      test::EncodeGbk(u"<a href=\"" + kLink1 + u"\">1</a> " + kLink2 + u" " + kLink1));
        fetcher.Serve(u"http://s/escaped.html", kEscaped);
        fetcher.Serve(u"http://s/play/9.html", kEscaped);
        documents.pages[u"http://s/show/9.html"] = {{u"http://s/intro.html", u"介绍"},
                                                    {u"http://s/play/9.html", u"播放"}};
        documents.pages[u"http://s/list.html"] = {{u"http://s/", u"首页"},
                                                  {u"http://s/ep01.htm", u"第01集"},
                                                  {u"http://s/ep02.htm", u"第02集"},
                                                  {u"http://s/ep01.htm", u"第01集(备用)"}};
        tasks.AddTask(u"old", u"old", kEngineDirect, u"", u"old");
    }
    ~CommandsTest() override { StopFlag = 0; }

    std::vector<Text> Column(Text TaskRow::*field) const {
        std::vector<Text> out;
        for (std::size_t i = 0; i < tasks.Count(); ++i) out.push_back(tasks.At(i).*field);
        return out;
    }

    test::FakeFetcher fetcher;
    test::IconvDecoder decoder;
    FakeDocuments documents;
    test::FakePump pump;
    Recorder rec;
    TaskList tasks;
    PageAnalysisEngine engine{PageAnalysisPorts{fetcher, decoder, documents, pump, rec, documents, tasks}};
    AnalysisContext ctx{engine, tasks, rec, rec, rec};
};

struct Case {
    const char* name;
    std::function<void(AnalysisContext&)> command;
    Journal journal;
    std::vector<Text> addresses;  // of the rows afterwards
    bool answerYes = true;
};

TEST_F(CommandsTest, EachCommandShowsItsStepsAndLeavesItsRows) {
    const std::vector<Text> links = {kLink1, kLink2};
    const std::vector<Text> episodes = {u"http://s/ep01.htm", u"http://s/ep02.htm"};
    const std::vector<Text> everyLink = {u"http://s/", u"http://s/ep01.htm", u"http://s/ep02.htm"};
    const Case cases[] = {
        {"text", [](auto& c) { AnalyseQvodText(c, u"http://s/plain.html"); }, kTextSteps, links},
        {"text, escaped page", [](auto& c) { AnalyseQvodText(c, u"http://s/escaped.html"); }, kTextSteps, {}},
        {"escaped text", [](auto& c) { AnalyseEscapedQvodText(c, u"http://s/escaped.html"); }, kTextSteps, links},
        {"episode page", [](auto& c) { AnalyseEpisodePage(c, u"http://s/list.html"); }, Then({kNoRules}, kLinkSteps),
         everyLink},
        {"smart, EnId 0 never unescapes",
         [](auto& c) {
             SmartAnalyse(c, u"http://s/escaped.html", {u"*", u"", u"0", u"1", true});
         },
         kTextSteps,
         {}},
        {"smart, EnId 1", [](auto& c) { SmartAnalyse(c, u"http://s/list.html", kEpisodes); }, kLinkSteps, episodes},
        {"smart, other EnId acts as 1",
         [](auto& c) {
             SmartAnalyse(c, u"http://s/list.html", {u"*/ep##.htm", u"", u"7", u"", true});
         },
         kLinkSteps, episodes},
        {"smart, EnId 2", [](auto& c) { SmartAnalyse(c, u"http://s/show/9.html", kTwoLevel); }, kTwoLevelSteps, links},
        {"smart, EnId 2, Unescape 0: the next page is scanned as fetched",
         [](auto& c) {
             SmartAnalyse(c, u"http://s/show/9.html", {u"*/play/*.html", u"", u"2", u"0", true});
         },
         kTwoLevelSteps,
         {}},
        {"smart, EnId 2 without a matching link",
         [](auto& c) { SmartAnalyse(c, u"http://s/list.html", kTwoLevel); },
         kTwoLevelSteps,
         {}},
        {"smart, no scheme, Yes", [](auto& c) { SmartAnalyse(c, u"http://s/list.html", kNoScheme); },
         Then({kAsk}, kLinkSteps), everyLink},
        {"smart, no scheme, No",
         [](auto& c) { SmartAnalyse(c, u"http://s/list.html", kNoScheme); },
         {kAsk},
         {u"old"},
         false},
        {"smart, scheme found without a name: no question",
         [](auto& c) {
             SmartAnalyse(c, u"http://s/list.html", {u"*", u"", u"1", u"1", true});
         },
         kLinkSteps, everyLink},
        {"bad pattern: explained, rows kept",
         [](auto& c) {
             SmartAnalyse(c, u"http://s/list.html", {u"*[z-a]*", u"", u"1", u"", true});
         },
         {"lock", "unlock", "warn " + ToUtf8(InvalidPatternMessage(u"*[z-a]*"))},
         {u"old"}},
        {"bad pattern, EnId 2",
         [](auto& c) {
             SmartAnalyse(c, u"http://s/show/9.html", {u"[a", u"", u"2", u"", true});
         },
         {"lock", "unlock", "warn " + ToUtf8(InvalidPatternMessage(u"[a"))},
         {}},
        {"rejected address",
         [](auto& c) { AnalyseEpisodePage(c, u"nonsense"); },
         {kNoRules, "lock", "正在准备分析网页……", "unlock", "warn " + ToUtf8(RejectedAddressMessage(u"nonsense"))},
         {}},
    };
    // Appending, every command keeps the row listed before and adds its own after it, with the
    // same steps.
    for (bool appending : {false, true}) {
        tasks.SetAppending(appending);
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << c.name << (appending ? ", appending" : ""));
            rec.journal.clear();
            rec.answerYes = c.answerYes;
            tasks.ClearTasks();
            tasks.AddTask(u"old", u"old", kEngineDirect, u"", u"old");
            c.command(ctx);
            EXPECT_EQ(rec.journal, c.journal);
            std::vector<Text> expected = c.addresses;
            if (appending && (expected.empty() || expected[0] != u"old")) expected.insert(expected.begin(), u"old");
            EXPECT_EQ(Column(&TaskRow::address), expected);
            EXPECT_EQ(tasks.Header(), u"名称(" + ToText(static_cast<std::int64_t>(expected.size())) + u")");
            EXPECT_EQ(StopFlag, 0);
        }
    }
}

TEST_F(CommandsTest, RowsCarryNamesAndEngineCodes) {
    AnalyseQvodText(ctx, u"http://s/plain.html");
    EXPECT_EQ(Column(&TaskRow::name), (std::vector<Text>{u"神雕侠侣第01集.rmvb", u"神雕侠侣第02集.rmvb"}));
    EXPECT_EQ(Column(&TaskRow::engine), (std::vector<Text>{u"SS0", u"SS0"}));
    SmartAnalyse(ctx, u"http://s/list.html", kEpisodes);
    EXPECT_EQ(Column(&TaskRow::name), (std::vector<Text>{u"第01集", u"第02集"}));
    EXPECT_EQ(Column(&TaskRow::engine), (std::vector<Text>{u"SS1", u"SS1"}));
    EXPECT_EQ(documents.beeps, 1);
    EXPECT_EQ(InvalidPatternMessage(u"[a"), u"方案中的链接匹配规则写法有误，无法进行分析：\r\n[a");
}

TEST_F(CommandsTest, BlankAddressDoesNothing) {
    const Scheme schemes[] = {kNoScheme, kTwoLevel, kEpisodes, {u"*", u"", u"0", u"", true}};
    for (TextView address : {u"", u" ", u"    "}) {
        AnalyseQvodText(ctx, address);
        AnalyseEscapedQvodText(ctx, address);
        AnalyseEpisodePage(ctx, address);
        for (const Scheme& s : schemes) SmartAnalyse(ctx, address, s);
    }
    EXPECT_TRUE(rec.journal.empty());
    EXPECT_TRUE(fetcher.requests.empty());
    EXPECT_EQ(tasks.Count(), 1u);
}

TEST_F(CommandsTest, TheAddressIsFetchedUntrimmed) {
    AnalyseQvodText(ctx, u" http://s/plain.html");
    EXPECT_EQ(fetcher.requests, std::vector<Text>{u" http://s/plain.html"});
}

TEST_F(CommandsTest, PendingStopEndsTheNextAnalysisWithAnEmptyList) {
    StopAnalysis();
    StopAnalysis();
    EXPECT_EQ(StopFlag, 1);
    AnalyseQvodText(ctx, u"http://s/plain.html");
    EXPECT_EQ(tasks.Count(), 0u);
    EXPECT_EQ(StopFlag, 0);
    EXPECT_EQ(rec.journal, kTextSteps);
}

TEST_F(CommandsTest, UnexpectedFailureStillLeavesTheBusyState) {
    struct Throwing final : AnalysisEngine {
        void GetAllQvodUrl(TextView, bool, TextView) override {}
        void AnalyseLinks(TextView, TextView, TextView) override { throw std::bad_alloc(); }
        Text FindPageLink(TextView, TextView, std::int32_t) override { throw std::bad_alloc(); }
    } throwing;
    AnalysisContext failing{throwing, tasks, rec, rec, rec};
    EXPECT_THROW(AnalyseLinkPage(failing, u"http://s/", u"*"), std::bad_alloc);
    EXPECT_THROW(SmartAnalyse(failing, u"http://s/", kTwoLevel), std::bad_alloc);
    EXPECT_EQ(rec.journal, (Journal{"lock", "unlock", "lock", "unlock"}));
}

}  // namespace
}  // namespace ferrik
