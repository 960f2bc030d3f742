// The main window driven in-process: layout, address changes, the list view and its popup menu,
// the busy state, message boxes and closing in the middle of an operation. Engines are fakes here;
// main_window_analysis_test.cpp runs the real ones against a loopback server.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/about_window_win.h"
#include "app/main_window_win.h"
#include "common/stop_flag.h"
#include "win/support/ui_driver.h"

namespace ferrik {
namespace {

using test::MessageBoxWatcher;
using test::PumpUntil;

class FakeEngine final : public AnalysisEngine {
public:
    FakeEngine(TaskList& tasks, StatusLine& status) : m_tasks(tasks), m_status(status) {}
    void GetAllQvodUrl(TextView url, bool, TextView) override {
        m_tasks.ClearTasks();
        m_status.ShowStatus(u"fetching " + Text(url));
        if (during) during();
        for (const Text& link : links) m_tasks.AddTask(link, link, u"SS0", u"", link);
    }
    void AnalyseLinks(TextView, TextView, TextView engine) override {
        m_tasks.ClearTasks();
        if (during) during();
        for (const Text& link : links) m_tasks.AddTask(link, link, engine, u"", link);
    }
    Text FindPageLink(TextView, TextView, std::int32_t) override { return u"http://next/"; }

    std::vector<Text> links{u"qvod://1|a|第1集|", u"qvod://2|b|第2集|", u"qvod://3|c|第3集|"};
    std::function<void()> during;

private:
    TaskList& m_tasks;
    StatusLine& m_status;
};

class FakeSchemes final : public SchemeSelector {
public:
    void SelectScheme(TextView address, StatusLine& status) override {
        addresses.emplace_back(address);
        status.ShowStatus(u"scheme:" + Text(address));
    }
    SchemeView Current() const override { return current; }
    std::vector<Text> addresses;
    SchemeView current{u"*", u"1", u"1", false};
};

class FakeBatch final : public BatchService {
public:
    bool CreatePlayer(HWND form) override {
        playerParent = form;
        return playerReady;
    }
    void SubmitTasks(TaskList&, BusyState& busy, MessagePump& pump) override {
        busy.LockControls();
        ++runs;
        if (during) during();
        pump.PumpMessages();
        busy.UnlockControls();
    }
    bool playerReady = true;
    HWND playerParent = nullptr;
    int runs = 0;
    std::function<void()> during;
};

struct PopupCall {
    HMENU menu;
    POINT at;
};

class MainWindowTest : public testing::Test {
protected:
    void SetUp() override {
        StopFlag = 0;
        MainWindowOptions options;
        options.analysisEngine = [this](TaskList& tasks, StatusLine& status) {
            auto engine = std::make_unique<FakeEngine>(tasks, status);
            m_engine = engine.get();
            return engine;
        };
        options.schemes = &m_schemes;
        options.batch = &m_batch;
        options.endsProgram = false;
        options.trackPopup = [this](HMENU menu, POINT at) -> UINT {
            m_popups.push_back({menu, at});
            return m_popupAnswer;
        };
        m_window = std::make_unique<MainWindow>(std::move(options));
    }

    HWND Create() {
        EXPECT_TRUE(m_window->Create());
        m_window->Show(SW_SHOWNORMAL);
        return m_window->Hwnd();
    }

    HWND Ctl(int id) const { return m_window->Control(id); }
    void Command(MenuCommand c) { SendMessageW(m_window->Hwnd(), WM_COMMAND, static_cast<WPARAM>(c), 0); }
    std::wstring Status() const { return test::TextOf(Ctl(kLblResult)); }

    bool MenuEnabled(MenuCommand c) const {
        return !(GetMenuState(m_window->AnalyseMenu(), static_cast<UINT>(c), MF_BYCOMMAND) & MF_GRAYED);
    }

    std::wstring Header() const {
        wchar_t text[64] = {};
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT;
        col.pszText = text;
        col.cchTextMax = 64;
        SendMessageW(Ctl(kListView1), LVM_GETCOLUMNW, 0, reinterpret_cast<LPARAM>(&col));
        return text;
    }

    std::wstring Cell(int row, int column) const {
        wchar_t text[256] = {};
        ListView_GetItemText(Ctl(kListView1), row, column, text, 256);
        return text;
    }

    int Rows() const { return ListView_GetItemCount(Ctl(kListView1)); }

