// The batch driver with the real pieces: the player substitute, the timed wait, the message pump.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/batch.h"
#include "app/player_win.h"
#include "app/timed_wait_win.h"
#include "common/stop_flag.h"
#include "platform/pump_win.h"
#include "support/player_support.h"

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

class NoPages final : public PageLinkResolver {
public:
    Text FirstQvodLink(TextView) override { return {}; }
};

TEST(BatchRun, StopChosenWhilePollingFailsTheRowAndEndsTheRun) {
    test::Journal journal;
    test::CountingPrompts prompts;
    prompts.showBoxes = false;
    std::unique_ptr<DispatchPlayer> player;
    ASSERT_TRUE(CreatePlayer(player, prompts));

    TaskList tasks;
    for (const char16_t* name : {u"@starting", u"第2集"}) {
        tasks.AddTask(name, Link(name), kEngineDirect, u"", Link(name));
        tasks.SetChecked(tasks.Count() - 1, true);
    }
    // 停止分析 arrives as a message while the driver waits for the player.
    static constexpr UINT_PTR kTimerId = 0;
    const UINT_PTR timer = SetTimer(nullptr, kTimerId, 1500, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        StopFlag = 1;
    });
    NoBusy busy;
    clsWaitableTimer wait;
    Win32MessagePump pump;
    NoPages pages;
    const ULONGLONG start = GetTickCount64();
    const BatchCounts counts = SubmitTasks(BatchPorts{tasks, busy, *player, wait, pump, pages, prompts});
    KillTimer(nullptr, timer);

    EXPECT_GE(GetTickCount64() - start, 1500u);
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

}  // namespace
}  // namespace ferrik
