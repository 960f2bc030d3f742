#include "app/batch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "common/stop_flag.h"
#include "support/fakes.h"

namespace ferrik {
namespace {

using Log = std::vector<std::string>;

// One poll as the player answers it; nullopt makes the read fail.
struct Poll {
    std::optional<std::int32_t> downrate;
    std::optional<std::int32_t> playState;
};

// Answers every job with a script of polls (the last one repeats) and logs each call.
class ScriptedPlayer final : public Player {
public:
    explicit ScriptedPlayer(Log& log) : m_log(log) {}

    void Stop() override { Call("Stop"); }
    void SetURL(TextView link) override { Call("URL " + ToUtf8(link)); }
    void Play() override {
        m_poll = 0;
        m_script = m_jobs.empty() ? std::vector<Poll>{{0, 0}} : m_jobs.front();
        if (!m_jobs.empty()) m_jobs.erase(m_jobs.begin());
        Call("Play");
    }
    std::int32_t Downrate() override {
        m_current = m_script.at(std::min(m_poll++, m_script.size() - 1));
        Call("Downrate");
        if (!m_current.downrate) throw PlayerError("Downrate");
        return *m_current.downrate;
    }
    std::int32_t PlayState() override {
        Call("PlayState");
        if (!m_current.playState) throw PlayerError("PlayState");
        return *m_current.playState;
    }

    void AddJob(std::vector<Poll> polls) { m_jobs.push_back(std::move(polls)); }
    std::vector<std::string> failing;  // members that throw (after being logged)

private:
    void Call(const std::string& what) {
        m_log.push_back(what);
        const std::string member = what.substr(0, what.find(' '));
        for (const std::string& f : failing) {
            if (f == member) throw PlayerError(member);
        }
    }

    Log& m_log;
    std::vector<std::vector<Poll>> m_jobs;
    std::vector<Poll> m_script;
    std::size_t m_poll = 0;
    Poll m_current;
};

class FakeWait final : public TimedWait {
public:
    explicit FakeWait(Log& log) : m_log(log) {}
    bool Wait(std::int32_t milliseconds) override {
        m_log.push_back("Wait " + std::to_string(milliseconds));
        ++count;
        if (onWait) return onWait(count);
        return true;
    }
    int count = 0;
    std::function<bool(int)> onWait;  // given the wait's number from 1; may throw

private:
    Log& m_log;
};

class LoggingBusy final : public BusyState {
public:
    explicit LoggingBusy(Log& log) : m_log(log) {}
    void LockControls() override { m_log.push_back("Lock"); }
    void UnlockControls() override { m_log.push_back("Unlock"); }

private:
    Log& m_log;
};

class FakePrompts final : public Prompts {
public:
    explicit FakePrompts(Log& log) : m_log(log) {}
    void ShowMessage(TextView text, MessageIcon icon) override {
        m_log.push_back(std::string("Message ") + (icon == MessageIcon::Exclamation ? "!" : "?"));
        messages.emplace_back(text);
    }
    void ShellOpen(TextView) override {}
    std::vector<Text> messages;

private:
    Log& m_log;
};

class FakePages final : public PageLinkResolver {
public:
    Text FirstQvodLink(TextView pageAddress) override {
        asked.emplace_back(pageAddress);
        if (pageAddress == u"http://site/down.html") throw FetchError("unreachable");
        return pageAddress == u"http://site/ep1.html" ? Text(u"qvod://1|AB|ep1|") : Text();
    }
    std::vector<Text> asked;
};

class BatchTest : public ::testing::Test {
protected:
    void SetUp() override { StopFlag = 0; }
    void TearDown() override { StopFlag = 0; }

    void AddRow(const std::string& address, bool checked, const char16_t* engine = kEngineDirect) {
        const Text a = FromUtf8(address);
        tasks.AddTask(u"name " + a, a, engine, u"", a);
        if (checked) tasks.SetChecked(tasks.Count() - 1, true);
    }
    BatchCounts Run() {
        log.clear();
        return SubmitTasks(BatchPorts{tasks, busy, player, wait, pump, pages, prompts});
    }
    std::vector<Text> Statuses() const {
        std::vector<Text> s;
        for (std::size_t i = 0; i < tasks.Count(); ++i) s.push_back(tasks.At(i).status);
        return s;
    }
    Text Summary() const { return prompts.messages.empty() ? Text() : prompts.messages.back(); }