    POINT RowPoint(int row) const {
        RECT rc{};
        ListView_GetItemRect(Ctl(kListView1), row, &rc, LVIR_LABEL);
        return POINT{rc.left + 4, (rc.top + rc.bottom) / 2};
    }

    void RightClick(POINT client) {
        SendMessageW(Ctl(kListView1), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(client.x, client.y));
    }

    FakeSchemes m_schemes;
    FakeBatch m_batch;
    FakeEngine* m_engine = nullptr;
    std::vector<PopupCall> m_popups;
    UINT m_popupAnswer = 0;
    std::unique_ptr<MainWindow> m_window;
};

TEST_F(MainWindowTest, LoadsInOrderWithTheDesignersLayout) {
    HWND hwnd = Create();
    ASSERT_TRUE(hwnd);
    EXPECT_EQ(test::ClassOf(hwnd), L"Form");
    EXPECT_EQ(test::TextOf(hwnd), L"Ferrik V1.1.0");
    EXPECT_EQ(GetMenu(hwnd), nullptr);
    EXPECT_TRUE(SendMessageW(hwnd, WM_GETICON, ICON_BIG, 0));
    EXPECT_EQ(m_batch.playerParent, hwnd);
    // SelectScheme ran once at load, with the empty address box.
    EXPECT_EQ(m_schemes.addresses, std::vector<Text>{u""});
    EXPECT_EQ(Status(), L"scheme:");

    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    RECT client{};
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, TwipsToPixels(kMainClientWidth, dpi));
    EXPECT_EQ(client.bottom, TwipsToPixels(kMainClientHeight, dpi));

    const struct {
        int id;
        const wchar_t* cls;
        const wchar_t* text;
    } controls[] = {
        {kLabel1, L"Static", L"请输入Qvod页面："}, {kCombo1, L"ComboBox", L""},    {kCommand1, L"Button", L"分析"},
        {kCommand2, L"Button", L"下载"},           {kCommand3, L"Button", L"Web"}, {kPicture1, L"Static", L""},
        {kListView1, L"SysListView32", L""},
    };
    for (const auto& c : controls) {
        SCOPED_TRACE(MainControl(c.id).name);
        HWND ctl = Ctl(c.id);
        ASSERT_TRUE(ctl);
        EXPECT_EQ(GetDlgCtrlID(ctl), c.id);
        EXPECT_EQ(_wcsicmp(test::ClassOf(ctl).c_str(), c.cls), 0) << test::ClassOf(ctl).c_str();
        EXPECT_EQ(test::TextOf(ctl), c.text);
        RECT rc{};
        GetWindowRect(ctl, &rc);
        MapWindowPoints(nullptr, GetParent(ctl), reinterpret_cast<POINT*>(&rc), 2);
        const TwipsRect& design = MainControl(c.id).rect;
        EXPECT_EQ(rc.left, TwipsToPixels(design.left, dpi));
        if (c.id != kCommand3) {
            EXPECT_EQ(rc.top, TwipsToPixels(design.top, dpi));
        }
        if (c.id != kListView1 && c.id != kPicture1 && c.id != kCombo1) {
            EXPECT_EQ(rc.right - rc.left, TwipsToPixels(design.width, dpi));
        }
    }
    EXPECT_EQ(GetParent(Ctl(kLblResult)), Ctl(kPicture1));

    LOGFONTW lf{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Ctl(kLabel1), WM_GETFONT, 0, 0)), sizeof(lf), &lf);
    EXPECT_STREQ(lf.lfFaceName, L"宋体");

    EXPECT_EQ(Header(), L"名称(0)");
    const int widths[] = {2500, 5500, 1440, 1000};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(ListView_GetColumnWidth(Ctl(kListView1), i), TwipsToPixels(widths[i], dpi));
    EXPECT_TRUE(ListView_GetExtendedListViewStyle(Ctl(kListView1)) & LVS_EX_CHECKBOXES);
}

TEST_F(MainWindowTest, WithoutThePlayerTheWindowCloses) {
    m_batch.playerReady = false;
    EXPECT_FALSE(m_window->Create());
    EXPECT_EQ(m_window->Hwnd(), nullptr);
}

