// The pictures of docs/screenshots, written by scripts/screenshots (not a test): the main window
// idle, with a list filled by a real analysis, busy in a download, and unskinned; the filled list
// and the web window at 144 DPI; the web window's site list, a film page and the failure page; the
// prompt of 按名称选择..., the list menu with 导出列表... and 导入列表.... Each case checks only that its picture shows what it is meant to.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <utility>

#include "app/choose_by_name.h"
#include "app/list_file.h"
#include "app/main_window_win.h"
#include "common/stop_flag.h"
#include "program/web_window_factory_win.h"
#include "web/browser_factory_win.h"
#include "web/own_browser_win.h"
#include "web/web_window_win.h"
#include "win/support/dpi_support.h"
#include "win/support/http_server.h"
#include "win/support/player_support.h"
#include "win/support/main_options.h"
#include "win/support/ui_driver.h"

namespace ferrik {
namespace {

using test::PumpUntil;

std::wstring W(TextView text) {
    return std::wstring(text.begin(), text.end());
}

WebWindow* WebOf(const MainWindow& main) {
    return dynamic_cast<WebWindow*>(main.Web());
}

// A film page of eight episodes on `server`, and a Rule.dat and RunFilter.dat that know it.
void ServeFilmSite(test::HttpTestServer& server, test::DataDirectory& data) {
    std::wstring page = L"<html><head><meta charset=\"gb2312\"><title>天龙八部</title></head><body>";
    for (int i = 1; i <= 8; ++i) {
        const std::wstring n = (i < 10 ? L"0" : L"") + std::to_wstring(i);
        page += L"<p><a href=\"qvod://2147" + n + L"3907|6F1D8A0E3B0C4B2A9D8E7F6A5B4C3D2E1F0A9B" + n + L"|天龙八部第" +
                n + L"集.rmvb|\">第" + n + L"集</a></p>";
    }
    server.Serve("/tlbb/", test::Page(test::Gbk(page + L"</body></html>")));
    data.Write(L"Rule.dat", L"127.0.0.1:" + std::to_wstring(server.Port()) + L"/tlbb/|tlbb|天龙八部\r\n");
    data.Write(L"RunFilter.dat", L"[tlbb]\r\nFilterStr=*\r\nEnId=0\r\nUnescape=0\r\n");
}

TEST(Screenshots, MainWindowIdleFilledAndBusy) {
    test::HttpTestServer server;
    test::DataDirectory data;
    ServeFilmSite(server, data);
    test::Journal journal;

    MainWindowOptions options = test::TestOptions(data, "ferrikshot");
    MainWindow window(std::move(options));
    ASSERT_TRUE(window.Create());
    HWND hwnd = window.Hwnd();
    test::ShowProgramIcon(hwnd);
    SetWindowPos(hwnd, HWND_TOP, 20, 20, 0, 0, SWP_NOSIZE);
    window.Show(SW_SHOWNORMAL);
    const std::wstring dir = test::ScreenshotDir();

    ASSERT_TRUE(test::PaintAndPump(hwnd));
    const test::Capture idle = test::CaptureWindow(hwnd);
    ASSERT_GT(idle.width, 0);
    EXPECT_GT(test::InkPixels(idle, hwnd, window.Control(kLabel1), 96), 30);  // the Chinese label was drawn
    EXPECT_GT(test::InkPixels(idle, hwnd, window.Control(kLblResult), 96), 30);
    EXPECT_TRUE(test::SavePng(idle, dir + L"\\main-idle.png"));

    const std::u16string address = server.Url("/tlbb/");
    window.SetAddress(address);
    window.RunCommand(MenuCommand::SmartAnalyse);
    ASSERT_EQ(window.Tasks().Count(), 8u);
    for (std::size_t row : {0, 1, 2, 4}) window.Tasks().SetChecked(row, true);
    ASSERT_TRUE(test::PaintAndPump(hwnd));
    const test::Capture filled = test::CaptureWindow(hwnd);
    EXPECT_GT(test::InkPixels(filled, hwnd, window.Control(kListView1), 96),
              test::InkPixels(idle, hwnd, window.Control(kListView1), 96) + 1000);
    EXPECT_TRUE(test::SavePng(filled, dir + L"\\main-list.png"));

    // Busy: a download under way, the second checked row waiting for the player.
    test::MessageBoxWatcher boxes;
    bool captured = false;
    const auto waiting = [&] {
        return window.Tasks().At(0).status == u"成功" && window.Tasks().At(1).status == u"正在连接";
    };
    test::RunWhen(waiting, [&] {
        test::PaintAndPump(hwnd);
        EXPECT_TRUE(test::SavePng(test::CaptureWindow(hwnd), dir + L"\\main-busy.png"));
        captured = true;
    });
    window.SubmitTasks();
    EXPECT_TRUE(captured);
    EXPECT_EQ(boxes.Texts(),
              std::vector<std::wstring>{L"已完成任务，共成功4个,失败0个，请在qvod快播里点击全部接收,以完成后续下载。"});
}

// The plain Windows look that UnSkin=1 gives.
TEST(Screenshots, MainWindowUnskinned) {
    test::HttpTestServer server;
    test::DataDirectory data;
    ServeFilmSite(server, data);
    data.Write(L"Setting.ini", L"[Setting]\r\nUnSkin=1\r\n");
    MainWindowOptions options = test::TestOptions(data, "ferrikshot");
    MainWindow window(std::move(options));
    ASSERT_TRUE(window.Create());
    test::ShowProgramIcon(window.Hwnd());
    SetWindowPos(window.Hwnd(), HWND_TOP, 20, 20, 0, 0, SWP_NOSIZE);
    window.Show(SW_SHOWNORMAL);
    ASSERT_TRUE(test::PaintAndPump(window.Hwnd()));
    EXPECT_EQ(GetPropW(window.Hwnd(), L"PROCADDR"), nullptr);  // not skinned
    EXPECT_TRUE(
        test::SavePng(test::CaptureWindow(window.Hwnd()), test::ScreenshotDir() + L"\\main-idle-unskinned.png"));
}

// The filled main window and the web window's site list at 150 %, from a process of that system DPI.
TEST(Screenshots, At144Dpi) {
    if (test::ChildDpi() != 0) GTEST_SKIP() << "the child's own run";
    const test::ChildRun run = test::RunAtSystemDpi(144, L"ScreenshotsAtSystemDpi.*");
    if (run.output.find("[  SKIPPED ] 1 test") != std::string::npos) GTEST_SKIP() << run.output;
    EXPECT_EQ(run.exitCode, 0u) << run.output;
}

TEST(ScreenshotsAtSystemDpi, MainListAndWebSites) {
    if (test::ChildDpi() == 0) GTEST_SKIP() << "run by Screenshots.At144Dpi";
    test::BecomePerMonitorAware();
    if (ScreenDpi() != test::ChildDpi()) GTEST_SKIP() << "the system DPI stays " << ScreenDpi();
    StopFlag = 0;
    test::HttpTestServer server;
    test::DataDirectory data;
    ServeFilmSite(server, data);
    const std::wstring site = L"127.0.0.1:" + std::to_wstring(server.Port());
    data.Write(L"Rule.dat", site + L"/tlbb/|tlbb|电影天堂：天龙八部\r\n" + site + L"/sdxl/|sdxl|神雕侠侣\r\n" + site +
                                L"/xajh/|xajh|笑傲江湖\r\n");
    MainWindowOptions options = test::TestOptions(data, "ferrikshot");
    options.makeWeb = WebWindowFactory(test::OwnBrowserMaker());
    MainWindow window(std::move(options));
    ASSERT_TRUE(window.Create());
    test::ShowProgramIcon(window.Hwnd());
    SetWindowPos(window.Hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE);
    window.Show(SW_SHOWNORMAL);
    window.SetAddress(server.Url("/tlbb/"));
    window.RunCommand(MenuCommand::SmartAnalyse);
    ASSERT_EQ(window.Tasks().Count(), 8u);
    for (std::size_t row : {0, 1, 2, 4}) window.Tasks().SetChecked(row, true);
    ASSERT_TRUE(test::PaintAndPump(window.Hwnd()));
    const std::wstring dir = test::ScreenshotDir();
    EXPECT_TRUE(test::SavePng(test::CaptureWindow(window.Hwnd()), dir + L"\\main-list-144.png"));

    window.ShowWeb();
    auto* webWindow = dynamic_cast<WebWindow*>(window.Web());
    ASSERT_NE(webWindow, nullptr);
    HWND web = webWindow->Hwnd();
    SetWindowPos(web, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE);
    ASSERT_TRUE(test::PumpUntil([&] { return test::TextOf(webWindow->Control(kCboAddress)) == L"about:blank"; }));
    ASSERT_TRUE(test::PaintAndPump(web));
    EXPECT_TRUE(test::SavePng(test::CaptureWindow(web), dir + L"\\web-sites-144.png"));
}

// The web window for the documentation: the site list, a film page, the failure page.
TEST(Screenshots, WebWindowSitesPageAndFailure) {
    StopFlag = 0;
    test::HttpTestServer server;
    std::wstring body =
        L"<h1>天龙八部 全集</h1><p>导演：周晓文　主演：胡军 林志颖 刘亦菲</p>"
        L"<p>剧情：北宋年间，大理世子段誉、丐帮帮主乔峰与少林弟子虚竹三人的江湖故事。</p>"
        L"<p>搜索：<input type=\"text\" name=\"q\"></p><ul>";
    for (int i = 1; i <= 8; ++i) {
        const std::wstring n = L"0" + std::to_wstring(i);
        body += L"<li><a href=\"/tlbb/" + n + L".html\">天龙八部 第" + n + L"集</a></li>";
    }
    server.Serve("/tlbb/", test::Page(test::Gbk(L"<html><head><meta charset=\"gb2312\"><title>天龙八部 - 电影天堂"
                                                L"</title></head><body>" +
                                                body + L"</ul></body></html>")));
    test::DataDirectory data;
    const std::wstring site = L"127.0.0.1:" + std::to_wstring(server.Port());
    data.Write(L"Rule.dat", site + L"/tlbb/|tlbb|电影天堂：天龙八部\r\n" + site + L"/sdxl/|sdxl|神雕侠侣\r\n" + site +
                                L"/xajh/|xajh|笑傲江湖\r\n");
    data.Write(L"RunFilter.dat", L"[tlbb]\r\nFilterStr=*\r\nEnId=0\r\nUnescape=0\r\n");
    data.Write(L"Setting.ini", L"[Setting]\r\nUnSkin=0\r\n");

    MainWindowOptions options = test::TestOptions(data, "ferrikwebshot");
    options.makeWeb = WebWindowFactory(test::OwnBrowserMaker());  // the browser Wine users see
    MainWindow main(std::move(options));
    ASSERT_TRUE(main.Create());
    test::ShowProgramIcon(main.Hwnd());
    main.Show(SW_SHOWNORMAL);
    main.ShowWeb();
    WebWindow* web = WebOf(main);
    ASSERT_NE(web, nullptr);
    HWND hwnd = web->Hwnd();
    SetWindowPos(hwnd, HWND_TOP, 20, 20, 0, 0, SWP_NOSIZE);
    HWND address = web->Control(kCboAddress);
    HWND view = web->CurrentBrowser() ? GetWindow(hwnd, GW_CHILD) : nullptr;
    for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        auto* own = dynamic_cast<OwnBrowser*>(web->CurrentBrowser());
        if (own && child == own->Hwnd()) view = child;
    }
    ASSERT_TRUE(PumpUntil([&] { return test::TextOf(address) == L"about:blank"; }));
    const std::wstring dir = test::ScreenshotDir();

