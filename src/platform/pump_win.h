#pragma once
// The GUI thread's waiting points: dispatching pending messages and waiting on a handle while the
// windows stay alive.
#include <windows.h>

#include "common/ports.h"

namespace ferrik {

// Dispatches every message pending now. A WM_QUIT is posted again (so the outer loop still sees
// it) and remembered: returns false once the program is ending.
bool PumpPendingMessages();

// True once a WM_QUIT has been seen by a nested pump: waits should give up promptly.
bool QuitRequested();

// Forgets a seen WM_QUIT (after the caller has taken it from the queue itself).
void ClearQuitRequest();

enum class PumpWaitResult { Signaled, TimedOut, Quit };

// Waits for `handle` while dispatching messages, up to `timeoutMs` (INFINITE for no limit).
PumpWaitResult WaitPumping(HANDLE handle, DWORD timeoutMs);

class Win32MessagePump final : public MessagePump {
public:
    void PumpMessages() override { PumpPendingMessages(); }
};

}  // namespace ferrik
