// The main window driven in-process with the real pieces: the loopback server's film site, data
// files that know it, the document engine and the player substitute. Message boxes are found and
// answered by a watcher thread; status texts are recorded from the label itself.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/about_window_win.h"
#include "app/main_window_win.h"
#include "common/stop_flag.h"
#include "skin/skin_geometry.h"
#include "win/support/http_server.h"
#include "win/support/player_support.h"
#include "win/support/main_options.h"
#include "win/support/ui_driver.h"

namespace ferrik {
namespace {

using test::HttpTestServer;
using test::MessageBoxWatcher;
using test::Page;
using test::PumpUntil;

std::wstring W(TextView text) {
    return std::wstring(text.begin(), text.end());
}

// A link the player substitute accepts, named exactly `name` (names starting with "@" steer it).
std::wstring Named(const std::wstring& name) {
    return L"qvod://42|89ABCDEF0123456789ABCDEF0123456789abcdef|" + name + L"|";
}

std::wstring Link(int episode, const std::wstring& film = L"笑傲江湖") {
    wchar_t number[8];
    swprintf(number, 8, L"%02d", episode);
    return L"qvod://2000" + std::to_wstring(episode) + L"|0123456789ABCDEF0123456789ABCDEF012345" + number + L"|" +
           film + L"第" + number + L"集.rmvb|";
}

// What JavaScript's escape() makes of a link.
std::wstring Escaped(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text) {
        wchar_t piece[8];
        if (c > 0xFF) {
            swprintf(piece, 8, L"%%u%04X", c);
        } else if (iswalnum(c) || wcschr(L"@*_+-./", c)) {
            piece[0] = c;
            piece[1] = 0;
        } else {
            swprintf(piece, 8, L"%%%02X", c);
        }
        out += piece;
    }
    return out;
}

std::string GbkPage(const std::wstring& body) {
    return test::Gbk(L"<html><head><meta charset=\"gb2312\"></head><body>" + body + L"</body></html>");
}

struct PopupCall {
    HMENU menu;
    POINT at;
};

class MainWindowTest : public testing::Test {
protected:
    MainWindowTest() {
        StopFlag = 0;
        std::wstring plain, escaped;
        for (int i = 1; i <= 3; ++i)
            plain += L"<p><a href=\"" + Link(i) + L"\">第" + std::to_wstring(i) + L"集</a></p>";
        plain += L"<p>" + Link(1) + L"</p>";
        server.Serve("/plain2.html", Page(GbkPage(L"<p>" + Link(3) + L"</p><p>" + Link(4) + L"</p>")));
        for (int i = 1; i <= 2; ++i) escaped += L"\"" + Escaped(Link(i, L"神雕侠侣")) + L"\",";
        server.Serve("/plain.html", Page(GbkPage(plain)));
        server.Serve("/escaped.html", Page(GbkPage(L"<script>var u=[" + escaped + L"];</script>")));
        server.Serve("/show/9.html",
                     Page(GbkPage(L"<a href=\"/show/intro.html\">介绍</a><a href=\"/play/9.html\">播放</a>")));
        server.Serve("/raw/9.html", Page(GbkPage(L"<a href=\"/play/9.html\">播放</a>")));
        server.Serve("/play/9.html", Page(GbkPage(L"<script>var u=[" + escaped + L"];</script>")));
        std::wstring list = L"<a href=\"/\">首页</a>";
        for (int i = 1; i <= 3; ++i) {
            list += L"<a href=\"/ep0" + std::to_wstring(i) + L".htm\">第0" + std::to_wstring(i) + L"集</a>";
            server.Serve("/ep0" + std::to_string(i) + ".htm", Page(GbkPage(Link(i))));
        }
        server.Serve("/list.html", Page(GbkPage(list)));
        server.Serve("/links.html", Page(GbkPage(list)));  // the same page on an address no site line knows
        std::wstring many;
        for (int i = 0; i < 400; ++i)
            many += L"<a href=\"/e/" + std::to_wstring(i) + L".htm\">" + std::to_wstring(i) + L"</a>";
        server.Serve("/many.html", Page(GbkPage(many)));
        // Held until the test releases it: the fetch waits at the server meanwhile.
        test::Reply held = Page(GbkPage(plain));
        held.held = true;
        server.Serve("/held.html", held);
        server.Serve("/never.html", test::Trickle(" ", 200));

        const std::wstring site = L"127.0.0.1:" + std::to_wstring(server.Port());
        data.Write(L"Rule.dat", site + L"/show/|two|两级\r\n" + site + L"/list.html|eps|分集\r\n" + site +
                                    L"/plain.html|direct|直接\r\n" + site + L"/bad/|bad|坏规则\r\n" + site +
                                    L"/raw/|tworaw|两级不解码\r\n");
        data.Write(L"RunFilter.dat",
                   L"[two]\r\nFilterStr=*/play/*.html\r\nEnId=2\r\nUnescape=1\r\n"
                   L"[eps]\r\nFilterStr=*/ep##.htm\r\nEnId=1\r\n"
                   L"[direct]\r\nFilterStr=*\r\nEnId=0\r\nUnescape=1\r\n"
                   L"[bad]\r\nFilterStr=*[z-a]*\r\nEnId=1\r\n"
                   L"[tworaw]\r\nFilterStr=*/play/*.html\r\nEnId=2\r\nUnescape=0\r\n");
        data.Write(L"Setting.ini", L"[Setting]\r\nUnSkin=0\r\n");
    }

    ~MainWindowTest() override {
        window.reset();
        StopFlag = 0;
    }

    MainWindowOptions Options() {
        MainWindowOptions options = test::TestOptions(data, "ferrikmain");
        options.shellOpen = [this](TextView text) { opened.emplace_back(text); };
        return options;
    }

    HWND Create(MainWindowOptions options) {
        window = std::make_unique<MainWindow>(std::move(options));
        if (!window->Create()) return nullptr;
        window->Show(SW_SHOWNORMAL);
        SetWindowSubclass(Ctl(kLblResult), RecordStatus, 1, reinterpret_cast<DWORD_PTR>(&statuses));
        return window->Hwnd();
    }

    HWND Create() {
        MainWindowOptions options = Options();
        options.trackPopup = [this](HMENU menu, POINT at) -> UINT {
            popups.push_back({menu, at});
            return popupAnswer;
        };
        return Create(std::move(options));
    }

    static LRESULT CALLBACK RecordStatus(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
        if (msg == WM_SETTEXT)
            reinterpret_cast<std::vector<std::wstring>*>(data)->push_back(reinterpret_cast<const wchar_t*>(lParam));
        return DefSubclassProc(hwnd, msg, wParam, lParam);
    }

