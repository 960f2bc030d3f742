// The analysis commands' orchestration: which engine runs with what, the busy state around it,
// the status texts and message boxes, in one journal per run.
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

enum class Failure { None, Pattern, Address };

class Recorder final : public AnalysisEngine, public BusyState, public StatusLine, public AnalysisPrompts {
public:
    void GetAllQvodUrl(TextView url, bool utf8, TextView unescape) override {
        journal.push_back("GetAllQvodUrl " + ToUtf8(url) + (utf8 ? " utf8 " : " gb2312 ") + "[" + ToUtf8(unescape) +
                          "]");
    }
    void AnalyseLinks(TextView address, TextView pattern, TextView engine) override {
        journal.push_back("AnalyseLinks " + ToUtf8(address) + " " + ToUtf8(pattern) + " " + ToUtf8(engine));
        Fail();
    }
    Text FindPageLink(TextView address, TextView pattern, std::int32_t index) override {
        journal.push_back("FindPageLink " + ToUtf8(address) + " " + ToUtf8(pattern) + " " + std::to_string(index));
        Fail();
        return nextPage;
    }
    void LockControls() override { journal.push_back("lock"); }
    void UnlockControls() override { journal.push_back("unlock"); }
    void ShowStatus(TextView text) override { journal.push_back("status " + ToUtf8(text)); }
    void Warn(TextView text) override { journal.push_back("warn " + ToUtf8(text)); }
    bool Ask(TextView text) override {
        journal.push_back("ask " + ToUtf8(text));
        return answerYes;
    }

    void Fail() const {
        if (failure == Failure::Pattern) throw LinkAnalysisError(LinkAnalysisFailure::InvalidPattern);
        if (failure == Failure::Address) throw LinkAnalysisError(LinkAnalysisFailure::RejectedAddress);
    }

    Journal journal;
    Failure failure = Failure::None;
    bool answerYes = true;
    Text nextPage = u"http://site/play/1.html";
};

struct Harness {
    Recorder rec;
    TaskList tasks;
    AnalysisContext ctx{rec, tasks, rec, rec, rec};
};

const Scheme kNoScheme{u"*", u"", u"1", u"1", false};

const std::string kRedundant = "warn " + ToUtf8(kRedundantDataText);
const std::string kNoRules = "warn " + ToUtf8(kNoRulesText);
const std::string kAsk = "ask " + ToUtf8(kAskNoSchemeText);
const std::string kAnalysing = "status 正在分析网页中的qvod地址。";
const std::string kDone = "status 分析完毕";

struct Case {
    const char* name;
    std::function<void(AnalysisContext&)> command;
    Journal expected;
    Failure failure = Failure::None;
    bool answerYes = true;
};

TEST(AnalysisCommands, EachCommandRunsItsStepsInOrder) {
    const Scheme twoLevel{u"*/play/*.html", u"", u"2", u"1", true};
    const Scheme links{u"*/ep##.htm", u"", u"1", u"", true};
    const Scheme direct{u"*", u"", u"0", u"1", true};
    const Scheme odd{u"*/v/*", u"", u"7", u"", true};
    const Scheme emptyEnId{u"*/v/*", u"", u"", u"", true};
    const Case cases[] = {
        {"text",
         [](auto& c) { AnalyseQvodText(c, u"http://a/"); },
         {kAnalysing, "lock", "GetAllQvodUrl http://a/ gb2312 []", "unlock", kDone}},
        {"escaped text",
         [](auto& c) { AnalyseEscapedQvodText(c, u"http://a/"); },
         {kAnalysing, "lock", "GetAllQvodUrl http://a/ gb2312 [1]", "unlock", kDone}},
        {"address kept untrimmed",
         [](auto& c) { AnalyseQvodText(c, u" http://a/ "); },
         {kAnalysing, "lock", "GetAllQvodUrl  http://a/  gb2312 []", "unlock", kDone}},
        {"link page",
         [](auto& c) { AnalyseLinkPage(c, u"http://a/", u"*.htm"); },
         {"lock", "AnalyseLinks http://a/ *.htm SS1", "unlock", kRedundant}},
        {"episode page",
         [](auto& c) { AnalyseEpisodePage(c, u"http://a/"); },
         {kNoRules, "lock", "AnalyseLinks http://a/ * SS1", "unlock", kRedundant}},
        {"smart, EnId 0 never unescapes",
         [&](auto& c) { SmartAnalyse(c, u"http://a/", direct); },
         {kAnalysing, "lock", "GetAllQvodUrl http://a/ gb2312 []", "unlock", kDone}},
        {"smart, EnId 2",
         [&](auto& c) { SmartAnalyse(c, u"http://a/", twoLevel); },
         {"lock", "FindPageLink http://a/ */play/*.html 0", kAnalysing,
          "GetAllQvodUrl http://site/play/1.html gb2312 [1]", "unlock", kDone}},
        {"smart, EnId 1 with a scheme",
         [&](auto& c) { SmartAnalyse(c, u"http://a/", links); },
         {"lock", "AnalyseLinks http://a/ */ep##.htm SS1", "unlock", kRedundant}},
        {"smart, other EnId acts as 1",
         [&](auto& c) { SmartAnalyse(c, u"http://a/", odd); },
         {"lock", "AnalyseLinks http://a/ */v/* SS1", "unlock", kRedundant}},
        {"smart, empty EnId acts as 1",
         [&](auto& c) { SmartAnalyse(c, u"http://a/", emptyEnId); },
         {"lock", "AnalyseLinks http://a/ */v/* SS1", "unlock", kRedundant}},
        {"smart, no scheme, Yes",
         [](auto& c) { SmartAnalyse(c, u"http://a/", kNoScheme); },
         {kAsk, "lock", "AnalyseLinks http://a/ * SS1", "unlock", kRedundant}},
        {"smart, no scheme, No",
         [](auto& c) { SmartAnalyse(c, u"http://a/", kNoScheme); },
         {kAsk},
         Failure::None,
         false},
        {"bad pattern",
         [&](auto& c) { SmartAnalyse(c, u"http://a/", links); },
         {"lock", "AnalyseLinks http://a/ */ep##.htm SS1", "unlock",
          "warn " + ToUtf8(InvalidPatternMessage(u"*/ep##.htm"))},
         Failure::Pattern},
        {"rejected address",
         [](auto& c) { AnalyseEpisodePage(c, u"nonsense"); },
         {kNoRules, "lock", "AnalyseLinks nonsense * SS1", "unlock",
          "warn " + ToUtf8(RejectedAddressMessage(u"nonsense"))},
         Failure::Address},
        {"bad pattern, EnId 2",
         [&](auto& c) { SmartAnalyse(c, u"http://a/", twoLevel); },
         {"lock", "FindPageLink http://a/ */play/*.html 0", "unlock",
          "warn " + ToUtf8(InvalidPatternMessage(u"*/play/*.html"))},
         Failure::Pattern},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Harness run;
        run.rec.failure = c.failure;
        run.rec.answerYes = c.answerYes;
        c.command(run.ctx);
        EXPECT_EQ(run.rec.journal, c.expected);
    }
}

