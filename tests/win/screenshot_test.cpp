// Screenshots of the main window (idle, with a filled list, busy) for the documentation. They go
// to the build tree; with FERRIK_UPDATE_SCREENSHOTS=1 they replace docs/screenshots/ in the
// source tree.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "app/main_window_win.h"
#include "win/support/ui_driver.h"

namespace ferrik {
namespace {

std::wstring ScreenshotDir() {
    const char* update = std::getenv("FERRIK_UPDATE_SCREENSHOTS");
    const bool intoSources = update && std::string(update) == "1";
    const std::wstring dir =
        test::HostPath(intoSources ? FERRIK_SOURCE_DIR "/docs/screenshots" : FERRIK_EXE_DIR "/screenshots");
    CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

class NoSchemes final : public SchemeSelector {
public:
    void SelectScheme(TextView address, StatusLine& status) override {
        status.ShowStatus(TrimSpaces(address).empty() ? u"欢迎使用Ferrik。"
                                                      : u"已经为您准备好相应的方案。您可以进行分析了。");
    }
    SchemeView Current() const override { return {}; }
};

class NoBatch final : public BatchService {
public:
    bool CreatePlayer(HWND) override { return true; }
    void SubmitTasks(TaskList&, BusyState&, MessagePump&) override {}
};

// Counts how many pixels differ from the window's face colour: text and frames.
int InkPixels(const test::Capture& capture, const RECT& area) {
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const std::uint32_t faceRgb = (GetRValue(face) << 16) | (GetGValue(face) << 8) | GetBValue(face);
    int ink = 0;
    for (int y = area.top; y < area.bottom && y < capture.height; ++y)
        for (int x = area.left; x < area.right && x < capture.width; ++x)
            if (capture.At(x, y) != faceRgb) ++ink;
    return ink;
}

TEST(Screenshots, MainWindowIdleFilledAndBusy) {
    NoSchemes schemes;
    NoBatch batch;
    MainWindowOptions options;
    options.schemes = &schemes;
    options.batch = &batch;
    options.endsProgram = false;
    MainWindow window(std::move(options));
    ASSERT_TRUE(window.Create());
    HWND hwnd = window.Hwnd();
    SetWindowPos(hwnd, HWND_TOP, 20, 20, 0, 0, SWP_NOSIZE);
    window.Show(SW_SHOWNORMAL);
    SetForegroundWindow(hwnd);
    const std::wstring dir = ScreenshotDir();

    test::PumpFor(300);
    const test::Capture idle = test::CaptureWindow(hwnd);
    ASSERT_GT(idle.width, 0);
    // The label's Chinese text was drawn: its area holds ink.
    RECT label{};
    GetWindowRect(window.Control(kLabel1), &label);
    RECT frame{};
    GetWindowRect(hwnd, &frame);
    OffsetRect(&label, -frame.left, -frame.top);
    EXPECT_GT(InkPixels(idle, label), 30);
    EXPECT_TRUE(test::SavePng(idle, dir + L"\\main-idle.png"));

    window.SetAddress(u"http://127.0.0.1:8080/plain/");
    TaskList& tasks = window.Tasks();
    const char16_t* names[] = {u"天龙八部第01集.rmvb", u"天龙八部第02集.rmvb", u"天龙八部第03集.rmvb",
                               u"天龙八部第04集.rmvb", u"天龙八部第05集.rmvb", u"天龙八部第06集.rmvb"};
    int n = 1;
    for (const char16_t* name : names) {
        const Text link =
            u"qvod://" + ToText(104857600 + n * 7) + u"|" + ToText(9000 + n) + u"A1B2C3D4E5F6|" + name + u"|";
        tasks.AddTask(name, link, u"SS0", u"", link);
        ++n;
    }
    tasks.SetChecked(0, true);
    tasks.SetChecked(1, true);
    tasks.SetChecked(3, true);
    tasks.SetStatus(0, u"成功");
    tasks.SetStatus(1, u"成功");
    window.ShowStatus(u"分析完毕");
    test::PumpFor(300);
    EXPECT_TRUE(test::SavePng(test::CaptureWindow(hwnd), dir + L"\\main-list.png"));

    window.LockControls();
    tasks.SetStatus(3, u"正在连接");
    window.ShowStatus(u"正在分析网页中的qvod地址。");
    test::PumpFor(300);
    EXPECT_TRUE(test::SavePng(test::CaptureWindow(hwnd), dir + L"\\main-busy.png"));
    window.UnlockControls();
}

}  // namespace
}  // namespace ferrik
