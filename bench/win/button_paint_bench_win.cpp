// One full repaint of a 75 x 23 tesselbutton per style under Wine, beside a plain BitBlt of the
// same size to the same window in the same run (the least any repaint costs). The button has a
// caption and no picture. Run by scripts/bench-win; prints rows of its table (bench_table.h).
#include <windows.h>

#include <cstdio>
#include <string>

#include "bench_table.h"
#include "controls/tesselbutton_win.h"
#include "platform/pump_win.h"

namespace ferrik {
namespace {

class NoEvents final : public ButtonEvents {};

double Now() {
    LARGE_INTEGER t, f;
    QueryPerformanceCounter(&t);
    QueryPerformanceFrequency(&f);
    return static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

// Microseconds per call of `step`, over enough calls for a quarter second.
template <typename F>
double MicrosecondsPer(F step) {
    for (int i = 0; i < 50; ++i) step();
    int calls = 0;
    const double start = Now();
    double elapsed = 0;
    do {
        for (int i = 0; i < 100; ++i) step();
        calls += 100;
        elapsed = Now() - start;
    } while (elapsed < 0.25);
    return 1e6 * elapsed / calls;
}

int Run() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"ButtonPaintBench";
    RegisterClassW(&wc);
    HWND form = CreateWindowExW(0, wc.lpszClassName, L"bench", WS_POPUP | WS_VISIBLE, 20, 20, 200, 80, nullptr, nullptr,
                                wc.hInstance, nullptr);
    if (!form) return 1;
    NoEvents events;
    double plain = 0, withDc = 0;
    {
        // The anchor: one BitBlt of a 75 x 23 memory bitmap to a child window of the same size.
        HWND child = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 10, 10, 75, 23, form, nullptr,
                                     wc.hInstance, nullptr);
        WindowDc dc(child);
        UniqueDc memory(CreateCompatibleDC(dc.get()));
        UniqueGdi<HBITMAP> bitmap(CreateCompatibleBitmap(dc.get(), 75, 23));
        SelectGuard select(memory.get(), bitmap.get());
        plain = MicrosecondsPer([&] { BitBlt(dc.get(), 0, 0, 75, 23, memory.get(), 0, 0, SRCCOPY); });
        withDc = MicrosecondsPer([&] {
            WindowDc own(child);
            BitBlt(own.get(), 0, 0, 75, 23, memory.get(), 0, 0, SRCCOPY);
        });
        DestroyWindow(child);
    }
    for (int style = 0; style <= 13; ++style) {
        TesselButtonWindow button(events);
        if (!button.Create(form, 1, RECT{10, 10, 85, 33}, nullptr, u"tesselbutton1")) return 1;
        button.Button().SetCaption(u"确定");
        button.Button().SetButtonStyle(style);
        PumpPendingMessages();
        char what[40];
        std::snprintf(what, sizeof what, "style %d%s", style,
                      button.Button().ButtonStyle() != style ? " (drawn as 2)" : "");
        const double us = MicrosecondsPer([&] { button.Button().Repaint(); });
        WindowDc screen(button.Hwnd());
        UniqueDc memory(CreateCompatibleDC(screen.get()));
        UniqueGdi<HBITMAP> bitmap(CreateCompatibleBitmap(screen.get(), 75, 23));
        SelectGuard select(memory.get(), bitmap.get());
        const ButtonLook look = button.CurrentLook();
        const double offScreen = MicrosecondsPer([&] { button.PaintLook(memory.get(), look); });
        bench::Row(std::string("image button: full repaint of 75 x 23, ") + what,
                   bench::Time(us * 1e-6) + " (to a bitmap " + bench::Time(offScreen * 1e-6) + ")",
                   "GetDC, BitBlt, ReleaseDC: " + bench::Time(withDc * 1e-6) + " (BitBlt alone " +
                       bench::Time(plain * 1e-6) + ")",
                   us / withDc);
    }
    DestroyWindow(form);
    return 0;
}

}  // namespace
}  // namespace ferrik

int main() {
    return ferrik::Run();
}