TEST(AnalysisCommands, BlankAddressDoesNothing) {
    const Scheme schemes[] = {
        kNoScheme, {u"*", u"", u"0", u"", true}, {u"*", u"", u"2", u"1", true}, {u"*", u"", u"1", u"", true}};
    for (TextView address : {u"", u" ", u"    "}) {
        Harness run;
        AnalyseQvodText(run.ctx, address);
        AnalyseEscapedQvodText(run.ctx, address);
        AnalyseEpisodePage(run.ctx, address);
        for (const Scheme& s : schemes) SmartAnalyse(run.ctx, address, s);
        EXPECT_TRUE(run.rec.journal.empty());
    }
}

TEST(AnalysisCommands, TwoLevelClearsTheListFirst) {
    Harness run;
    run.tasks.AddTask(u"old", u"qvod://1|a|old|", u"SS0", u"", u"qvod://1|a|old|");
    run.rec.nextPage.clear();
    SmartAnalyse(run.ctx, u"http://a/", {u"*.html", u"", u"2", u"", true});
    EXPECT_EQ(run.tasks.Count(), 0u);
    // No matching hyperlink: the empty next page is still handed on, and the run ends as usual.
    EXPECT_EQ(run.rec.journal[3], "GetAllQvodUrl  gb2312 []");
    EXPECT_EQ(run.rec.journal.back(), kDone);
}

TEST(AnalysisCommands, StopAnalysisLeavesTheRequestPending) {
    StopFlag = 0;
    StopAnalysis();
    EXPECT_EQ(StopFlag, 1);
    StopAnalysis();
    EXPECT_EQ(StopFlag, 1);
    StopFlag = 0;
}

TEST(AnalysisCommands, UnexpectedFailureStillLeavesTheBusyState) {
    struct Throwing final : AnalysisEngine {
        void GetAllQvodUrl(TextView, bool, TextView) override {}
        void AnalyseLinks(TextView, TextView, TextView) override { throw std::bad_alloc(); }
        Text FindPageLink(TextView, TextView, std::int32_t) override { throw std::bad_alloc(); }
    } engine;
    Recorder rec;
    TaskList tasks;
    AnalysisContext ctx{engine, tasks, rec, rec, rec};
    EXPECT_THROW(AnalyseLinkPage(ctx, u"http://a/", u"*"), std::bad_alloc);
    EXPECT_EQ(rec.journal, (Journal{"lock", "unlock"}));
}

// ---- the commands over the real engines: what the user sees, in order ----

// Pages whose documents are complete at once; "nonsense" is an address the engine rejects.
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

