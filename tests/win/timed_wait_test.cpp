#include "app/timed_wait_win.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/pump_win.h"

namespace ferrik {
namespace {

// A message-only window that counts WM_APP and runs a hook on each WM_TIMER.
class Receiver {
public:
    Receiver() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"FerrikWaitTestReceiver";
        RegisterClassW(&wc);
        m_hwnd = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, this);
    }
    ~Receiver() { DestroyWindow(m_hwnd); }
    HWND hwnd() const { return m_hwnd; }

    int posted = 0;
    std::function<void()> onTimer;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == WM_NCCREATE) {
            SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
        }
        auto* self = reinterpret_cast<Receiver*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self && msg == WM_APP) ++self->posted;
        if (self && msg == WM_TIMER) {
            KillTimer(hwnd, wp);
            if (self->onTimer) self->onTimer();
        }
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
    HWND m_hwnd;
};

// Test processes run side by side: each waits on timers of its own name.
std::string TestBase() { return "ferrikwait" + std::to_string(GetCurrentProcessId()); }

std::string NameNow() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return WaitTimerName(TestBase(), now.wMinute, now.wSecond);
}

// The timer names a wait may use if it starts within the next few seconds.
std::vector<std::string> NamesOfTheComingSeconds() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::vector<std::string> names;
    for (int s = 0; s < 3; ++s) {
        const WORD second = static_cast<WORD>((now.wSecond + s) % 60);
        const WORD minute = static_cast<WORD>((now.wMinute + (now.wSecond + s) / 60) % 60);
        names.push_back(WaitTimerName(TestBase(), minute, second));
    }
    return names;
}

DWORD HandleCount() {
    DWORD count = 0;
    GetProcessHandleCount(GetCurrentProcess(), &count);
    return count;
}

TEST(TimedWait, TimerNameIsTheExeBaseTimerAndMinuteSecond) {
    EXPECT_EQ(WaitTimerName("ferrik", 5, 9), "ferrikTimer0509");
    EXPECT_EQ(WaitTimerName("ferrik", 59, 0), "ferrikTimer5900");
}

TEST(TimedWait, LastsItsTimeWhileMessagesAreDispatched) {
    Receiver receiver;
    clsWaitableTimer timer(TestBase());
    bool timerSeenDuringWait = false;
    std::string name;
    receiver.onTimer = [&] {
        PostMessageW(receiver.hwnd(), WM_APP, 0, 0);
        timerSeenDuringWait = WaitTimerHandle() != nullptr;
    };
    SetTimer(receiver.hwnd(), 1, 100, nullptr);
    PostMessageW(receiver.hwnd(), WM_APP, 0, 0);
    const DWORD handlesBefore = HandleCount();
    const ULONGLONG start = GetTickCount64();
    name = NameNow();
    EXPECT_TRUE(timer.Wait(800));
    const ULONGLONG elapsed = GetTickCount64() - start;
    EXPECT_GE(elapsed, 780u);
    EXPECT_LT(elapsed, 5000u);
    EXPECT_EQ(receiver.posted, 2) << "the message posted before and the one posted during the wait";
    EXPECT_TRUE(timerSeenDuringWait);
    EXPECT_EQ(WaitTimerHandle(), nullptr);
    EXPECT_EQ(HandleCount(), handlesBefore);
    // The named timer is gone with its last handle.
    EXPECT_EQ(OpenWaitableTimerA(TIMER_ALL_ACCESS, FALSE, name.c_str()), nullptr);
}

TEST(TimedWait, ZeroReturnsAtOnceAfterOnePassOfDispatching) {
    Receiver receiver;
    for (int i = 0; i < 3; ++i) PostMessageW(receiver.hwnd(), WM_APP, 0, 0);
    const DWORD handlesBefore = HandleCount();
    const ULONGLONG start = GetTickCount64();
    EXPECT_TRUE(clsWaitableTimer(TestBase()).Wait(0));
    EXPECT_LT(GetTickCount64() - start, 500u);
    EXPECT_EQ(receiver.posted, 3);
    EXPECT_EQ(HandleCount(), handlesBefore);
}

