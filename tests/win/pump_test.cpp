#include <windows.h>

#include <gtest/gtest.h>

#include "platform/pump_win.h"

namespace ferrik {
namespace {

TEST(Pump, WaitDispatchesPostedMessagesAndEndsWhenSignaled) {
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(event, nullptr);
    static HANDLE s_event;
    static int s_ticks;
    s_event = event;
    s_ticks = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR, DWORD) CALLBACK {
        if (++s_ticks == 3) SetEvent(s_event);
    });
    // Only the third dispatched tick sets the event: a wait that dispatched nothing times out.
    EXPECT_EQ(WaitPumping(event, 5000), PumpWaitResult::Signaled);
    KillTimer(nullptr, timer);
    CloseHandle(event);
}

TEST(Pump, WaitTimesOut) {
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(WaitPumping(event, 100), PumpWaitResult::TimedOut);
    EXPECT_GE(GetTickCount64() - start, 90u);
    CloseHandle(event);
}

}  // namespace
}  // namespace ferrik

namespace ferrik {
namespace {

TEST(Pump, QuitDuringWaitIsPostedAgainAndEndsTheWait) {
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    PostQuitMessage(7);
    EXPECT_EQ(WaitPumping(event, INFINITE), PumpWaitResult::Quit);
    EXPECT_TRUE(QuitRequested());
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
    ClearQuitRequest();
    CloseHandle(event);
}

}  // namespace
}  // namespace ferrik
