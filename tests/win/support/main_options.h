#pragma once
// The main window as the Windows tests make it.
#include <windows.h>

#include <string>
#include <utility>

#include "app/main_window_win.h"
#include "program/web_window_factory_win.h"
#include "web/own_browser_win.h"
#include "win/support/ui_driver.h"

namespace ferrik::test {

// Data files from `data`, a wait timer of this process's own named after `name`, and a window
// whose closing does not end the program.
inline MainWindowOptions TestOptions(const DataDirectory& data, const std::string& name) {
    MainWindowOptions options;
    options.dataDirectory = Text(data.Path().begin(), data.Path().end());
    options.waitTimerName = name + std::to_string(GetCurrentProcessId());
    options.endsProgram = false;
    return options;
}

// Ferrik's own browser, placed as CreateBrowser places it where the system's control cannot load:
// the browser Wine users see (the test prefix's stand-in for the system's control is not it).
inline BrowserMaker OwnBrowserMaker() {
    return [](HWND parent, const RECT& bounds, BrowserEvents& events) {
        auto browser = CreateOwnBrowser(parent, events);
        if (browser)
            browser->SetBounds(bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
        return browser;
    };
}

// The test program has no icon of its own: a window shows the one ferrik.exe carries.
inline void ShowProgramIcon(HWND hwnd) {
    const std::wstring exe = HostPath(FERRIK_EXE_DIR "/ferrik.exe");
    HMODULE resources = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!resources) return;
    for (auto [which, metric] : {std::pair{ICON_BIG, SM_CXICON}, std::pair{ICON_SMALL, SM_CXSMICON}}) {
        const int size = GetSystemMetrics(metric);
        SendMessageW(hwnd, WM_SETICON, which,
                     reinterpret_cast<LPARAM>(LoadImageW(resources, MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, 0)));
    }
}

}  // namespace ferrik::test
