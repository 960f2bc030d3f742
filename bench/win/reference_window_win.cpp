// The start-up benchmark's reference: the least a Win32 program with a window and a report list
// view does before it waits for input (common controls initialised, one window with a list view of
// four columns shown), started the same way as ferrik.exe. Closing the window ends it.
#include <windows.h>

#include <commctrl.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int showCommand) {
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
    ShowWindow(frame, showCommand);
    UpdateWindow(frame);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
