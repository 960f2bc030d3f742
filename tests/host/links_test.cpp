#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "analysis/links.h"
#include "common/stop_flag.h"
#include "support/fakes.h"

namespace ferrik {
namespace {

// Pages that say "loading" for `loadingPolls` reads of the ready state. The log holds polls,
// pumps and the release of the document in the order they happened.
class FakeLoader final : public DocumentLoader, public Beeper {
public:
    struct Doc final : Document {
        Doc(FakeLoader& o, int polls) : owner(o), loadingPolls(polls) {}
        ~Doc() override { owner.log.push_back("release"); }
        Text ReadyState() override {
            owner.log.push_back("poll");
            if (owner.onPoll) owner.onPoll();
            return loadingPolls-- > 0 ? kReadyLoading : kReadyComplete;
        }
        const std::vector<Hyperlink>& Links() const override { return owner.links; }
        bool Interrupted() const override { return owner.interrupted; }
        FakeLoader& owner;
        int loadingPolls;
    };

    std::unique_ptr<Document> CreateDocument(TextView) override {
        log.push_back("create");
        return reject ? nullptr : std::make_unique<Doc>(*this, loadingPolls);
    }
    void Beep() override { log.push_back("beep"); }

    int loadingPolls = 0;
    std::vector<Hyperlink> links;
    bool reject = false;
    bool interrupted = false;  // "complete" because the program is ending
    std::vector<std::string> log;
    std::function<void()> onPoll;
};

const std::vector<Hyperlink> kEpisodeLinks = {
    {u"http://site.cn/index.html", u"首页"},   {u"http://site.cn/PLAY/1.HTML", u"第1集"},
    {u"http://site.cn/play/2.html", u"第2集"}, {u"http://site.cn/play/2.html", u"第2集(备用)"},
    {u"http://site.cn/list/1.html", u"列表"},  {u"http://site.cn/play/3.html", u""},
};

class LinkAnalysisTest : public testing::Test {
protected:
    LinkAnalysisTest() {
        StopFlag = 0;
        loader.links = kEpisodeLinks;
        pump.onPump = [this] { loader.log.push_back("pump"); };
        tasks.AddTask(u"old", u"old", kEnginePage, u"", u"old");
    }
    ~LinkAnalysisTest() override { StopFlag = 0; }

    void Analyse(TextView pattern) { AnalyseLinks(ports, tasks, loader, u"http://site.cn/", pattern, kEnginePage); }
    Text Find(TextView pattern, std::int32_t index) { return FindPageLink(ports, u"http://site.cn/", pattern, index); }
    std::vector<Text> Addresses() const {
        std::vector<Text> out;
        for (std::size_t i = 0; i < tasks.Count(); ++i) out.push_back(tasks.At(i).address);
        return out;
    }
    LinkAnalysisFailure FailureOf(const std::function<void()>& run) {
        try {
            run();
        } catch (const LinkAnalysisError& e) {
            return e.Failure();
        }
        ADD_FAILURE() << "no error";
        return {};
    }

