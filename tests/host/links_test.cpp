#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "analysis/links.h"
#include "common/stop_flag.h"
#include "support/fakes.h"

namespace ferrik {
namespace {

using test::FakePump;
using test::FakeStatus;

// A page that reports "loading" for a number of polls, then its links. The log records the
// order of events across the fakes (polls, pumps, release) so the tests can check the sequence.
struct FakePage {
    int loadingPolls = 0;
    std::vector<Hyperlink> links;
};

class FakeLoader final : public DocumentLoader {
public:
    class Doc final : public Document {
    public:
        Doc(FakeLoader& owner, FakePage page) : m_owner(owner), m_page(std::move(page)) {}
        ~Doc() override { m_owner.log.push_back("release"); }
        Text ReadyState() override {
            m_owner.log.push_back("poll");
            if (m_owner.onPoll) m_owner.onPoll();
            if (m_page.loadingPolls > 0) {
                --m_page.loadingPolls;
                return kReadyLoading;
            }
            return kReadyComplete;
        }
        const std::vector<Hyperlink>& Links() const override { return m_page.links; }

    private:
        FakeLoader& m_owner;
        FakePage m_page;
    };

    std::unique_ptr<Document> CreateDocument(TextView address) override {
        log.push_back("create " + ToUtf8(address));
        if (rejectAll) return nullptr;
        return std::make_unique<Doc>(*this, page);
    }

    FakePage page;
    bool rejectAll = false;
    std::vector<std::string> log;
    std::function<void()> onPoll;
};

class CountingBeeper final : public Beeper {
public:
    void Beep() override { ++count; }
    int count = 0;
};

class LinkAnalysisTest : public testing::Test {
protected:
    LinkAnalysisTest() {
        StopFlag = 0;
        pump.onPump = [this] { loader.log.push_back("pump"); };
    }
    ~LinkAnalysisTest() override { StopFlag = 0; }

    void Analyse(TextView pattern) { AnalyseLinks(ports, tasks, beeper, kPage, pattern, kEnginePage); }
    Text Find(TextView pattern, std::int32_t index) { return FindPageLink(ports, kPage, pattern, index); }

    std::vector<Text> Addresses() const {
        std::vector<Text> out;
        for (std::size_t i = 0; i < tasks.Count(); ++i) out.push_back(tasks.At(i).address);
        return out;
    }