    Log log;
    TaskList tasks;
    LoggingBusy busy{log};
    ScriptedPlayer player{log};
    FakeWait wait{log};
    test::FakePump pump;
    FakePages pages;
    FakePrompts prompts{log};
};

TEST_F(BatchTest, OneRowCallsThePlayerInOrderAndEndsWithTheSummary) {
    AddRow("qvod://1|A|a|", true);
    player.AddJob({{0, 10}, {0, 10}, {7, 0}});
    const BatchCounts counts = Run();
    const Log expected = {"Lock",      "Stop",     "URL qvod://1|A|a|", "Play",      "Wait 800", "Downrate",
                          "PlayState", "Wait 800", "Downrate",          "PlayState", "Wait 800", "Downrate",
                          "Unlock",    "Stop",     "Message !"};
    EXPECT_EQ(log, expected);
    EXPECT_EQ(pump.count, 1);
    EXPECT_EQ(counts.succeeded, 1);
    EXPECT_EQ(counts.failed, 0);
    EXPECT_EQ(Statuses(), std::vector<Text>{u"成功"});
    EXPECT_EQ(Summary(), u"已完成任务，共成功1个,失败0个，请在qvod快播里点击全部接收,以完成后续下载。");
}

TEST_F(BatchTest, TheFirstPollDecidesByDownrateThenPlayState) {
    struct Case {
        std::int32_t downrate;
        std::int32_t playState;
        const char16_t* status;
    };
    const Case cases[] = {
        {1, 0, u"成功"},  {1000, 1, u"成功"}, {0, 0, u"失败(就绪)"}, {-5, 0, u"失败(就绪)"}, {0, 3, u"成功"},
        {0, 4, u"成功"},  {0, 1, u"失败"},    {0, 2, u"失败"},       {0, 5, u"失败"},        {0, 9, u"失败"},
        {0, 11, u"失败"}, {0, -1, u"失败"},   {0, INT_MIN, u"失败"}, {0, INT_MAX, u"失败"},  {INT_MIN, 4, u"成功"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.downrate << " " << c.playState);
        tasks.ClearTasks();
        AddRow("qvod://1|A|a|", true);
        player.AddJob({{c.downrate, c.playState}});
        wait.count = 0;
        const BatchCounts counts = Run();
        const bool success = Text(c.status) == u"成功";
        EXPECT_EQ(Statuses(), std::vector<Text>{c.status});
        EXPECT_EQ(counts.succeeded, success ? 1 : 0);
        EXPECT_EQ(counts.failed, success ? 0 : 1);
        EXPECT_EQ(wait.count, 1) << "decided on the first poll";
        EXPECT_EQ(std::count(log.begin(), log.end(), "PlayState"), c.downrate >= 1 ? 0 : 1);
    }
}

TEST_F(BatchTest, NothingCheckedMeansOnlyTheFinalStop) {
    for (bool withRows : {false, true}) {
        tasks.ClearTasks();
        if (withRows) {
            AddRow("qvod://1|A|a|", false);
            AddRow("qvod://2|A|b|", false);
        }
        const BatchCounts counts = Run();
        EXPECT_EQ(log, (Log{"Lock", "Unlock", "Stop", "Message !"}));
        EXPECT_EQ(counts.succeeded + counts.failed, 0);
        EXPECT_EQ(Summary(), u"已完成任务，共成功0个,失败0个，请在qvod快播里点击全部接收,以完成后续下载。");
        EXPECT_EQ(Statuses(), std::vector<Text>(tasks.Count()));
    }
}

TEST_F(BatchTest, APendingStopEndsARunWithRowsBeforeRowOneButSurvivesAnEmptyList) {
    StopFlag = 1;
    Run();
    EXPECT_EQ(StopFlag, 1);
    AddRow("qvod://1|A|a|", true);
    const BatchCounts counts = Run();
    EXPECT_EQ(StopFlag, 0);
    EXPECT_EQ(log, (Log{"Lock", "Unlock", "Stop", "Message !"}));
    EXPECT_EQ(counts.succeeded + counts.failed, 0);
    EXPECT_EQ(Statuses(), std::vector<Text>{u""});
    EXPECT_EQ(prompts.messages.size(), 2u);
}

TEST_F(BatchTest, StopBetweenRowsLeavesTheRestUntouched) {
    AddRow("qvod://1|A|a|", true);
    AddRow("qvod://2|A|b|", true);
    tasks.SetStatus(1, u"旧");
    player.AddJob({{5, 0}});
    // Requested during row 1's only wait: the row still finishes, row 2 is never started.
    wait.onWait = [](int) {
        StopFlag = 1;
        return true;
    };
    const BatchCounts counts = Run();
    EXPECT_EQ(StopFlag, 0);
    EXPECT_EQ(Statuses(), (std::vector<Text>{u"成功", u"旧"}));
    EXPECT_EQ(counts.succeeded, 1);
    EXPECT_EQ(counts.failed, 0);
    EXPECT_EQ(std::count(log.begin(), log.end(), "Play"), 1);
}

TEST_F(BatchTest, StopWhilePollingFailsTheRowAndEndsTheRun) {
    AddRow("qvod://1|A|a|", true);
    AddRow("qvod://2|A|b|", true);
    player.AddJob({{0, 10}});  // starting forever
    wait.onWait = [](int n) {
        if (n == 3) StopFlag = 1;
        return true;
    };
    const BatchCounts counts = Run();
    EXPECT_EQ(wait.count, 3);
    EXPECT_EQ(StopFlag, 0);
    EXPECT_EQ(Statuses(), (std::vector<Text>{u"失败", u""}));
    EXPECT_EQ(counts.failed, 1);
    EXPECT_EQ(Summary(), u"已完成任务，共成功0个,失败1个，请在qvod快播里点击全部接收,以完成后续下载。");
    const Log tail(log.end() - 4, log.end());
    EXPECT_EQ(tail, (Log{"PlayState", "Unlock", "Stop", "Message !"}));
}

TEST_F(BatchTest, ProgramEndingDuringAWaitEndsTheRunLikeAStop) {
    AddRow("qvod://1|A|a|", true);
    AddRow("qvod://2|A|b|", true);
    player.AddJob({{0, 10}});
    wait.onWait = [](int) { return false; };
    const BatchCounts counts = Run();
    EXPECT_EQ(Statuses(), (std::vector<Text>{u"失败", u""}));
    EXPECT_EQ(counts.failed, 1);
    EXPECT_EQ(std::count(log.begin(), log.end(), "Downrate"), 0);
}

TEST_F(BatchTest, CheckedRowsInTheMiddleGoInListOrder) {
    for (int i = 1; i <= 5; ++i) AddRow("qvod://" + std::to_string(i) + "|A|x|", i == 2 || i == 4);
    for (std::size_t i = 0; i < 5; ++i) tasks.SetStatus(i, u"旧");
    player.AddJob({{1, 0}});
    player.AddJob({{0, 1}});
    const BatchCounts counts = Run();
    EXPECT_EQ(Statuses(), (std::vector<Text>{u"旧", u"成功", u"旧", u"失败", u"旧"}));
    Log urls;
    std::copy_if(log.begin(), log.end(), std::back_inserter(urls),
                 [](const std::string& e) { return e.rfind("URL", 0) == 0; });
    EXPECT_EQ(urls, (Log{"URL qvod://2|A|x|", "URL qvod://4|A|x|"}));
    EXPECT_EQ(counts.succeeded, 1);
    EXPECT_EQ(counts.failed, 1);
}

class LoggingProgress final : public BatchProgress {
public:
    explicit LoggingProgress(Log& log) : m_log(log) {}
    void ShowProgress(std::size_t done, std::size_t total) override {
        m_log.push_back("Progress " + std::to_string(done) + "/" + std::to_string(total));
        if (failing) throw std::runtime_error("taskbar");
    }
    void ClearProgress() override {
        m_log.push_back("Clear");
        if (failing) throw std::runtime_error("taskbar");
    }
    bool failing = false;

private:
    Log& m_log;
};

// The progress of each run, read from the whole log: its calls among the others' and the
// summary's place after the clearing.
TEST_F(BatchTest, ProgressCountsRowsDoneOfTheCheckedRowsAndClearsBeforeTheSummary) {
    struct Case {
        const char* name;
        std::vector<bool> checks;
        std::function<bool(int)> onWait;
        Log progress;  // the progress calls and the summary, in order
        bool failing = false;
    };
    const auto stopAt = [](int at) {
        return [at](int n) {
            if (n == at) StopFlag = 1;
            return true;
        };
    };
    const Case cases[] = {
        {"two of three checked", {true, false, true}, {}, {"Progress 0/2", "Progress 1/2", "Progress 2/2", "Clear",
                                                           "Message !"}},
        {"none checked", {false, false}, {}, {"Message !"}},
        {"empty list", {}, {}, {"Message !"}},
        {"stopped while polling the first", {true, true}, stopAt(1), {"Progress 0/2", "Progress 1/2", "Clear",
                                                                      "Message !"}},
        {"stopped between rows", {true, true, true}, stopAt(2), {"Progress 0/3", "Progress 1/3", "Clear", "Message !"}},
        {"a failing taskbar changes nothing", {true, true}, {}, {"Progress 0/2", "Progress 1/2", "Progress 2/2",
                                                                 "Clear", "Message !"}, true},
    };
    LoggingProgress progress(log);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tasks.ClearTasks();
        for (std::size_t i = 0; i < c.checks.size(); ++i) AddRow("qvod://" + std::to_string(i) + "|A|x|", c.checks[i]);
        // Row 1 waits twice (starting, then accepted), every later row once.
        ScriptedPlayer scripted(log);
        scripted.AddJob({{0, 10}, {0, 3}});
        for (int i = 0; i < 3; ++i) scripted.AddJob({{1, 0}});
        wait.count = 0;
        wait.onWait = c.onWait;
        progress.failing = c.failing;
        log.clear();
        const BatchCounts counts = SubmitTasks(BatchPorts{tasks, busy, scripted, wait, pump, pages, prompts, &progress});
        Log seen;
        std::copy_if(log.begin(), log.end(), std::back_inserter(seen), [](const std::string& e) {
            return e.rfind("Progress", 0) == 0 || e == "Clear" || e.rfind("Message", 0) == 0;
        });
        EXPECT_EQ(seen, c.progress);
        EXPECT_EQ(log.front(), "Lock");
        if (c.failing) {
            EXPECT_EQ(counts.succeeded, 2);
        }
        StopFlag = 0;
    }
}

class HeaderRecorder final : public TaskListObserver {
public:
    void OnRowAdded(std::size_t) override {}
    void OnRowsCleared() override {}
    void OnRowChanged(std::size_t) override { ++rowChanges; }
    void OnHeaderChanged(TextView header) override { headers.emplace_back(header); }
    std::vector<Text> headers;
    int rowChanges = 0;
};

TEST_F(BatchTest, ARunChangesStatusesButNotTheHeader) {
    for (int i = 1; i <= 12; ++i) AddRow("qvod://" + std::to_string(i) + "|A|x|", i % 3 == 0);
    HeaderRecorder recorder;
    tasks.SetObserver(&recorder);
    Run();
    tasks.SetObserver(nullptr);
    EXPECT_TRUE(recorder.headers.empty());
    EXPECT_EQ(recorder.rowChanges, 8) << "正在连接 and the outcome of each of the 4 checked rows";
    EXPECT_EQ(tasks.Header(), u"名称(12)");
}

TEST_F(BatchTest, PageRowsSubmitTheFirstLinkOfTheirPageOrAnEmptyOne) {
    AddRow("http://site/ep1.html", true, kEnginePage);
    AddRow("http://site/empty.html", true, kEnginePage);
    AddRow("http://site/down.html", true, kEnginePage);
    AddRow("qvod://3|A|c|", true);
    Run();
    EXPECT_EQ(pages.asked,
              (std::vector<Text>{u"http://site/ep1.html", u"http://site/empty.html", u"http://site/down.html"}));
    Log urls;
    std::copy_if(log.begin(), log.end(), std::back_inserter(urls),
                 [](const std::string& e) { return e.rfind("URL", 0) == 0; });
    EXPECT_EQ(urls, (Log{"URL qvod://1|AB|ep1|", "URL ", "URL ", "URL qvod://3|A|c|"}));
}

TEST_F(BatchTest, AFailingMemberNeverStopsTheRun) {
    struct Case {
        const char* member;
        std::vector<Poll> polls;
        const char16_t* status;
    };
    // Each failing member is logged before it throws, so the whole sequence still shows.
    const Case cases[] = {
        {"Stop", {{3, 0}}, u"成功"},
        {"URL", {{3, 0}}, u"成功"},
        {"Play", {{3, 0}}, u"成功"},
        {"Downrate", {{3, 10}, {3, 4}}, u"成功"},  // PlayState decides when Downrate cannot be read
        {"PlayState", {{0, 3}}, u"失败(就绪)"},    // unread: this row's PlayState is still 0
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.member);
        tasks.ClearTasks();
        AddRow("qvod://1|A|a|", true);
        AddRow("qvod://2|A|b|", true);
        player.failing = {c.member};
        player.AddJob(c.polls);
        player.AddJob(c.polls);
        const BatchCounts counts = Run();
        EXPECT_EQ(Statuses(), (std::vector<Text>{c.status, c.status}));
        EXPECT_EQ(counts.succeeded + counts.failed, 2);
        EXPECT_EQ(log.back(), "Message !");
    }
}

