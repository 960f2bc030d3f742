#pragma once
// The GUI thread's waiting points: dispatching pending messages and waiting on a handle while the
// windows stay alive.
#include <windows.h>

#include "common/ports.h"

namespace ferrik {

// What the message loop does with a message before it is dispatched (the active browser's
// accelerators, the forms' keyboard navigation); true when it used the message up. Every nested
// pump gives each message to the same filter, so keys act alike while a window is busy. Without
// one set (null), keys inside a hosted control go to the control (OleControlHost::TranslateKey).
using MessageFilter = bool (*)(MSG& msg);
void SetMessageFilter(MessageFilter filter);
bool FilterMessage(MSG& msg);

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