    HWND Ctl(int id) const { return window->Control(id); }
    void Command(MenuCommand c) { SendMessageW(window->Hwnd(), WM_COMMAND, static_cast<WPARAM>(c), 0); }
    void PostCommand(MenuCommand c) { PostMessageW(window->Hwnd(), WM_COMMAND, static_cast<WPARAM>(c), 0); }
    std::wstring Status() const { return test::TextOf(Ctl(kLblResult)); }
    std::wstring Url(const char* path) const { return W(server.Url(path)); }
    void SetAddress(const std::wstring& address) { window->SetAddress(Text(address.begin(), address.end())); }

    bool MenuEnabled(MenuCommand c) const {
        return !(GetMenuState(window->AnalyseMenu(), static_cast<UINT>(c), MF_BYCOMMAND) & MF_GRAYED);
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
        wchar_t text[512] = {};
        ListView_GetItemText(Ctl(kListView1), row, column, text, 512);
        return text;
    }

    std::vector<std::wstring> ColumnOf(int column) const {
        std::vector<std::wstring> out;
        for (int i = 0; i < Rows(); ++i) out.push_back(Cell(i, column));
        return out;
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

    // A left click on the row's check box, as the mouse delivers it.
    void ClickCheckBox(int row) {
        RECT bounds{}, label{};
        ListView_GetItemRect(Ctl(kListView1), row, &bounds, LVIR_BOUNDS);
        ListView_GetItemRect(Ctl(kListView1), row, &label, LVIR_LABEL);
        LVHITTESTINFO hit{};
        hit.pt = POINT{(bounds.left + label.left) / 2, (bounds.top + bounds.bottom) / 2};
        ASSERT_EQ(ListView_HitTest(Ctl(kListView1), &hit), row);
        ASSERT_TRUE(hit.flags & LVHT_ONITEMSTATEICON);
        for (UINT m : {WM_LBUTTONDOWN, WM_LBUTTONUP})
            SendMessageW(Ctl(kListView1), m, m == WM_LBUTTONDOWN ? MK_LBUTTON : 0, MAKELPARAM(hit.pt.x, hit.pt.y));
    }

    std::vector<bool> Checks() const {
        std::vector<bool> out;
        for (int i = 0; i < Rows(); ++i) out.push_back(ListView_GetCheckState(Ctl(kListView1), i));
        return out;
    }

    // Runs `action` inside the operation's wait once the server has the request for `path`.
    void WhenAsked(const char* path, std::function<void()> action) {
        test::RunWhen([this, path] { return server.Asked(path); }, std::move(action));
    }
    // Runs `action` inside the batch's wait once the player is still starting the first row.
    void WhenFirstRowConnects(std::function<void()> action) {
        test::RunWhen([this] { return Cell(0, 3) == L"正在连接"; }, std::move(action));
    }

    // Runs `action` when the list view gets its first row.
    void OnFirstRow(std::function<void()> action) {
        s_action = std::move(action);
        SetWindowSubclass(
            Ctl(kListView1),
            [](HWND h, UINT m, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR) CALLBACK -> LRESULT {
                const LRESULT r = DefSubclassProc(h, m, w, l);
                if (m == LVM_SETITEMCOUNT && w > 0 && s_action) std::exchange(s_action, nullptr)();
                return r;
            },
            2, 0);
    }

    // Two rows for the substitute: one that stays "starting" until stopped, and a normal one.
    void AddBatchRows() {
        for (const std::wstring name : {L"@starting", L"第02集"}) {
            const std::wstring link = Named(name);
            const Text key(link.begin(), link.end());
            window->Tasks().AddTask(Text(name.begin(), name.end()), key, u"SS0", u"", key);
        }
        window->Tasks().CheckAll();
    }

    static inline std::function<void()> s_action;
    HttpTestServer server;
    test::DataDirectory data;
    std::unique_ptr<MainWindow> window;
    std::vector<std::wstring> statuses;
    std::vector<PopupCall> popups;
    std::vector<Text> opened;
    UINT popupAnswer = 0;
};

TEST_F(MainWindowTest, LoadsWithTheDesignersLayout) {
    HWND hwnd = Create();
    ASSERT_TRUE(hwnd);
    EXPECT_EQ(test::ClassOf(hwnd), L"Form");
    EXPECT_EQ(test::TextOf(hwnd), L"Ferrik V1.1.0");
    EXPECT_EQ(GetMenu(hwnd), nullptr);
    EXPECT_TRUE(SendMessageW(hwnd, WM_GETICON, ICON_BIG, 0));
    EXPECT_EQ(Status(), L"欢迎使用Ferrik。");  // SelectScheme ran once, with the empty address box

    const int dpi = ScreenDpi();
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
        EXPECT_EQ(_wcsicmp(test::ClassOf(ctl).c_str(), c.cls), 0);
        EXPECT_EQ(test::TextOf(ctl), c.text);
        RECT rc{};
        GetWindowRect(ctl, &rc);
        MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&rc), 2);
        const TwipsRect& design = MainControl(c.id).rect;
        EXPECT_EQ(rc.left, TwipsToPixels(design.left, dpi));
        // The resize handler puts Command3 level with Picture1.
        EXPECT_EQ(rc.top, TwipsToPixels(c.id == kCommand3 ? MainControl(kPicture1).rect.top : design.top, dpi));
        if (c.id != kListView1 && c.id != kPicture1 && c.id != kCombo1 && c.id != kLabel1) {
            EXPECT_EQ(rc.right - rc.left, TwipsToPixels(design.width, dpi));
            EXPECT_EQ(rc.bottom - rc.top, TwipsToPixels(design.height, dpi));
        }
    }
    EXPECT_EQ(GetParent(Ctl(kLblResult)), Ctl(kPicture1));
    LOGFONTW lf{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Ctl(kLabel1), WM_GETFONT, 0, 0)), sizeof(lf), &lf);
    EXPECT_STREQ(lf.lfFaceName, L"宋体");
    EXPECT_EQ(Header(), L"名称");  // the count comes once the list is first filled or cleared
    const int widths[] = {2500, 5500, 1440, 1000};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(ListView_GetColumnWidth(Ctl(kListView1), i), TwipsToPixels(widths[i], dpi));
    EXPECT_TRUE(ListView_GetExtendedListViewStyle(Ctl(kListView1)) & LVS_EX_CHECKBOXES);
}

TEST_F(MainWindowTest, WithoutThePlayerItSaysSoOpensTheDownloadPageAndCloses) {
    MessageBoxWatcher boxes;
    MainWindowOptions options = Options();
    options.playerProgId = L"Ferrik.NoSuchPlayer";
    EXPECT_FALSE(Create(std::move(options)));
    EXPECT_EQ(window->Hwnd(), nullptr);
    const auto seen = boxes.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, L"您可能没有安装Qvod播放器。软件将自动打开qvod下载页面引导您下载。");
    EXPECT_EQ(seen[0].icon, LoadIconW(nullptr, IDI_HAND));
    EXPECT_EQ(opened, std::vector<Text>{kPlayerDownloadPage});
}

