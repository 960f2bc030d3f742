// A batch's overhead beyond its waits: the 下载 run over N checked rows (the player substitute,
// the waitable timer, the main window's list shown and repainted as statuses change), with the
// time spent inside the 800 ms waits counted apart; the reference is the same number of bare
// 800 ms waits in the same run.
#include <windows.h>

#include <commctrl.h>
#include <ole2.h>

#include <memory>
#include <string>

#include "app/batch.h"
#include "app/main_window_win.h"
#include "app/player_win.h"
#include "app/timed_wait_win.h"
#include "bench_table.h"
#include "platform/pump_win.h"
#include "win/support/player_support.h"
#include "win/support/ui_driver.h"

namespace ferrik::bench {
namespace {

// The real wait, with the time spent in it summed.
class CountedWait final : public TimedWait {
public:
    explicit CountedWait(TimedWait& inner) : m_inner(inner) {}
    bool Wait(std::int32_t milliseconds) override {
        const LARGE_INTEGER start = Now();
        const bool passed = m_inner.Wait(milliseconds);
        seconds += SecondsSince(start);
        ++count;
        return passed;
    }
    double seconds = 0;
    int count = 0;

private:
    TimedWait& m_inner;
};

class NoPages final : public PageLinkResolver {
public:
    Text FirstQvodLink(TextView) override { return {}; }
};

}  // namespace
}  // namespace ferrik::bench

int main(int argc, char** argv) {
    using namespace ferrik;
    using namespace ferrik::bench;
    const int rows = argc > 1 ? std::atoi(argv[1]) : 5;
    OleInitialize(nullptr);
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    int status = 1;
    {
        test::DataDirectory data;
        data.Write(L"Rule.dat", L"");
        data.Write(L"RunFilter.dat", L"");
        data.Write(L"Setting.ini", L"[Setting]\r\nUnSkin=0\r\n");
        MainWindowOptions options;
        options.dataDirectory = Text(data.Path().begin(), data.Path().end());
        options.waitTimerName = "ferrikbatchbench" + std::to_string(GetCurrentProcessId());
        options.endsProgram = false;
        MainWindow window(std::move(options));
        test::CountingPrompts prompts;
        prompts.showBoxes = false;  // the summary box would wait for a click
        test::ContainerWindow container;
        std::unique_ptr<DispatchPlayer> player;
        if (window.Create() && CreatePlayer(player, prompts, container.get())) {
            window.Show(SW_SHOWNORMAL);
            for (int i = 1; i <= rows; ++i) {
                const std::u16string link = u"qvod://42|89ABCDEF0123456789ABCDEF0123456789abcdef|第" +
                                            FromUtf8(std::to_string(i)) + u"集.rmvb|";
                window.Tasks().AddTask(u"第" + FromUtf8(std::to_string(i)) + u"集", link, kEngineDirect, u"", link);
            }
            window.Tasks().CheckAll();
            clsWaitableTimer timer("ferrikbatchbench" + std::to_string(GetCurrentProcessId()));
            CountedWait wait(timer);
            Win32MessagePump pump;
            NoPages pages;
            const LARGE_INTEGER start = Now();
            const BatchCounts counts =
                SubmitTasks(BatchPorts{window.Tasks(), window, *player, wait, pump, pages, prompts});
            const double total = SecondsSince(start);
            // The reference: as many bare waits, back to back.
            const LARGE_INTEGER bare = Now();
            for (int i = 0; i < wait.count; ++i) timer.Wait(800);
            const double waits = SecondsSince(bare);
            if (counts.succeeded == rows) {
                status = 0;
                // Per row, beyond the nominal 800 ms of each wait: the batch, and its waits alone.
                const double nominal = 0.8 * wait.count;
                const double ours = (total - nominal) / rows, theirs = (waits - nominal) / rows;
                Row("batch: time per row beyond its 800 ms waits (" + std::to_string(rows) + " rows, " +
                        std::to_string(wait.count) + " waits; outside the waits " +
                        Time((total - wait.seconds) / rows) + ")",
                    Time(ours), "the same waits alone: " + Time(theirs), theirs > 0 ? ours / theirs : 0);
            } else {
                Row("batch of " + std::to_string(rows) + " rows",
                    "FAILED (" + std::to_string(counts.succeeded) + " accepted)", "", 0);
            }
        } else {
            std::printf("the main window or the player could not be created (is the player substitute registered?)\n");
        }
    }
    OleUninitialize();
    return status;
}
