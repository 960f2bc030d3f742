// The batch driver with the real pieces: the player substitute, the timed wait, the message pump.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/batch.h"
#include "app/player_win.h"
#include "app/timed_wait_win.h"
#include "common/stop_flag.h"
#include "analysis/codepage_win.h"
#include "analysis/http_win.h"
#include "platform/pump_win.h"
#include "support/http_server.h"
#include "support/player_support.h"
#include "support/ui_driver.h"

namespace ferrik {
namespace {

Text Link(const char16_t* name) {
    return u"qvod://42|89ABCDEF0123456789ABCDEF0123456789abcdef|" + Text(name) + u"|";
}

class NoBusy final : public BusyState {
public:
    void LockControls() override { ++locks; }
    void UnlockControls() override { ++unlocks; }
    int locks = 0;
    int unlocks = 0;
};

std::string Gbk(TextView text) {
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int size = static_cast<int>(text.size());
    std::string bytes(static_cast<std::size_t>(WideCharToMultiByte(936, 0, wide, size, nullptr, 0, nullptr, nullptr)),
                      '\0');
    WideCharToMultiByte(936, 0, wide, size, bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr);
    return bytes;
}

class NoPages final : public PageLinkResolver {
public:
    Text FirstQvodLink(TextView) override { return {}; }
};

TEST(BatchRun, StopChosenWhilePollingFailsTheRowAndEndsTheRun) {
    test::Journal journal;
    test::CountingPrompts prompts;
    prompts.showBoxes = false;
    test::ContainerWindow container;
    std::unique_ptr<DispatchPlayer> player;
    ASSERT_TRUE(CreatePlayer(player, prompts, container.get()));

    TaskList tasks;
    for (const char16_t* name : {u"@starting", u"第2集"}) {
        tasks.AddTask(name, Link(name), kEngineDirect, u"", Link(name));
        tasks.SetChecked(tasks.Count() - 1, true);
    }
    // 停止分析 arrives as a message while the driver waits for the player to start the first row.
    test::RunWhen([&] { return tasks.At(0).status == u"正在连接"; }, [] { StopFlag = 1; });
    NoBusy busy;
    clsWaitableTimer wait("ferrikbatch" + std::to_string(GetCurrentProcessId()));
    Win32MessagePump pump;
    NoPages pages;
    const BatchCounts counts = SubmitTasks(BatchPorts{tasks, busy, *player, wait, pump, pages, prompts});
    EXPECT_EQ(StopFlag, 0);
    EXPECT_EQ(tasks.At(0).status, u"失败");
    EXPECT_EQ(tasks.At(1).status, u"");
    EXPECT_EQ(counts.succeeded, 0);
    EXPECT_EQ(counts.failed, 1);
    EXPECT_EQ(busy.locks, 1);
    EXPECT_EQ(busy.unlocks, 1);
    EXPECT_EQ(prompts.texts,
              std::vector<Text>{u"已完成任务，共成功0个,失败1个，请在qvod快播里点击全部接收,以完成后续下载。"});
    EXPECT_TRUE(journal.Lines().empty());
    EXPECT_EQ(player->PlayState(), 0) << "stopped once more at the end";
}

TEST(BatchRun, MixedRowsEndWithTheirStatusesTheSummaryAndTheJournal) {
    test::Journal journal;
    test::HttpTestServer server;
    const Text episode3 = u"qvod://300|0123456789ABCDEF0123456789ABCDEF01234567|第3集.rmvb|";
    server.Serve("/ep3.html", test::Page(Gbk(u"<p>第3集</p><a href=\"" + episode3 +
                                             u"\">下载</a> <a href=\"qvod://301|FF|第4集.rmvb|\">下载</a>"),
                                         "text/html"));
    server.Serve("/nolink.html", test::Page(Gbk(u"<p>暂无地址</p>")));

    struct Row {
        Text address;
        const char16_t* engine;
        bool checked;
        const char16_t* status;
    };
    const Row rows[] = {
        {Link(u"第1集.rmvb"), kEngineDirect, true, u"成功"},
        {Link(u"第2集.rmvb"), kEngineDirect, false, u""},
        {server.Url("/ep3.html"), kEnginePage, true, u"成功"},
        {u"qvod://bad", kEngineDirect, true, u"失败"},                   // refused
        {server.Url("/nolink.html"), kEnginePage, true, u"失败(就绪)"},  // submitted empty
        {server.Url("/missing.html"), kEnginePage, true, u"失败(就绪)"},
        {Link(u"@state4"), kEngineDirect, true, u"成功"},
    };
    TaskList tasks;
    for (const Row& row : rows) {
        tasks.AddTask(u"name", row.address, row.engine, u"", row.address);
        tasks.SetChecked(tasks.Count() - 1, row.checked);
    }

    test::CountingPrompts prompts;
    prompts.showBoxes = false;
    test::ContainerWindow container;
    std::unique_ptr<DispatchPlayer> player;
    ASSERT_TRUE(CreatePlayer(player, prompts, container.get()));
    NoBusy busy;
    clsWaitableTimer wait("ferrikbatch" + std::to_string(GetCurrentProcessId()));
    Win32MessagePump pump;
    WinInetFetcher fetcher;
    Win32Decoder decoder;
    QvodPageLinks pages(fetcher, decoder);
    StopFlag = 0;
    const BatchCounts counts = SubmitTasks(BatchPorts{tasks, busy, *player, wait, pump, pages, prompts});

    for (std::size_t i = 0; i < std::size(rows); ++i) {
        EXPECT_EQ(tasks.At(i).status, rows[i].status) << "row " << i + 1;
    }
    EXPECT_EQ(counts.succeeded, 3);
    EXPECT_EQ(counts.failed, 3);
    EXPECT_EQ(prompts.texts,
              std::vector<Text>{u"已完成任务，共成功3个,失败3个，请在qvod快播里点击全部接收,以完成后续下载。"});
    EXPECT_EQ(journal.Lines(), (std::vector<Text>{Link(u"第1集.rmvb"), episode3, Link(u"@state4")}));
    EXPECT_EQ(tasks.Header(), u"名称(7)");
    std::vector<std::string> requested;
    for (const test::RecordedRequest& r : server.Requests()) requested.push_back(r.target);
    EXPECT_EQ(requested, (std::vector<std::string>{"/ep3.html", "/nolink.html", "/missing.html"}));
}

}  // namespace
}  // namespace ferrik