TEST_F(MainWindowTest, EveryChangeOfTheAddressSelectsTheScheme) {
    Create();
    statuses.clear();
    HWND edit = GetWindow(Ctl(kCombo1), GW_CHILD);
    ASSERT_TRUE(edit);
    const std::wstring address = Url("/show/9.html");
    for (wchar_t c : address) SendMessageW(edit, WM_CHAR, c, 1);
    ASSERT_EQ(statuses.size(), address.size());  // one lookup per keystroke
    EXPECT_EQ(statuses.front(), L"没有找到相应的方案,如果进行分析,会强制分析。");
    EXPECT_EQ(statuses.back(), L"已经为您准备好相应的方案。您可以进行分析了。");
    EXPECT_EQ(window->CurrentScheme().EnId, u"2");

    // Cleared: the welcome text, and the scheme stays.
    statuses.clear();
    SetAddress(L"   ");
    EXPECT_EQ(statuses, std::vector<std::wstring>{L"欢迎使用Ferrik。"});
    EXPECT_EQ(window->CurrentScheme().FilterStr, u"*/play/*.html");

    // Set by code (as the web window does) or pasted: once each.
    statuses.clear();
    SetWindowTextW(Ctl(kCombo1), Url("/list.html").c_str());
    EXPECT_EQ(statuses.size(), 1u);
    EXPECT_EQ(window->CurrentScheme().EnId, u"1");
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    const std::wstring pasted = Url("/other.html");
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, (pasted.size() + 1) * sizeof(wchar_t));
    memcpy(GlobalLock(mem), pasted.c_str(), (pasted.size() + 1) * sizeof(wchar_t));
    GlobalUnlock(mem);
    SetClipboardData(CF_UNICODETEXT, mem);
    CloseClipboard();
    SendMessageW(edit, EM_SETSEL, 0, -1);
    SendMessageW(edit, WM_PASTE, 0, 0);
    EXPECT_EQ(statuses.size(), 2u);
    EXPECT_EQ(statuses.back(), L"没有找到相应的方案,如果进行分析,会强制分析。");
    EXPECT_EQ(window->CurrentScheme().EnId, u"1");
    EXPECT_EQ(window->CurrentScheme().FilterStr, u"*");
}

TEST_F(MainWindowTest, ListMirrorsTheModelAndUserChecksGoBack) {
    Create();
    TaskList& tasks = window->Tasks();
    tasks.AddTask(u"第1集", u"qvod://1|a|第1集|", u"SS0", u"", u"qvod://1|a|第1集|");
    tasks.AddTask(u"第2集", u"http://site/2.html", u"SS1", u"", u"http://site/2.html");
    tasks.AddTask(u"dup", u"x", u"SS1", u"", u"http://site/2.html");
    ASSERT_EQ(Rows(), 2);
    EXPECT_EQ(Header(), L"名称(2)");
    EXPECT_EQ(Cell(0, 0), L"第1集");
    EXPECT_EQ(Cell(0, 1), L"qvod://1|a|第1集|");
    EXPECT_EQ(Cell(1, 2), L"SS1");
    EXPECT_EQ(Cell(1, 3), L"");
    // A status written by the batch driver is drawn at once: its row is due for repainting.
    HWND list = Ctl(kListView1);
    UpdateWindow(list);
    tasks.SetStatus(1, u"成功");
    RECT dirty{}, row1{};
    ListView_GetItemRect(list, 1, &row1, LVIR_BOUNDS);
    EXPECT_TRUE(GetUpdateRect(list, &dirty, FALSE) && IntersectRect(&dirty, &dirty, &row1));
    EXPECT_EQ(Cell(1, 3), L"成功");
    tasks.SetChecked(0, true);
    EXPECT_EQ(Checks(), (std::vector<bool>{true, false}));
    // The user's clicks on the boxes and the space bar on the focused row go to the model.
    ClickCheckBox(1);
    ClickCheckBox(0);
    EXPECT_EQ(Checks(), (std::vector<bool>{false, true}));
    EXPECT_FALSE(tasks.At(0).checked);
    EXPECT_TRUE(tasks.At(1).checked);
    ListView_SetItemState(list, 0, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
    SendMessageW(list, WM_KEYDOWN, VK_SPACE, 0);
    SendMessageW(list, WM_CHAR, L' ', 0);
    SendMessageW(list, WM_KEYUP, VK_SPACE, 0);
    EXPECT_TRUE(tasks.At(0).checked);
    EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_SELECTED), 0);
    tasks.ClearTasks();
    EXPECT_EQ(Rows(), 0);
    EXPECT_EQ(Header(), L"名称(0)");
}

// The list's keys, as a user presses them (Ctrl held in this thread's keyboard state), with the
// clipboard read back.
TEST_F(MainWindowTest, ListKeysSelectCopyAndToggleOnlyWhenNotBusy) {
    Create();
    HWND list = Ctl(kListView1);
    const std::wstring addresses[] = {L"qvod://1|A1|天龙八部第01集.rmvb|", L"http://site/play/2.html",
                                      L"qvod://3|C3|天龙八部第03集.rmvb|"};
    for (const std::wstring& a : addresses)
        window->Tasks().AddTask(u"x", Text(a.begin(), a.end()), u"SS0", u"", Text(a.begin(), a.end()));
    const auto press = [&](WPARAM key, bool control) {
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        keys[VK_CONTROL] = control ? 0x80 : 0;
        SetKeyboardState(keys);
        SendMessageW(list, WM_KEYDOWN, key, 0);
        if (key == VK_SPACE) SendMessageW(list, WM_CHAR, L' ', 0);
        if (control && (key == 'A' || key == 'C')) SendMessageW(list, WM_CHAR, key - 'A' + 1, 0);
        SendMessageW(list, WM_KEYUP, key, 0);
        keys[VK_CONTROL] = 0;
        SetKeyboardState(keys);
    };
    const auto clipboard = [&]() -> std::wstring {
        std::wstring text = L"(none)";
        if (!OpenClipboard(window->Hwnd())) return L"(not opened)";
        if (HANDLE clip = GetClipboardData(CF_UNICODETEXT)) {
            text = static_cast<const wchar_t*>(GlobalLock(clip));
            GlobalUnlock(clip);
        }
        CloseClipboard();
        return text;
    };
    const auto select = [&](std::initializer_list<int> rows) {
        ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
        for (int r : rows) ListView_SetItemState(list, r, LVIS_SELECTED, LVIS_SELECTED);
    };
    const auto selected = [&] {
        std::vector<int> rows;
        for (int r = -1; (r = ListView_GetNextItem(list, r, LVNI_SELECTED)) >= 0;) rows.push_back(r);
        return rows;
    };
    ASSERT_TRUE(OpenClipboard(window->Hwnd()));
    EmptyClipboard();
    CloseClipboard();

    press('A', false);  // a plain A is type-ahead, not "select all"
    EXPECT_EQ(selected().size(), 0u);
    press('A', true);
    EXPECT_EQ(selected(), (std::vector<int>{0, 1, 2}));
    press('C', true);
    EXPECT_EQ(clipboard(), addresses[0] + L"\r\n" + addresses[1] + L"\r\n" + addresses[2]);
    select({1});
    press('C', true);
    EXPECT_EQ(clipboard(), addresses[1]);
    // Space flips every selected box, each from its own state.
    window->Tasks().SetChecked(0, true);
    select({0, 2});
    press(VK_SPACE, false);
    EXPECT_EQ(Checks(), (std::vector<bool>{false, false, true}));
    press(VK_SPACE, false);
    EXPECT_EQ(Checks(), (std::vector<bool>{true, false, false}));
    press(VK_DELETE, false);
    EXPECT_EQ(Rows(), 3);
    EXPECT_EQ(window->Tasks().Count(), 3u);

    // Busy: none of the keys acts.
    window->LockControls();
    select({2});
    press('A', true);
    press('C', true);
    press(VK_SPACE, false);
    EXPECT_EQ(selected(), (std::vector<int>{2}));
    EXPECT_EQ(clipboard(), addresses[1]);
    EXPECT_EQ(Checks(), (std::vector<bool>{true, false, false}));
    window->UnlockControls();
}