TEST_F(BatchTest, AFailedReadKeepsThisRowsPreviousValueOnly) {
    AddRow("qvod://1|A|a|", true);
    AddRow("qvod://2|A|b|", true);
    // Row 1: starting, then both reads fail (still starting), then accepted by PlayState.
    player.AddJob({{0, 10}, {std::nullopt, std::nullopt}, {0, 3}});
    // Row 2: Downrate fails and PlayState says idle: row 1's success does not carry over.
    player.AddJob({{std::nullopt, 0}});
    Run();
    EXPECT_EQ(wait.count, 4);
    EXPECT_EQ(Statuses(), (std::vector<Text>{u"成功", u"失败(就绪)"}));
}

TEST_F(BatchTest, FailingWaitsBusyStateAndMessageAreIgnored) {
    AddRow("qvod://1|A|a|", true);
    player.AddJob({{0, 10}, {0, 4}});
    wait.onWait = [](int) -> bool { throw WaitError(6, "SetWaitableTimer", "[clsWaitableTimer.Wait]bad handle"); };
    class ThrowingBusy final : public BusyState {
        void LockControls() override { throw std::runtime_error("lock"); }
        void UnlockControls() override { throw std::runtime_error("unlock"); }
    } throwingBusy;
    class ThrowingPrompts final : public Prompts {
        void ShowMessage(TextView, MessageIcon) override { throw std::runtime_error("box"); }
        void ShellOpen(TextView) override {}
    } throwingPrompts;
    const BatchCounts counts = SubmitTasks(BatchPorts{tasks, throwingBusy, player, wait, pump, pages, throwingPrompts});
    EXPECT_EQ(counts.succeeded, 1);
    EXPECT_EQ(wait.count, 2);
}

TEST_F(BatchTest, RowsRemovedDuringARunAreSkipped) {
    for (int i = 1; i <= 3; ++i) AddRow("qvod://" + std::to_string(i) + "|A|x|", true);
    player.AddJob({{1, 0}});
    pump.onPump = [this] { tasks.ClearTasks(); };
    const BatchCounts counts = Run();
    EXPECT_EQ(std::count(log.begin(), log.end(), "Play"), 1);
    EXPECT_EQ(counts.succeeded, 1) << "the outcome is counted even though the row is gone";
    EXPECT_EQ(tasks.Count(), 0u);
}

}  // namespace
}  // namespace ferrik