TEST_F(MainWindowTest, EveryChangeOfTheAddressSelectsTheScheme) {
    Create();
    m_schemes.addresses.clear();
    HWND edit = GetWindow(Ctl(kCombo1), GW_CHILD);
    ASSERT_TRUE(edit);
    SetFocus(edit);
    for (wchar_t c : std::wstring(L"ab")) SendMessageW(edit, WM_CHAR, c, 1);
    EXPECT_EQ(m_schemes.addresses, (std::vector<Text>{u"a", u"ab"}));
    EXPECT_EQ(Status(), L"scheme:ab");

    m_window->SetAddress(u"http://example/");  // as the web window does
    SetWindowTextW(Ctl(kCombo1), L"http://other/");
    EXPECT_EQ(m_schemes.addresses, (std::vector<Text>{u"a", u"ab", u"http://example/", u"http://other/"}));

    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    const wchar_t pasted[] = L"x";
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, sizeof(pasted));
    memcpy(GlobalLock(mem), pasted, sizeof(pasted));
    GlobalUnlock(mem);
    SetClipboardData(CF_UNICODETEXT, mem);
    CloseClipboard();
    SendMessageW(edit, EM_SETSEL, 0, -1);
    SendMessageW(edit, WM_PASTE, 0, 0);
    EXPECT_EQ(m_schemes.addresses.back(), u"x");
    EXPECT_EQ(m_schemes.addresses.size(), 5u);
}

TEST_F(MainWindowTest, ListMirrorsTheModelAndUserChecksGoBack) {
    Create();
    TaskList& tasks = m_window->Tasks();
    tasks.AddTask(u"第1集", u"qvod://1|a|第1集|", u"SS0", u"", u"qvod://1|a|第1集|");
    tasks.AddTask(u"第2集", u"http://site/2.html", u"SS1", u"", u"http://site/2.html");
    tasks.AddTask(u"dup", u"x", u"SS1", u"", u"http://site/2.html");
    ASSERT_EQ(Rows(), 2);
    EXPECT_EQ(Header(), L"名称(2)");
    EXPECT_EQ(Cell(0, 0), L"第1集");
    EXPECT_EQ(Cell(0, 1), L"qvod://1|a|第1集|");
    EXPECT_EQ(Cell(1, 2), L"SS1");
    EXPECT_EQ(Cell(1, 3), L"");

    tasks.SetStatus(1, u"成功");
    tasks.SetChecked(0, true);
    EXPECT_EQ(Cell(1, 3), L"成功");
    EXPECT_TRUE(ListView_GetCheckState(Ctl(kListView1), 0));

    // What a click on the check box does to the list view.
    ListView_SetCheckState(Ctl(kListView1), 1, TRUE);
    ListView_SetCheckState(Ctl(kListView1), 0, FALSE);
    EXPECT_TRUE(tasks.At(1).checked);
    EXPECT_FALSE(tasks.At(0).checked);

    tasks.ClearTasks();
    EXPECT_EQ(Rows(), 0);
    EXPECT_EQ(Header(), L"名称(0)");
}

TEST_F(MainWindowTest, RightClickSelectsTheRowAndShowsTheListMenuAtThePointer) {
    Create();
    TaskList& tasks = m_window->Tasks();
    for (Text k : {u"1", u"2", u"3"}) tasks.AddTask(k, k, u"SS0", u"", k);
    tasks.SetChecked(0, true);
    tasks.SetChecked(2, true);

    m_popupAnswer = static_cast<UINT>(MenuCommand::InvertChecks);
    const POINT onRow = RowPoint(1);
    RightClick(onRow);
    ASSERT_EQ(m_popups.size(), 1u);
    EXPECT_EQ(m_popups[0].menu, m_window->ListMenu());
    POINT screen = onRow;
    ClientToScreen(Ctl(kListView1), &screen);
    EXPECT_EQ(m_popups[0].at.x, screen.x);
    EXPECT_EQ(m_popups[0].at.y, screen.y);
    EXPECT_EQ(ListView_GetNextItem(Ctl(kListView1), -1, LVNI_SELECTED), 1);
    EXPECT_FALSE(tasks.At(0).checked);
    EXPECT_TRUE(tasks.At(1).checked);
    EXPECT_FALSE(tasks.At(2).checked);

    // Empty space below the rows: the menu still comes, the selection stays.
    RECT client{};
    GetClientRect(Ctl(kListView1), &client);
    m_popupAnswer = static_cast<UINT>(MenuCommand::CheckAll);
    RightClick(POINT{client.right / 2, client.bottom - 5});
    ASSERT_EQ(m_popups.size(), 2u);
    EXPECT_EQ(ListView_GetNextItem(Ctl(kListView1), -1, LVNI_SELECTED), 1);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_TRUE(tasks.At(i).checked);

    m_popupAnswer = static_cast<UINT>(MenuCommand::UncheckAll);
    RightClick(RowPoint(2));
    EXPECT_EQ(ListView_GetNextItem(Ctl(kListView1), -1, LVNI_SELECTED), 2);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_FALSE(ListView_GetCheckState(Ctl(kListView1), static_cast<int>(i)));

    // Other buttons do nothing.
    SendMessageW(Ctl(kListView1), WM_MBUTTONDOWN, 0, MAKELPARAM(onRow.x, onRow.y));
    SendMessageW(Ctl(kListView1), WM_MBUTTONUP, 0, MAKELPARAM(onRow.x, onRow.y));
    EXPECT_EQ(m_popups.size(), 3u);
}