    static constexpr char16_t kPage[] = u"http://site.cn/list.html";
    FakeLoader loader;
    FakePump pump;
    FakeStatus status;
    LinkAnalysisPorts ports{loader, pump, status};
    TaskList tasks;
    CountingBeeper beeper;
};

const std::vector<Hyperlink> kEpisodeLinks = {
    {u"http://site.cn/index.html", u"首页"},   {u"http://site.cn/PLAY/1.HTML", u"第1集"},
    {u"http://site.cn/play/2.html", u"第2集"}, {u"http://site.cn/play/2.html", u"第2集(备用)"},
    {u"http://site.cn/list/1.html", u"列表"},  {u"http://site.cn/play/3.html", u""},
};

TEST_F(LinkAnalysisTest, StarListsEveryDistinctLinkInDocumentOrder) {
    loader.page = {2, kEpisodeLinks};
    tasks.AddTask(u"old", u"old", kEnginePage, u"", u"old");
    Analyse(u"*");
    ASSERT_EQ(Addresses(), (std::vector<Text>{u"http://site.cn/index.html", u"http://site.cn/PLAY/1.HTML",
                                              u"http://site.cn/play/2.html", u"http://site.cn/list/1.html",
                                              u"http://site.cn/play/3.html"}));
    EXPECT_EQ(tasks.At(0).name, u"首页");
    EXPECT_EQ(tasks.At(2).name, u"第2集");  // the first link with an address names the row
    EXPECT_EQ(tasks.At(4).name, u"");
    for (std::size_t i = 0; i < tasks.Count(); ++i) {
        EXPECT_EQ(tasks.At(i).engine, u"SS1");
        EXPECT_EQ(tasks.At(i).key, tasks.At(i).address);
        EXPECT_EQ(tasks.At(i).tag, u"");
        EXPECT_FALSE(tasks.At(i).checked);
    }
    EXPECT_EQ(status.texts, (std::vector<Text>{u"正在准备分析网页……", u"正在读取网页信息……", u"完成分析。"}));
    EXPECT_EQ(beeper.count, 1);
    // Two polls while loading, each followed by a pump; one pump after the second status text;
    // one per matching link, duplicates included; the document released before the last text.
    EXPECT_EQ(loader.log,
              (std::vector<std::string>{"create http://site.cn/list.html", "poll", "pump", "poll", "pump", "poll",
                                        "pump", "pump", "pump", "pump", "pump", "pump", "pump", "release"}));
}

TEST_F(LinkAnalysisTest, PatternSelectsLinksKeepingTheirCase) {
    loader.page = {0, kEpisodeLinks};
    Analyse(u"*/play/*.html");
    EXPECT_EQ(Addresses(), (std::vector<Text>{u"http://site.cn/PLAY/1.HTML", u"http://site.cn/play/2.html",
                                              u"http://site.cn/play/3.html"}));
    EXPECT_EQ(beeper.count, 1);
}

TEST_F(LinkAnalysisTest, PageWithoutLinksStillBeeps) {
    Analyse(u"*");
    EXPECT_EQ(tasks.Count(), 0u);
    EXPECT_EQ(beeper.count, 1);
    EXPECT_EQ(status.texts.back(), u"完成分析。");
}

TEST_F(LinkAnalysisTest, StopWhileLoadingEndsWithoutRowsOrBeep) {
    loader.page = {1000000, kEpisodeLinks};
    tasks.AddTask(u"old", u"old", kEnginePage, u"", u"old");
    int polls = 0;
    loader.onPoll = [&] {
        if (++polls == 3) StopFlag = 1;
    };
    Analyse(u"*");
    EXPECT_EQ(StopFlag, 0);
    EXPECT_EQ(tasks.Count(), 0u);
    EXPECT_EQ(beeper.count, 0);
    EXPECT_EQ(status.texts, (std::vector<Text>{u"正在准备分析网页……", u"完成分析。"}));
    EXPECT_EQ(loader.log.back(), "release");
}

TEST_F(LinkAnalysisTest, PendingStopEndsAtTheFirstTest) {
    loader.page = {0, kEpisodeLinks};
    StopFlag = 1;
    Analyse(u"*");
    // The page was complete at once, so the first test is the one before the first link.
    EXPECT_EQ(StopFlag, 0);
    EXPECT_EQ(tasks.Count(), 0u);
    EXPECT_EQ(beeper.count, 0);
    EXPECT_EQ(status.texts.back(), u"完成分析。");
}

TEST_F(LinkAnalysisTest, StopDuringRowLoopKeepsRowsFound) {
    loader.page = {0, kEpisodeLinks};
    pump.onPump = [&] {
        if (tasks.Count() == 2) StopFlag = 1;
    };
    Analyse(u"*");
    EXPECT_EQ(StopFlag, 0);
    EXPECT_EQ(Addresses(), (std::vector<Text>{u"http://site.cn/index.html", u"http://site.cn/PLAY/1.HTML"}));
    EXPECT_EQ(beeper.count, 0);
    EXPECT_EQ(status.texts.back(), u"完成分析。");
}

TEST_F(LinkAnalysisTest, InvalidPatternChangesNothing) {
    loader.page = {0, kEpisodeLinks};
    tasks.AddTask(u"old", u"old", kEnginePage, u"", u"old");
    StopFlag = 1;
    try {
        Analyse(u"*/play/[9-0].html");
        FAIL() << "no error";
    } catch (const LinkAnalysisError& e) {
        EXPECT_EQ(e.Failure(), LinkAnalysisFailure::InvalidPattern);
    }
    EXPECT_EQ(tasks.Count(), 1u);
    EXPECT_TRUE(status.texts.empty());
    EXPECT_TRUE(loader.log.empty());  // no page fetched for nothing
    EXPECT_EQ(StopFlag, 1);           // still pending for the next run

    EXPECT_THROW(Find(u"[abc", 0), LinkAnalysisError);
    EXPECT_TRUE(status.texts.empty());
}

TEST_F(LinkAnalysisTest, RejectedAddressIsADistinctError) {
    loader.rejectAll = true;
    tasks.AddTask(u"old", u"old", kEnginePage, u"", u"old");
    try {
        Analyse(u"*");
        FAIL() << "no error";
    } catch (const LinkAnalysisError& e) {
        EXPECT_EQ(e.Failure(), LinkAnalysisFailure::RejectedAddress);
    }
    EXPECT_EQ(tasks.Count(), 0u);
    EXPECT_EQ(beeper.count, 0);
    EXPECT_EQ(status.texts, std::vector<Text>{u"正在准备分析网页……"});

    try {
        Find(u"*", 0);
        FAIL() << "no error";
    } catch (const LinkAnalysisError& e) {
        EXPECT_EQ(e.Failure(), LinkAnalysisFailure::RejectedAddress);
    }
}

TEST_F(LinkAnalysisTest, FindPageLinkCountsMatchingLinks) {
    loader.page = {1, kEpisodeLinks};
    tasks.AddTask(u"old", u"old", kEnginePage, u"", u"old");
    EXPECT_EQ(Find(u"*/play/*.html", 0), u"http://site.cn/PLAY/1.HTML");
    EXPECT_EQ(status.texts, (std::vector<Text>{u"正在读取网页数据……", u"正在分析网页数据……", u"完成地址分析。"}));
    EXPECT_EQ(loader.log,
              (std::vector<std::string>{"create http://site.cn/list.html", "poll", "pump", "poll", "pump", "release"}));
    EXPECT_EQ(Find(u"*/play/*.html", 1), u"http://site.cn/play/2.html");
    EXPECT_EQ(Find(u"*/play/*.html", 2), u"http://site.cn/play/2.html");  // duplicates count
    EXPECT_EQ(Find(u"*/play/*.html", 3), u"http://site.cn/play/3.html");
    EXPECT_EQ(Find(u"*/play/*.html", 4), u"");
    EXPECT_EQ(Find(u"*/nothing/*", 0), u"");
    EXPECT_EQ(Find(u"*", -1), u"");
    EXPECT_EQ(tasks.Count(), 1u);  // the task list is not touched
    EXPECT_EQ(beeper.count, 0);
}

TEST_F(LinkAnalysisTest, FindPageLinkStops) {
    loader.page = {3, kEpisodeLinks};
    loader.onPoll = [] { StopFlag = 1; };
    EXPECT_EQ(Find(u"*", 0), u"");
    EXPECT_EQ(StopFlag, 0);
    EXPECT_EQ(status.texts, (std::vector<Text>{u"正在读取网页数据……", u"完成地址分析。"}));

    status.texts.clear();
    loader.page = {0, kEpisodeLinks};
    loader.onPoll = nullptr;
    status.onShow = [](TextView text) {
        if (text == u"正在分析网页数据……") StopFlag = 1;
    };
    EXPECT_EQ(Find(u"*", 0), u"");
    EXPECT_EQ(StopFlag, 0);
    EXPECT_EQ(status.texts.back(), u"完成地址分析。");
}

}  // namespace
}  // namespace ferrik