TEST_F(MainWindowTest, RightClickSelectsTheRowAndShowsTheListMenuAtThePointer) {
    Create();
    TaskList& tasks = window->Tasks();
    for (Text k : {u"1", u"2", u"3"}) tasks.AddTask(k, k, u"SS0", u"", k);
    tasks.SetChecked(0, true);
    tasks.SetChecked(2, true);

    popupAnswer = static_cast<UINT>(MenuCommand::InvertChecks);
    const POINT onRow = RowPoint(1);
    RightClick(onRow);
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_EQ(popups[0].menu, window->ListMenu());
    POINT screen = onRow;
    ClientToScreen(Ctl(kListView1), &screen);
    EXPECT_EQ(popups[0].at.x, screen.x);
    EXPECT_EQ(popups[0].at.y, screen.y);
    EXPECT_EQ(ListView_GetNextItem(Ctl(kListView1), -1, LVNI_SELECTED), 1);
    EXPECT_FALSE(tasks.At(0).checked);
    EXPECT_TRUE(tasks.At(1).checked);
    EXPECT_FALSE(tasks.At(2).checked);

    // Empty space below the rows: the menu still comes, the selection stays.
    RECT client{};
    GetClientRect(Ctl(kListView1), &client);
    popupAnswer = static_cast<UINT>(MenuCommand::CheckAll);
    RightClick(POINT{client.right / 2, client.bottom - 5});
    ASSERT_EQ(popups.size(), 2u);
    EXPECT_EQ(ListView_GetNextItem(Ctl(kListView1), -1, LVNI_SELECTED), 1);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_TRUE(tasks.At(i).checked);

    popupAnswer = static_cast<UINT>(MenuCommand::UncheckAll);
    RightClick(RowPoint(2));
    EXPECT_EQ(ListView_GetNextItem(Ctl(kListView1), -1, LVNI_SELECTED), 2);
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(ListView_GetCheckState(Ctl(kListView1), i));

    // Other buttons do nothing; while busy the list takes no input, so no menu either.
    SendMessageW(Ctl(kListView1), WM_MBUTTONDOWN, 0, MAKELPARAM(onRow.x, onRow.y));
    EXPECT_EQ(popups.size(), 3u);
    window->LockControls();
    EXPECT_FALSE(IsWindowEnabled(Ctl(kListView1)));
    popupAnswer = static_cast<UINT>(MenuCommand::CheckAll);
    RightClick(RowPoint(0));  // sent straight to the list, past the disabled window's input filter
    EXPECT_EQ(popups.size(), 3u);
    EXPECT_EQ(ListView_GetNextItem(Ctl(kListView1), -1, LVNI_SELECTED), 2);
    Command(MenuCommand::CheckAll);  // a stray command of that menu is refused as well
    EXPECT_FALSE(tasks.At(0).checked);
}

// The real popup menu, driven by keys posted to the GUI thread, where the menu loop reads them.
TEST_F(MainWindowTest, RealListMenuRunsTheEntryChosenInIt) {
    Create(Options());
    for (Text k : {u"1", u"2"}) window->Tasks().AddTask(k, k, u"SS0", u"", k);
    window->Tasks().SetChecked(1, true);
    // The menu loop tells its owner when it has shown the menu and runs out of input
    // (WM_ENTERIDLE, MSGF_MENU, the menu's window): then the keys go in, once.
    static RECT menuRect;
    menuRect = RECT{};
    SetWindowSubclass(
        window->Hwnd(),
        [](HWND h, UINT m, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR) CALLBACK -> LRESULT {
            if (m == WM_ENTERIDLE && w == MSGF_MENU && IsRectEmpty(&menuRect)) {
                GetWindowRect(reinterpret_cast<HWND>(l), &menuRect);
                for (WPARAM key : {VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}) {  // 全选, 全不选, 反选
                    PostThreadMessageW(GetCurrentThreadId(), WM_KEYDOWN, key, 0);
                    PostThreadMessageW(GetCurrentThreadId(), WM_KEYUP, key, 0);
                }
            }
            return DefSubclassProc(h, m, w, l);
        },
        4, 0);
    const POINT at = RowPoint(0);
    RightClick(at);
    POINT screen = at;
    ClientToScreen(Ctl(kListView1), &screen);
    EXPECT_EQ(menuRect.left, screen.x);
    EXPECT_EQ(menuRect.top, screen.y);
    EXPECT_TRUE(window->Tasks().At(0).checked);
    EXPECT_FALSE(window->Tasks().At(1).checked);
}

// The popup menus as the user sees them: captions and separators, read from the menus themselves.
TEST_F(MainWindowTest, MenusHoldTheirEntriesInOrder) {
    Create();
    const std::pair<HMENU, std::vector<std::wstring>> menus[] = {
        {window->AnalyseMenu(),
         {L"智能分析", L"-", L"分析Qvod集数页面", L"分析网页中的Qvod地址", L"分析网页中的Qvod地址(加密)", L"-",
          L"停止分析", L"-", L"追加到现有列表"}},
        {window->ListMenu(),
         {L"全选", L"全不选", L"反选", L"按名称选择...", L"导出列表...", L"导入列表...", L"-", L"关于本软件"}},
    };
    for (const auto& [menu, expected] : menus) {
        std::vector<std::wstring> entries;
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            wchar_t text[64] = {};
            MENUITEMINFOW info{};
            info.cbSize = sizeof(info);
            info.fMask = MIIM_FTYPE | MIIM_STRING;
            info.dwTypeData = text;
            info.cch = 64;
            ASSERT_TRUE(GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info));
            entries.push_back((info.fType & MFT_SEPARATOR) ? L"-" : text);
        }
        EXPECT_EQ(entries, expected);
    }
}

