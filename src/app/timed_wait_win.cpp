#include "app/timed_wait_win.h"

#include <cstdio>

#include "common/text.h"
#include "platform/pump_win.h"
#include "platform/system_message_win.h"

namespace ferrik {

namespace {

HANDLE g_timer = nullptr;

// QS_ALLINPUT as it was before QS_RAWINPUT joined it.
constexpr DWORD kAllInputWakeMask = 255;
constexpr DWORD kAlreadyExists = 183;

std::string SystemMessage(DWORD number) {
    return ToUtf8(SystemMessageText(number));
}

[[noreturn]] void Raise(DWORD number, const char* source) {
    throw WaitError(number, source, "[clsWaitableTimer.Wait]" + SystemMessage(number));
}

std::string ExeBaseName() {
    char path[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name(path, length);
    name.erase(0, name.find_last_of("\\/") + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos) name.erase(dot);
    return name;
}

void Arm(HANDLE timer, LONGLONG dueTime) {
    LARGE_INTEGER due;
    due.QuadPart = dueTime;
    if (!SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE)) Raise(GetLastError(), "SetWaitableTimer");
}

// Closes the wait's timer on every way out and gives the module-level handle back to the wait
// this one interrupted (null when none).
class TimerScope {
public:
    explicit TimerScope(HANDLE timer) : m_timer(timer), m_outer(g_timer) { g_timer = timer; }
    ~TimerScope() {
        CloseHandle(m_timer);
        g_timer = m_outer;
    }
    TimerScope(const TimerScope&) = delete;
    TimerScope& operator=(const TimerScope&) = delete;

private:
    HANDLE m_timer;
    HANDLE m_outer;
};

}  // namespace

std::string WaitTimerName(const std::string& exeBaseName, WORD minute, WORD second) {
    char digits[8];
    std::snprintf(digits, sizeof(digits), "%02u%02u", static_cast<unsigned>(minute % 100),
                  static_cast<unsigned>(second % 100));
    return exeBaseName + "Timer" + digits;
}

HANDLE WaitTimerHandle() {
    return g_timer;
}

clsWaitableTimer::clsWaitableTimer() : m_baseName(ExeBaseName()) {}

bool clsWaitableTimer::Wait(std::int32_t milliseconds) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    const std::string name = WaitTimerName(m_baseName, now.wMinute, now.wSecond);
    SetLastError(0);
    HANDLE timer = CreateWaitableTimerA(nullptr, TRUE, name.c_str());
    const DWORD created = GetLastError();
    if (!timer) Raise(created, "CreateWaitableTimerA");
    const TimerScope scope(timer);

    // Another wait of this name (another copy of the program, same minute and second) owns the
    // timer's first arming; re-arming below then moves both waits to this one's due time.
    if (created != kAlreadyExists) Arm(timer, -1);
    Arm(timer, -static_cast<LONGLONG>(milliseconds) * 10000);

    for (;;) {
        const DWORD result = MsgWaitForMultipleObjects(1, &timer, FALSE, INFINITE, kAllInputWakeMask);
        if (result == WAIT_FAILED) Raise(GetLastError(), "MsgWaitForMultipleObjects");
        // A WM_QUIT is posted again by the pump; waiting on would only wake for it again and again.
        if (!PumpPendingMessages()) return false;
        if (result == WAIT_OBJECT_0) return true;
    }
}

}  // namespace ferrik