// The real popup menu, driven by keys posted to the GUI thread as the menu loop reads them.
TEST_F(MainWindowTest, RealListMenuRunsTheEntryChosenInIt) {
    MainWindowOptions options;
    options.analysisEngine = [](TaskList& tasks, StatusLine& status) {
        return std::make_unique<FakeEngine>(tasks, status);
    };
    options.schemes = &m_schemes;
    options.batch = &m_batch;
    options.endsProgram = false;
    m_window = std::make_unique<MainWindow>(std::move(options));
    Create();
    for (Text k : {u"1", u"2"}) m_window->Tasks().AddTask(k, k, u"SS0", u"", k);

    const DWORD gui = GetCurrentThreadId();
    RECT menuRect{};
    std::thread driver([&] {
        HWND menu = nullptr;
        for (int i = 0; i < 500 && !menu; ++i) {
            Sleep(10);
            HWND w = FindWindowW(L"#32768", nullptr);
            if (w && IsWindowVisible(w)) menu = w;
        }
        if (!menu) return;
        GetWindowRect(menu, &menuRect);
        for (WPARAM key : {VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}) {  // 全选, 全不选, 反选
            PostThreadMessageW(gui, WM_KEYDOWN, key, 0);
            PostThreadMessageW(gui, WM_KEYUP, key, 0);
        }
    });
    m_window->Tasks().SetChecked(1, true);
    const POINT at = RowPoint(0);
    RightClick(at);
    driver.join();
    POINT screen = at;
    ClientToScreen(Ctl(kListView1), &screen);
    EXPECT_EQ(menuRect.left, screen.x);
    EXPECT_EQ(menuRect.top, screen.y);
    EXPECT_TRUE(m_window->Tasks().At(0).checked);  // 反选 of (unchecked, checked)
    EXPECT_FALSE(m_window->Tasks().At(1).checked);
}

