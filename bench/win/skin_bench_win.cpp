// The skin's fade step: one tick of a push button's running fade (its face blended onto the
// button), beside one AlphaBlend of the face through a DC already at hand, and beside a tick that
// fetches the window DC, surfaces and properties itself (a stray tick to a button whose fade is
// not running, which is what every tick did before the fade kept them at hand). Also a full
// repaint of a skinned form with a 1,000-row list view beside the same form unskinned.
#include <windows.h>

#include <commctrl.h>

#include <string>

#include "bench_table.h"
#include "skin/push_button_skin_win.h"
#include "skin/skin_attach_win.h"
#include "skin/skinner_win.h"

namespace ferrik::bench {
namespace {

template <class Work>
double PerRound(Work&& work, int rounds) {
    const LARGE_INTEGER start = Now();
    for (int i = 0; i < rounds; ++i) work();
    return SecondsSince(start) / rounds;
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

}  // namespace
}  // namespace ferrik::bench

int main() {
    using namespace ferrik::bench;
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    // A form as the skin engine knows forms: class "Form", a push button and the task list's list view.
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"Form";
    RegisterClassExW(&wc);
    HWND form = CreateWindowExW(0, L"Form", L"皮肤", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, 40, 40, 760,
                                560, nullptr, nullptr, wc.hInstance, nullptr);
    HWND button = CreateWindowExW(0, L"Button", L"下载", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 10, 75, 23, form,
                                  nullptr, wc.hInstance, nullptr);
    HWND list = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 10, 60, 720,
                                440, form, nullptr, wc.hInstance, nullptr);
    for (int i = 0; i < 4; ++i) {
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH;
        col.cx = 170;
        col.pszText = const_cast<wchar_t*>(L"名称");
        SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&col));
    }
    for (int i = 0; i < 1000; ++i) {
        std::wstring text = L"天龙八部第" + std::to_wstring(i) + L"集.rmvb";
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = text.data();
        SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    Pump();
    const auto repaint = [&] {
        RedrawWindow(form, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    };
    const double plainRepaint = PerRound(repaint, 20);

    ferrik::CSkinner skinner;
    if (skinner.AttachSkin(form) != 1) {
        std::printf("the skin did not attach\n");
        return 1;
    }
    Pump();
    const double skinnedRepaint = PerRound(repaint, 20);
    // The mouse entering starts the fade; its own timer is then stopped, so that the ticks below
    // come from here: rounds of 80 ticks from level 0, as a fade runs (the level is set back
    // between rounds, untimed).
    SendMessageW(button, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    const bool fading = GetPropW(button, L"TIMERID") != nullptr;
    KillTimer(button, 1);
    const std::shared_ptr<ferrik::MSkinner::SkinnedWindow> skinned = ferrik::MSkinner::SkinnedWindowOf(button);
    const auto perTick = [&] {
        double total = 0;
        for (int round = 0; round < 5; ++round) {
            skinned->WriteProp(ferrik::skin::SkinProp::AlphaLevel, 0);
            const LARGE_INTEGER start = Now();
            for (int tick = 0; tick < 80; ++tick) {
                SendMessageW(button, WM_TIMER, 1, 0);
                GdiFlush();
            }
            total += SecondsSince(start);
        }
        return total / (5 * 80);
    };
    const double fadeStep = perTick();
    HDC window = GetWindowDC(button);
    HDC face = reinterpret_cast<HDC>(GetPropW(button, L"HDC1"));
    // The least a step can do: blend the face onto the button through a DC already at hand.
    const double blend = PerRound(
        [&] {
            const BLENDFUNCTION half{AC_SRC_OVER, 0, 120, 0};
            GdiAlphaBlend(window, 0, 0, 75, 23, face, 0, 0, 75, 23, half);
            GdiFlush();
        },
        400);
    // What a tick cannot leave out while the properties stay the truth: writing the level back
    // (under Wine a request to the server).
    const double property = PerRound([&] { skinned->WriteProp(ferrik::skin::SkinProp::AlphaLevel, 120); }, 400);
    // The same ticks once the fade no longer runs: each fetches everything itself.
    ferrik::MSkinner::StopFade(button);
    const double strayStep = perTick();
    ReleaseDC(button, window);
    skinner.DetachSkin(form);
    DestroyWindow(form);
    Row("skin: one fade step of a 75 x 23 push button", fading ? Time(fadeStep) : "FAILED (no fade ran)",
        "one AlphaBlend of its face, DC at hand: " + Time(blend), fading ? fadeStep / blend : -1);
    Row("skin: of that step, the level's write-back to its window property", Time(property),
        "one AlphaBlend of its face, DC at hand: " + Time(blend), property / blend);
    Row("skin: one tick fetching DC, surfaces and properties itself (every step before)", Time(strayStep),
        "one AlphaBlend of its face, DC at hand: " + Time(blend), strayStep / blend);
    Row("skin: full repaint of a form with a 1,000-row list", Time(skinnedRepaint),
        "the same form unskinned: " + Time(plainRepaint), skinnedRepaint / plainRepaint);
    return face ? 0 : 1;
}
