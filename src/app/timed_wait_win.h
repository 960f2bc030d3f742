#pragma once
// The timed wait: a named, manual-reset waitable timer, waited on with MsgWaitForMultipleObjects
// while every pending message is dispatched.
#include <windows.h>

#include <string>
#include <utility>

#include "app/timed_wait.h"

namespace ferrik {

// The executable's base name, "Timer", then the minute and second as "NNSS".
std::string WaitTimerName(const std::string& exeBaseName, WORD minute, WORD second);

// The module-level handle: the running wait's timer, null when no wait runs.
HANDLE WaitTimerHandle();

class clsWaitableTimer final : public TimedWait {
public:
    // The timer name starts with the executable's base name; tests running side by side in
    // several processes give each its own, since the name is visible to every process.
    clsWaitableTimer();
    explicit clsWaitableTimer(std::string baseName) : m_baseName(std::move(baseName)) {}

    // Returns false, at once, when a WM_QUIT arrives during the wait (it is posted again for the
    // outer loop). Errors throw WaitError. No timer handle stays open after it, whatever happens.
    bool Wait(std::int32_t milliseconds) override;

private:
    std::string m_baseName;
};

}  // namespace ferrik