TEST_F(MainWindowTest, AnalyseButtonPopsItsMenuAtThePointer) {
    Create();
    SetCursorPos(300, 200);
    POINT cursor{};
    GetCursorPos(&cursor);
    SendMessageW(Ctl(kCommand1), BM_CLICK, 0, 0);
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_EQ(popups[0].menu, window->AnalyseMenu());
    EXPECT_EQ(popups[0].at.x, cursor.x);
    EXPECT_EQ(popups[0].at.y, cursor.y);
    EXPECT_EQ(GetMenuItemCount(window->AnalyseMenu()), 9);
}

TEST_F(MainWindowTest, BusyStateDisablesExactlyItsControls) {
    Create();
    window->LockControls();
    EXPECT_FALSE(IsWindowEnabled(Ctl(kCommand2)));
    EXPECT_FALSE(IsWindowEnabled(Ctl(kCombo1)));
    EXPECT_FALSE(IsWindowEnabled(Ctl(kListView1)));
    EXPECT_TRUE(IsWindowEnabled(Ctl(kCommand1)));
    EXPECT_TRUE(IsWindowEnabled(Ctl(kCommand3)));
    for (MenuCommand c : kBusyMenuEntries) EXPECT_FALSE(MenuEnabled(c));
    EXPECT_TRUE(MenuEnabled(MenuCommand::StopAnalysis));
    // A disabled entry does nothing, even when its command arrives anyway.
    SetAddress(Url("/plain.html"));
    Command(MenuCommand::AnalyseQvodText);
    EXPECT_EQ(Rows(), 0);
    Command(MenuCommand::StopAnalysis);
    EXPECT_EQ(StopFlag, 1);
    StopFlag = 0;
    window->UnlockControls();
    for (int id : {kCommand1, kCommand2, kCombo1, kListView1}) EXPECT_TRUE(IsWindowEnabled(Ctl(id)));
    for (MenuCommand c : kBusyMenuEntries) EXPECT_TRUE(MenuEnabled(c));
}

TEST_F(MainWindowTest, EachCommandShowsItsStatusSequenceAndRows) {
    Create();
    MessageBoxWatcher boxes;
    const std::vector<std::wstring> textSteps = {L"正在分析网页中的qvod地址。", L"分析完毕"};
    const std::vector<std::wstring> linkSteps = {L"正在准备分析网页……", L"正在读取网页信息……", L"完成分析。"};

    SetAddress(Url("/plain.html"));
    statuses.clear();
    Command(MenuCommand::AnalyseQvodText);
    EXPECT_EQ(statuses, textSteps);
    EXPECT_EQ(ColumnOf(1), (std::vector<std::wstring>{Link(1), Link(2), Link(3)}));
    EXPECT_EQ(ColumnOf(2), (std::vector<std::wstring>(3, L"SS0")));
    EXPECT_EQ(Cell(0, 0), L"笑傲江湖第01集.rmvb");
    EXPECT_EQ(Header(), L"名称(3)");

    SetAddress(Url("/escaped.html"));
    statuses.clear();
    Command(MenuCommand::AnalyseEscapedQvodText);
    EXPECT_EQ(statuses, textSteps);
    EXPECT_EQ(ColumnOf(1), (std::vector<std::wstring>{Link(1, L"神雕侠侣"), Link(2, L"神雕侠侣")}));

    SetAddress(Url("/list.html"));
    statuses.clear();
    Command(MenuCommand::AnalyseEpisodePage);
    EXPECT_EQ(statuses, linkSteps);
    EXPECT_EQ(ColumnOf(1), (std::vector<std::wstring>{Url("/"), Url("/ep01.htm"), Url("/ep02.htm"), Url("/ep03.htm")}));
    EXPECT_EQ(ColumnOf(2), (std::vector<std::wstring>(4, L"SS1")));
    EXPECT_EQ(boxes.Texts(), (std::vector<std::wstring>{L"分析时将不使用规则数据！",
                                                        L"分析结果可能包含冗余数据，可能需要您手动进行筛选！"}));

    // The scheme of the site: EnId 1 lists only the episode pages.
    statuses.clear();
    Command(MenuCommand::SmartAnalyse);
    EXPECT_EQ(statuses, linkSteps);
    EXPECT_EQ(ColumnOf(1), (std::vector<std::wstring>{Url("/ep01.htm"), Url("/ep02.htm"), Url("/ep03.htm")}));
    EXPECT_EQ(ColumnOf(0), (std::vector<std::wstring>{L"第01集", L"第02集", L"第03集"}));

    // EnId 2: the first matching link, then its page's links unescaped.
    SetAddress(Url("/show/9.html"));
    statuses.clear();
    Command(MenuCommand::SmartAnalyse);
    EXPECT_EQ(statuses, (std::vector<std::wstring>{L"正在读取网页数据……", L"正在分析网页数据……", L"完成地址分析。",
                                                   L"正在分析网页中的qvod地址。", L"分析完毕"}));
    EXPECT_EQ(ColumnOf(1), (std::vector<std::wstring>{Link(1, L"神雕侠侣"), Link(2, L"神雕侠侣")}));

    // EnId 2 with Unescape 0: the same next page, scanned as fetched, holds no plain link.
    SetAddress(Url("/raw/9.html"));
    EXPECT_EQ(window->CurrentScheme().Unescape, u"0");
    statuses.clear();
    Command(MenuCommand::SmartAnalyse);
    EXPECT_EQ(statuses.size(), 5u);
    EXPECT_EQ(Rows(), 0);

    // EnId 0: text extraction, never unescaped.
    SetAddress(Url("/plain.html"));
    statuses.clear();
    Command(MenuCommand::SmartAnalyse);
    EXPECT_EQ(statuses, textSteps);
    EXPECT_EQ(Rows(), 3);
    EXPECT_EQ(boxes.Texts().size(), 3u);
    EXPECT_TRUE(IsWindowEnabled(Ctl(kCombo1)));
}