    ASSERT_TRUE(test::PaintAndPump(hwnd));
    const test::Capture sites = test::CaptureWindow(hwnd);
    ASSERT_GT(sites.width, 0);
    EXPECT_GT(test::InkPixels(sites, hwnd, web->Control(kListView2), 128), 100);  // the site names
    EXPECT_TRUE(test::SavePng(sites, dir + L"\\web-sites.png"));

    web->Navigator().OpenSite(Text(site.begin(), site.end()) + u"/tlbb/");
    ASSERT_TRUE(PumpUntil([&] { return W(web->StatusText()) == L"打开网页完毕。"; }));
    SetWindowTextW(web->Control(kCmbSearch), L"天龙八部");
    web->Navigator().FillKeyword();
    ASSERT_TRUE(test::PaintAndPump(hwnd));
    const test::Capture page = test::CaptureWindow(hwnd);
    EXPECT_GT(test::InkPixels(page, hwnd, view, 128),
              test::InkPixels(sites, hwnd, view, 128) + 500);  // the page's text
    EXPECT_TRUE(test::SavePng(page, dir + L"\\web-page.png"));

    web->SetStatusText(u"");
    web->Navigator().OpenSite(u"http://127.0.0.1:1/");
    ASSERT_TRUE(PumpUntil([&] { return W(web->StatusText()) == L"打开网页完毕。"; }, 30000));
    ASSERT_TRUE(test::PaintAndPump(hwnd));
    EXPECT_TRUE(test::SavePng(test::CaptureWindow(hwnd), dir + L"\\web-failure.png"));
}

// The prompt of 按名称选择..., a mask typed in.
TEST(Screenshots, ChooseByNamePrompt) {
    test::DataDirectory data;
    data.Write(L"Setting.ini", L"[Setting]\r\nUnSkin=0\r\n");
    MainWindowOptions options = test::TestOptions(data, "ferrikmaskshot");
    MainWindow window(std::move(options));
    ASSERT_TRUE(window.Create());
    window.Show(SW_SHOWNORMAL);
    test::Capture capture;
    test::RunWhen([] { return FindWindowW(L"Form", L"按名称选择") != nullptr; }, [&] {
        HWND prompt = FindWindowW(L"Form", L"按名称选择");
        SetDlgItemTextW(prompt, kMaskCombo, L"*第0#集*.rmvb");
        test::PaintAndPump(prompt);
        capture = test::CaptureWindow(prompt);
        PostMessageW(prompt, WM_COMMAND, IDCANCEL, 0);
    });
    window.RunCommand(MenuCommand::ChooseByName);
    ASSERT_GT(capture.width, 0);
    EXPECT_TRUE(test::SavePng(capture, test::ScreenshotDir() + L"\\choose-by-name.png"));
}

// The list menu opened over an imported list, 导出列表... under the pointer.
TEST(Screenshots, ListMenuWithExportAndImport) {
    test::DataDirectory data;
    data.Write(L"Setting.ini", L"[Setting]\r\nUnSkin=0\r\n");
    MainWindowOptions options = test::TestOptions(data, "ferriklistshot");
    HWND owner = nullptr;
    options.trackPopup = [&](HMENU menu, POINT at) {
        return static_cast<UINT>(TrackPopupMenuEx(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD, at.x, at.y,
                                                  owner, nullptr));
    };
    MainWindow window(std::move(options));
    ASSERT_TRUE(window.Create());
    owner = window.Hwnd();
    test::ShowProgramIcon(owner);
    SetWindowPos(owner, HWND_TOP, 20, 20, 0, 0, SWP_NOSIZE);
    window.Show(SW_SHOWNORMAL);
    Text list;
    for (const Text n : {u"01", u"02", u"03", u"04", u"05", u"06", u"07", u"08"}) {
        list += u"qvod://2147" + n + u"3907|6F1D8A0E3B0C4B2A9D8E7F6A5B4C3D2E1F0A9B" + n + u"|天龙八部第" + n +
                u"集.rmvb|\r\n";
    }
    window.ImportListText(list);
    ASSERT_EQ(window.Tasks().Count(), 8u);
    // The entry drawn as the pointer over it draws it.
    MENUITEMINFOW hot{};
    hot.cbSize = sizeof(hot);
    hot.fMask = MIIM_STATE;
    hot.fState = MFS_HILITE;
    SetMenuItemInfoW(window.ListMenu(), static_cast<UINT>(MenuCommand::ExportList), FALSE, &hot);
    ASSERT_TRUE(test::PaintAndPump(owner));
    const auto menuShown = [] {
        HWND menu = FindWindowW(L"#32768", nullptr);
        return menu && IsWindowVisible(menu);
    };
    test::Capture capture;
    test::RunWhen(menuShown, [&] {
        test::PaintAndPump(FindWindowW(L"#32768", nullptr));
        capture = test::CaptureWindow(owner);
        EndMenu();
    });
    HWND listView = window.Control(kListView1);
    RECT row{};
    row.left = LVIR_BOUNDS;
    SendMessageW(listView, LVM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&row));
    SendMessageW(listView, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(row.left + 120, (row.top + row.bottom) / 2));
    ASSERT_GT(capture.width, 0);
    EXPECT_EQ(test::TextOf(window.Control(kLblResult)), L"已导入8项。");
    EXPECT_TRUE(test::SavePng(capture, test::ScreenshotDir() + L"\\list-menu.png"));
}

}  // namespace
}  // namespace ferrik
