// The end of the program waits for its workers: none is still inside a request, throwing, while
// the runtime ends (the 32-bit build's unwinder is gone by then, and a throw reaches terminate).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "platform/handles_win.h"
#include "platform/worker_win.h"
#include "win/support/ui_driver.h"

namespace ferrik {
namespace {

struct Ended {
    DWORD exitCode = 0;
    std::string output;  // standard output and error together
};

// Runs the program to its end with its output collected.
Ended RunToTheEnd(const std::wstring& commandLine) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return {~0u, "no pipe"};
    UniqueHandle reader(readEnd);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = writeEnd;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi{};
    std::wstring line = commandLine;
    const bool started =
        CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi);
    CloseHandle(writeEnd);
    if (!started) return {~0u, "not started, error " + std::to_string(GetLastError())};
    UniqueHandle process(pi.hProcess), thread(pi.hThread);
    Ended ended;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(reader.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) ended.output.append(buffer, read);
    WaitForSingleObject(process.get(), INFINITE);
    GetExitCodeProcess(process.get(), &ended.exitCode);
    return ended;
}

// Ended 50 times in a row, half by WM_CLOSE to its window and half by the end of main, while a
// document load and a page fetch wait on a server that then drops both connections.
TEST(ProgramEnd, WaitsForTheWorkersOfALoadAndAFetch) {
    const std::wstring program = L"\"" + test::HostPath(FERRIK_EXE_DIR "/end_while_loading.exe") + L"\" ";
    for (int run = 0; run < 50; ++run) {
        const wchar_t* how = run % 2 == 0 ? L"close" : L"return";
        const Ended ended = RunToTheEnd(program + how);
        SCOPED_TRACE(std::string("run ") + std::to_string(run) + (run % 2 == 0 ? ", close" : ", return"));
        EXPECT_EQ(ended.exitCode, 0u) << ended.output;
        EXPECT_EQ(ended.output.find("terminate"), std::string::npos) << ended.output;
        if (HasFailure()) break;
    }
}

// A cancel request during a blocking call closes the request's handles, which ends the call; a
// worker group's end cancels what still runs and joins it.
TEST(Workers, CancelEndsABlockingCallAndTheGroupJoinsItsWorkers) {
    std::shared_ptr<CancelToken> token;
    {
        WorkerGroup group;
        token = group.Start([](CancelToken& cancel) {
            while (!cancel.Requested()) Sleep(5);
        });
        ASSERT_NE(token, nullptr);
        EXPECT_EQ(group.Running(), 1u);
    }
    EXPECT_TRUE(token->Requested());

    // Handles held by the token: closed by a request during a call, else by CloseAll, once.
    static int closed[3];
    closed[0] = closed[1] = closed[2] = 0;
    const auto close = [](void* handle) noexcept { ++closed[reinterpret_cast<std::uintptr_t>(handle)]; };
    CancelToken during;
    during.Hold(reinterpret_cast<void*>(1), close);
    ASSERT_TRUE(during.EnterCall());
    during.Request();
    EXPECT_EQ(closed[1], 1);
    during.LeaveCall();
    EXPECT_FALSE(during.EnterCall());
    during.CloseAll();
    EXPECT_EQ(closed[1], 1);

    CancelToken between;
    between.Hold(reinterpret_cast<void*>(2), close);
    between.Request();  // outside a call: the worker closes its handles itself
    EXPECT_EQ(closed[2], 0);
    between.CloseAll();
    EXPECT_EQ(closed[2], 1);
}

}  // namespace
}  // namespace ferrik