    FakeLoader loader;
    test::FakePump pump;
    test::FakeStatus status;
    LinkAnalysisPorts ports{loader, pump, status};
    TaskList tasks;
};

TEST_F(LinkAnalysisTest, StarListsEveryDistinctLinkInDocumentOrder) {
    loader.loadingPolls = 2;
    Analyse(u"*");
    ASSERT_EQ(Addresses(), (std::vector<Text>{u"http://site.cn/index.html", u"http://site.cn/PLAY/1.HTML",
                                              u"http://site.cn/play/2.html", u"http://site.cn/list/1.html",
                                              u"http://site.cn/play/3.html"}));
    EXPECT_EQ(tasks.At(2).name, u"第2集");  // the first link with an address names the row
    EXPECT_EQ(tasks.At(4).name, u"");
    EXPECT_EQ(tasks.At(1).engine, u"SS1");
    EXPECT_EQ(tasks.At(1).Key(), u"http://site.cn/PLAY/1.HTML");
    EXPECT_EQ(status.texts, (std::vector<Text>{u"正在准备分析网页……", u"正在读取网页信息……", u"完成分析。"}));
    // A pump after each loading poll, one after the second text, one per matching link
    // (the duplicate too), the beep, and the release before the last text.
    EXPECT_EQ(loader.log, (std::vector<std::string>{"create", "poll", "pump", "poll", "pump", "poll", "pump", "pump",
                                                    "pump", "pump", "pump", "pump", "pump", "beep", "release"}));
}

TEST_F(LinkAnalysisTest, PageWithoutMatchingLinksStillBeeps) {
    Analyse(u"*/nothing/*");
    EXPECT_EQ(tasks.Count(), 0u);
    EXPECT_EQ(loader.log, (std::vector<std::string>{"create", "poll", "pump", "beep", "release"}));
}

TEST_F(LinkAnalysisTest, StopRequests) {
    // While loading: the list stays empty, no beep.
    loader.loadingPolls = 1000;
    loader.onPoll = [polls = 0]() mutable {
        if (++polls == 3) StopFlag = 1;
    };
    Analyse(u"*");
    EXPECT_EQ(StopFlag, 0);
    EXPECT_EQ(tasks.Count(), 0u);
    EXPECT_EQ(status.texts, (std::vector<Text>{u"正在准备分析网页……", u"完成分析。"}));
    EXPECT_EQ(loader.log.back(), "release");

    // During the row loop: the rows found so far stay.
    loader = {};
    loader.links = kEpisodeLinks;
    pump.onPump = [this] {
        if (tasks.Count() == 2) StopFlag = 1;
    };
    Analyse(u"*");
    EXPECT_EQ(StopFlag, 0);
    EXPECT_EQ(tasks.Count(), 2u);
    EXPECT_EQ(status.texts.back(), u"完成分析。");

    // Made while nothing ran: ends the next run at its first test.
    loader = {};
    loader.links = kEpisodeLinks;
    StopFlag = 1;
    Analyse(u"*");
    EXPECT_EQ(StopFlag, 0);
    EXPECT_EQ(tasks.Count(), 0u);
    EXPECT_EQ(std::count(loader.log.begin(), loader.log.end(), "beep"), 0);

    // A close while loading: the load is cut short and the close's stop request is taken, not
    // left pending, and no link of the unfinished page is listed.
    loader = {};
    loader.links = kEpisodeLinks;
    loader.loadingPolls = 2;
    loader.onPoll = [this, polls = 0]() mutable {
        if (++polls == 2) StopFlag = 1, loader.interrupted = true;
    };
    Analyse(u"*");
    EXPECT_EQ(StopFlag, 0);
    EXPECT_EQ(tasks.Count(), 0u);
    EXPECT_EQ(std::count(loader.log.begin(), loader.log.end(), "beep"), 0);
    EXPECT_EQ(status.texts.back(), u"完成分析。");
    loader.loadingPolls = 0;  // cut short before the first read
    StopFlag = 1;
    EXPECT_EQ(Find(u"*", 0), u"");
    EXPECT_EQ(StopFlag, 0);
}

TEST_F(LinkAnalysisTest, InvalidPatternChangesNothing) {
    StopFlag = 1;
    EXPECT_EQ(FailureOf([&] { Analyse(u"*/play/[9-0].html"); }), LinkAnalysisFailure::InvalidPattern);
    EXPECT_EQ(FailureOf([&] { Find(u"[abc", 0); }), LinkAnalysisFailure::InvalidPattern);
    EXPECT_EQ(tasks.Count(), 1u);
    EXPECT_TRUE(status.texts.empty());
    EXPECT_TRUE(loader.log.empty());  // no page fetched for nothing
    EXPECT_EQ(StopFlag, 1);           // still pending for the next run
}

TEST_F(LinkAnalysisTest, RejectedAddressEndsAfterClearing) {
    loader.reject = true;
    EXPECT_EQ(FailureOf([&] { Analyse(u"*"); }), LinkAnalysisFailure::RejectedAddress);
    EXPECT_EQ(tasks.Count(), 0u);
    EXPECT_EQ(status.texts, std::vector<Text>{u"正在准备分析网页……"});
    EXPECT_EQ(FailureOf([&] { Find(u"*", 0); }), LinkAnalysisFailure::RejectedAddress);
    EXPECT_EQ(loader.log, (std::vector<std::string>{"create", "create"}));
}

TEST_F(LinkAnalysisTest, FindPageLinkCountsMatchingLinks) {
    loader.loadingPolls = 1;
    EXPECT_EQ(Find(u"*/play/*.html", 0), u"http://site.cn/PLAY/1.HTML");
    EXPECT_EQ(status.texts, (std::vector<Text>{u"正在读取网页数据……", u"正在分析网页数据……", u"完成地址分析。"}));
    EXPECT_EQ(loader.log, (std::vector<std::string>{"create", "poll", "pump", "poll", "pump", "release"}));
    EXPECT_EQ(Find(u"*/play/*.html", 1), u"http://site.cn/play/2.html");
    EXPECT_EQ(Find(u"*/play/*.html", 2), u"http://site.cn/play/2.html");  // duplicates count
    EXPECT_EQ(Find(u"*/play/*.html", 3), u"http://site.cn/play/3.html");
    EXPECT_EQ(Find(u"*/play/*.html", 4), u"");
    EXPECT_EQ(Find(u"*", -1), u"");
    EXPECT_EQ(tasks.Count(), 1u);  // the task list is not touched
    EXPECT_EQ(std::count(loader.log.begin(), loader.log.end(), "beep"), 0);
}

TEST_F(LinkAnalysisTest, FindPageLinkStops) {
    loader.loadingPolls = 3;
    loader.onPoll = [] { StopFlag = 1; };
    EXPECT_EQ(Find(u"*", 0), u"");
    EXPECT_EQ(StopFlag, 0);
    EXPECT_EQ(status.texts, (std::vector<Text>{u"正在读取网页数据……", u"完成地址分析。"}));
}

}  // namespace
}  // namespace ferrik
