// The web window: opened from the main window, laid out from its table, its site list and hand-off
// with a fake browser; the system's WebBrowser control (the browser stand-in in the test prefix);
// whole browsing runs on both browsers.
#include <windows.h>

#include <commctrl.h>
#include <exdisp.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/main_window_win.h"
#include "common/stop_flag.h"
#include "host/support/fake_browser.h"
#include "program/web_window_factory_win.h"
#include "web/browser_factory_win.h"
#include "web/own_browser_win.h"
#include "web/system_browser_win.h"
#include "web/web_window_win.h"
#include "win/support/browser_sim.h"
#include "win/support/http_server.h"
#include "win/support/main_options.h"
#include "win/support/ui_driver.h"

namespace ferrik {
namespace {

WebWindow* WebOf(const MainWindow& main) {
    return dynamic_cast<WebWindow*>(main.Web());
}

using test::FakeBrowser;
using test::PumpUntil;

std::wstring W(TextView text) {
    return std::wstring(text.begin(), text.end());
}

// Where a child sits in its parent's client area, in pixels.
RECT PlaceOf(HWND child) {
    RECT rc{};
    GetWindowRect(child, &rc);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

class WebWindowTest : public testing::Test {
protected:
    WebWindowTest() {
        StopFlag = 0;
        data.Write(L"Setting.ini", L"[Setting]\r\nUnSkin=0\r\n");
    }
    ~WebWindowTest() override { main.reset(); }

    void Open(bool withRules = true) {
        if (withRules)
            data.Write(L"Rule.dat",
                       L"dy.example.com|DianYing|电影天堂\r\n|x|无地址\r\nkb.example.net|KuaiBo|\r\n"
                       L"tv.example.org|JuJi|连续剧\r\n");
        MainWindowOptions options = test::TestOptions(data, "ferrikweb");
        options.makeWeb = WebWindowFactory([this](HWND, const RECT& bounds, BrowserEvents& raised) {
            auto fake = std::make_unique<FakeBrowser>();
            fake->SetBounds(bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
            browser = fake.get();
            events = &raised;
            return fake;
        });
        main = std::make_unique<MainWindow>(std::move(options));
        ASSERT_TRUE(main->Create());
        main->Show(SW_SHOWNORMAL);
        SendMessageW(main->Hwnd(), WM_COMMAND, MAKEWPARAM(kCommand3, BN_CLICKED),
                     reinterpret_cast<LPARAM>(main->Control(kCommand3)));
        web = WebOf(*main);
        ASSERT_NE(web, nullptr);
    }

    HWND Ctl(int id) const { return web->Control(id); }
    void Click(int id) {
        SendMessageW(web->Hwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Ctl(id)));
    }
    std::wstring Header() const {
        wchar_t text[64] = {};
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT;
        col.pszText = text;
        col.cchTextMax = 64;
        SendMessageW(Ctl(kListView2), LVM_GETCOLUMNW, 0, reinterpret_cast<LPARAM>(&col));
        return text;
    }

    test::DataDirectory data;
    std::unique_ptr<MainWindow> main;
    WebWindow* web = nullptr;
    FakeBrowser* browser = nullptr;
    BrowserEvents* events = nullptr;
};

TEST_F(WebWindowTest, OpensFromTheMainWindowAsLaidOut) {
    Open();
    HWND hwnd = web->Hwnd();
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_EQ(GetWindow(hwnd, GW_OWNER), main->Hwnd());
    EXPECT_EQ(test::TextOf(hwnd), L"网页浏览");
    EXPECT_EQ(SendMessageW(hwnd, WM_GETICON, ICON_BIG, 0), SendMessageW(main->Hwnd(), WM_GETICON, ICON_BIG, 0));
    // Skinned at load, its controls with it.
    EXPECT_NE(GetPropW(hwnd, L"PROCADDR"), nullptr);
    EXPECT_NE(GetPropW(Ctl(kListView2), L"PROCADDR"), nullptr);
    const int dpi = ScreenDpi();
    auto px = [dpi](int twips) { return TwipsToPixels(twips, dpi); };
    RECT client{};
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, px(10095));
    EXPECT_EQ(client.bottom, px(7410));
    // Centred on the main window.
    RECT mine{}, owner{};
    GetWindowRect(hwnd, &mine);
    GetWindowRect(main->Hwnd(), &owner);
    EXPECT_NEAR((mine.left + mine.right) / 2, (owner.left + owner.right) / 2, 1);
    EXPECT_NEAR((mine.top + mine.bottom) / 2, (owner.top + owner.bottom) / 2, 1);

    // Controls at their design places (the resize at load only widens some of them).
    struct Row {
        int id;
        int left, top, width, height;
        const wchar_t* cls;
        const wchar_t* text;
    };
    const Row rows[] = {
        {kWebCommand5, 120, 75, 615, 495, L"tesselbutton", nullptr},
        {kWebCommand6, 840, 75, 615, 495, L"tesselbutton", nullptr},
        {kWebCommand2, 1560, 75, 615, 495, L"tesselbutton", nullptr},
        {kWebCommand3, 2280, 75, 615, 495, L"tesselbutton", nullptr},
        {kWebCommand4, 3000, 75, 615, 495, L"tesselbutton", nullptr},
        {kWebCommand7, 3720, 75, 1335, 495, L"tesselbutton", nullptr},
        {kPicAddress, 120, 570, -1, 720, nullptr, nullptr},
        {kLblAddress, 45, 30, -1, -1, nullptr, L"地址(&A):"},
        {kCboAddress, 45, 330, -1, -1, L"ComboBox", L""},
        {kWebCommand1, -1, 330, 375, 320, L"Button", L">"},
        {kCmbSearch, -1, 900, 1995, -1, L"ComboBox", L""},
        {kListView2, 120, 1320, 2775, -1, L"SysListView32", nullptr},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.id);
        const RECT rc = PlaceOf(Ctl(r.id));
        if (r.left >= 0) {
            EXPECT_NEAR(rc.left, px(r.left), 1);
        }
        if (r.top >= 0) {
            EXPECT_NEAR(rc.top, px(r.top), 1);
        }
        if (r.width >= 0) {
            EXPECT_NEAR(rc.right - rc.left, px(r.width), 1);
        }
        if (r.height >= 0) {
            EXPECT_NEAR(rc.bottom - rc.top, px(r.height), 1);
        }
        if (r.cls) {
            EXPECT_EQ(test::ClassOf(Ctl(r.id)), r.cls);
        }
        if (r.text) {
            EXPECT_EQ(test::TextOf(Ctl(r.id)), r.text);
        }
    }
    EXPECT_EQ(GetParent(Ctl(kCboAddress)), Ctl(kPicAddress));
    EXPECT_EQ(GetParent(Ctl(kWebCommand1)), Ctl(kPicAddress));
    // The resize rules at the design size: picAddress = window width - 1995 - 500, and so on.
    RECT window{};
    GetWindowRect(hwnd, &window);
    const int windowTwips = PixelsToTwips(window.right - window.left, dpi);
    EXPECT_NEAR(PlaceOf(Ctl(kPicAddress)).right - PlaceOf(Ctl(kPicAddress)).left, px(windowTwips - 2495), 1);
    EXPECT_NEAR(PlaceOf(Ctl(kCboAddress)).right - PlaceOf(Ctl(kCboAddress)).left, px(10095 - 3000), 2);
    EXPECT_NEAR(PlaceOf(Ctl(kListView2)).bottom - PlaceOf(Ctl(kListView2)).top, px(7410 - 1290 - 350), 2);
    ASSERT_EQ(browser->bounds.size(), 4u);
    EXPECT_NEAR(browser->bounds[0], px(120 + 2775 + 80), 2);
    EXPECT_NEAR(browser->bounds[1], px(1320), 1);
    EXPECT_NEAR(browser->bounds[2], px(10095 - 220 - 120 - 2775), 2);
    // The list's one entry, the search box's tooltip, the status bar in simple mode.
    EXPECT_EQ(SendMessageW(Ctl(kCboAddress), CB_GETCOUNT, 0, 0), 1);
    EXPECT_TRUE(SendMessageW(Ctl(kStatusBar1), SB_ISSIMPLE, 0, 0));
    wchar_t searchTip[128] = {};
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = hwnd;
    tool.uId = reinterpret_cast<UINT_PTR>(Ctl(kCmbSearch));
    tool.lpszText = searchTip;
    SendMessageW(web->Tooltips(), TTM_GETTEXTW, std::size(searchTip), reinterpret_cast<LPARAM>(&tool));
    EXPECT_STREQ(searchTip, L"输入到搜索框的关键字会直接填充到当前网页中");
    // The buttons from their stored properties.
    const std::pair<int, const char16_t*> tips[] = {{kWebCommand5, u"后退"},
                                                    {kWebCommand6, u"前进"},
                                                    {kWebCommand2, u"主页"},
                                                    {kWebCommand3, u"刷新"},
                                                    {kWebCommand4, u"停止"}};
    for (const auto& [id, tip] : tips) {
        TesselButton& b = web->Button(id)->Button();
        EXPECT_EQ(b.ToolTip(), tip);
        EXPECT_TRUE(b.PictureNormal().has_value());
        EXPECT_EQ(b.PictureEffectOnOver(), 1);
        EXPECT_EQ(b.PictureEffectOnDown(), 2);
    }
    TesselButton& add = web->Button(kWebCommand7)->Button();
    EXPECT_EQ(add.Caption(), u"添加当前页");
    EXPECT_EQ(add.TooltipTitle(), u"说明");
    EXPECT_EQ(add.ToolTip(), u"把当前页添加到主界面分析输入框中。");

