// Windows test entry: the DLL search, COM and the common controls are ready before any test runs,
// as in the program.
//
// The tests run on a thread of their own, and the process ends only once every other thread of
// it has ended or a short while has passed. GoogleTest's thread-local values on Windows start a
// watcher thread for each thread that uses them (SCOPED_TRACE, a failed assertion), blocked on
// that thread's handle until it ends; Wine (seen with 8.0's 32-bit loader, about once in 1,500
// processes) can crash with SIGSEGV in a thread blocked that way while the process exits, after
// every result was written, which ctest then counts as a failure. A test thread that ends wakes
// its watcher, which returns on its own before the process goes. The modules loaded by then stay
// until the process ends, as they would with the tests on the main thread: the test thread's
// end runs its thread-local destructors, and one of a DLL may drop that DLL's last reference
// (the browser stand-in), unloading it inside the thread's exit while other threads wait on it.
#include <windows.h>

#include <commctrl.h>
#include <ole2.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <vector>

#include "platform/handles_win.h"
#include "platform/system_dlls_win.h"
#include "platform/worker_win.h"

namespace {

struct Arguments {
    int argc;
    char** argv;
    int result = 1;
};

// A snapshot of this process's modules or threads; empty where none can be taken.
ferrik::UniqueHandle Snapshot(DWORD what) {
    HANDLE snapshot = CreateToolhelp32Snapshot(what, 0);
    return ferrik::UniqueHandle(snapshot == INVALID_HANDLE_VALUE ? nullptr : snapshot);
}

void PinLoadedModules() {
    const ferrik::UniqueHandle snapshot = Snapshot(TH32CS_SNAPMODULE);
    if (!snapshot) return;
    MODULEENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Module32FirstW(snapshot.get(), &entry); more; more = Module32NextW(snapshot.get(), &entry)) {
        HMODULE pinned = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                           reinterpret_cast<LPCWSTR>(entry.modBaseAddr), &pinned);
    }
}

DWORD WINAPI RunTests(void* parameter) {
    auto& arguments = *static_cast<Arguments*>(parameter);
    testing::InitGoogleTest(&arguments.argc, arguments.argv);
    OleInitialize(nullptr);
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    arguments.result = RUN_ALL_TESTS();
    ferrik::EndWorkersOrEndProcess(arguments.result);  // as the program's end does
    OleUninitialize();
    PinLoadedModules();
    return 0;
}

// Waits until the process's other threads have ended, for at most `ms` in all: the watchers end
// at once; threads the system keeps for itself (a thread pool's idle workers) may not.
void AwaitOtherThreads(DWORD ms) {
    const ULONGLONG deadline = GetTickCount64() + ms;
    std::vector<DWORD> ids;
    if (const ferrik::UniqueHandle snapshot = Snapshot(TH32CS_SNAPTHREAD)) {
        THREADENTRY32 entry{};
        entry.dwSize = sizeof(entry);
        for (BOOL more = Thread32First(snapshot.get(), &entry); more; more = Thread32Next(snapshot.get(), &entry))
            if (entry.th32OwnerProcessID == GetCurrentProcessId() && entry.th32ThreadID != GetCurrentThreadId())
                ids.push_back(entry.th32ThreadID);
    }
    for (const DWORD id : ids) {
        const ferrik::UniqueHandle thread(OpenThread(SYNCHRONIZE, FALSE, id));
        if (!thread) continue;
        const ULONGLONG now = GetTickCount64();
        WaitForSingleObject(thread.get(), now < deadline ? static_cast<DWORD>(deadline - now) : 0);
    }
}

}  // namespace

int main(int argc, char** argv) {
    ferrik::RestrictDllSearchToSystem();
    Arguments arguments{argc, argv};
    const ferrik::UniqueHandle tests(CreateThread(nullptr, 0, RunTests, &arguments, 0, nullptr));
    if (!tests) {
        RunTests(&arguments);
        return arguments.result;
    }
    WaitForSingleObject(tests.get(), INFINITE);
    AwaitOtherThreads(500);
    return arguments.result;
}
