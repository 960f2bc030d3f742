// ferrik.exe as its own process, with the player substitute: analyse a page of the loopback
// server, check every row, download, and compare what the player took with the page's links.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "win/support/http_server.h"
#include "win/support/ui_driver.h"

namespace ferrik {
namespace {

using test::HttpTestServer;
using test::MessageBoxWatcher;

// Dispatches our own messages too, so that cross-process sends to us never stall.
bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs = 30000) {
    return test::PumpUntil(done, timeoutMs);
}

std::vector<std::string> ReadLines(const std::wstring& path) {
    std::vector<std::string> lines;
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

std::string Utf8(const std::wstring& text) {
    std::string out(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                                                 nullptr, 0, nullptr, nullptr)),
                    '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(),
                        static_cast<int>(out.size()), nullptr, nullptr);
    return out;
}

TEST(EndToEnd, AnalyseCheckAllDownloadAndThePlayerTakesEveryLink) {
    const std::vector<std::wstring> links = {
        L"qvod://228102013|6F1D8A0E3B0C4B2A9D8E7F6A5B4C3D2E1F0A9B8C|笑傲江湖第01集.rmvb|",
        L"qvod://231874400|0A1B2C3D4E5F60718293A4B5C6D7E8F901234567|笑傲江湖第02集.rmvb|",
        L"qvod://219005511|FEDCBA9876543210FEDCBA9876543210FEDCBA98|笑傲江湖第03集.rmvb|",
    };
    std::wstring html = L"<html><head><meta charset=\"gb2312\"><title>笑傲江湖</title></head><body>";
    for (const auto& link : links) html += L"<p><a href=\"" + link + L"\">下载</a></p>";
    html += L"<p>" + links[0] + L"</p></body></html>";  // a repeated link gives one row
    HttpTestServer server;
    server.Serve("/xajh/list.html", test::Page(test::Gbk(html), "text/html; charset=gb2312"));

    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring journal =
        std::wstring(temp) + L"ferrik-e2e-journal-" + std::to_wstring(GetCurrentProcessId()) + L".txt";
    DeleteFileW(journal.c_str());
    SetEnvironmentVariableW(L"QVODSIM_JOURNAL", journal.c_str());

    std::wstring command = L"\"" + test::HostPath(FERRIK_EXE_DIR "/ferrik.exe") + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        << GetLastError();
    MessageBoxWatcher boxes(MessageBoxWatcher::OfProcess{pi.dwProcessId});

    HWND main = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (main = test::VisibleFormOf(pi.dwProcessId)) != nullptr; }));
    EXPECT_EQ(test::TextOf(main), L"Ferrik V1.1.0");
    HWND combo = GetDlgItem(main, kCombo1);
    HWND list = GetDlgItem(main, kListView1);
    HWND status = GetDlgItem(GetDlgItem(main, kPicture1), kLblResult);
    ASSERT_TRUE(combo && list && status);

    const std::string address = server.UrlUtf8("/xajh/list.html");
    SendMessageW(combo, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(std::wstring(address.begin(), address.end()).c_str()));
    EXPECT_EQ(test::TextOf(status), L"没有找到相应的方案,如果进行分析,会强制分析。");

    PostMessageW(main, WM_COMMAND, static_cast<WPARAM>(MenuCommand::AnalyseQvodText), 0);
    ASSERT_TRUE(WaitFor([&] { return test::TextOf(status) == L"分析完毕"; })) << Utf8(test::TextOf(status));
    ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 3);
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(test::RemoteListText(pi.hProcess, list, row, 1), links[static_cast<std::size_t>(row)]);
        EXPECT_EQ(test::RemoteListText(pi.hProcess, list, row, 2), L"SS0");
    }
    EXPECT_EQ(test::RemoteListText(pi.hProcess, list, 1, 0), L"笑傲江湖第02集.rmvb");

    PostMessageW(main, WM_COMMAND, static_cast<WPARAM>(MenuCommand::CheckAll), 0);
    const auto checked = [&](int row) {
        return (SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK) &
                LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
    };
    ASSERT_TRUE(WaitFor([&] { return checked(0) && checked(1) && checked(2); }));
    PostMessageW(GetDlgItem(main, kCommand2), BM_CLICK, 0, 0);

    const std::wstring summary = L"已完成任务，共成功3个,失败0个，请在qvod快播里点击全部接收,以完成后续下载。";
    ASSERT_TRUE(WaitFor([&] { return !boxes.Texts().empty(); }, 60000));
    const auto seen = boxes.Seen();
    EXPECT_EQ(seen.back().text, summary);
    EXPECT_EQ(seen.back().title, L"提示");
    for (int row = 0; row < 3; ++row) EXPECT_EQ(test::RemoteListText(pi.hProcess, list, row, 3), L"成功");

    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 20000), WAIT_OBJECT_0);
    // The player's whole life: sited and activated at start, the three jobs (each after a Stop),
    // the batch's final Stop, taken down at close.
    std::vector<std::string> expected = {"#sited", "#activated"};
    for (const auto& link : links) expected.insert(expected.end(), {"#stop", Utf8(link)});
    for (const char* event : {"#stop", "#deactivated", "#closed", "#unsited", "#released"}) expected.push_back(event);
    EXPECT_EQ(ReadLines(journal), expected);
    DWORD exitCode = 1;
    GetExitCodeProcess(pi.hProcess, &exitCode);
    EXPECT_EQ(exitCode, 0u);
    if (WaitForSingleObject(pi.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    DeleteFileW(journal.c_str());
}

}  // namespace
}  // namespace ferrik