    // The load: silent, about:blank; the site list without the incomplete lines.
    EXPECT_EQ(browser->calls, (std::vector<Text>{u"Silent", u"Navigate about:blank"}));
    EXPECT_EQ(Header(), L"网站(2)");
    EXPECT_EQ(ListView_GetItemCount(Ctl(kListView2)), 2);

    // Resized: the browser and the list follow; too small a window keeps their last valid sizes.
    SetWindowPos(hwnd, nullptr, 0, 0, window.right - window.left + 150, window.bottom - window.top + 90,
                 SWP_NOMOVE | SWP_NOZORDER);
    GetClientRect(hwnd, &client);
    EXPECT_NEAR(browser->bounds[2], px(PixelsToTwips(client.right, dpi) - 220 - 120 - 2775), 2);
    EXPECT_NEAR(browser->bounds[3], px(PixelsToTwips(client.bottom, dpi) - 1290 - 350), 2);
    const std::vector<int> kept = browser->bounds;
    SetWindowPos(hwnd, nullptr, 0, 0, 120, 60, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(browser->bounds, kept);
    EXPECT_TRUE(IsWindow(hwnd));

    // The Web button again shows the same window.
    SendMessageW(main->Hwnd(), WM_COMMAND, MAKEWPARAM(kCommand3, BN_CLICKED),
                 reinterpret_cast<LPARAM>(main->Control(kCommand3)));
    EXPECT_EQ(WebOf(*main)->Hwnd(), hwnd);
}

TEST_F(WebWindowTest, SiteClickButtonsAndHandOver) {
    Open();
    browser->calls.clear();
    // A click on the second site opens its address.
    RECT item{};
    ListView_GetItemRect(Ctl(kListView2), 1, &item, LVIR_LABEL);
    const LPARAM at = MAKELPARAM(item.left + 4, (item.top + item.bottom) / 2);
    SendMessageW(Ctl(kListView2), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(Ctl(kListView2), WM_LBUTTONUP, 0, at);
    PumpUntil([&] { return !browser->calls.empty(); }, 2000);
    EXPECT_EQ(browser->calls, std::vector<Text>{u"Navigate http://tv.example.org"});
    EXPECT_EQ(test::TextOf(Ctl(kCboAddress)), L"tv.example.org");
    // A click on empty space opens nothing more.
    ListView_SetItemState(Ctl(kListView2), -1, 0, LVIS_SELECTED);
    SendMessageW(Ctl(kListView2), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 300));
    SendMessageW(Ctl(kListView2), WM_LBUTTONUP, 0, MAKELPARAM(5, 300));

    // The buttons and ">".
    SetWindowTextW(Ctl(kCboAddress), L"kb.example.net/x");
    for (int id : {kWebCommand5, kWebCommand6, kWebCommand2, kWebCommand3, kWebCommand4, kWebCommand1}) Click(id);
    EXPECT_EQ(browser->calls, (std::vector<Text>{u"Navigate http://tv.example.org", u"GoBack", u"GoForward", u"GoHome",
                                                 u"Refresh", u"Stop", u"Navigate http://kb.example.net/x"}));

    // Enter in the address box goes there; Enter in the search box fills the page's text inputs.
    browser->calls.clear();
    HWND search = FindWindowExW(Ctl(kCmbSearch), nullptr, L"Edit", nullptr);
    ASSERT_NE(search, nullptr);
    EXPECT_TRUE(SendMessageW(FindWindowExW(Ctl(kCboAddress), nullptr, L"Edit", nullptr), WM_GETDLGCODE, VK_RETURN, 0) &
                DLGC_WANTMESSAGE);
    SendMessageW(FindWindowExW(Ctl(kCboAddress), nullptr, L"Edit", nullptr), WM_KEYDOWN, VK_RETURN, 0);
    browser->document.elements = {{u"INPUT", u"text", u""}, {u"INPUT", u"password", u""}};
    SetWindowTextW(Ctl(kCmbSearch), L"笑傲江湖");
    SendMessageW(search, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(browser->calls, std::vector<Text>{u"Navigate http://kb.example.net/x"});
    EXPECT_EQ(browser->document.elements[0].value, u"笑傲江湖");
    EXPECT_EQ(browser->document.elements[1].value, u"");

    // Typing "HTTP:///" turns it into "http://".
    HWND edit = FindWindowExW(Ctl(kCboAddress), nullptr, L"Edit", nullptr);
    ASSERT_NE(edit, nullptr);
    SetWindowTextW(edit, L"HTTP://");
    SendMessageW(edit, EM_SETSEL, 7, 7);
    SendMessageW(edit, WM_CHAR, L'/', 0);
    EXPECT_EQ(test::TextOf(Ctl(kCboAddress)), L"http://");

    // Events reach the window: the status bar and the address box.
    bool cancel = false;
    events->BeforeNavigate2(u"http://a.example/", cancel);
    EXPECT_EQ(W(web->StatusText()), L"正在准备打开 http://a.example/");
    events->ProgressChange(3, 8);
    EXPECT_EQ(W(web->StatusText()), L"正在打开 37.5%");
    events->ProgressChange(5, 0);
    EXPECT_EQ(W(web->StatusText()), L"正在打开 37.5%");

    // 添加当前页 on about:blank: the main window's address box and its scheme message.
    browser->location = u"about:blank";
    Click(kWebCommand7);
    EXPECT_EQ(W(main->Address()), L"about:blank");
    EXPECT_EQ(test::TextOf(main->Control(kLblResult)), L"没有找到相应的方案,如果进行分析,会强制分析。");
    EXPECT_TRUE(IsWindow(web->Hwnd()));  // the web window stays open
}

// Choosing the entry of the address box's list goes to that entry, not to the text the edit line
// held before: by the arrow key in the edit line, and by a click in the dropped-down list.
TEST_F(WebWindowTest, ChoosingTheAddressListsEntryGoesThere) {
    Open();
    HWND combo = Ctl(kCboAddress);
    ASSERT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 1);
    wchar_t entry[256] = {};
    SendMessageW(combo, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(entry));
    ASSERT_EQ(std::wstring(entry).rfind(L"http", 0), 0u) << entry;
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    ASSERT_TRUE(GetComboBoxInfo(combo, &info));
    const std::pair<const char*, std::function<void()>> ways[] = {
        {"arrow key", [&] { SendMessageW(info.hwndItem, WM_KEYDOWN, VK_DOWN, 0); }},
        {"click in the list",
         [&] {
             SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
             RECT item{};
             SendMessageW(info.hwndList, LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
             const LPARAM at = MAKELPARAM(item.left + 4, (item.top + item.bottom) / 2);
             SendMessageW(info.hwndList, WM_LBUTTONDOWN, MK_LBUTTON, at);
             SendMessageW(info.hwndList, WM_LBUTTONUP, 0, at);
         }},
    };
    for (const auto& [what, choose] : ways) {
        SCOPED_TRACE(what);
        SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        SetWindowTextW(combo, L"kb.example.net/typed");
        browser->calls.clear();
        choose();
        ASSERT_TRUE(PumpUntil([&] { return !browser->calls.empty(); }));
        EXPECT_EQ(W(browser->calls.front()), L"Navigate " + std::wstring(entry));
        EXPECT_EQ(browser->calls.size(), 1u);
        EXPECT_EQ(test::TextOf(combo), entry);
        SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
    }
}

TEST_F(WebWindowTest, MissingRuleFileGivesAnEmptyList) {
    Open(false);
    EXPECT_EQ(Header(), L"网站(0)");
    EXPECT_EQ(ListView_GetItemCount(Ctl(kListView2)), 0);
    // Closed and opened again: a new window.
    SendMessageW(web->Hwnd(), WM_CLOSE, 0, 0);
    EXPECT_EQ(WebOf(*main)->Hwnd(), nullptr);
    SendMessageW(main->Hwnd(), WM_COMMAND, MAKEWPARAM(kCommand3, BN_CLICKED),
                 reinterpret_cast<LPARAM>(main->Control(kCommand3)));
    ASSERT_NE(WebOf(*main)->Hwnd(), nullptr);
}

// A web window the main window holds, counted when it goes.
class CountedWindow final : public OwnedWindow {
public:
    CountedWindow(std::unique_ptr<OwnedWindow> window, int& gone) : m_window(std::move(window)), m_gone(gone) {}
    ~CountedWindow() override { ++m_gone; }
    HWND Hwnd() const noexcept override { return m_window->Hwnd(); }
    void Show() override { m_window->Show(); }
    bool HandlerRunning() const noexcept override { return m_window->HandlerRunning(); }
    WebWindow* Web() const { return dynamic_cast<WebWindow*>(m_window.get()); }

private:
    std::unique_ptr<OwnedWindow> m_window;
    int& m_gone;
};

// 添加当前页 hands the page over and the main window's status line pumps; meanwhile the web window
// is closed and Web pressed. The old window, whose button's mouse-up handler is still on the stack,
// goes only once that handler has returned.
TEST_F(WebWindowTest, ReplacedWhileItsButtonHandsOver) {
    MainWindowOptions options = test::TestOptions(data, "ferrikwebswap");
    int gone = 0;
    int handOvers = 0;
    bool goneDuringHandOver = false;
    const WebWindowMaker make =
        WebWindowFactory([](HWND, const RECT&, BrowserEvents&) { return std::make_unique<FakeBrowser>(); });
    options.makeWeb = [&](HWND owner, WebWindowPorts ports) -> std::unique_ptr<OwnedWindow> {
        ports.handOver = [&, handOver = ports.handOver](TextView address) {
            // Only what is on this stack is used once the hand-over returns: today the lambda
            // itself goes with the window.
            const auto call = handOver;
            int* counter = &gone;
            bool* during = &goneDuringHandOver;
            int* calls = &handOvers;
            const int before = *counter;
            call(address);
            ++*calls;
            if (*counter != before) *during = true;
        };
        return std::make_unique<CountedWindow>(make(owner, std::move(ports)), gone);
    };
    main = std::make_unique<MainWindow>(std::move(options));
    ASSERT_TRUE(main->Create());
    main->Show(SW_SHOWNORMAL);
    main->ShowWeb();
    auto* first = dynamic_cast<CountedWindow*>(main->Web());
    ASSERT_NE(first, nullptr);
    WebWindow* old = first->Web();
    HWND button = old->Control(kWebCommand7);
    RECT rc{};
    GetClientRect(button, &rc);
    const LPARAM at = MAKELPARAM(rc.right / 2, rc.bottom / 2);
    PostMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(button, WM_LBUTTONUP, 0, at);
    PostMessageW(old->Hwnd(), WM_CLOSE, 0, 0);
    PostMessageW(main->Hwnd(), WM_COMMAND, MAKEWPARAM(kCommand3, BN_CLICKED),
                 reinterpret_cast<LPARAM>(main->Control(kCommand3)));
    EXPECT_TRUE(PumpUntil([&] { return handOvers == 1 && gone == 1; }, 5000));
    EXPECT_FALSE(goneDuringHandOver);
    EXPECT_EQ(gone, 1);
    EXPECT_EQ(W(main->Address()), L"about:blank");  // the page the fake browser shows
    ASSERT_NE(main->Web(), nullptr);
    EXPECT_NE(main->Web(), first);
    EXPECT_TRUE(IsWindowVisible(main->Web()->Hwnd()));
    main.reset();
    EXPECT_EQ(gone, 2);
}

// The Web button while the browser is chosen (which pumps messages): a second click builds and
// shows nothing; the main window closed meanwhile leaves no web window shown.
TEST_F(WebWindowTest, WebButtonWhileTheBrowserIsChosen) {
    for (const bool closeMeanwhile : {false, true}) {
        SCOPED_TRACE(closeMeanwhile ? "closed meanwhile" : "clicked again");
        MainWindowOptions options = test::TestOptions(data, "ferrikwebre");
        int made = 0;
        bool shownMeanwhile = false;
        auto clickWeb = [&] {
            SendMessageW(main->Hwnd(), WM_COMMAND, MAKEWPARAM(kCommand3, BN_CLICKED),
                         reinterpret_cast<LPARAM>(main->Control(kCommand3)));
        };
        options.makeWeb = WebWindowFactory([&](HWND parent, const RECT&, BrowserEvents&) {
            ++made;
            clickWeb();
            shownMeanwhile = IsWindowVisible(parent);
            if (closeMeanwhile) SendMessageW(main->Hwnd(), WM_CLOSE, 0, 0);
            return std::make_unique<FakeBrowser>();
        });
        main = std::make_unique<MainWindow>(std::move(options));
        ASSERT_TRUE(main->Create());
        main->Show(SW_SHOWNORMAL);
        HWND mainHwnd = main->Hwnd();
        clickWeb();
        EXPECT_EQ(made, 1);
        EXPECT_FALSE(shownMeanwhile);
        const bool webShown = main->Web() && main->Web()->Hwnd() && IsWindowVisible(main->Web()->Hwnd());
        EXPECT_EQ(webShown, !closeMeanwhile);
        if (closeMeanwhile) {
            PumpUntil([&] { return !IsWindow(mainHwnd); }, 2000);
            EXPECT_FALSE(IsWindow(mainHwnd));
        }
        main.reset();
    }
}

// Records what the system's control raises.
class RecordingEvents final : public BrowserEvents {
public:
    void BeforeNavigate2(TextView url, bool&) override { log.push_back(u"BeforeNavigate2 " + Text(url)); }
    void NavigateError(TextView url, std::int32_t code, bool&) override {
        log.push_back(u"NavigateError " + Text(url) + u" " + ToText(code));
    }
    void DocumentComplete(TextView url) override { log.push_back(u"DocumentComplete " + Text(url)); }
    std::vector<Text> log;
};

TEST(SystemBrowser, CreatedActivatedAndWiredUnderWhatTheSystemAllows) {
    test::HttpTestServer server;
    server.Serve("/a.html", test::Page("<html><body><input type=text></body></html>"));
    HWND form = CreateWindowExW(0, L"Static", L"form", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 640, 480, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(form, nullptr);
    RecordingEvents events;
    HRESULT hr = S_OK;
    auto browser = SystemBrowser::Create(form, RECT{10, 20, 410, 320}, events, &hr);
    ASSERT_NE(browser, nullptr) << std::hex << hr;
    // In place: the host window is a visible child of the form at the bounds, the control's
    // window inside it.
    HWND host = browser->HostWindow();
    EXPECT_EQ(GetParent(host), form);
    EXPECT_TRUE(GetWindowLongW(host, GWL_STYLE) & WS_VISIBLE);
    EXPECT_EQ(PlaceOf(host).left, 10);
    EXPECT_EQ(PlaceOf(host).bottom, 320);
    EXPECT_NE(GetWindow(host, GW_CHILD), nullptr);
    // Key messages inside the control go to its accelerator handling; others are left alone.
    MSG key{GetWindow(host, GW_CHILD), WM_KEYDOWN, VK_SHIFT, 0, 0, {}};
    SystemBrowser::TranslateKey(key);
    MSG outside{form, WM_KEYDOWN, VK_TAB, 0, 0, {}};
    EXPECT_FALSE(SystemBrowser::TranslateKey(outside));
    browser->SetBounds(5, 5, 200, 100);
    EXPECT_EQ(PlaceOf(host).right, 205);
    browser->SetSilent(true);

    // The sink is connected: the navigation's first event arrives with the address.
    const Text url = server.Url("/a.html");
    ASSERT_TRUE(browser->Navigate(url));
    EXPECT_TRUE(PumpUntil([&] { return !events.log.empty(); }, 5000));
    ASSERT_FALSE(events.log.empty());
    EXPECT_EQ(events.log[0], u"BeforeNavigate2 " + url);

    // Where the control completes documents (Windows, the stand-in of the test prefix), the window's
    // navigator fills its inputs; where it cannot (Wine's own control), the factory says so and
    // picks the other browser.
    const bool loads = PumpUntil([&] { return events.log.back().starts_with(u"DocumentComplete"); }, 3000);
    EXPECT_EQ(SystemBrowserUsable(form, 3000), loads);
    BrowserKind chosen{};
    RecordingEvents other;
    EXPECT_NE(CreateBrowser(form, RECT{0, 0, 100, 100}, other, &chosen), nullptr);
    EXPECT_EQ(chosen, loads ? BrowserKind::System : BrowserKind::Own);
    if (loads) {
        BrowserDocument* document = browser->Document();
        ASSERT_NE(document, nullptr);
        EXPECT_GT(document->ElementCount(), 0u);
    }
    browser.reset();
    DestroyWindow(form);

    // The web window on the system's control: the load's navigation reaches its status bar and
    // address box through the sink.
    WebWindow web(WebWindowPorts(), [](HWND parent, const RECT& bounds, BrowserEvents& raised) {
        return CreateSystemBrowser(parent, bounds, raised);
    });
    ASSERT_TRUE(web.Create(nullptr));
    ASSERT_NE(dynamic_cast<SystemBrowser*>(web.CurrentBrowser()), nullptr);
    EXPECT_TRUE(PumpUntil([&] { return test::TextOf(web.Control(kCboAddress)) == L"about:blank"; }, 5000));
    std::vector<std::wstring> statuses;
    SetWindowSubclass(
        web.Control(kStatusBar1),
        [](HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) CALLBACK -> LRESULT {
            if (msg == SB_SETTEXTW)
                reinterpret_cast<std::vector<std::wstring>*>(data)->push_back(reinterpret_cast<const wchar_t*>(lParam));
            return DefSubclassProc(hwnd, msg, wParam, lParam);
        },
        1, reinterpret_cast<DWORD_PTR>(&statuses));
    SetWindowTextW(web.Control(kCboAddress), W(url).c_str());
    SendMessageW(web.Hwnd(), WM_COMMAND, MAKEWPARAM(kWebCommand1, BN_CLICKED),
                 reinterpret_cast<LPARAM>(web.Control(kWebCommand1)));
    EXPECT_TRUE(PumpUntil([&] { return !statuses.empty(); }, 5000));
    ASSERT_FALSE(statuses.empty());
    EXPECT_EQ(statuses[0], L"正在准备打开 " + W(url));
}

// A whole run on the loopback film site: a site of the list, a link, a pop-up link, back and
// forward, a page that cannot be reached, the hand-off and 智能分析 in the main window. The own
// browser is clicked where it draws its links; the system's control (the stand-in in the test
// prefix) through the stand-in's hooks, and its log shows what the window wrote into the pages.
void BrowseFromTheSiteListToTheTaskList(bool system) {
    StopFlag = 0;
    test::HttpTestServer server;
    const std::wstring q1 = L"qvod://1000|0123456789ABCDEF0123456789ABCDEF01234501|天龙八部01.rmvb|";
    const std::wstring q2 = L"qvod://1000|0123456789ABCDEF0123456789ABCDEF01234502|天龙八部02.rmvb|";
    auto page = [](const std::wstring& title, const std::wstring& body) {
        return test::Page(test::Gbk(L"<html><head><meta charset=\"gb2312\"><title>" + title + L"</title></head><body>" +
                                    body + L"</body></html>"));
    };
    server.Serve("/site/", page(L"演示站",
                                L"<p><a href=\"/site/list.html\">天龙八部</a></p>"
                                L"<p>搜索：<input type=\"text\" name=\"q\"><input type=\"password\"></p>"));
    server.Serve("/site/list.html", page(L"天龙八部", L"<p>" + q1 + L"</p><p>" + q2 +
                                                          L"</p><p><a href=\"/site/pop.html\" "
                                                          L"target=\"_blank\">新窗口</a></p>"));
    server.Serve("/site/pop.html", page(L"弹出", L"<p>弹出页</p>"));
    test::DataDirectory data;
    const std::wstring port = std::to_wstring(server.Port());
    const std::wstring site = L"127.0.0.1:" + port + L"/site/";
    data.Write(L"Rule.dat", site + L"|direct|演示站\r\n");
    data.Write(L"RunFilter.dat", L"[direct]\r\nFilterStr=*\r\nEnId=0\r\nUnescape=0\r\n");
    data.Write(L"Setting.ini", L"[Setting]\r\nUnSkin=0\r\n");

    MainWindowOptions options = test::TestOptions(data, "ferrikbrowse");
    options.makeWeb = WebWindowFactory(system ? nullptr : test::OwnBrowserMaker());
    MainWindow main(std::move(options));
    ASSERT_TRUE(main.Create());
    main.Show(SW_SHOWNORMAL);
    SendMessageW(main.Hwnd(), WM_COMMAND, MAKEWPARAM(kCommand3, BN_CLICKED),
                 reinterpret_cast<LPARAM>(main.Control(kCommand3)));
    WebWindow* web = WebOf(main);
    ASSERT_NE(web, nullptr);
    auto* own = dynamic_cast<OwnBrowser*>(web->CurrentBrowser());
    test::BrowserSim sim;
    if (system) {
        ASSERT_NE(dynamic_cast<SystemBrowser*>(web->CurrentBrowser()), nullptr)
            << "the own browser was chosen: is the browser stand-in registered in the prefix?";
        if (!sim.Loaded()) GTEST_SKIP() << "the system's real WebBrowser control is in use, not the stand-in";
    } else {
        ASSERT_NE(own, nullptr);
    }
    HWND address = web->Control(kCboAddress);
    ASSERT_TRUE(PumpUntil(
        [&] { return test::TextOf(address) == L"about:blank" && W(web->StatusText()) == L"打开网页完毕。"; }));
    sim.ClearLog();

    // Waits for a page: the status bar's last text and the address box.
    auto loaded = [&](const std::wstring& url) {
        return PumpUntil([&] { return W(web->StatusText()) == L"打开网页完毕。" && test::TextOf(address) == url; });
    };
    auto clickLink = [&](std::size_t index) {
        web->SetStatusText(u"");
        if (!own) {
            EXPECT_TRUE(sim.ClickLink(static_cast<int>(index)));
            return;
        }
        for (const LayoutBox& box : own->Layout().boxes) {
            if (box.link != index) continue;
            const LPARAM at = MAKELPARAM(box.x + box.width / 2, box.y + box.height / 2 - own->ScrollTop());
            SendMessageW(own->Hwnd(), WM_MOUSEMOVE, 0, at);
            SendMessageW(own->Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, at);
            SendMessageW(own->Hwnd(), WM_LBUTTONUP, 0, at);
            return;
        }
        ADD_FAILURE() << "no link " << index;
    };
    auto button = [&](int id) {
        web->SetStatusText(u"");
        SendMessageW(web->Hwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(web->Control(id)));
    };
    const std::wstring home = W(server.Url("/site/"));
    const std::wstring list = W(server.Url("/site/list.html"));
    const std::wstring pop = W(server.Url("/site/pop.html"));

    // The site of the list, with a keyword in the search box filling the page's text input.
    SetWindowTextW(web->Control(kCmbSearch), L"天龙八部");
    RECT item{};
    ListView_GetItemRect(web->Control(kListView2), 0, &item, LVIR_LABEL);
    const LPARAM at = MAKELPARAM(item.left + 4, (item.top + item.bottom) / 2);
    SendMessageW(web->Control(kListView2), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(web->Control(kListView2), WM_LBUTTONUP, 0, at);
    ASSERT_TRUE(loaded(home));
    EXPECT_EQ(test::TextOf(web->Hwnd()), L"演示站");
    BrowserDocument* document = web->CurrentBrowser()->Document();
    ASSERT_NE(document, nullptr);
    std::vector<Text> values;
    for (std::size_t i = 0; i < document->ElementCount(); ++i)
        if (document->TagName(i) == std::optional<Text>(u"INPUT")) values.push_back(document->Value(i).value_or(u"?"));
    EXPECT_EQ(values, (std::vector<Text>{u"天龙八部", u""}));

    // A link; then a link that asks for a new window opens in place.
    clickLink(0);
    ASSERT_TRUE(loaded(list));
    EXPECT_EQ(test::TextOf(web->Hwnd()), L"天龙八部");
    clickLink(0);
    ASSERT_TRUE(loaded(pop));

    // Back and forward.
    button(kWebCommand5);
    ASSERT_TRUE(loaded(list));
    button(kWebCommand6);
    ASSERT_TRUE(loaded(pop));
    button(kWebCommand5);
    ASSERT_TRUE(loaded(list));

    // A page that cannot be reached: the failure sentence in the page, "打开网页完毕。" below.
    web->SetStatusText(u"");
    SetWindowTextW(address, L"http://127.0.0.1:1/");
    button(kWebCommand1);
    ASSERT_TRUE(PumpUntil([&] { return W(web->StatusText()) == L"打开网页完毕。"; }, 30000));
    if (own) {
        Text shown;
        for (const LayoutBox& box : own->Layout().boxes) shown += box.text;
        EXPECT_NE(shown.find(u"打开网页失败。您可能没有联网或者远程网址已经失效。"), Text::npos) << ToUtf8(shown);
    }

    // Back to the list, handed to the main window, analysed there.
    button(kWebCommand5);
    ASSERT_TRUE(loaded(list));
    button(kWebCommand7);
    EXPECT_EQ(W(main.Address()), list);
    EXPECT_EQ(test::TextOf(main.Control(kLblResult)), L"已经为您准备好相应的方案。您可以进行分析了。");
    main.RunCommand(MenuCommand::SmartAnalyse);
    EXPECT_EQ(test::TextOf(main.Control(kLblResult)), L"分析完毕");
    ASSERT_EQ(main.Tasks().Count(), 2u);
    EXPECT_EQ(W(main.Tasks().At(0).address), q1);
    EXPECT_EQ(W(main.Tasks().At(1).address), q2);
    if (!system) return;

    // What the window did to the control and its pages: the keyword into the text field when the
    // download and again when the document completed, the pop-up refused and opened here, the
    // failure sentence over the error page.
    const std::vector<std::wstring> expected = {
        L"Navigate http://" + site,
        L"put value INPUT text 天龙八部",
        L"put value INPUT text 天龙八部",
        L"event NewWindow2",
        L"Navigate " + pop,
        L"cancelled",
        L"GoBack",
        L"GoForward",
        L"GoBack",
        L"Navigate http://127.0.0.1:1/",
        L"pasteHTML 打开网页失败。您可能没有联网或者远程网址已经失效。",
        L"GoBack",
    };
    EXPECT_EQ(sim.Log({L"Navigate", L"Go", L"put ", L"pasteHTML", L"event NewWindow2", L"cancelled"}), expected);
    // Closed, the window leaves nothing of the control alive: control, sink, documents, elements, ranges.
    SendMessageW(web->Hwnd(), WM_CLOSE, 0, 0);
    EXPECT_EQ(sim.LiveObjects(), 0);
}

TEST(WebBrowsing, OwnBrowserFromTheSiteListToTheTaskList) {
    BrowseFromTheSiteListToTheTaskList(false);
}

TEST(WebBrowsing, SystemBrowserFromTheSiteListToTheTaskList) {
    BrowseFromTheSiteListToTheTaskList(true);
}

// A page with a frame whose host cannot be reached and a frame that navigates later on: the window
// shows the page as it is and follows the top level only.
TEST(WebBrowsing, SystemBrowserFollowsTheTopLevelNotItsFrames) {
    test::HttpTestServer server;
    server.Serve("/top.html", test::Page("<html><head><title>top</title></head><body><input type=text>"
                                         "<iframe src=\"http://127.0.0.1:1/ad.html\"></iframe>"
                                         "<iframe name=side src=\"/side.html\"></iframe></body></html>"));
    server.Serve("/side.html", test::Page("<html><body>side</body></html>"));
    server.Serve("/next.html", test::Page("<html><body>next</body></html>"));
    WebWindow web{WebWindowPorts()};
    ASSERT_TRUE(web.Create(nullptr));
    test::BrowserSim sim;
    if (!sim.Loaded()) GTEST_SKIP() << "the browser stand-in is not the system's control here";
    const std::wstring top = W(server.Url("/top.html"));
    auto status = [&] { return W(web.StatusText()); };
    ASSERT_TRUE(PumpUntil([&] { return status() == L"打开网页完毕。"; }));
    sim.ClearLog();
    SetWindowTextW(web.Control(kCmbSearch), L"功夫");
    web.Navigator().GoTo(server.Url("/top.html"));
    ASSERT_TRUE(
        PumpUntil([&] { return status() == L"打开网页完毕。" && test::TextOf(web.Control(kCboAddress)) == top; }));
    // Both frames have loaded (or failed) before the page completed.
    EXPECT_EQ(sim.Log({L"event NavigateError frame", L"event DocumentComplete"}),
              (std::vector<std::wstring>{L"event NavigateError frame http://127.0.0.1:1/ad.html -2146697211",
                                         L"event DocumentComplete frame http://127.0.0.1:1/ad.html",
                                         L"event DocumentComplete frame " + W(server.Url("/side.html")),
                                         L"event DocumentComplete top " + top}));
    EXPECT_EQ(test::TextOf(web.Hwnd()), L"top");
    // A frame that navigates later on changes neither the address box nor the status bar.
    web.SetStatusText(u"");
    const std::wstring next = W(server.Url("/next.html"));
    ASSERT_TRUE(sim.NavigateFrame(1, next));
    ASSERT_TRUE(PumpUntil([&] { return !sim.Log({(L"event DocumentComplete frame " + next).c_str()}).empty(); }));
    ASSERT_TRUE(test::PumpPosted());
    EXPECT_EQ(test::TextOf(web.Control(kCboAddress)), top);
    EXPECT_EQ(status(), L"");
    EXPECT_EQ(sim.Log({L"pasteHTML"}), std::vector<std::wstring>{});
    // The keyword went into the page's field when its download and its document completed, never for a frame.
    EXPECT_EQ(sim.Log({L"put value"}).size(), 2u);
    DestroyWindow(web.Hwnd());
    EXPECT_EQ(sim.LiveObjects(), 0);
}

// Ferrik lets go of a page's document and its elements once the next navigation starts, though it
// reads no more of the page after that.
TEST(WebBrowsing, SystemBrowserLetsThePreviousDocumentGo) {
    test::HttpTestServer server;
    server.Serve("/a.html", test::Page("<html><body><input type=text></body></html>"));
    server.Serve("/b.html", test::Page("<html><body>b</body></html>"));
    WebWindow web{WebWindowPorts()};
    ASSERT_TRUE(web.Create(nullptr));
    test::BrowserSim sim;
    if (!sim.Loaded()) GTEST_SKIP() << "the browser stand-in is not the system's control here";
    auto loaded = [&](const char* path) {
        return PumpUntil([&] {
            return W(web.StatusText()) == L"打开网页完毕。" &&
                   test::TextOf(web.Control(kCboAddress)) == W(server.Url(path));
        });
    };
    SetWindowTextW(web.Control(kCmbSearch), L"功夫");  // the keyword makes Ferrik read the page
    web.Navigator().GoTo(server.Url("/a.html"));
    ASSERT_TRUE(loaded("/a.html"));
    SetWindowTextW(web.Control(kCmbSearch), L"");
    web.Navigator().GoTo(server.Url("/b.html"));
    ASSERT_TRUE(loaded("/b.html"));
    EXPECT_EQ(sim.LiveDocuments(), 1);  // b's, held by the control
    DestroyWindow(web.Hwnd());
}

// The web window as the control's frame: a flat page at the display's scale, the control told of
// the window's activation, and the window disabled by the control's dialog while it is shown, the
// program's other windows by the container; the window's close waits for the dialog, and the
// window is enabled again and active before the dialog is destroyed.
TEST(WebBrowsing, SystemBrowserFrameActivationAndModalState) {
    WebWindow web{WebWindowPorts()};
    ASSERT_TRUE(web.Create(nullptr));
    test::BrowserSim sim;
    if (!sim.Loaded()) GTEST_SKIP() << "the browser stand-in is not the system's control here";
    // No 3D borders (0x4, 0x200000), aware of the DPI (0x40000000).
    EXPECT_EQ(sim.Log({L"GetHostInfo"}), std::vector<std::wstring>{L"GetHostInfo 40200004"});
    web.Show();
    HWND other = CreateWindowExW(0, L"Static", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    SetActiveWindow(web.Hwnd());
    ASSERT_TRUE(test::PumpPosted());
    sim.ClearLog();
    SetActiveWindow(other);
    SetActiveWindow(web.Hwnd());
    EXPECT_EQ(sim.Log({L"OnFrameWindowActivate", L"OnDocWindowActivate"}),
              (std::vector<std::wstring>{L"OnFrameWindowActivate 0", L"OnDocWindowActivate 0",
                                         L"OnFrameWindowActivate 1", L"OnDocWindowActivate 1"}));

    HWND hwnd = web.Hwnd();
    ASSERT_TRUE(sim.ShowModal(true));
    EXPECT_FALSE(IsWindowEnabled(hwnd));
    EXPECT_FALSE(IsWindowEnabled(other));
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
    ASSERT_TRUE(test::PumpPosted());
    EXPECT_TRUE(IsWindow(hwnd));  // the control's dialog still stands on it
    ASSERT_TRUE(sim.ShowModal(false));
    EXPECT_EQ(sim.Log({L"dialog"}), std::vector<std::wstring>{L"dialog destroyed, owner enabled 1"});
    EXPECT_EQ(GetActiveWindow(), hwnd);
    EXPECT_TRUE(IsWindowEnabled(other));
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(hwnd); }, 2000));
    EXPECT_EQ(sim.LiveObjects(), 0);
    DestroyWindow(other);
}

// Pages at the window's scale: the control's optical zoom (OLECMDID_OPTICAL_ZOOM 63, without asking
// the user: 2), dpi x 100 / 96 percent, after each move to a monitor of another scale and each page.
TEST(WebBrowsing, SystemBrowserZoomsPagesToTheWindowsScale) {
    test::HttpTestServer server;
    server.Serve("/a.html", test::Page("<html><body>a</body></html>"));
    WebWindow web{WebWindowPorts()};
    ASSERT_TRUE(web.Create(nullptr));
    test::BrowserSim sim;
    if (!sim.Loaded()) GTEST_SKIP() << "the browser stand-in is not the system's control here";
    const std::wstring page = W(server.Url("/a.html"));
    ASSERT_TRUE(PumpUntil([&] { return W(web.StatusText()) == L"打开网页完毕。"; }));
    for (const auto& [dpi, zoom] :
         {std::pair{144, L"ExecWB 63 2 150"}, std::pair{192, L"ExecWB 63 2 200"}, std::pair{96, L"ExecWB 63 2 100"}}) {
        SCOPED_TRACE(dpi);
        sim.ClearLog();
        RECT rc{};
        GetWindowRect(web.Hwnd(), &rc);
        SendMessageW(web.Hwnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&rc));
        EXPECT_EQ(sim.Log({L"ExecWB"}), std::vector<std::wstring>{zoom});  // the page shown
        sim.ClearLog();
        web.SetStatusText(u"");
        web.Navigator().GoTo(server.Url("/a.html"));
        ASSERT_TRUE(PumpUntil([&] { return W(web.StatusText()) == L"打开网页完毕。"; }));
        EXPECT_EQ(sim.Log({L"ExecWB", L"event DocumentComplete top"}),
                  (std::vector<std::wstring>{L"event DocumentComplete top " + page, zoom}));
    }
    DestroyWindow(web.Hwnd());
}

}  // namespace
}  // namespace ferrik
