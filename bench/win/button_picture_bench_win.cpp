// One picture pass of the image button under Wine, beside a plain BitBlt of the same size in the
// same run, on a shown window's DC: a 32 x 32 picture with the hover effect and half opacity
// (screen read, composition, screen write), and the same picture through the whole content
// routine of a button without caption. Run by scripts/bench-win; prints rows of its table (bench_table.h).
#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "bench_table.h"
#include "controls/button_content.h"
#include "controls/button_content_win.h"
#include "controls/tesselbutton.h"
#include "host/support/fake_button_host.h"
#include "host/support/test_pictures.h"
#include "platform/handles_win.h"

namespace ferrik {
namespace {

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Microseconds per call, the best of five rounds of `count` calls.
double Measure(int count, const std::function<void()>& call) {
    double best = 1e9;
    for (int round = 0; round < 5; ++round) {
        LARGE_INTEGER from, to;
        QueryPerformanceCounter(&from);
        for (int i = 0; i < count; ++i) call();
        GdiFlush();
        QueryPerformanceCounter(&to);
        best = std::min(best, Seconds(from, to) * 1e6 / count);
    }
    return best;
}

int Run() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ButtonPictureBench";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    RegisterClassW(&wc);
    const HWND window = CreateWindowExW(0, wc.lpszClassName, L"bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 300,
                                        200, nullptr, nullptr, wc.hInstance, nullptr);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    WindowDc dc(window);

    std::vector<std::uint32_t> pixels(32 * 32);
    for (int i = 0; i < 32 * 32; ++i) pixels[i] = 0x80000000u | static_cast<std::uint32_t>(i * 2654435761u >> 8);
    const std::vector<std::uint8_t> bytes = test::MakeBmp(32, 32, 24, pixels);
    const PictureImage picture = *DecodePicture(bytes);
    const PictureImage alpha = *DecodePicture(test::MakeBmp(32, 32, 32, pixels));
    PictureInk ink;
    ink.opacity = 128;
    ink.effect = 1;
    ink.transparent = 0xE0E0E0;

    UniqueDc source(CreateCompatibleDC(dc.get()));
    UniqueGdi<HBITMAP> sourceBitmap(CreateCompatibleBitmap(dc.get(), 32, 32));
    HGDIOBJ old = SelectObject(source.get(), sourceBitmap.get());

    test::FakeButtonHost host;  // a window's answers do not matter to a picture pass
    TesselButton button(host, host);
    button.InitProperties();
    button.SetCaption(u"");
    button.SetPictureNormal(Picture{bytes});
    button.SetPictureEffectOnOver(1);
    button.SetPictureOpacityOnOver(128);

    constexpr int kCount = 2000;
    const double blit = Measure(kCount, [&] { BitBlt(dc.get(), 10, 10, 32, 32, source.get(), 0, 0, SRCCOPY); });
    const double masked = Measure(kCount, [&] { DrawButtonPicture(dc.get(), picture, 10, 10, 32, 32, ink); });
    const double perPixel = Measure(kCount, [&] { DrawButtonPicture(dc.get(), alpha, 10, 10, 32, 32, ink); });
    const double read = Measure(kCount, [&] { BitBlt(source.get(), 0, 0, 32, 32, dc.get(), 10, 10, SRCCOPY); });
    std::vector<Pixel> buffer(32 * 32, 0xF0F0F0);
    const double compose = Measure(kCount, [&] { ComposePicture(picture, ink, buffer, 32, 32); });
    const double content =
        Measure(kCount, [&] { DrawButtonContent(dc.get(), button, kStateHot, 75, 40, nullptr, true); });
    SelectObject(source.get(), old);
    DestroyWindow(window);

    const std::string reference = "plain BitBlt of 32 x 32: " + bench::Time(blit * 1e-6) +
                                  " (from the window, a screen read: " + bench::Time(read * 1e-6) + ")";
    bench::Row("image button: picture pass 32 x 32, bitmap, mask + lighter + opacity 128", bench::Time(masked * 1e-6),
               reference, masked / blit);
    bench::Row("image button: picture pass 32 x 32, 32-bit alpha, lighter + opacity 128", bench::Time(perPixel * 1e-6),
               reference, perPixel / blit);
    bench::Row("image button: picture composition alone (no screen access)", bench::Time(compose * 1e-6), reference,
               compose / blit);
    bench::Row("image button: DrawButtonContent, hot, picture only (75 x 40)", bench::Time(content * 1e-6), reference,
               content / blit);
    return 0;
}

}  // namespace
}  // namespace ferrik

int main() {
    return ferrik::Run();
}
