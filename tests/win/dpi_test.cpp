// Every window of the program at 96, 120, 144 and 192 DPI, and windows that move to a monitor of
// another scale (WM_DPICHANGED): laid out again without being made anew.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "app/choose_by_name.h"
#include "app/main_window_win.h"
#include "app/mask_prompt_win.h"
#include "common/stop_flag.h"
#include "program/web_window_factory_win.h"
#include "web/own_browser_win.h"
#include "web/web_window_win.h"
#include "win/support/dpi_support.h"
#include "win/support/main_options.h"
#include "win/support/ui_driver.h"

namespace ferrik {
namespace {

struct Scale {
    int dpi;
    int glyph;        // the navigation pictures' side
    int promptWidth;  // the 按名称选择 prompt's client area: 5520 x 1980 twips
    int promptHeight;
};
constexpr Scale kScales[] = {{96, 24, 368, 132}, {120, 30, 460, 165}, {144, 36, 552, 198}, {192, 48, 736, 264}};

// Test names and messages show the scale's DPI.
void PrintTo(const Scale& scale, std::ostream* out) {
    *out << scale.dpi;
}

bool UnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

std::pair<int, int> ClientSize(HWND hwnd) {
    RECT rc{};
    GetClientRect(hwnd, &rc);
    return {rc.right, rc.bottom};
}

HWND TopLevelOfThread(const wchar_t* cls, const wchar_t* caption) {
    struct Search {
        const wchar_t* cls;
        const wchar_t* caption;
        HWND found;
    } search{cls, caption, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM param) CALLBACK -> BOOL {
            auto& s = *reinterpret_cast<Search*>(param);
            if (IsWindowVisible(hwnd) && test::ClassOf(hwnd) == s.cls &&
                (!s.caption || test::TextOf(hwnd) == s.caption))
                s.found = hwnd;
            return !s.found;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

MainWindowOptions Options(const test::DataDirectory& data) {
    MainWindowOptions options = test::TestOptions(data, "ferrikdpi");
    options.makeWeb = WebWindowFactory(test::OwnBrowserMaker());
    return options;
}

WebWindow* WebOf(const MainWindow& main) {
    return dynamic_cast<WebWindow*>(main.Web());
}

void WriteData(test::DataDirectory& data) {
    data.Write(L"Setting.ini", L"[Setting]\r\nUnSkin=0\r\n");
    data.Write(L"Rule.dat", L"dy.example.com|DianYing|电影天堂：天龙八部\r\ntv.example.org|JuJi|神雕侠侣\r\n");
}

void FillTasks(TaskList& tasks) {
    for (const char16_t* n : {u"01", u"02", u"03", u"04", u"05", u"06"}) {
        const Text name = Text(u"天龙八部第") + n + u"集.rmvb";
        tasks.AddTask(name, u"qvod://2147" + Text(n) + u"3907|6F1D8A0E3B0C|" + name + u"|", u"快播", u"", n);
    }
    tasks.SetChecked(0, true);
}

class DpiLayout : public testing::TestWithParam<Scale> {};

// Each scale runs in a process of its own whose system DPI it is (RunAtSystemDpi).
TEST_P(DpiLayout, EveryWindowWholeAtTheScale) {
    if (test::ChildDpi() != 0) GTEST_SKIP() << "the child's own run";
    const test::ChildRun run = test::RunAtSystemDpi(GetParam().dpi, L"DpiLayoutAtSystemDpi.*");
    if (run.output.find("[  SKIPPED ] 1 test") != std::string::npos) GTEST_SKIP() << run.output;
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_NE(run.output.find("[  PASSED  ] 1 test"), std::string::npos) << run.output;
}

INSTANTIATE_TEST_SUITE_P(FourScales, DpiLayout, testing::ValuesIn(kScales),
                         [](const testing::TestParamInfo<Scale>& scale) { return std::to_string(scale.param.dpi); });

// The child of DpiLayout: main, About and web windows and a message box of the program at the
// system DPI it was started with.
TEST(DpiLayoutAtSystemDpi, EveryWindow) {
    const int dpi = test::ChildDpi();
    if (dpi == 0) GTEST_SKIP() << "run by DpiLayout";
    test::BecomePerMonitorAware();
    if (ScreenDpi() != dpi) {
        // Windows reads LogPixels at logon only; Wine when a process starts.
        ASSERT_FALSE(UnderWine()) << "the system DPI is " << ScreenDpi() << ", not " << dpi;
        GTEST_SKIP() << "the system DPI stays " << ScreenDpi();
    }
    Scale scale{};
    for (const Scale& s : kScales)
        if (s.dpi == dpi) scale = s;
    const int glyph = scale.glyph;
    StopFlag = 0;
    test::DataDirectory data;
    WriteData(data);
    MainWindow main(Options(data));
    ASSERT_TRUE(main.Create());
    main.Show(SW_SHOWNORMAL);
    FillTasks(main.Tasks());
    main.RunCommand(MenuCommand::About);
    main.ShowWeb();
    ASSERT_NE(WebOf(main), nullptr);
    ASSERT_TRUE(test::PumpPosted());
    HWND about = TopLevelOfThread(L"Form", L"关于");
    ASSERT_NE(about, nullptr);
    for (HWND window : {main.Hwnd(), about, WebOf(main)->Hwnd()}) {
        SCOPED_TRACE(test::TextOf(window));
        const std::vector<std::string> faults = test::LayoutFaults(window);
        EXPECT_TRUE(faults.empty()) << Joined(faults);
    }
    // Pictures drawn for the scale: the navigation glyphs and the program's icons.
    for (int id : {kWebCommand5, kWebCommand6, kWebCommand2, kWebCommand3, kWebCommand4}) {
        const RECT picture = WebOf(main)->Button(id)->ContentRects().picture;
        EXPECT_EQ(picture.right - picture.left, glyph) << id;
        EXPECT_EQ(picture.bottom - picture.top, glyph) << id;
    }
    // ferrik.exe's icon has a picture of each size the scale asks for, not one stretched from another.
    HMODULE exe =
        LoadLibraryExW(test::HostPath(FERRIK_EXE_DIR "/ferrik.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(exe, nullptr);
    auto* icons =
        static_cast<BYTE*>(LockResource(LoadResource(exe, FindResourceW(exe, MAKEINTRESOURCEW(1), RT_GROUP_ICON))));
    ASSERT_NE(icons, nullptr);
    for (int metric : {SM_CXICON, SM_CXSMICON}) {
        const int size = GetSystemMetrics(metric);
        const int id = LookupIconIdFromDirectoryEx(icons, TRUE, size, size, LR_DEFAULTCOLOR);
        const auto* image = static_cast<const BITMAPINFOHEADER*>(
            LockResource(LoadResource(exe, FindResourceW(exe, MAKEINTRESOURCEW(id), RT_ICON))));
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->biWidth, size) << "icon metric " << metric;
    }
    FreeLibrary(exe);
    // The program's longest message.
    std::vector<std::string> boxFaults{"no message box"};
    test::RunWhen([] { return TopLevelOfThread(L"#32770", nullptr) != nullptr; }, [&] {
        HWND box = TopLevelOfThread(L"#32770", nullptr);
        if (box) boxFaults = test::LayoutFaults(box);
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    main.ShowMessage(u"已完成任务，共成功4个,失败0个，请在qvod快播里点击全部接收,以完成后续下载。",
                     MessageIcon::Information);
    EXPECT_TRUE(boxFaults.empty()) << Joined(boxFaults);
    // The 按名称选择 prompt over the main window, seen as its own loop starts.
    MaskPrompt prompt;
    bool seen = false;
    prompt.Ask(main.Hwnd(), {u"*.rmvb"}, [&] {
        seen = true;
        const std::vector<std::string> faults = test::LayoutFaults(prompt.Hwnd());
        EXPECT_TRUE(faults.empty()) << Joined(faults);
        EXPECT_EQ(ClientSize(prompt.Hwnd()), std::pair(scale.promptWidth, scale.promptHeight));
        return true;
    });
    EXPECT_TRUE(seen);
}

// ferrik.exe asks for per-monitor awareness (version 2) where Windows has it (10, 1703 and later)
// and for system awareness elsewhere: 1607 takes the first value of dpiAwareness it knows, earlier
// systems read dpiAware, where "true" is system-aware ("true/pm" would be per-monitor version 1).
TEST(DpiAwareness, ManifestAsksForPerMonitorV2ElseSystemAware) {
    HMODULE exe =
        LoadLibraryExW(test::HostPath(FERRIK_EXE_DIR "/ferrik.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HRSRC found = exe ? FindResourceW(exe, MAKEINTRESOURCEW(1), RT_MANIFEST) : nullptr;
    ASSERT_NE(found, nullptr);
    const std::string manifest(static_cast<const char*>(LockResource(LoadResource(exe, found))),
                               SizeofResource(exe, found));
    FreeLibrary(exe);
    EXPECT_NE(manifest.find(">true</dpiAware>"), std::string::npos) << manifest;
    EXPECT_NE(manifest.find(">PerMonitorV2, system</dpiAwareness>"), std::string::npos) << manifest;
}

// Where a control must be, in pixels of its parent's client area.
struct Place {
    int id;
    RECT at96;
    RECT at144;
};

RECT PlaceOf(HWND child) {
    RECT rc{};
    GetWindowRect(child, &rc);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

// Sends what Windows sends when the window reaches a monitor of `dpi`: the new DPI and the window
// rectangle for it.
void MoveToMonitorOf(HWND hwnd, int dpi, int oldDpi) {
    RECT rc{};
    GetWindowRect(hwnd, &rc);
    RECT suggested{rc.left, rc.top, rc.left + MulDiv(rc.right - rc.left, dpi, oldDpi),
                   rc.top + MulDiv(rc.bottom - rc.top, dpi, oldDpi)};
    SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    RECT now{};
    GetWindowRect(hwnd, &now);
    EXPECT_TRUE(EqualRect(&now, &suggested)) << "the window takes the suggested rectangle";
}

int FontPixels(HWND control) {
    LOGFONTW lf{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof(lf), &lf);
    return lf.lfHeight;
}

SIZE BitmapSize(HANDLE bitmap) {
    BITMAP info{};
    GetObjectW(bitmap, sizeof(info), &info);
    return SIZE{info.bmWidth, info.bmHeight};
}

// The main, web and About windows at 96 DPI moved to a monitor of 144 DPI and back: the same windows, their
// controls at their twips places at each DPI, the form font at 9 points, the skin's button faces
// and the image buttons' regions and pictures of the new size.
TEST(DpiChange, EachFormLaysOutAgainUnchanged) {
    if (ScreenDpi() != 96) GTEST_SKIP() << "written for a system DPI of 96";
    StopFlag = 0;
    test::DataDirectory data;
    WriteData(data);
    MainWindow main(Options(data));
    ASSERT_TRUE(main.Create());
    main.Show(SW_SHOWNORMAL);
    main.ShowWeb();
    main.RunCommand(MenuCommand::About);
    WebWindow* web = WebOf(main);
    ASSERT_NE(web, nullptr);
    ASSERT_TRUE(test::PumpPosted());
    const HWND mainHwnd = main.Hwnd(), webHwnd = web->Hwnd(), label = main.Control(kLabel1);
    const HWND about = TopLevelOfThread(L"Form", L"关于");
    ASSERT_NE(about, nullptr);
    const HWND back = web->Control(kWebCommand5);

    const Place mainPlaces[] = {
        {kCommand1, {640, 5, 689, 30}, {960, 8, 1034, 46}},   // 9600, 80, 735, 375
        {kCommand2, {696, 5, 745, 30}, {1044, 8, 1118, 46}},  // 10440, 80, 735, 375
        {kListView1, {8, 64, -1, -1}, {12, 96, -1, -1}},      // 120, 960: its size follows the window
    };
    const Place webPlaces[] = {
        {kWebCommand5, {8, 5, 49, 38}, {12, 8, 74, 57}},       // 120, 75, 615, 495
        {kWebCommand7, {248, 5, 337, 38}, {372, 8, 506, 57}},  // 3720, 75, 1335, 495
        {kPicAddress, {8, 38, -1, 86}, {12, 57, -1, 129}},     // 120, 570, 4500, 720
        {kListView2, {8, 88, 193, -1}, {12, 132, 290, -1}},    // 120, 1320, 2775
    };
    const Place aboutPlaces[] = {
        {kAboutCommand1, {184, 96, 265, 129}, {276, 144, 398, 194}},  // 2760, 1440, 1215, 495
    };
    struct Step {
        int dpi;
        int font;  // lfHeight of 9 points
        int glyph;
    };
    for (const Step step : {Step{144, -18, 36}, Step{96, -12, 24}}) {
        SCOPED_TRACE(step.dpi);
        MoveToMonitorOf(mainHwnd, step.dpi, step.dpi == 144 ? 96 : 144);
        MoveToMonitorOf(webHwnd, step.dpi, step.dpi == 144 ? 96 : 144);
        MoveToMonitorOf(about, step.dpi, step.dpi == 144 ? 96 : 144);
        ASSERT_TRUE(test::PumpPosted());
        EXPECT_EQ(main.Hwnd(), mainHwnd);
        EXPECT_EQ(main.Control(kLabel1), label);
        EXPECT_EQ(web->Control(kWebCommand5), back);
        for (const auto& [window, places] : {std::pair{mainHwnd, std::span<const Place>(mainPlaces)},
                                             std::pair{webHwnd, std::span<const Place>(webPlaces)},
                                             std::pair{about, std::span<const Place>(aboutPlaces)}}) {
            for (const Place& p : places) {
                SCOPED_TRACE(p.id);
                const RECT want = step.dpi == 144 ? p.at144 : p.at96;
                const RECT is = PlaceOf(window == webHwnd ? web->Control(p.id) : GetDlgItem(window, p.id));
                EXPECT_EQ(is.left, want.left);
                EXPECT_EQ(is.top, want.top);
                if (want.right >= 0) {
                    EXPECT_EQ(is.right, want.right);
                }
                if (want.bottom >= 0) {
                    EXPECT_EQ(is.bottom, want.bottom);
                }
            }
        }
        // The list's check boxes, made again for the DPI.
        EXPECT_NE(SendMessageW(main.Control(kListView1), LVM_GETIMAGELIST, LVSIL_STATE, 0), 0);
        EXPECT_EQ(FontPixels(label), step.font);
        EXPECT_EQ(FontPixels(web->Control(kCboAddress)), step.font);
        // The skin's faces of a push button and the image button's region are of the new size.
        const RECT command1 = PlaceOf(main.Control(kCommand1));
        const SIZE face = BitmapSize(reinterpret_cast<HANDLE>(GetPropW(main.Control(kCommand1), L"BMP0")));
        EXPECT_EQ(face.cx, command1.right - command1.left);
        EXPECT_EQ(face.cy, command1.bottom - command1.top);
        const RECT button = PlaceOf(back);
        RECT region{};
        UniqueGdi<HRGN> rgn(CreateRectRgn(0, 0, 0, 0));
        ASSERT_NE(GetWindowRgn(back, rgn.get()), ERROR);
        GetRgnBox(rgn.get(), &region);
        EXPECT_EQ(region.right, button.right - button.left);
        EXPECT_EQ(region.bottom, button.bottom - button.top);
        const RECT picture = web->Button(kWebCommand5)->ContentRects().picture;
        EXPECT_EQ(picture.right - picture.left, step.glyph);
        // Nothing overlaps or is cut at the new DPI either.
        for (HWND window : {mainHwnd, webHwnd, about}) {
            const std::vector<std::string> faults = test::LayoutFaults(window);
            EXPECT_TRUE(faults.empty()) << Joined(faults);
        }
    }
}

// Windows sends no DPI message for the monitor a window is made on; each window asks once it is
// placed. The monitors are made up (under Wine every one has the system's DPI): the main window,
// made at the sign-in DPI of 96, stands on one of 144; then, with a main window on 96, the About and
// web windows and the prompt made over it land on one of 144. Each is laid out at 144 from the
// start. The prompt then moves to a monitor of 192 and back to 96 (WM_DPICHANGED).
TEST(DpiPlacement, EachWindowAtTheScaleOfTheMonitorItLandsOn) {
    if (ScreenDpi() != 96) GTEST_SKIP() << "written for a system DPI of 96";
    struct Restore {
        ~Restore() { SetWindowDpiForTests(nullptr); }
    } restore;
    SetWindowDpiForTests([](HWND) { return 144; });
    StopFlag = 0;
    test::DataDirectory data;
    WriteData(data);
    struct Case {
        const char* what;
        // Client areas of 11265 x 8100, 4050 x 2085, 10095 x 7410 and 5520 x 1980 twips; after a
        // move the window takes the rectangle Windows suggests.
        int dpi, clientWidth, clientHeight;
        int button;
        RECT place;
        int text, font;  // a control in the form's font (9 points)
    };
    const Case cases[] = {
        {"main", 144, 1127, 810, kCommand1, {960, 8, 1034, 46}, kLabel1, -18},              // 9600, 80, 735, 375
        {"about", 144, 405, 209, kAboutCommand1, {276, 144, 398, 194}, kAboutLabel1, -18},  // 2760, 1440, 1215, 495
        {"web", 144, 1010, 741, kWebCommand7, {372, 8, 506, 57}, kCboAddress, -18},         // 3720, 75, 1335, 495
        {"prompt", 144, 552, 198, kMaskOk, {288, 138, 410, 182}, kMaskCombo, -18},          // 2880, 1380, 1215, 435
        {"prompt", 192, 0, 0, kMaskOk, {384, 184, 546, 242}, kMaskCombo, -24},
        {"prompt", 96, 0, 0, kMaskOk, {192, 92, 273, 121}, kMaskCombo, -12},
    };
    const auto check = [](const Case& c, HWND window, const std::function<HWND(int)>& control) {
        SCOPED_TRACE(std::string(c.what) + " " + std::to_string(c.dpi));
        // At least the design's client area: the made-up monitors leave the frame at the system's size.
        const auto [width, height] = ClientSize(window);
        EXPECT_GE(width, c.clientWidth);
        EXPECT_GE(height, c.clientHeight);
        EXPECT_EQ(Joined(test::LayoutFaults(window)), "");
        const RECT is = PlaceOf(control(c.button));
        EXPECT_TRUE(EqualRect(&is, &c.place)) << is.left << "," << is.top << "," << is.right << "," << is.bottom;
        EXPECT_EQ(FontPixels(control(c.text)), c.font);
    };
    {
        MainWindow first(Options(data));
        ASSERT_TRUE(first.Create());
        check(cases[0], first.Hwnd(), [&](int id) { return first.Control(id); });
    }
    MainWindow main(Options(data));
    SetWindowDpiForTests([&](HWND hwnd) { return GetAncestor(hwnd, GA_ROOT) == main.Hwnd() ? 96 : 144; });
    ASSERT_TRUE(main.Create());
    main.Show(SW_SHOWNORMAL);
    main.RunCommand(MenuCommand::About);
    main.ShowWeb();
    ASSERT_NE(WebOf(main), nullptr);
    HWND about = TopLevelOfThread(L"Form", L"关于");
    ASSERT_NE(about, nullptr);
    check(cases[1], about, [&](int id) { return GetDlgItem(about, id); });
    check(cases[2], WebOf(main)->Hwnd(), [&](int id) { return WebOf(main)->Control(id); });
    MaskPrompt prompt;
    int seen = 0;
    prompt.Ask(main.Hwnd(), {}, [&] {
        int from = 144;
        for (const Case& c : std::span(cases).subspan(3)) {
            if (c.dpi != from) MoveToMonitorOf(prompt.Hwnd(), c.dpi, from);
            from = c.dpi;
            check(c, prompt.Hwnd(), [&](int id) { return GetDlgItem(prompt.Hwnd(), id); });
            ++seen;
        }
        return true;
    });
    EXPECT_EQ(seen, 3);
}

}  // namespace
}  // namespace ferrik
