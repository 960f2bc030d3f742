// Filling and clearing the task list under Wine, beside a reference in the same run: a plain
// visible list view that gets each row by LVM_INSERTITEMW and repaints as it goes (what the task
// list cost before it became an owner-data view of the model).
//
// Ferrik's figures are the time from the command 分析网页中的Qvod地址 (or 分析Qvod集数页面) to its
// end ("分析完毕" / "完成分析。"), page fetch from a loopback server included, with the window shown.
// Run by scripts/bench-win; prints rows of its table (bench_table.h).
#include <windows.h>

#include <commctrl.h>
#include <ole2.h>

#include <cstdio>
#include <string>
#include <vector>

#include "analysis/document_win.h"
#include "app/main_window_win.h"
#include "bench_table.h"
#include "platform/pump_win.h"
#include "win/support/http_server.h"
#include "win/support/ui_driver.h"

namespace ferrik {
namespace {

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

LARGE_INTEGER Now() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t;
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

std::wstring Link(int i) {
    wchar_t text[160];
    swprintf(text, 160, L"qvod://%d|%08X0123456789ABCDEF0123456789AB|电影第%05d集.rmvb|", 100000 + i, i, i);
    return text;
}

// N distinct links, each both in the text and as a hyperlink.
std::string FilmPage(int rows) {
    std::wstring page = L"<html><head><meta charset=\"gb2312\"></head><body>";
    for (int i = 0; i < rows; ++i) page += L"<p><a href=\"" + Link(i) + L"\">" + std::to_wstring(i) + L"</a></p>";
    return test::Gbk(page + L"</body></html>");
}

// The reference: a shown report list view like ListView1, a row per LVM_INSERTITEMW plus its
// three sub-item texts, messages pumped after each row.
struct Reference {
    HWND frame = nullptr;
    HWND list = nullptr;

    Reference() {
        frame = CreateWindowExW(0, WC_STATICW, L"reference", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, 40, 40,
                                760, 560, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        list = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL,
                               8, 64, 736, 460, frame, nullptr, GetModuleHandleW(nullptr), nullptr);
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
        UpdateWindow(frame);
    }
    ~Reference() { DestroyWindow(frame); }

    void Insert(int i, bool pump) {
        const std::wstring link = Link(i), name = std::to_wstring(i);
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = const_cast<wchar_t*>(name.c_str());
        const int at = static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        const std::wstring texts[] = {link, L"SS0", L""};
        for (int sub = 1; sub <= 3; ++sub) {
            LVITEMW text{};
            text.iSubItem = sub;
            text.pszText = const_cast<wchar_t*>(texts[sub - 1].c_str());
            SendMessageW(list, LVM_SETITEMTEXTW, at, reinterpret_cast<LPARAM>(&text));
        }
        if (pump) Pump();
    }

    double Fill(int rows) {
        const LARGE_INTEGER start = Now();
        for (int i = 0; i < rows; ++i) Insert(i, true);
        UpdateWindow(list);
        return Seconds(start, Now());
    }

    double Clear(int rows) {
        // Filled with drawing held off (not measured), cleared live.
        SendMessageW(list, WM_SETREDRAW, FALSE, 0);
        SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
        for (int i = 0; i < rows; ++i) Insert(i, false);
        SendMessageW(list, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list, nullptr, TRUE);
        UpdateWindow(list);
        const LARGE_INTEGER start = Now();
        SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
        UpdateWindow(list);
        return Seconds(start, Now());
    }
};

struct Ferrik {
    test::HttpTestServer server;
    test::DataDirectory data;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<test::MessageBoxWatcher> boxes;

    bool Create() {
        data.Write(L"Rule.dat", L"");
        data.Write(L"RunFilter.dat", L"");
        data.Write(L"Setting.ini", L"[Setting]\r\nUnSkin=0\r\n");
        MainWindowOptions options;
        options.dataDirectory = Text(data.Path().begin(), data.Path().end());
        options.waitTimerName = "ferrikbench" + std::to_string(GetCurrentProcessId());
        options.endsProgram = false;
        window = std::make_unique<MainWindow>(std::move(options));
        if (!window->Create()) return false;
        window->Show(SW_SHOWNORMAL);
        boxes = std::make_unique<test::MessageBoxWatcher>();  // answers 分析Qvod集数页面's warnings
        Pump();
        return true;
    }

    HWND List() const { return window->Control(kListView1); }