TEST_F(MainWindowTest, WithoutASchemeSmartAnalyseAsksFirst) {
    Create();
    SetAddress(Url("/links.html"));
    ASSERT_FALSE(window->CurrentScheme().schemeFound);
    window->Tasks().AddTask(u"old", u"old", u"SS0", u"", u"old");
    MessageBoxWatcher boxes;
    boxes.QueueAnswer(IDNO);
    Command(MenuCommand::SmartAnalyse);
    auto seen = boxes.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, L"没有匹配的方案,确定要进行分析吗？");
    EXPECT_EQ(seen[0].title, L"提示");
    EXPECT_EQ(seen[0].buttons, (std::vector<int>{IDYES, IDNO}));
    EXPECT_EQ(seen[0].icon, LoadIconW(nullptr, IDI_INFORMATION));
    EXPECT_EQ(ColumnOf(0), std::vector<std::wstring>{L"old"});  // No: nothing changed

    boxes.QueueAnswer(IDYES);
    Command(MenuCommand::SmartAnalyse);
    seen = boxes.Seen();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[1].text, L"没有匹配的方案,确定要进行分析吗？");
    EXPECT_EQ(seen[2].text, L"分析结果可能包含冗余数据，可能需要您手动进行筛选！");
    EXPECT_EQ(seen[2].icon, LoadIconW(nullptr, IDI_EXCLAMATION));
    EXPECT_EQ(ColumnOf(2), std::vector<std::wstring>(4, L"SS1"));  // every hyperlink
}

TEST_F(MainWindowTest, BadPatternOrAddressIsExplained) {
    Create();
    MessageBoxWatcher boxes;
    SetAddress(Url("/bad/list.html"));
    Command(MenuCommand::SmartAnalyse);
    SetAddress(L"ftp://127.0.0.1/list.html");
    Command(MenuCommand::AnalyseEpisodePage);
    EXPECT_EQ(boxes.Texts(),
              (std::vector<std::wstring>{W(InvalidPatternMessage(u"*[z-a]*")), L"分析时将不使用规则数据！",
                                         W(RejectedAddressMessage(u"ftp://127.0.0.1/list.html"))}));
    for (int id : {kCommand2, kCombo1, kListView1}) EXPECT_TRUE(IsWindowEnabled(Ctl(id)));
    for (MenuCommand c : kBusyMenuEntries) EXPECT_TRUE(MenuEnabled(c));
}

TEST_F(MainWindowTest, BusyWhileFetchingWithStopStillReachable) {
    Create();
    SetAddress(Url("/held.html"));
    bool checked = false;
    WhenAsked("/held.html", [&] {
        checked = true;
        EXPECT_TRUE(window->OperationRunning());
        EXPECT_EQ(Status(), L"正在分析网页中的qvod地址。");
        EXPECT_FALSE(IsWindowEnabled(Ctl(kCombo1)));
        EXPECT_FALSE(IsWindowEnabled(Ctl(kCommand2)));
        EXPECT_FALSE(IsWindowEnabled(Ctl(kListView1)));
        EXPECT_TRUE(IsWindowEnabled(Ctl(kCommand1)));
        EXPECT_FALSE(MenuEnabled(MenuCommand::SmartAnalyse));
        EXPECT_TRUE(MenuEnabled(MenuCommand::StopAnalysis));
        server.Release();
    });
    Command(MenuCommand::AnalyseQvodText);
    EXPECT_TRUE(checked);
    EXPECT_EQ(Rows(), 3);
    EXPECT_TRUE(IsWindowEnabled(Ctl(kCombo1)));
}

TEST_F(MainWindowTest, StopDuringTheFetchEndsWithAnEmptyList) {
    Create();
    SetAddress(Url("/held.html"));
    WhenAsked("/held.html", [&] {
        Command(MenuCommand::StopAnalysis);
        server.Release();
    });
    Command(MenuCommand::AnalyseQvodText);
    EXPECT_EQ(Rows(), 0);
    EXPECT_EQ(StopFlag, 0);
    EXPECT_EQ(Status(), L"分析完毕");
}

TEST_F(MainWindowTest, StopDuringTheLinkLoopKeepsTheRowsFound) {
    Create();
    MessageBoxWatcher boxes;
    SetAddress(Url("/many.html"));
    OnFirstRow([&] { PostCommand(MenuCommand::StopAnalysis); });
    Command(MenuCommand::AnalyseEpisodePage);
    EXPECT_GE(Rows(), 1);
    EXPECT_LT(Rows(), 400);
    EXPECT_EQ(StopFlag, 0);
    EXPECT_EQ(Status(), L"完成分析。");
    EXPECT_TRUE(IsWindowEnabled(Ctl(kListView1)));
}

TEST_F(MainWindowTest, StopDuringABatchFailsTheWaitingRow) {
    test::Journal journal;
    Create();
    MessageBoxWatcher boxes;
    AddBatchRows();
    WhenFirstRowConnects([&] {
        EXPECT_FALSE(IsWindowEnabled(Ctl(kCommand2)));
        PostCommand(MenuCommand::StopAnalysis);
    });
    SendMessageW(Ctl(kCommand2), BM_CLICK, 0, 0);
    EXPECT_EQ(ColumnOf(3), (std::vector<std::wstring>{L"失败", L""}));
    EXPECT_EQ(boxes.Texts(),
              std::vector<std::wstring>{L"已完成任务，共成功0个,失败1个，请在qvod快播里点击全部接收,以完成后续下载。"});
    EXPECT_EQ(StopFlag, 0);
    EXPECT_TRUE(journal.Lines().empty());
    EXPECT_EQ(Header(), L"名称(2)");
}

// Closing in the middle of an operation: the window hides at once, the operation ends at its next
// stop test without asking anything more, then the window goes.
class CloseDuring : public MainWindowTest {
protected:
    void ExpectClosedAfter(const std::function<void()>& start, const std::vector<std::wstring>& boxesBefore = {}) {
        MessageBoxWatcher boxes;
        HWND hwnd = window->Hwnd();
        hiddenOnClose = false;
        SetWindowSubclass(hwnd, CheckClose, 3, reinterpret_cast<DWORD_PTR>(&hiddenOnClose));
        // Sent, not posted: the close is taken before whatever the test lets happen next.
        closeRequest = [hwnd] { SendMessageW(hwnd, WM_CLOSE, 0, 0); };
        start();
        EXPECT_TRUE(PumpUntil([&] { return !IsWindow(hwnd); }));
        EXPECT_TRUE(hiddenOnClose);
        EXPECT_EQ(window->Hwnd(), nullptr);
        EXPECT_EQ(boxes.Texts(), boxesBefore);
    }

    // Right after WM_CLOSE: still there (the operation uses it), but no longer shown.
    static LRESULT CALLBACK CheckClose(HWND h, UINT m, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR data) {
        const LRESULT r = DefSubclassProc(h, m, w, l);
        if (m == WM_CLOSE) *reinterpret_cast<bool*>(data) = IsWindow(h) && !IsWindowVisible(h);
        return r;
    }

    bool hiddenOnClose = false;
    std::function<void()> closeRequest;
};