TEST_F(MainWindowTest, AnalyseButtonPopsItsMenuAtThePointer) {
    Create();
    SetCursorPos(300, 200);
    POINT cursor{};
    GetCursorPos(&cursor);
    SendMessageW(Ctl(kCommand1), BM_CLICK, 0, 0);
    ASSERT_EQ(m_popups.size(), 1u);
    EXPECT_EQ(m_popups[0].menu, m_window->AnalyseMenu());
    EXPECT_EQ(m_popups[0].at.x, cursor.x);
    EXPECT_EQ(m_popups[0].at.y, cursor.y);

    HMENU menu = m_window->AnalyseMenu();
    ASSERT_EQ(GetMenuItemCount(menu), 7);
    wchar_t caption[64] = {};
    GetMenuStringW(menu, 4, caption, 64, MF_BYPOSITION);
    EXPECT_STREQ(caption, L"分析网页中的Qvod地址(加密)");
    EXPECT_TRUE(GetMenuState(menu, 1, MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_TRUE(GetMenuState(menu, 5, MF_BYPOSITION) & MF_SEPARATOR);
}

TEST_F(MainWindowTest, BusyStateDisablesExactlyItsControls) {
    Create();
    m_window->LockControls();
    EXPECT_FALSE(IsWindowEnabled(Ctl(kCommand2)));
    EXPECT_FALSE(IsWindowEnabled(Ctl(kCombo1)));
    EXPECT_FALSE(IsWindowEnabled(Ctl(kListView1)));
    EXPECT_TRUE(IsWindowEnabled(Ctl(kCommand1)));
    EXPECT_TRUE(IsWindowEnabled(Ctl(kCommand3)));
    for (MenuCommand c : kBusyMenuEntries) EXPECT_FALSE(MenuEnabled(c));
    EXPECT_TRUE(MenuEnabled(MenuCommand::StopAnalysis));

    // An entry the lock disabled does nothing, even when its command arrives anyway.
    m_window->SetAddress(u"http://a/");
    Command(MenuCommand::AnalyseQvodText);
    EXPECT_EQ(Rows(), 0);
    Command(MenuCommand::StopAnalysis);
    EXPECT_EQ(StopFlag, 1);
    StopFlag = 0;

    m_window->UnlockControls();
    for (int id : {kCommand1, kCommand2, kCombo1, kListView1}) EXPECT_TRUE(IsWindowEnabled(Ctl(id)));
    for (MenuCommand c : kBusyMenuEntries) EXPECT_TRUE(MenuEnabled(c));
}

TEST_F(MainWindowTest, CommandsShowTheirMessagesAndRows) {
    Create();
    m_window->SetAddress(u"http://a/");
    {
        MessageBoxWatcher boxes;
        Command(MenuCommand::SaveList);
        Command(MenuCommand::AnalyseEpisodePage);
        const auto seen = boxes.Seen();
        ASSERT_EQ(seen.size(), 3u);
        EXPECT_EQ(seen[0].text, L"暂时不支持！");
        EXPECT_EQ(seen[1].text, L"分析时将不使用规则数据！");
        EXPECT_EQ(seen[2].text, L"分析结果可能包含冗余数据，可能需要您手动进行筛选！");
        for (const auto& box : seen) {
            EXPECT_EQ(box.title, L"提示");
            EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
            EXPECT_EQ(box.icon, LoadIconW(nullptr, IDI_EXCLAMATION));
        }
        EXPECT_EQ(Rows(), 3);
        EXPECT_EQ(Cell(0, 2), L"SS1");
    }
    {
        MessageBoxWatcher boxes;
        boxes.QueueAnswer(IDNO);
        Command(MenuCommand::SmartAnalyse);
        const auto seen = boxes.Seen();
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].text, L"没有匹配的方案,确定要进行分析吗？");
        EXPECT_EQ(seen[0].buttons, (std::vector<int>{IDYES, IDNO}));
        EXPECT_EQ(seen[0].icon, LoadIconW(nullptr, IDI_INFORMATION));
        EXPECT_EQ(Rows(), 3);  // No: nothing changed
    }
    {
        MessageBoxWatcher boxes;
        boxes.QueueAnswer(IDYES);
        m_engine->links = {u"http://a/ep1.html"};
        Command(MenuCommand::SmartAnalyse);
        EXPECT_EQ(boxes.Texts().size(), 2u);
        EXPECT_EQ(Rows(), 1);
        EXPECT_TRUE(IsWindowEnabled(Ctl(kListView1)));
    }
}

TEST_F(MainWindowTest, AnalysisStatusAndBusyStateWhileItRuns) {
    Create();
    m_window->SetAddress(u"http://a/");
    bool checked = false;
    m_engine->during = [&] {
        checked = true;
        EXPECT_EQ(Status(), L"fetching http://a/");
        EXPECT_FALSE(IsWindowEnabled(Ctl(kCombo1)));
        EXPECT_TRUE(m_window->OperationRunning());
    };
    Command(MenuCommand::AnalyseQvodText);
    EXPECT_TRUE(checked);
    EXPECT_EQ(Status(), L"分析完毕");
    EXPECT_TRUE(IsWindowEnabled(Ctl(kCombo1)));
    EXPECT_FALSE(m_window->OperationRunning());
}

TEST_F(MainWindowTest, ClosingDuringAnAnalysisWaitsForItToUnwind) {
    HWND hwnd = Create();
    m_window->SetAddress(u"http://a/");
    MessageBoxWatcher boxes;
    m_engine->during = [&] {
        PostMessageW(hwnd, WM_CLOSE, 0, 0);
        test::PumpFor(50);
        // Hidden, not gone: the analysis still uses the window.
        EXPECT_TRUE(IsWindow(hwnd));
        EXPECT_FALSE(IsWindowVisible(hwnd));
        EXPECT_EQ(StopFlag, 1);
    };
    Command(MenuCommand::AnalyseEpisodePage);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(hwnd); }));
    EXPECT_EQ(m_window->Hwnd(), nullptr);
    // Only the box shown before the close: the closing window asks nothing more.
    EXPECT_EQ(boxes.Texts(), std::vector<std::wstring>{L"分析时将不使用规则数据！"});
}

