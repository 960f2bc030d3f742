// The start-up benchmark's reference: the least a Win32 program with a window, a report list view
// and the player's control does before it waits for input (OLE and common controls initialised,
// the program's manifest, one window with a list view of four columns and the player's control
// created in it as the program creates it), started the same way as ferrik.exe. Closing the
// window ends it. With the argument "controls" the window also has the main window's standard
// controls (labels, address combo box, buttons, picture box) in the form's font, made as the main
// window makes them: what those controls cost, without the skin, the icons or the data files.
#include <windows.h>

#include <commctrl.h>
#include <ole2.h>

#include <memory>

#include "app/main_form.h"
#include "app/player_win.h"
#include "forms/form_controls_win.h"
#include "platform/ole_host_win.h"
#include "platform/window_win.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int showCommand) {
    const HRESULT ole = OleInitialize(nullptr);
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = [](HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) CALLBACK -> LRESULT {
        if (msg == WM_DESTROY) PostQuitMessage(0);
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    };
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"ReferenceWindow";
    RegisterClassExW(&wc);
    HWND frame = CreateWindowExW(0, wc.lpszClassName, L"reference", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                 CW_USEDEFAULT, CW_USEDEFAULT, 766, 580, nullptr, nullptr, instance, nullptr);
    HWND list = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 8, 64, 736,
                                460, frame, nullptr, instance, nullptr);
    const DWORD ex = LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES;
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, ex, ex);
    const wchar_t* headers[] = {L"名称", L"qvod地址", L"使用引擎", L"状态"};
    for (int i = 0; i < 4; ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = const_cast<wchar_t*>(headers[i]);
        column.cx = 160;
        SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
    ferrik::UniqueGdi<HFONT> font;
    if (wcsstr(commandLine, L"controls")) {
        const int dpi = ferrik::ScreenDpi();
        font = ferrik::CreateFormFont(dpi);
        HWND made[ferrik::kListView1 - ferrik::kLabel1 + 1] = {};
        for (const ferrik::ControlLayout& layout : ferrik::kMainControls) {
            if (layout.kind == ferrik::ControlKind::ListView) continue;
            HWND parent = layout.container ? made[layout.container - ferrik::kLabel1] : frame;
            made[layout.id - ferrik::kLabel1] = ferrik::CreateFormControl(layout, parent, dpi, font.get());
        }
    }
    std::unique_ptr<ferrik::OleControlHost> player = ferrik::OleControlHost::Create(frame, ferrik::kPlayerProgIdW);
    ShowWindow(frame, showCommand);
    UpdateWindow(frame);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    player.reset();
    if (SUCCEEDED(ole)) OleUninitialize();
    return static_cast<int>(msg.wParam);
}