TEST_F(CloseDuring, TheFetch) {
    Create();
    SetAddress(Url("/held.html"));
    ExpectClosedAfter([&] {
        WhenAsked("/held.html", [&] {
            closeRequest();
            server.Release();
        });
        Command(MenuCommand::AnalyseQvodText);
    });
}

TEST_F(CloseDuring, TheLinkLoop) {
    Create();
    SetAddress(Url("/many.html"));
    ExpectClosedAfter(
        [&] {
            OnFirstRow([&] { closeRequest(); });
            Command(MenuCommand::AnalyseEpisodePage);
        },
        {L"分析时将不使用规则数据！"});
}

TEST_F(CloseDuring, ABatch) {
    test::Journal journal;
    Create();
    AddBatchRows();
    ExpectClosedAfter([&] {
        WhenFirstRowConnects([&] { closeRequest(); });
        SendMessageW(Ctl(kCommand2), BM_CLICK, 0, 0);
    });
    // The row the player was still starting failed, the next was never sent, and the run's final
    // Stop reached the player before it was taken down.
    EXPECT_EQ(window->Tasks().At(0).status, u"失败");
    EXPECT_EQ(window->Tasks().At(1).status, u"");
    EXPECT_EQ(journal.Events(),
              (std::vector<Text>{u"#sited", u"#activated", u"#stop", u"#stop", u"#deactivated", u"#closed",
                                 u"#unsited", u"#released"}));
}

// In the program, closing also asks the waits to end: a page that never finishes arriving does
// not keep the hidden window (and the process) alive.
TEST_F(CloseDuring, AFetchThatNeverEndsWhenTheWindowOwnsTheProgram) {
    MainWindowOptions options = Options();
    options.endsProgram = true;
    HWND hwnd = Create(std::move(options));
    SetAddress(Url("/never.html"));
    const ULONGLONG start = GetTickCount64();
    WhenAsked("/never.html", [&] { PostMessageW(hwnd, WM_CLOSE, 0, 0); });
    Command(MenuCommand::AnalyseQvodText);
    EXPECT_LT(GetTickCount64() - start, 10000u);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) && msg.message != WM_QUIT) DispatchMessageW(&msg);
    EXPECT_FALSE(IsWindow(hwnd));
    ClearQuitRequest();
}

// Closing while the page still loads as a document ends the analysis as a stop: nothing listed,
// the links of the unfinished page never read, and the close's stop request taken rather than
// left pending for the next run.
TEST_F(CloseDuring, ADocumentLoadWhenTheWindowOwnsTheProgram) {
    MainWindowOptions options = Options();
    options.endsProgram = true;
    HWND hwnd = Create(std::move(options));
    MessageBoxWatcher boxes;
    SetAddress(Url("/never.html"));
    statuses.clear();
    WhenAsked("/never.html", [&] { PostMessageW(hwnd, WM_CLOSE, 0, 0); });
    Command(MenuCommand::AnalyseEpisodePage);
    EXPECT_EQ(StopFlag, 0);
    EXPECT_EQ(statuses, (std::vector<std::wstring>{L"正在准备分析网页……", L"完成分析。"}));
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) && msg.message != WM_QUIT) DispatchMessageW(&msg);
    EXPECT_FALSE(IsWindow(hwnd));
    ClearQuitRequest();
}

TEST_F(MainWindowTest, ClosingWhenIdleDestroysAtOnce) {
    HWND hwnd = Create();
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(StopFlag, 1);
}

TEST_F(MainWindowTest, ResizeMovesTheListAndKeepsItWhenTooSmall) {
    HWND hwnd = Create();
    const int dpi = ScreenDpi();
    SetWindowPos(hwnd, nullptr, 0, 0, 900, 700, SWP_NOMOVE | SWP_NOZORDER);
    RECT list{};
    GetWindowRect(Ctl(kListView1), &list);
    EXPECT_NEAR(list.right - list.left, TwipsToPixels(PixelsToTwips(900, dpi) - 360, dpi), 1);
    EXPECT_NEAR(list.bottom - list.top, TwipsToPixels(PixelsToTwips(700, dpi) - 1600, dpi), 1);
    RECT picture{};
    GetWindowRect(Ctl(kPicture1), &picture);
    EXPECT_NEAR(picture.right - picture.left, TwipsToPixels(PixelsToTwips(900, dpi) - 960, dpi), 1);

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
    RECT client{};
    GetClientRect(about, &client);
    EXPECT_EQ(client.right, TwipsToPixels(kAboutClientWidth, ScreenDpi()));
    EXPECT_EQ(test::TextOf(GetDlgItem(about, kAboutLabel1)),
              L"《Ferrik》是一款免费、开源的qvod电影批量下载工具，它支持多个qvod电影网站，使用简单。");
    EXPECT_FALSE(test::TextOf(GetDlgItem(about, kAboutLabel2)).empty());
    EXPECT_EQ(test::TextOf(GetDlgItem(about, kAboutCommand1)), L"确定");

    Command(MenuCommand::About);  // shown again, not made twice
    EXPECT_EQ(FindWindowW(L"Form", L"关于"), about);
    SendMessageW(GetDlgItem(about, kAboutCommand1), BM_CLICK, 0, 0);
    EXPECT_FALSE(IsWindow(about));
    Command(MenuCommand::About);  // made anew after closing
    HWND again = FindWindowW(L"Form", L"关于");
    EXPECT_TRUE(again && IsWindowVisible(again));
    SendMessageW(hwnd, WM_CLOSE, 0, 0);  // the owner takes it along
    EXPECT_FALSE(IsWindow(again));
}

TEST_F(MainWindowTest, SaveListIsNotSupported) {
    Create();
    MessageBoxWatcher boxes;
    Command(MenuCommand::SaveList);
    const auto seen = boxes.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, L"暂时不支持！");
    EXPECT_EQ(seen[0].title, L"提示");
    EXPECT_EQ(seen[0].icon, LoadIconW(nullptr, IDI_EXCLAMATION));
}

// 追加到现有列表: unchecked at the start; checked, two pages accumulate in one list (the link both
// pages hold listed once, the rows of the second after those of the first) with the usual status
// texts and header; unchecked again, the next analysis empties the list as always.
TEST_F(MainWindowTest, AppendingAccumulatesPagesAndSkipsWhatIsListed) {
    Create();
    const auto appendChecked = [&] {
        return (GetMenuState(window->AnalyseMenu(), static_cast<UINT>(MenuCommand::AppendToList), MF_BYCOMMAND) &
                MF_CHECKED) != 0;
    };
    EXPECT_FALSE(appendChecked());
    Command(MenuCommand::AppendToList);
    EXPECT_TRUE(appendChecked());
    const std::vector<std::wstring> textSteps = {L"正在分析网页中的qvod地址。", L"分析完毕"};
    struct Step {
        const char* page;
        std::vector<std::wstring> addresses;  // the whole list afterwards
    };
    const Step steps[] = {
        {"/plain.html", {Link(1), Link(2), Link(3)}},
        {"/plain2.html", {Link(1), Link(2), Link(3), Link(4)}},
        {"/plain.html", {Link(1), Link(2), Link(3), Link(4)}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.page);
        SetAddress(Url(step.page));
        statuses.clear();
        Command(MenuCommand::AnalyseQvodText);
        EXPECT_EQ(statuses, textSteps);
        EXPECT_EQ(ColumnOf(1), step.addresses);
        EXPECT_EQ(Header(), L"名称(" + std::to_wstring(step.addresses.size()) + L")");
        EXPECT_TRUE(IsWindowEnabled(Ctl(kListView1)));
    }
    Command(MenuCommand::AppendToList);
    EXPECT_FALSE(appendChecked());
    SetAddress(Url("/plain2.html"));
    Command(MenuCommand::AnalyseQvodText);
    EXPECT_EQ(ColumnOf(1), (std::vector<std::wstring>{Link(3), Link(4)}));
}