TEST(TimedWait, NestedWaitsCloseEveryTimer) {
    Receiver receiver;
    clsWaitableTimer timer(TestBase());
    HANDLE outer = nullptr;
    HANDLE afterInner = nullptr;
    bool innerDone = false;
    receiver.onTimer = [&] {
        outer = WaitTimerHandle();
        innerDone = timer.Wait(50);
        afterInner = WaitTimerHandle();
    };
    SetTimer(receiver.hwnd(), 1, 20, nullptr);
    const DWORD handlesBefore = HandleCount();
    EXPECT_TRUE(timer.Wait(300));
    EXPECT_TRUE(innerDone);
    EXPECT_NE(outer, nullptr);
    EXPECT_EQ(afterInner, outer) << "the outer wait's handle is back once the inner one ends";
    EXPECT_EQ(WaitTimerHandle(), nullptr);
    EXPECT_EQ(HandleCount(), handlesBefore);
}

TEST(TimedWait, QuitEndsTheWaitAndIsPostedAgain) {
    Receiver receiver;
    receiver.onTimer = [] { PostQuitMessage(3); };
    SetTimer(receiver.hwnd(), 1, 50, nullptr);
    const DWORD handlesBefore = HandleCount();
    const ULONGLONG start = GetTickCount64();
    EXPECT_FALSE(clsWaitableTimer(TestBase()).Wait(20000));
    EXPECT_LT(GetTickCount64() - start, 10000u);
    EXPECT_EQ(HandleCount(), handlesBefore);
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 3u);
    ClearQuitRequest();
}

TEST(TimedWait, AFailureIsRaisedWithTheRoutineNameAndLeavesNoHandle) {
    // Another kind of object holding the timer's name makes the creation fail.
    std::vector<HANDLE> squatters;
    for (const std::string& name : NamesOfTheComingSeconds()) {
        squatters.push_back(CreateEventA(nullptr, TRUE, FALSE, name.c_str()));
    }
    const DWORD handlesBefore = HandleCount();
    try {
        clsWaitableTimer(TestBase()).Wait(10);
        ADD_FAILURE() << "no error raised";
    } catch (const WaitError& e) {
        EXPECT_EQ(e.Number(), static_cast<std::uint32_t>(ERROR_INVALID_HANDLE));
        EXPECT_EQ(e.Source(), "CreateWaitableTimerA");
        EXPECT_EQ(std::string(e.what()).rfind("[clsWaitableTimer.Wait]", 0), 0u) << e.what();
        EXPECT_GT(std::string(e.what()).size(), std::string("[clsWaitableTimer.Wait]").size());
    }
    EXPECT_EQ(HandleCount(), handlesBefore);
    EXPECT_EQ(WaitTimerHandle(), nullptr);
    for (HANDLE h : squatters) CloseHandle(h);
}

TEST(TimedWait, AnExistingTimerOfTheNameIsReArmedForThisWait) {
    // As when another copy of the program waits in the same second: the timer is already
    // signalled, yet this wait still lasts its own time.
    std::vector<HANDLE> others;
    for (const std::string& name : NamesOfTheComingSeconds()) {
        HANDLE h = CreateWaitableTimerA(nullptr, TRUE, name.c_str());
        LARGE_INTEGER due;
        due.QuadPart = -1;
        SetWaitableTimer(h, &due, 0, nullptr, nullptr, FALSE);
        others.push_back(h);
    }
    // Every other timer has come due before the wait starts.
    WaitForMultipleObjects(static_cast<DWORD>(others.size()), others.data(), TRUE, INFINITE);
    const ULONGLONG start = GetTickCount64();
    EXPECT_TRUE(clsWaitableTimer(TestBase()).Wait(300));
    EXPECT_GE(GetTickCount64() - start, 280u);
    for (HANDLE h : others) CloseHandle(h);
}

}  // namespace
}  // namespace ferrik
