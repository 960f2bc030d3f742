// Start-up of ferrik.exe (skinned, the data files beside it, the player substitute registered) to
// its idle main window, beside reference_window.exe started the same way, bare and with the main
// window's standard controls ("controls"). The time runs from CreateProcess until the program's
// first visible top-level window exists and its thread answers a message (it has reached its
// message loop); then the window is closed and the program must end.
#include <windows.h>

#include <string>
#include <vector>

#include "bench_table.h"
#include "win/support/ui_driver.h"

namespace ferrik::bench {
namespace {

std::wstring BesideMe(const wchar_t* name) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path);
    return dir.substr(0, dir.find_last_of(L"\\/") + 1) + name;
}

// Seconds to the idle main window, or -1 when it did not come or the program did not end cleanly.
double StartToIdle(const std::wstring& exe, const wchar_t* argument = nullptr) {
    std::wstring line = L"\"" + exe + L"\"";
    if (argument) line += std::wstring(L" ") + argument;
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    const LARGE_INTEGER start = Now();
    if (!CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
    double seconds = -1;
    HWND window = nullptr;
    const ULONGLONG deadline = GetTickCount64() + 30000;
    while (GetTickCount64() < deadline && WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) {
        if ((window = test::TopWindowOf(pi.dwProcessId, [](HWND hwnd) {
                 return IsWindowVisible(hwnd) && !GetWindow(hwnd, GW_OWNER);
             })) != nullptr) {
            DWORD_PTR result = 0;
            if (SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result)) seconds = SecondsSince(start);
            break;
        }
        Sleep(2);
    }
    if (window) PostMessageW(window, WM_CLOSE, 0, 0);
    DWORD code = 1;
    if (WaitForSingleObject(pi.hProcess, 20000) != WAIT_OBJECT_0) {
        TerminateProcess(pi.hProcess, 1);
        seconds = -1;
    } else if (GetExitCodeProcess(pi.hProcess, &code) && code != 0) {
        seconds = -1;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return seconds;
}

}  // namespace
}  // namespace ferrik::bench

int main(int argc, char** argv) {
    using namespace ferrik::bench;
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 7;
    const std::wstring ferrik = BesideMe(L"ferrik.exe"), reference = BesideMe(L"reference_window.exe");
    StartToIdle(reference);  // the first start of any program loads Wine's DLLs from disk
    StartToIdle(ferrik);
    std::vector<double> ours, bare, withControls;
    for (int i = 0; i < rounds; ++i) {  // in turn, so that load changes hit all alike
        bare.push_back(StartToIdle(reference));
        withControls.push_back(StartToIdle(reference, L"controls"));
        ours.push_back(StartToIdle(ferrik));
    }
    const auto median = [](const std::vector<double>& v) {
        return std::any_of(v.begin(), v.end(), [](double x) { return x < 0; }) ? -1 : Median(v);
    };
    const double a = median(ours), b = median(bare), c = median(withControls);
    const std::string what =
        "start of ferrik.exe to its idle main window, skinned (median of " + std::to_string(rounds) + ")";
    Row(what, Time(a), "a window with a list view and the player's control (OLE, same manifest): " + Time(b),
        a > 0 && b > 0 ? a / b : 0);
    Row(what, Time(a), "the same with the main window's standard controls, unskinned: " + Time(c),
        a > 0 && c > 0 ? a / c : 0);
    return a > 0 && b > 0 && c > 0 ? 0 : 1;
}