// The entry from the keyboard: the 分析 menu opened and its last entry chosen with the arrow key
// and Enter, as the menu loop reads them; twice, so it is checked and unchecked again.
TEST_F(MainWindowTest, AppendingIsToggledFromTheKeyboard) {
    Create(Options());
    static int idles;
    SetWindowSubclass(
        window->Hwnd(),
        [](HWND h, UINT m, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR) CALLBACK -> LRESULT {
            if (m == WM_ENTERIDLE && w == MSGF_MENU && idles++ == 0) {
                for (WPARAM key : {VK_UP, VK_RETURN}) {
                    PostThreadMessageW(GetCurrentThreadId(), WM_KEYDOWN, key, 0);
                    PostThreadMessageW(GetCurrentThreadId(), WM_KEYUP, key, 0);
                }
            }
            return DefSubclassProc(h, m, w, l);
        },
        4, 0);
    for (bool checked : {true, false}) {
        idles = 0;
        SetFocus(Ctl(kCommand1));
        SendMessageW(Ctl(kCommand1), BM_CLICK, 0, 0);
        EXPECT_EQ(window->Tasks().Appending(), checked);
        EXPECT_EQ((GetMenuState(window->AnalyseMenu(), static_cast<UINT>(MenuCommand::AppendToList), MF_BYCOMMAND) &
                   MF_CHECKED) != 0,
                  checked);
    }
}

// A click on a header: sent to the header as the mouse delivers it.
void ClickHeader(HWND list, int column) {
    HWND header = ListView_GetHeader(list);
    RECT rc{};
    Header_GetItemRect(header, column, &rc);
    const LPARAM at = MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(header, WM_LBUTTONUP, 0, at);
    ReleaseCapture();
}

int SortFormat(HWND list, int column) {
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    Header_GetItem(ListView_GetHeader(list), column, &item);
    return item.fmt & (HDF_SORTUP | HDF_SORTDOWN);
}

// Sorted by name, then reversed by a second click: the header shows the direction (the format
// bit, and the skin's mark in the header's pixels), checks and the selection go with their rows,
// a busy list is not sorted, and the batch then submits the checked rows in the order shown and
// writes each status into its own row.
TEST_F(MainWindowTest, SortedRowsGoThroughABatchInTheOrderShown) {
    test::Journal journal;
    Create();
    MessageBoxWatcher boxes;
    HWND list = Ctl(kListView1);
    const std::wstring names[] = {L"第2集", L"第10集", L"@state0", L"第1集"};
    const auto text = [](const std::wstring& w) { return Text(w.begin(), w.end()); };
    for (const std::wstring& name : names)
        window->Tasks().AddTask(text(name), text(Named(name)), u"SS0", u"", text(Named(name)));
    for (std::size_t row : {1, 2, 3}) window->Tasks().SetChecked(row, true);  // all but 第2集; @state0 ends idle
    ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);  // 第2集

    struct Click {
        int column;
        std::vector<std::wstring> names;
        int format;
    };
    const Click clicks[] = {
        {0, {L"@state0", L"第1集", L"第2集", L"第10集"}, HDF_SORTUP},
        {0, {L"第10集", L"第2集", L"第1集", L"@state0"}, HDF_SORTDOWN},
    };
    for (const Click& click : clicks) {
        ClickHeader(list, click.column);
        EXPECT_EQ(ColumnOf(0), click.names);
        EXPECT_EQ(SortFormat(list, 0), click.format);
        for (int other = 1; other < 4; ++other) EXPECT_EQ(SortFormat(list, other), 0);
        for (int i = 0; i < Rows(); ++i) EXPECT_EQ(Checks()[i], Cell(i, 0) != L"第2集") << i;
        const int selected = ListView_GetNextItem(list, -1, LVNI_SELECTED);
        EXPECT_EQ(Cell(selected, 0), L"第2集");
        EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_FOCUSED), selected);
        EXPECT_EQ(ListView_GetNextItem(list, selected, LVNI_SELECTED), -1);
    }
    // The skin's mark: the top row of the downward triangle in the first header item.
    HWND header = ListView_GetHeader(list);
    RedrawWindow(header, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    RECT item{}, whole{};
    Header_GetItemRect(header, 0, &item);
    GetClientRect(header, &whole);
    const std::vector<skin::Rect> mark = skin::SortMarkRows(item.left, item.right, whole.bottom, false);
    ASSERT_EQ(mark.size(), 4u);
    HDC dc = GetDC(header);
    EXPECT_EQ(GetPixel(dc, mark[0].x, mark[0].y), RGB(25, 85, 95));
    EXPECT_EQ(GetPixel(dc, mark[0].x + 6, mark[0].y), RGB(25, 85, 95));
    EXPECT_NE(GetPixel(dc, mark[3].x + 1, mark[3].y), RGB(25, 85, 95));
    ReleaseDC(header, dc);

    window->LockControls();
    ClickHeader(list, 0);
    EXPECT_EQ(ColumnOf(0), clicks[1].names) << "not sorted while busy";
    window->UnlockControls();

    SendMessageW(Ctl(kCommand2), BM_CLICK, 0, 0);
    EXPECT_EQ(journal.Lines(), (std::vector<Text>{text(Named(L"第10集")), text(Named(L"第1集"))}));
    EXPECT_EQ(ColumnOf(0), clicks[1].names);
    EXPECT_EQ(ColumnOf(3), (std::vector<std::wstring>{L"成功", L"", L"成功", L"失败(就绪)"}));
    EXPECT_EQ(boxes.Texts(),
              std::vector<std::wstring>{L"已完成任务，共成功2个,失败1个，请在qvod快播里点击全部接收,以完成后续下载。"});
    EXPECT_EQ(SortFormat(list, 0), HDF_SORTDOWN) << "a batch leaves the order as it is";
}

}  // namespace
}  // namespace ferrik
