// The downloads as a user meets them: the installer run silently for the user alone and for
// everyone, the installed program started and closed, an upgrade, the uninstaller, the finish
// page's start of the program; and the portable folder's program started from wherever it was
// unzipped. package_test.sh builds the
// packages and passes their folder (FERRIK_PACKAGES) and the unzipped folder (FERRIK_PORTABLE).
#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "win/support/ui_driver.h"

namespace ferrik {
namespace {

namespace fs = std::filesystem;

constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Ferrik";
constexpr wchar_t kBrowserEmulationKey[] =
    L"Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\FEATURE_BROWSER_EMULATION";
const std::vector<std::wstring> kInstalledFiles = {L"ferrik.exe", L"Rule.dat", L"RunFilter.dat", L"Setting.ini",
                                                   L"uninstall.exe"};

std::wstring Env(const wchar_t* name) {
    const wchar_t* value = _wgetenv(name);
    return value ? value : L"";
}

std::wstring KnownFolder(REFKNOWNFOLDERID id) {
    PWSTR path = nullptr;
    std::wstring out;
    if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path))) out = path;
    CoTaskMemFree(path);
    return out;
}

// Runs a program to its end; its exit code, or -1 when it did not end in time.
int RunProgram(const std::wstring& commandLine, DWORD timeoutMs = 60000) {
    std::wstring line = commandLine;
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return -static_cast<int>(GetLastError());
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return static_cast<int>(code);
}

// Starts ferrik.exe with its own folder as the working directory of the test (not its own), waits
// for its main window, closes it and returns what it showed and how it ended.
struct StartResult {
    bool mainWindow = false;
    std::wstring caption;
    int exitCode = -1;
};
StartResult StartAndClose(const std::wstring& exe) {
    StartResult result;
    std::wstring line = L"\"" + exe + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return result;
    HWND main = nullptr;
    test::PumpUntil([&] { return (main = test::VisibleFormOf(pi.dwProcessId)) != nullptr; }, 30000);
    if (main) {
        result.mainWindow = true;
        result.caption = test::TextOf(main);
        PostMessageW(main, WM_CLOSE, 0, 0);
    }
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(pi.hProcess, 20000) == WAIT_OBJECT_0) {
        GetExitCodeProcess(pi.hProcess, &code);
    } else {
        struct Dump {
            DWORD pid;
        } dump{pi.dwProcessId};
        EnumWindows(
            [](HWND h, LPARAM p) CALLBACK -> BOOL {
                DWORD pid = 0;
                GetWindowThreadProcessId(h, &pid);
                if (pid == reinterpret_cast<Dump*>(p)->pid)
                    std::wprintf(L"left: %ls '%ls' visible=%d\n", test::ClassOf(h).c_str(), test::TextOf(h).c_str(),
                                 IsWindowVisible(h));
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&dump));
        TerminateProcess(pi.hProcess, 99);
    }
    result.exitCode = static_cast<int>(code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return result;
}

// The values of the uninstall entry, or an empty map when there is none.
std::map<std::wstring, std::wstring> UninstallEntry(HKEY root) {
    std::map<std::wstring, std::wstring> values;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, kUninstallKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return values;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameLength = 256, type = 0;
        BYTE data[2048];
        DWORD size = sizeof(data);
        if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
        if (type == REG_SZ) {
            values[name] = reinterpret_cast<const wchar_t*>(data);
        } else if (type == REG_DWORD) {
            values[name] = std::to_wstring(*reinterpret_cast<const DWORD*>(data));
        }
    }
    RegCloseKey(key);
    return values;
}