class EngineCommandsTest : public testing::Test {
protected:
    EngineCommandsTest() {
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
    }
    ~EngineCommandsTest() override { StopFlag = 0; }

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

const std::string kPreparing = "status 正在准备分析网页……";
const std::string kReading = "status 正在读取网页信息……";
const std::string kLinksDone = "status 完成分析。";

TEST_F(EngineCommandsTest, TextCommandsListEachDistinctLinkOnce) {
    AnalyseQvodText(ctx, u"http://s/plain.html");
    EXPECT_EQ(rec.journal, (Journal{kAnalysing, "lock", "unlock", kDone}));
    EXPECT_EQ(Column(&TaskRow::address), (std::vector<Text>{kLink1, kLink2}));
    EXPECT_EQ(Column(&TaskRow::name), (std::vector<Text>{u"神雕侠侣第01集.rmvb", u"神雕侠侣第02集.rmvb"}));
    EXPECT_EQ(Column(&TaskRow::engine), (std::vector<Text>{u"SS0", u"SS0"}));

    AnalyseQvodText(ctx, u"http://s/escaped.html");
    EXPECT_EQ(tasks.Count(), 0u);
    AnalyseEscapedQvodText(ctx, u"http://s/escaped.html");
    EXPECT_EQ(Column(&TaskRow::address), (std::vector<Text>{kLink1, kLink2}));

    // EnId 0 never unescapes, whatever the scheme says.
    SmartAnalyse(ctx, u"http://s/escaped.html", {u"*", u"", u"0", u"1", true});
    EXPECT_EQ(tasks.Count(), 0u);
}

TEST_F(EngineCommandsTest, LinkCommandsListMatchingPagesAndWarn) {
    AnalyseEpisodePage(ctx, u"http://s/list.html");
    EXPECT_EQ(rec.journal, (Journal{kNoRules, "lock", kPreparing, kReading, kLinksDone, "unlock", kRedundant}));
    EXPECT_EQ(Column(&TaskRow::address), (std::vector<Text>{u"http://s/", u"http://s/ep01.htm", u"http://s/ep02.htm"}));
    EXPECT_EQ(Column(&TaskRow::engine), (std::vector<Text>{u"SS1", u"SS1", u"SS1"}));
    EXPECT_EQ(tasks.At(1).name, u"第01集");
    EXPECT_EQ(documents.beeps, 1);

    rec.journal.clear();
    SmartAnalyse(ctx, u"http://s/list.html", {u"*/EP##.HTM", u"", u"1", u"", true});
    EXPECT_EQ(rec.journal, (Journal{"lock", kPreparing, kReading, kLinksDone, "unlock", kRedundant}));
    EXPECT_EQ(Column(&TaskRow::address), (std::vector<Text>{u"http://s/ep01.htm", u"http://s/ep02.htm"}));
}

TEST_F(EngineCommandsTest, TwoLevelFollowsTheFirstMatchingLink) {
    SmartAnalyse(ctx, u"http://s/show/9.html", {u"*/play/*.html", u"", u"2", u"1", true});
    EXPECT_EQ(rec.journal, (Journal{"lock", "status 正在读取网页数据……", "status 正在分析网页数据……",
                                    "status 完成地址分析。", kAnalysing, "unlock", kDone}));
    EXPECT_EQ(Column(&TaskRow::address), (std::vector<Text>{kLink1, kLink2}));
    EXPECT_EQ(fetcher.requests.back(), u"http://s/play/9.html");

    // No matching hyperlink: nothing to fetch, an empty list, and the usual end.
    rec.journal.clear();
    SmartAnalyse(ctx, u"http://s/show/9.html", {u"*/none/*", u"", u"2", u"1", true});
    EXPECT_EQ(tasks.Count(), 0u);
    EXPECT_EQ(rec.journal.back(), kDone);
}

TEST_F(EngineCommandsTest, PendingStopEndsTheNextAnalysisWithAnEmptyList) {
    StopAnalysis();
    AnalyseQvodText(ctx, u"http://s/plain.html");
    EXPECT_EQ(tasks.Count(), 0u);
    EXPECT_EQ(StopFlag, 0);
    EXPECT_EQ(rec.journal.back(), kDone);
}

TEST_F(EngineCommandsTest, BadPatternOrAddressIsExplainedAndTheRowsStay) {
    AnalyseQvodText(ctx, u"http://s/plain.html");
    rec.journal.clear();
    SmartAnalyse(ctx, u"http://s/list.html", {u"*[z-a]*", u"", u"1", u"", true});
    EXPECT_EQ(rec.journal, (Journal{"lock", "unlock", "warn " + ToUtf8(InvalidPatternMessage(u"*[z-a]*"))}));
    EXPECT_EQ(tasks.Count(), 2u);

    rec.journal.clear();
    AnalyseEpisodePage(ctx, u"nonsense");
    EXPECT_EQ(rec.journal,
              (Journal{kNoRules, "lock", kPreparing, "unlock", "warn " + ToUtf8(RejectedAddressMessage(u"nonsense"))}));
    EXPECT_EQ(InvalidPatternMessage(u"[a"), u"方案中的链接匹配规则写法有误，无法进行分析：\r\n[a");
}

}  // namespace
}  // namespace ferrik
