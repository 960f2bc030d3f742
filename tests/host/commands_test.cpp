// The analysis commands' orchestration: which engine runs with what, the busy state around it,
// the status texts and message boxes, in one journal per run.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "analysis/commands.h"
#include "common/stop_flag.h"

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
        if (failure == Failure::Pattern) throw InvalidPatternError("bad pattern");
        if (failure == Failure::Address) throw RejectedAddressError("bad address");
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

const SchemeView kNoScheme{u"*", u"1", u"1", false};

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
    const SchemeView twoLevel{u"*/play/*.html", u"2", u"1", true};
    const SchemeView links{u"*/ep##.htm", u"1", u"", true};
    const SchemeView direct{u"*", u"0", u"1", true};
    const SchemeView odd{u"*/v/*", u"7", u"", true};
    const SchemeView emptyEnId{u"*/v/*", u"", u"", true};
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
    const SchemeView schemes[] = {
        kNoScheme, {u"*", u"0", u"", true}, {u"*", u"2", u"1", true}, {u"*", u"1", u"", true}};
    for (TextView address : {u"", u" ", u"    "}) {
        Harness run;
        AnalyseQvodText(run.ctx, address);
        AnalyseEscapedQvodText(run.ctx, address);
        AnalyseEpisodePage(run.ctx, address);
        for (const SchemeView& s : schemes) SmartAnalyse(run.ctx, address, s);
        EXPECT_TRUE(run.rec.journal.empty());
    }
}

TEST(AnalysisCommands, TwoLevelClearsTheListFirst) {
    Harness run;
    run.tasks.AddTask(u"old", u"qvod://1|a|old|", u"SS0", u"", u"qvod://1|a|old|");
    run.rec.nextPage.clear();
    SmartAnalyse(run.ctx, u"http://a/", {u"*.html", u"2", u"", true});
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

}  // namespace
}  // namespace ferrik
