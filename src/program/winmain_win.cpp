// Ferrik's entry point: the main window owns the process; closing it ends the message loop.
#include <windows.h>

#include <commctrl.h>
#include <ole2.h>

#include <utility>

#include "app/command_line.h"
#include "app/main_window_win.h"
#include "forms/form_controls_win.h"
#include "platform/worker_win.h"
#include "program/web_window_factory_win.h"
#include "web/system_browser_win.h"

namespace {

// Tab and the arrow keys move between the controls of our forms as in a dialog box.
bool IsFormNavigation(MSG& msg) {
    HWND active = GetActiveWindow();
    if (!active) return false;
    wchar_t cls[16] = {};
    GetClassNameW(active, cls, 16);
    return lstrcmpW(cls, L"Form") == 0 && IsDialogMessageW(active, &msg);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int showCommand) {
    // The player is an ActiveX control: COM in a single-threaded apartment, as OLE controls need.
    const HRESULT ole = OleInitialize(nullptr);
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);

    int exitCode = 0;
    {
        ferrik::MainWindowOptions options;
        options.makeWeb = ferrik::WebWindowFactory();
        // `ferrik.exe <address>`: the first argument, as the runtime splits the command line.
        options.startAddress = ferrik::StartAddress(reinterpret_cast<const char16_t*>(GetCommandLineW()));
        ferrik::MainWindow window{std::move(options)};
        if (window.Create()) {
            window.Show(showCommand);
            MSG msg;
            while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
                if (ferrik::SystemBrowser::TranslateKey(msg) || ferrik::TranslateFormButtonKey(msg) ||
                    IsFormNavigation(msg))
                    continue;
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
            exitCode = static_cast<int>(msg.wParam);
        }
    }
    // The windows and what they owned are gone; a worker they could not join in time is ended
    // here, before the runtime ends.
    ferrik::EndWorkers();
    if (SUCCEEDED(ole)) OleUninitialize();
    return exitCode;
}
