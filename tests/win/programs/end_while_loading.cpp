// A test program that is ended while a document load and a page fetch wait on a server. The
// ProgramEnd test runs it again and again:
//
//     end_while_loading <address of a page> <address of another page>
//
// It loads the first as a document and fetches the second, and waits. WM_CLOSE to its window
// ends it; so does kMsgQuit (a WM_QUIT during the fetch's wait, then the end of main). As its end
// begins it writes "ending" to its standard output; the test may drop the connections then, or
// leave them waiting (as a server that never answers does).
// Exit code 0 when it ends as it should; 2 for bad arguments.
#include <windows.h>

#include <cstdio>
#include <memory>

#include "analysis/document_win.h"
#include "analysis/http_win.h"

namespace {

using namespace ferrik;

constexpr UINT kMsgStart = WM_APP + 1;
constexpr UINT kMsgQuit = WM_APP + 2;  // the test's: end without closing the window

struct Program {
    Text listAddress;
    Text pageAddress;
    WinDocumentLoader loader;
    WinInetFetcher fetcher;
    std::unique_ptr<Document> document;
};

Program* g_program = nullptr;

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Program& p = *g_program;
    switch (msg) {
        case kMsgStart:
            p.document = p.loader.CreateDocument(p.listAddress);
            try {
                p.fetcher.Get(p.pageAddress, u"GB2312");
            } catch (const FetchError&) {
                // the program is ending
            }
            return 0;
        case kMsgQuit:
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

// Runs until its window is closed or kMsgQuit comes; the loader and the fetcher end with it.
void RunUntilEnded(wchar_t** argv) {
    Program program;
    g_program = &program;
    const auto text = [](const wchar_t* s) { return Text(reinterpret_cast<const char16_t*>(s)); };
    program.listAddress = text(argv[1]);
    program.pageAddress = text(argv[2]);

    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"FerrikEndWhileLoading";
    RegisterClassW(&wc);
    HWND hwnd = CreateWindowW(wc.lpszClassName, L"", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                              wc.hInstance, nullptr);
    PostMessageW(hwnd, kMsgStart, 0, 0);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    std::fputs("ending\n", stdout);
    std::fflush(stdout);
    BeginProgramEnd();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) return 2;
    RunUntilEnded(argv);
    // As the program's end does.
    ferrik::EndWorkersOrEndProcess(0);
    return 0;
}
