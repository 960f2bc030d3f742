// A test program that is ended while a document load and a page fetch wait on a server, which
// then drops both connections. Run by the ProgramEnd test, again and again:
//
//     end_while_loading close    WM_CLOSE to its window during the fetch's wait; the server drops
//                                the connections as the window goes
//     end_while_loading return   a WM_QUIT during the fetch's wait; the server drops them at the
//                                end of main
//
// Exit code 0 when the program ends as it should; 2 for a bad argument, 4 when the requests never
// reached the server.
#include <windows.h>

#include <cstring>
#include <memory>
#include <optional>

#include "analysis/document_win.h"
#include "analysis/http_win.h"
#include "win/support/http_server.h"

namespace {

using namespace ferrik;

constexpr UINT kMsgStart = WM_APP + 1;
constexpr UINT_PTR kWatchTimer = 1;
constexpr DWORD kGiveUpMs = 20000;

// What the program owns, ended in reverse order: the server goes first.
struct Program {
    bool closeWindow = false;
    ULONGLONG started = GetTickCount64();
    bool reached = false;
    WinDocumentLoader loader;
    WinInetFetcher fetcher;
    std::unique_ptr<Document> document;
    std::optional<test::HttpTestServer> server{std::in_place};
};

Program* g_program = nullptr;

// Once both requests wait at the server, the program is ended.
void CALLBACK Watch(HWND hwnd, UINT, UINT_PTR id, DWORD) {
    Program& p = *g_program;
    const bool waiting = p.server->Requests().size() >= 2;
    if (!waiting && GetTickCount64() - p.started < kGiveUpMs) return;
    KillTimer(hwnd, id);
    p.reached = waiting;
    if (p.closeWindow) {
        PostMessageW(hwnd, WM_CLOSE, 0, 0);
    } else {
        PostQuitMessage(0);
    }
}

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Program& p = *g_program;
    switch (msg) {
        case kMsgStart:
            p.document = p.loader.CreateDocument(p.server->Url("/list.html"));
            SetTimer(hwnd, kWatchTimer, 10, Watch);
            try {
                p.fetcher.Get(p.server->Url("/page.html"), u"GB2312");
            } catch (const FetchError&) {
                // the program is ending
            }
            return 0;
        case WM_DESTROY:
            p.server.reset();
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 || (std::strcmp(argv[1], "close") != 0 && std::strcmp(argv[1], "return") != 0)) return 2;
    Program program;
    g_program = &program;
    program.closeWindow = std::strcmp(argv[1], "close") == 0;
    program.server->Serve("/list.html", test::Silence());
    program.server->Serve("/page.html", test::Silence());

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
    return program.reached ? 0 : 4;
}
