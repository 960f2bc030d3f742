#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

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

#include "app/timed_wait_win.h"

namespace ferrik {
namespace {

// Every nested pump hands each message to the message loop's filter before dispatching it, and
// leaves a message the filter used up undispatched.
TEST(Pump, NestedPumpsGiveMessagesToTheLoopsFilter) {
    static std::vector<UINT> s_filtered, s_dispatched;
    HWND window = CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    SetWindowSubclass(
        window,
        [](HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) CALLBACK -> LRESULT {
            if (msg == WM_KEYDOWN || msg == WM_APP) s_dispatched.push_back(msg);
            return DefSubclassProc(hwnd, msg, wParam, lParam);
        },
        1, 0);
    SetMessageFilter([](MSG& msg) {
        if (msg.message != WM_KEYDOWN) return false;
        s_filtered.push_back(msg.message);
        return true;
    });
    HANDLE never = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    Win32MessagePump analysisPump;
    clsWaitableTimer batchWait("ferrikpump" + std::to_string(GetCurrentProcessId()));
    const std::pair<const char*, std::function<void()>> pumps[] = {
        {"pending messages", [] { PumpPendingMessages(); }},
        {"analysis and status line", [&] { analysisPump.PumpMessages(); }},
        {"wait on a handle", [&] { WaitPumping(never, 50); }},
        {"batch wait", [&] { batchWait.Wait(50); }},
    };
    for (const auto& [what, pump] : pumps) {
        SCOPED_TRACE(what);
        s_filtered.clear();
        s_dispatched.clear();
        PostMessageW(window, WM_KEYDOWN, VK_TAB, 0);
        PostMessageW(window, WM_APP, 0, 0);
        pump();
        EXPECT_EQ(s_filtered, std::vector<UINT>{WM_KEYDOWN});
        EXPECT_EQ(s_dispatched, std::vector<UINT>{WM_APP});
    }
    SetMessageFilter(nullptr);
    CloseHandle(never);
    DestroyWindow(window);
}

}  // namespace
}  // namespace ferrik