TEST_F(MainWindowTest, ClosingDuringABatch) {
    HWND hwnd = Create();
    MessageBoxWatcher boxes;
    m_batch.during = [&] {
        SendMessageW(hwnd, WM_CLOSE, 0, 0);
        EXPECT_TRUE(IsWindow(hwnd));
        EXPECT_EQ(m_window->MessageBoxFlags(u"summary", MB_OK), IDOK);
    };
    SendMessageW(Ctl(kCommand2), BM_CLICK, 0, 0);
    EXPECT_EQ(m_batch.runs, 1);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(hwnd); }));
    EXPECT_TRUE(boxes.Seen().empty());
}

TEST_F(MainWindowTest, ClosingWhenIdleDestroysAtOnce) {
    HWND hwnd = Create();
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(StopFlag, 1);
}

TEST_F(MainWindowTest, ResizeMovesTheListAndKeepsItWhenTooSmall) {
    HWND hwnd = Create();
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    SetWindowPos(hwnd, nullptr, 0, 0, 900, 700, SWP_NOMOVE | SWP_NOZORDER);
    RECT list{};
    GetWindowRect(Ctl(kListView1), &list);
    const int width = TwipsToPixels(PixelsToTwips(900, dpi) - 360, dpi);
    EXPECT_NEAR(list.right - list.left, width, 1);
    EXPECT_NEAR(list.bottom - list.top, TwipsToPixels(PixelsToTwips(700, dpi) - 1600, dpi), 1);
    RECT picture{};
    GetWindowRect(Ctl(kPicture1), &picture);
    EXPECT_NEAR(picture.right - picture.left, TwipsToPixels(PixelsToTwips(900, dpi) - 720 - 240, dpi), 1);

    SetWindowPos(hwnd, nullptr, 0, 0, 900, 90, SWP_NOMOVE | SWP_NOZORDER);
    RECT after{};
    GetWindowRect(Ctl(kListView1), &after);
    EXPECT_EQ(after.bottom - after.top, list.bottom - list.top);
    ShowWindow(hwnd, SW_MINIMIZE);
    ShowWindow(hwnd, SW_RESTORE);
    EXPECT_TRUE(IsWindow(hwnd));
}

TEST_F(MainWindowTest, AboutWindowIsOwnedCentredAndClosedByItsButton) {
    HWND hwnd = Create();
    Command(MenuCommand::About);
    HWND about = FindWindowW(L"Form", L"关于");
    ASSERT_TRUE(about);
    EXPECT_EQ(GetWindow(about, GW_OWNER), hwnd);
    EXPECT_TRUE(IsWindowVisible(about));
    EXPECT_EQ(SendMessageW(about, WM_GETICON, ICON_BIG, 0), SendMessageW(hwnd, WM_GETICON, ICON_BIG, 0));
    RECT a{}, m{};
    GetWindowRect(about, &a);
    GetWindowRect(hwnd, &m);
    EXPECT_NEAR((a.left + a.right) / 2, (m.left + m.right) / 2, 1);
    EXPECT_NEAR((a.top + a.bottom) / 2, (m.top + m.bottom) / 2, 1);
    EXPECT_EQ(test::TextOf(GetDlgItem(about, kAboutLabel1)),
              L"《Ferrik》是一款免费、开源的qvod电影批量下载工具，它支持多个qvod电影网站，使用简单。");
    EXPECT_FALSE(test::TextOf(GetDlgItem(about, kAboutLabel2)).empty());
    EXPECT_EQ(test::TextOf(GetDlgItem(about, kAboutCommand1)), L"确定");

    // A second request shows the same window.
    Command(MenuCommand::About);
    EXPECT_EQ(FindWindowW(L"Form", L"关于"), about);

    SendMessageW(GetDlgItem(about, kAboutCommand1), BM_CLICK, 0, 0);
    EXPECT_FALSE(IsWindow(about));
    Command(MenuCommand::About);
    HWND again = FindWindowW(L"Form", L"关于");
    EXPECT_TRUE(again && IsWindowVisible(again));
}

}  // namespace
}  // namespace ferrik
