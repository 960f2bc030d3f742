#include "platform/pump_win.h"

#include "platform/ole_host_win.h"

namespace ferrik {

namespace {
bool g_quitSeen = false;
MessageFilter g_filter = nullptr;
}  // namespace

void SetMessageFilter(MessageFilter filter) {
    g_filter = filter;
}

bool FilterMessage(MSG& msg) {
    return g_filter ? g_filter(msg) : OleControlHost::TranslateKey(msg);
}

bool PumpPendingMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Leave it for the outermost loop; stop pumping so we do not take it again at once.
            g_quitSeen = true;
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        if (FilterMessage(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return !g_quitSeen;
}

bool QuitRequested() { return g_quitSeen; }

void ClearQuitRequest() { g_quitSeen = false; }

PumpWaitResult WaitPumping(HANDLE handle, DWORD timeoutMs) {
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        if (!PumpPendingMessages()) return PumpWaitResult::Quit;
        DWORD remaining = INFINITE;
        if (timeoutMs != INFINITE) {
            const ULONGLONG elapsed = GetTickCount64() - start;
            if (elapsed >= timeoutMs) return PumpWaitResult::TimedOut;
            remaining = static_cast<DWORD>(timeoutMs - elapsed);
        }
        const DWORD r = MsgWaitForMultipleObjects(1, &handle, FALSE, remaining, QS_ALLINPUT);
        if (r == WAIT_OBJECT_0) return PumpWaitResult::Signaled;
        if (r == WAIT_TIMEOUT) return PumpWaitResult::TimedOut;
        if (r == WAIT_FAILED) return PumpWaitResult::Signaled;  // an invalid handle has nothing to wait for
    }
}

}  // namespace ferrik
