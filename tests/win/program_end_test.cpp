// The end of the program waits for its workers: none is still inside a request, throwing, while
// the runtime ends (the 32-bit build's unwinder is gone by then, and a throw reaches terminate).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/handles_win.h"
#include "platform/worker_win.h"
#include "win/support/http_server.h"
#include "win/support/ui_driver.h"

namespace ferrik {
namespace {

struct Ended {
    DWORD exitCode = 0;
    std::string output;  // standard output and error together
    ULONGLONG ms = 0;    // from the ending message to the process's end
};

// One run of the test program: once its load and its fetch wait at the server, it is ended with
// `ending` (WM_CLOSE, or its own message for a WM_QUIT and the end of main); when it says its end
// has begun, the server drops both connections, unless `neverAnswer`: then they wait until the
// process is gone. Its output is collected to its end.
Ended EndWhileLoading(UINT ending, bool neverAnswer = false) {
    std::optional<test::HttpTestServer> server(std::in_place);
    server->Serve("/list.html", test::Silence());
    server->Serve("/page.html", test::Silence());
    std::wstring line = L"\"" + test::HostPath(FERRIK_EXE_DIR "/end_while_loading.exe") + L"\" ";
    for (const char* path : {"/list.html", "/page.html"}) {
        const Text url = server->Url(path);
        line += std::wstring(url.begin(), url.end()) + L" ";
    }

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
    const bool started =
        CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi);
    CloseHandle(writeEnd);
    if (!started) return {~0u, "not started, error " + std::to_string(GetLastError())};
    UniqueHandle process(pi.hProcess), thread(pi.hThread);

    Ended ended;
    HWND window = nullptr;
    const ULONGLONG start = GetTickCount64();
    while ((server->Requests().size() < 2 ||
            !(window = test::TopWindowOf(pi.dwProcessId,
                                         [](HWND hwnd) { return test::ClassOf(hwnd) == L"FerrikEndWhileLoading"; }))) &&
           GetTickCount64() - start < 20000) {
        Sleep(10);
    }
    if (!window) ended.output = "the load and the fetch never both waited at the server\n";
    PostMessageW(window, ending, 0, 0);
    const ULONGLONG posted = GetTickCount64();
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(reader.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) {
        ended.output.append(buffer, read);
        if (!neverAnswer && server && ended.output.find("ending") != std::string::npos) server.reset();
    }
    WaitForSingleObject(process.get(), INFINITE);
    ended.ms = GetTickCount64() - posted;
    server.reset();
    GetExitCodeProcess(process.get(), &ended.exitCode);
    return ended;
}

// Ended 50 times in a row, half by WM_CLOSE to its window and half by the end of main, while a
// document load and a page fetch wait on a server that drops both connections as the end begins.
TEST(ProgramEnd, WaitsForTheWorkersOfALoadAndAFetch) {
    constexpr UINT kMsgQuit = WM_APP + 2;
    for (int run = 0; run < 50; ++run) {
        const bool close = run % 2 == 0;
        const Ended ended = EndWhileLoading(close ? WM_CLOSE : kMsgQuit);
        SCOPED_TRACE(std::string("run ") + std::to_string(run) + (close ? ", WM_CLOSE" : ", end of main"));
        EXPECT_EQ(ended.exitCode, 0u) << ended.output;
        EXPECT_EQ(ended.output.find("terminate"), std::string::npos) << ended.output;
        if (HasFailure()) break;
    }
}

// A server that never answers does not hold a closed program: its workers, blocked in their
// requests (under Wine a closed WinINet handle does not end the call), are left behind once the
// program's end has waited a little, and the process ends with its own exit code all the same.
TEST(ProgramEnd, DoesNotWaitForAServerThatNeverAnswers) {
    for (const UINT ending : {UINT{WM_CLOSE}, UINT{WM_APP + 2}}) {
        const Ended ended = EndWhileLoading(ending, /*neverAnswer=*/true);
        SCOPED_TRACE(ending == WM_CLOSE ? "WM_CLOSE" : "end of main");
        EXPECT_EQ(ended.exitCode, 0u) << ended.output;
        EXPECT_NE(ended.output.find("ending"), std::string::npos) << ended.output;
        EXPECT_EQ(ended.output.find("terminate"), std::string::npos) << ended.output;
        EXPECT_LT(ended.ms, 3000u) << "the process outlived its window by " << ended.ms << " ms";
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
