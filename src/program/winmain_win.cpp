// Ferrik's entry point: the main window owns the process; closing it ends the message loop.
#include <windows.h>

#include <commctrl.h>
#include <ole2.h>

#include <utility>

#include "app/command_line.h"
#include "app/main_window_win.h"
#include "app/message_loop_win.h"
#include "forms/address_drop_win.h"
#include "platform/pump_win.h"
#include "platform/system_dlls_win.h"
#include "platform/worker_win.h"
#include "program/web_window_factory_win.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int showCommand) {
    // Before anything loads a DLL by name: none comes from beside the program.
    ferrik::RestrictDllSearchToSystem();
    // The player is an ActiveX control: COM in a single-threaded apartment, as OLE controls need.
    const HRESULT ole = OleInitialize(nullptr);
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);

    int exitCode = 0;
    {
        ferrik::MainWindowOptions options;
        options.makeWeb = ferrik::WebWindowFactory();
        // `ferrik.exe <address>`: the first argument, as the runtime splits the command line; a
        // shortcut file (dropped on the icon) is read as a drop reads it.
        options.startAddress =
            ferrik::StartAddress(reinterpret_cast<const char16_t*>(GetCommandLineW()), ferrik::ShortcutFileAddress);
        ferrik::MainWindow window{std::move(options)};
        if (window.Create()) {
            window.Show(showCommand);
            // The nested pumps of a busy window handle keys as this loop does.
            ferrik::SetMessageFilter(ferrik::PreTranslateMessage);
            MSG msg;
            while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
                if (ferrik::FilterMessage(msg)) continue;
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
            exitCode = static_cast<int>(msg.wParam);
        }
        // The last window is gone: what the windows still own ends now, and no worker blocked in a
        // request that never answers may keep the process alive.
        ferrik::BeginProgramEnd();
    }
    // A worker the windows could not join in time is ended here, before the runtime ends.
    ferrik::EndWorkersOrEndProcess(exitCode);
    if (SUCCEEDED(ole)) OleUninitialize();
    return exitCode;
}