// The document mode the system's browser control is told to give ferrik.exe in a hive, or nothing:
// read in the registry view of the exe's width (this test is built as the exe is), where the
// control reads it.
std::optional<DWORD> BrowserEmulation(HKEY root) {
    HKEY key = nullptr;
    const REGSAM view = sizeof(void*) == 4 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
    if (RegOpenKeyExW(root, kBrowserEmulationKey, 0, KEY_READ | view, &key) != ERROR_SUCCESS) return std::nullopt;
    DWORD value = 0, type = 0, size = sizeof(value);
    const LONG read = RegQueryValueExW(key, L"ferrik.exe", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    if (read != ERROR_SUCCESS || type != REG_DWORD) return std::nullopt;
    return value;
}

// The running processes: their ids, their parents' and their exe names.
struct Process {
    DWORD id;
    DWORD parent;
    std::wstring exe;
};
std::vector<Process> Processes() {
    std::vector<Process> processes;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return processes;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        processes.push_back({entry.th32ProcessID, entry.th32ParentProcessID, entry.szExeFile});
    CloseHandle(snapshot);
    return processes;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The uninstaller copies itself away and runs from there: wait until its work is visible.
bool WaitGone(const fs::path& file, HKEY root) {
    return test::PumpUntil([&] { return !fs::exists(file) && UninstallEntry(root).empty(); }, 60000);
}

// The folder of an installation for the user alone: his own Programs folder. Wine has no such
// known folder, and the installer then takes the same path under the local application data.
fs::path UserInstallFolder() {
    std::wstring programs = KnownFolder(FOLDERID_UserProgramFiles);
    if (programs.empty()) programs = KnownFolder(FOLDERID_LocalAppData) + L"\\Programs";
    return fs::path(programs) / L"Ferrik";
}

// Removes what the user left in the installation folder. The uninstaller's copy can still be
// ending with the folder as its working directory, which cannot be removed until it has gone.
bool RemoveUserFolder(const fs::path& dir) {
    std::error_code removed;
    const bool done = test::PumpUntil([&] { return fs::remove_all(dir, removed), !removed; }, 30000);
    if (!done) std::printf("cannot remove %ls: %s\n", dir.c_str(), removed.message().c_str());
    return done;
}

class Package : public testing::Test {
protected:
    void SetUp() override {
        packages = Env(L"FERRIK_PACKAGES");
        version = Env(L"FERRIK_VERSION");
        if (packages.empty() || version.empty()) GTEST_SKIP() << "run by tests/package/package_test.sh";
        setup = packages / (L"ferrik-" + version + L"-setup.exe");
        ASSERT_TRUE(fs::exists(setup)) << setup;
    }

    fs::path packages;
    std::wstring version;
    fs::path setup;
};

// Per user: files, shortcut and uninstall entry; an upgrade keeps the user's settings; the
// uninstaller leaves a file the user added, and so the folder.
TEST_F(Package, InstallForTheUserUpgradeAndUninstall) {
    const fs::path dir = UserInstallFolder();
    const fs::path shortcut = fs::path(KnownFolder(FOLDERID_Programs)) / L"Ferrik.lnk";
    ASSERT_FALSE(fs::exists(dir / L"ferrik.exe")) << "left from an earlier run: " << dir;
    ASSERT_EQ(RunProgram(L"\"" + setup.wstring() + L"\" /S /CurrentUser"), 0);

    for (const std::wstring& f : kInstalledFiles) EXPECT_TRUE(fs::exists(dir / f)) << f;
    EXPECT_TRUE(fs::exists(shortcut));
    auto entry = UninstallEntry(HKEY_CURRENT_USER);
    EXPECT_EQ(entry[L"DisplayName"], L"Ferrik");
    EXPECT_EQ(entry[L"DisplayVersion"], version);
    EXPECT_EQ(entry[L"Publisher"], L"Ferrik");
    EXPECT_EQ(entry[L"DisplayIcon"], L"\"" + (dir / L"ferrik.exe").wstring() + L"\",0");
    EXPECT_EQ(entry[L"InstallLocation"], dir.wstring());
    EXPECT_EQ(entry[L"UninstallString"].rfind(L"\"" + (dir / L"uninstall.exe").wstring() + L"\"", 0), 0u)
        << entry[L"UninstallString"];
    EXPECT_EQ(entry[L"NoModify"], L"1");
    EXPECT_TRUE(UninstallEntry(HKEY_LOCAL_MACHINE).empty());
    // The browser control's newest document mode (IE 11, whatever a page's DOCTYPE says), for the
    // user alone.
    EXPECT_EQ(BrowserEmulation(HKEY_CURRENT_USER), 11001u);
    EXPECT_EQ(BrowserEmulation(HKEY_LOCAL_MACHINE), std::nullopt);

    const StartResult started = StartAndClose((dir / L"ferrik.exe").wstring());
    EXPECT_TRUE(started.mainWindow);
    EXPECT_NE(started.caption.find(version), std::wstring::npos) << started.caption;
    EXPECT_EQ(started.exitCode, 0);

    // Upgrade: the user's Setting.ini stays, a damaged Rule.dat is replaced.
    const std::string settings = "[Setting]\r\nUnSkin=1\r\n";
    std::ofstream(dir / L"Setting.ini", std::ios::binary) << settings;
    std::ofstream(dir / L"Rule.dat", std::ios::binary) << "broken";
    ASSERT_EQ(RunProgram(L"\"" + setup.wstring() + L"\" /S"), 0);  // finds the earlier install and its mode
    EXPECT_EQ(ReadFile(dir / L"Setting.ini"), settings);
    EXPECT_NE(ReadFile(dir / L"Rule.dat"), "broken");
    EXPECT_TRUE(UninstallEntry(HKEY_LOCAL_MACHINE).empty());

    std::ofstream(dir / L"我的笔记.txt") << "mine";
    ASSERT_EQ(RunProgram(L"\"" + (dir / L"uninstall.exe").wstring() + L"\" /S"), 0);
    ASSERT_TRUE(WaitGone(dir / L"ferrik.exe", HKEY_CURRENT_USER));
    for (const std::wstring& f : kInstalledFiles) EXPECT_FALSE(fs::exists(dir / f)) << f;
    EXPECT_FALSE(fs::exists(shortcut));
    EXPECT_TRUE(fs::exists(dir / L"我的笔记.txt"));
    EXPECT_EQ(BrowserEmulation(HKEY_CURRENT_USER), std::nullopt);
    EXPECT_TRUE(RemoveUserFolder(dir));
}

// For everyone (the default of an administrator): Program Files, the common Start menu, HKLM; the
// uninstaller removes the folder with everything in it that it put there.
TEST_F(Package, InstallForEveryoneAndUninstall) {
    const fs::path dir = fs::path(KnownFolder(FOLDERID_ProgramFiles)) / L"Ferrik";
    const fs::path shortcut = fs::path(KnownFolder(FOLDERID_CommonPrograms)) / L"Ferrik.lnk";
    const fs::path programFiles = dir.parent_path();
    const auto before = std::distance(fs::directory_iterator(programFiles), fs::directory_iterator());
    ASSERT_EQ(RunProgram(L"\"" + setup.wstring() + L"\" /S /AllUsers"), 0);
    for (const std::wstring& f : kInstalledFiles) EXPECT_TRUE(fs::exists(dir / f)) << f;
    EXPECT_TRUE(fs::exists(shortcut));
    auto entry = UninstallEntry(HKEY_LOCAL_MACHINE);
    EXPECT_EQ(entry[L"DisplayVersion"], version);
    EXPECT_EQ(entry[L"InstallLocation"], dir.wstring());
    EXPECT_TRUE(UninstallEntry(HKEY_CURRENT_USER).empty());
    EXPECT_EQ(BrowserEmulation(HKEY_LOCAL_MACHINE), 11001u);
    EXPECT_EQ(BrowserEmulation(HKEY_CURRENT_USER), std::nullopt);
    EXPECT_EQ(StartAndClose((dir / L"ferrik.exe").wstring()).exitCode, 0);

    ASSERT_EQ(RunProgram(entry[L"QuietUninstallString"]), 0);
    ASSERT_TRUE(WaitGone(dir / L"ferrik.exe", HKEY_LOCAL_MACHINE));
    EXPECT_TRUE(test::PumpUntil([&] { return !fs::exists(dir); }, 10000));
    EXPECT_FALSE(fs::exists(shortcut));
    EXPECT_EQ(std::distance(fs::directory_iterator(programFiles), fs::directory_iterator()), before);
    EXPECT_EQ(BrowserEmulation(HKEY_LOCAL_MACHINE), std::nullopt);
}

// The finish page's 运行 Ferrik, clicked through as a user does: the program is started by the
// shell (its parent is Explorer), so it runs at the user's level rather than at the installer's.
TEST_F(Package, FinishPageStartsFerrikThroughTheShell) {
    const fs::path dir = UserInstallFolder();
    std::wstring line = L"\"" + setup.wstring() + L"\" /CurrentUser";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    // Each page's 下一步, 安装 and then 完成 (the run box ticked, as the page offers it), once per page.
    HWND clicked = nullptr;
    std::optional<Process> ferrik;
    EXPECT_TRUE(test::PumpUntil(
        [&] {
            for (const Process& p : Processes())
                if (_wcsicmp(p.exe.c_str(), L"ferrik.exe") == 0) ferrik = p;
            if (ferrik) return true;
            HWND wizard = test::TopWindowOf(pi.dwProcessId, [](HWND h) { return IsWindowVisible(h) != FALSE; });
            HWND page = wizard ? FindWindowExW(wizard, nullptr, L"#32770", nullptr) : nullptr;
            HWND next = wizard ? GetDlgItem(wizard, IDOK) : nullptr;
            if (page && page != clicked && next && IsWindowEnabled(next)) {
                clicked = page;
                PostMessageW(next, BM_CLICK, 0, 0);
            }
            return false;
        },
        120000));
    ASSERT_TRUE(ferrik.has_value());
    std::wstring parent;
    for (const Process& p : Processes())
        if (p.id == ferrik->parent) parent = p.exe;
    EXPECT_EQ(_wcsicmp(parent.c_str(), L"explorer.exe"), 0) << parent;

    HWND main = nullptr;
    EXPECT_TRUE(test::PumpUntil([&] { return (main = test::VisibleFormOf(ferrik->id)) != nullptr; }, 30000));
    if (main) PostMessageW(main, WM_CLOSE, 0, 0);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, ferrik->id);
    EXPECT_TRUE(process && WaitForSingleObject(process, 20000) == WAIT_OBJECT_0);
    if (process) CloseHandle(process);
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 20000), WAIT_OBJECT_0);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);

    ASSERT_EQ(RunProgram(L"\"" + (dir / L"uninstall.exe").wstring() + L"\" /S"), 0);
    ASSERT_TRUE(WaitGone(dir / L"ferrik.exe", HKEY_CURRENT_USER));
    EXPECT_TRUE(RemoveUserFolder(dir));
}

// The portable zip's program, unzipped into a folder with spaces and Chinese in its name, started
// from a working directory elsewhere: it finds its data files beside itself.
TEST_F(Package, PortableRunsFromAnyFolder) {
    const fs::path portable = Env(L"FERRIK_PORTABLE");
    ASSERT_FALSE(portable.empty());
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    SetCurrentDirectoryW(windows);
    const StartResult started = StartAndClose((portable / L"ferrik.exe").wstring());
    EXPECT_TRUE(started.mainWindow);
    EXPECT_EQ(started.exitCode, 0);
    // A portable program leaves the computer as it found it: it writes no browser mode.
    EXPECT_EQ(BrowserEmulation(HKEY_CURRENT_USER), std::nullopt);
}

}  // namespace
}  // namespace ferrik