    // Seconds from the command to its end; -1 when the list does not hold the rows then.
    double Analyse(MenuCommand command, int rows) {
        const std::string path = "/film" + std::to_string(rows) + ".html";
        server.Serve(path, test::Page(FilmPage(rows)));
        window->SetAddress(server.Url(path));
        Pump();
        const LARGE_INTEGER start = Now();
        window->RunCommand(command);
        UpdateWindow(List());
        const double seconds = Seconds(start, Now());
        const auto shown = static_cast<int>(SendMessageW(List(), LVM_GETITEMCOUNT, 0, 0));
        Pump();
        return shown == rows && window->Tasks().Count() == static_cast<std::size_t>(rows) ? seconds : -1;
    }

    double Clear() {
        Pump();
        const LARGE_INTEGER start = Now();
        window->Tasks().ClearTasks();
        UpdateWindow(List());
        return Seconds(start, Now());
    }
};

// What link analysis costs without any list: the page loaded as a document, then one message
// pump per link (as the command pumps after each row it adds).
double LinkWalk(test::HttpTestServer& server, int rows, bool pumpPerLink) {
    const std::string path = "/walk" + std::to_string(rows) + ".html";
    server.Serve(path, test::Page(FilmPage(rows)));
    WinDocumentLoader loader;
    const LARGE_INTEGER start = Now();
    const std::unique_ptr<Document> document = loader.CreateDocument(server.Url(path));
    while (document && document->ReadyState() != u"complete") {
        PumpPendingMessages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    std::size_t links = 0;
    if (document) {
        for (const Hyperlink& link : document->Links()) {
            links += link.address.empty() ? 0 : 1;
            if (pumpPerLink) PumpPendingMessages();
        }
    }
    const double seconds = Seconds(start, Now());
    return links == static_cast<std::size_t>(rows) ? seconds : -1;
}

std::string Rows(int rows) {
    return rows >= 1000 ? std::to_string(rows / 1000) + "," + std::string(3 - std::to_string(rows % 1000).size(), '0') +
                              std::to_string(rows % 1000)
                        : std::to_string(rows);
}

}  // namespace
}  // namespace ferrik

int main(int argc, char** argv) {
    using namespace ferrik;
    // Reference sizes are small: each of its rows costs milliseconds.
    int referenceRows = argc > 1 ? std::atoi(argv[1]) : 1000;
    OleInitialize(nullptr);
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);

    using bench::Row;
    using bench::Time;
    double insertPerRow = -1, deleteAll = -1;
    {
        Reference reference;
        const double fill = reference.Fill(referenceRows);
        insertPerRow = fill < 0 ? -1 : fill / referenceRows;
        deleteAll = reference.Clear(10000);
    }
    Ferrik ferrik;
    if (!ferrik.Create()) {
        std::printf("the main window could not be created (is the player substitute registered?)\n");
        return 1;
    }
    // The reference for n rows: n rows by LVM_INSERTITEMW, from the per-row time of referenceRows.
    const auto insertReference = [&](int rows) {
        return "LVM_INSERTITEMW into a live list" +
               std::string(rows == referenceRows
                               ? ""
                               : " (" + Rows(referenceRows) + " measured, per row x " + Rows(rows) + ")") +
               ": " + Time(insertPerRow * rows);
    };
    for (int rows : {1000, 25000}) {
        const double t = ferrik.Analyse(MenuCommand::AnalyseQvodText, rows);
        Row("list fill: 分析网页中的Qvod地址, " + Rows(rows) + " rows, fetch included", Time(t), insertReference(rows),
            t > 0 && insertPerRow > 0 ? t / (insertPerRow * rows) : 0);
    }
    for (int rows : {1000, 25000}) {
        const double t = ferrik.Analyse(MenuCommand::AnalyseEpisodePage, rows);
        Row("list fill: 分析Qvod集数页面, " + Rows(rows) + " rows, fetch included", Time(t), insertReference(rows),
            t > 0 && insertPerRow > 0 ? t / (insertPerRow * rows) : 0);
    }
    ferrik.Analyse(MenuCommand::AnalyseQvodText, 10000);
    const double clear = ferrik.Clear();
    Row("ClearTasks of 10,000 rows, list repainted", Time(clear),
        "LVM_DELETEALLITEMS of a live list: " + Time(deleteAll), clear > 0 && deleteAll > 0 ? clear / deleteAll : 0);
    const double walk = LinkWalk(ferrik.server, 25000, true);
    const double links = ferrik.Analyse(MenuCommand::AnalyseEpisodePage, 25000);
    Row("分析Qvod集数页面, 25,000 rows (again)", Time(links),
        "the page as a document, a pump per link, no list: " + Time(walk), links > 0 && walk > 0 ? links / walk : 0);
    ferrik.window.reset();
    OleUninitialize();
    return 0;
}
