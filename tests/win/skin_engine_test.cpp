// The skin engine on real windows: attachment over a form's tree and back, UnSkin=1, the push
// button's message table and fade, message boxes, dialog boxes and drop-down lists skinned as they
// appear, a subclass installed after the skin, pixels read back, and drawing objects over many
// attach/detach rounds.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/about_window_win.h"
#include "platform/handles_win.h"
#include "platform/window_win.h"
#include "skin/push_button_skin_win.h"
#include "skin/skin_attach_win.h"
#include "skin/skin_blits_win.h"
#include "skin/skin_geometry.h"
#include "skin/skin_images_win.h"
#include "skin/skin_painters_win.h"
#include "skin/skin_switch.h"
#include "skin/skinner_win.h"
#include "win/support/ui_driver.h"

namespace ferrik {
namespace {

namespace M = MSkinner;

const wchar_t* const kEngineProps[] = {L"PROCADDR", L"HDC0",       L"HDC1",    L"HDC2",     L"HDC3",      L"BMP0",
                                       L"BMP1",     L"BMP2",       L"BMP3",    L"OLDSTYLE", L"MOUSEFLAG", L"TIMERID",
                                       L"OLDSTATE", L"ALPHALEVEL", L"HDINDEX", L"HMINDEX"};

BOOL CALLBACK CollectProp(HWND, LPWSTR name, HANDLE, ULONG_PTR param) {
    if (!IS_INTRESOURCE(name)) reinterpret_cast<std::set<std::wstring>*>(param)->insert(name);
    return TRUE;
}

// The engine's property names present on a window.
std::set<std::wstring> EngineProps(HWND hwnd) {
    std::set<std::wstring> all, ours;
    EnumPropsExW(hwnd, CollectProp, reinterpret_cast<LPARAM>(&all));
    for (const wchar_t* name : kEngineProps)
        if (all.count(name)) ours.insert(name);
    return ours;
}

std::set<std::wstring> Props(std::initializer_list<const wchar_t*> names) {
    return std::set<std::wstring>(names.begin(), names.end());
}

// The process's GDI objects as the system counts them; none where the system keeps no count
// (Wine's GetGuiResources is a stub that answers 0, and a process with windows has objects).
std::optional<DWORD> SystemGdiObjects() {
    const DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (count == 0) return std::nullopt;
    return count;
}

// What a skinned push button carries.
std::set<std::wstring> PushButtonProps() {
    return Props({L"PROCADDR", L"HDC0", L"HDC1", L"HDC2", L"HDC3", L"BMP0", L"BMP1", L"BMP2", L"BMP3", L"OLDSTYLE",
                  L"MOUSEFLAG", L"TIMERID", L"OLDSTATE", L"ALPHALEVEL"});
}

BOOL CALLBACK FindBoxOfThread(HWND hwnd, LPARAM param) {
    if (test::ClassOf(hwnd) != L"#32770" || !IsWindowVisible(hwnd)) return TRUE;
    *reinterpret_cast<HWND*>(param) = hwnd;
    return FALSE;
}

// The message box of this thread (tests of other processes may show theirs at the same time).
HWND OwnMessageBox() {
    HWND box = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindBoxOfThread, reinterpret_cast<LPARAM>(&box));
    return box;
}

std::intptr_t Prop(HWND hwnd, const wchar_t* name) {
    return reinterpret_cast<std::intptr_t>(GetPropW(hwnd, name));
}

COLORREF Rgb(skin::Rgb c) {
    return RGB(skin::RedOf(c), skin::GreenOf(c), skin::BlueOf(c));
}

// Superclasses of "Button" and "msctls_progress32" under the class names of the check box,
// option button and progress bar kinds.
void RegisterSuperclass(const wchar_t* base, const wchar_t* name) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    if (GetClassInfoExW(GetModuleHandleW(nullptr), name, &wc)) return;
    GetClassInfoExW(nullptr, base, &wc);
    static WNDPROC s_button = nullptr, s_progress = nullptr;
    if (std::wstring(base) == L"Button") {
        s_button = wc.lpfnWndProc;
        wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l)
                             CALLBACK -> LRESULT { return CallWindowProcW(s_button, h, m, w, l); };
    } else {
        s_progress = wc.lpfnWndProc;
        wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l)
                             CALLBACK -> LRESULT { return CallWindowProcW(s_progress, h, m, w, l); };
    }
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = name;
    RegisterClassExW(&wc);
}

// A form of class "Form" with every kind of window the engine tells apart, some nested.
class TestForm : public Window<TestForm> {
public:
    TestForm() {
        RegisterRoutedClass(L"Form");
        RegisterSuperclass(L"Button", L"ThunderRT6CheckBox");
        RegisterSuperclass(L"Button", L"ThunderRT6OptionButton");
        RegisterSuperclass(L"msctls_progress32", L"ProgressBar20WndClass");
        // Below and right of where the main window's screenshots are taken, which may run at the same time.
        CreateRouted(L"Form", L"皮肤", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 740, 620, 520, 360, nullptr);
        font = reinterpret_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        button = Child(L"Button", L"下载", BS_PUSHBUTTON | WS_TABSTOP, 10, 10, 75, 23);
        disabled = Child(L"Button", L"分析", BS_PUSHBUTTON | WS_DISABLED, 10, 40, 75, 23);
        dialogCheck = Child(L"Button", L"全选", BS_AUTOCHECKBOX, 10, 70, 90, 20);
        panel = Child(L"Static", L"", SS_LEFT | WS_CLIPCHILDREN, 200, 10, 300, 140);
        nested = Child(L"Button", L"停止", BS_PUSHBUTTON, 10, 10, 75, 23, panel);
        combo = Child(L"ComboBox", L"", CBS_DROPDOWN | WS_VSCROLL, 10, 40, 150, 200, panel);
        list = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 10, 100, 300,
                               110, Hwnd(), nullptr, nullptr, nullptr);
        SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        for (int i = 0; i < 2; ++i) {
            LVCOLUMNW col{};
            col.mask = LVCF_TEXT | LVCF_WIDTH;
            col.cx = 120;
            col.pszText = const_cast<wchar_t*>(i == 0 ? L"名称" : L"状态");
            SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&col));
        }
        header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
        check = Child(L"ThunderRT6CheckBox", L"勾选", BS_AUTOCHECKBOX, 10, 220, 90, 20);
        option = Child(L"ThunderRT6OptionButton", L"单选", BS_AUTORADIOBUTTON, 110, 220, 90, 20);
        progress = Child(L"ProgressBar20WndClass", L"", PBS_VERTICAL | PBS_SMOOTH, 220, 220, 20, 100);
        SendMessageW(progress, PBM_SETRANGE32, 0, 30000);
        SendMessageW(progress, PBM_SETPOS, 15000, 0);
        dropList = Child(L"ComboBox", L"", CBS_DROPDOWNLIST | WS_VSCROLL, 260, 220, 150, 200);
        SendMessageW(dropList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"一"));
        UpdateWindow(Hwnd());
    }

    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
        // The form is subclassed after its descendants: when its own repaint request comes
        // through the engine, every descendant is skinned already.
        if (msg == WM_NCPAINT && wParam == 1 && Prop(Hwnd(), L"PROCADDR")) {
            for (HWND child : Descendants(Hwnd())) descendantsFirst &= Prop(child, L"PROCADDR") != 0;
            ++skinnedRepaints;
        }
        if (msg == WM_DRAWITEM) ++drawItems;
        if (msg == WM_ACTIVATE) activatedWith.push_back(reinterpret_cast<HWND>(lParam));
        if (msg == WM_ENTERIDLE) ++idles;
        if (msg == WM_APP) ++separators;
        return DefaultProc(msg, wParam, lParam);
    }

    HWND Child(const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h,
               HWND parent = nullptr) {
        HWND hwnd = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent ? parent : Hwnd(),
                                    nullptr, nullptr, nullptr);
        SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        return hwnd;
    }

    HFONT font = nullptr;
    HWND button{}, disabled{}, dialogCheck{}, panel{}, nested{}, combo{}, list{}, header{}, check{}, option{},
        progress{}, dropList{};
    // Every message posted before this is handled, and the repaints it leaves: a WM_APP separator
    // posted to the form comes back after them, as in Wine's tests; then the pending paints.
    void Settle() {
        const int seen = separators;
        PostMessageW(Hwnd(), WM_APP, 0, 0);
        test::PumpUntil([&] { return separators > seen; }, 5000);
        RedrawWindow(Hwnd(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    }

    bool descendantsFirst = true;
    int skinnedRepaints = 0;
    int drawItems = 0;
    std::vector<HWND> activatedWith;  // the other window of each activation change
    int idles = 0;
    int separators = 0;
};

class SkinTest : public testing::Test {
protected:
    SkinTest() { UnSkin.clear(); }
    ~SkinTest() override { UnSkin.clear(); }
    CSkinner skinner;
};

TEST_F(SkinTest, AttachSkinsTheWholeTreeAndDetachRestoresIt) {
    TestForm form;
    HWND hwnd = form.Hwnd();
    std::vector<HWND> windows = Descendants(hwnd);
    windows.push_back(hwnd);
    std::map<HWND, LONG_PTR> procs, styles;
    for (HWND w : windows) {
        procs[w] = GetWindowLongPtrW(w, GWLP_WNDPROC);
        styles[w] = GetWindowLongPtrW(w, GWL_STYLE);
    }
    ASSERT_FALSE(M::ImagesReady());

    ASSERT_EQ(skinner.AttachSkin(hwnd), 1);
    EXPECT_TRUE(M::ImagesReady());
    EXPECT_EQ(M::AttachedCount(), static_cast<int>(windows.size()));
    EXPECT_TRUE(form.descendantsFirst);
    EXPECT_EQ(form.skinnedRepaints, 1);
    for (HWND w : windows) {
        SCOPED_TRACE(test::ClassOf(w));
        EXPECT_EQ(Prop(w, L"PROCADDR"), procs[w]);
        EXPECT_EQ(GetWindowLongPtrW(w, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&M::SkinWndProc));
    }
    const auto pushProps = PushButtonProps();
    const auto mouseProps = Props({L"PROCADDR", L"MOUSEFLAG", L"OLDSTATE"});
    struct Expect {
        HWND hwnd;
        std::set<std::wstring> props;
    };
    const Expect expects[] = {
        {hwnd, Props({L"PROCADDR"})},      {form.button, pushProps},
        {form.disabled, pushProps},        {form.dialogCheck, pushProps},
        {form.nested, pushProps},          {form.panel, Props({L"PROCADDR"})},
        {form.combo, mouseProps},          {form.check, mouseProps},
        {form.option, mouseProps},         {form.header, Props({L"PROCADDR", L"MOUSEFLAG", L"HDINDEX", L"HMINDEX"})},
        {form.list, Props({L"PROCADDR"})}, {form.progress, Props({L"PROCADDR"})},
    };
    for (const Expect& e : expects) EXPECT_EQ(EngineProps(e.hwnd), e.props) << test::ClassOf(e.hwnd);
    EXPECT_EQ(Prop(form.button, L"OLDSTATE"), 0);
    EXPECT_EQ(Prop(form.disabled, L"OLDSTATE"), 3);
    EXPECT_EQ(Prop(form.header, L"HDINDEX"), -1);
    EXPECT_EQ(Prop(form.header, L"HMINDEX"), -1);
    // Push buttons become owner-drawn; the dialog's check box (style 3) keeps its style.
    EXPECT_EQ(GetWindowLongPtrW(form.button, GWL_STYLE) & 0xF, BS_OWNERDRAW);
    EXPECT_EQ(Prop(form.button, L"OLDSTYLE"), styles[form.button]);
    EXPECT_EQ(GetWindowLongPtrW(form.dialogCheck, GWL_STYLE), styles[form.dialogCheck]);
    // The corners are clipped.
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    EXPECT_NE(GetWindowRgn(form.button, region), ERROR);
    EXPECT_FALSE(PtInRegion(region, 0, 0));
    EXPECT_TRUE(PtInRegion(region, 2, 2));
    DeleteObject(region);

    // Twice: nothing changes.
    const std::intptr_t face = Prop(form.button, L"HDC0");
    const std::intptr_t bitmap = Prop(form.button, L"BMP0");
    const HDC image = M::Image(skin::SkinImage::OptionStrip);
    const int count = M::AttachedCount();
    const std::optional<DWORD> objects = SystemGdiObjects();
    EXPECT_EQ(skinner.AttachSkin(hwnd), 0);
    EXPECT_EQ(skinner.AttachSkin(nullptr), 0);
    EXPECT_EQ(M::AttachedCount(), count);
    EXPECT_EQ(SystemGdiObjects(), objects);
    EXPECT_EQ(Prop(form.button, L"HDC0"), face);

    ASSERT_EQ(skinner.DetachSkin(hwnd), 1);
    EXPECT_EQ(skinner.DetachSkin(hwnd), 0);
    for (HWND w : windows) {
        SCOPED_TRACE(test::ClassOf(w));
        EXPECT_TRUE(EngineProps(w).empty());
        EXPECT_EQ(GetWindowLongPtrW(w, GWLP_WNDPROC), procs[w]);
        EXPECT_EQ(GetWindowLongPtrW(w, GWL_STYLE), styles[w]);
    }
    HRGN after = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(form.button, after), ERROR);
    DeleteObject(after);
    // The state surfaces, their bitmaps and the images are gone.
    EXPECT_EQ(GetObjectType(reinterpret_cast<HGDIOBJ>(face)), 0u);
    EXPECT_EQ(GetObjectType(reinterpret_cast<HGDIOBJ>(bitmap)), 0u);
    EXPECT_EQ(GetObjectType(image), 0u);
    EXPECT_FALSE(M::ImagesReady());
    EXPECT_EQ(M::Image(skin::SkinImage::ButtonStrip), nullptr);
    EXPECT_EQ(M::AttachedCount(), 0);

    // The next attach makes the images again.
    EXPECT_EQ(skinner.AttachSkin(hwnd), 1);
    EXPECT_TRUE(M::ImagesReady());
    EXPECT_NE(M::Image(skin::SkinImage::HeaderStrip), nullptr);
    EXPECT_EQ(skinner.DetachSkin(hwnd), 1);
}

TEST_F(SkinTest, UnSkinOneLeavesEveryWindowUntouched) {
    TestForm form;
    std::vector<HWND> windows = Descendants(form.Hwnd());
    windows.push_back(form.Hwnd());
    std::map<HWND, LONG_PTR> procs;
    for (HWND w : windows) procs[w] = GetWindowLongPtrW(w, GWLP_WNDPROC);
    UnSkin = u"1";
    EXPECT_EQ(skinner.AttachSkin(form.Hwnd()), 0);
    form.Settle();
    EXPECT_EQ(skinner.DetachSkin(form.Hwnd()), 0);
    for (HWND w : windows) {
        EXPECT_TRUE(EngineProps(w).empty()) << test::ClassOf(w);
        EXPECT_EQ(GetWindowLongPtrW(w, GWLP_WNDPROC), procs[w]);
    }
    EXPECT_FALSE(M::ImagesReady());
    EXPECT_EQ(M::AttachedCount(), 0);
    UnSkin = u"0";  // anything but "1" skins
    EXPECT_EQ(skinner.AttachSkin(form.Hwnd()), 1);
    EXPECT_EQ(skinner.DetachSkin(form.Hwnd()), 1);
}

// Each row: a message sent to the button, then "OLDSTATE", "ALPHALEVEL", "TIMERID", "MOUSEFLAG".
TEST_F(SkinTest, PushButtonStateTableAndFade) {
    TestForm form;
    ASSERT_EQ(skinner.AttachSkin(form.Hwnd()), 1);
    HWND b = form.button;
    RECT rc{};
    GetWindowRect(b, &rc);
    const POINT inside{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    const POINT outside{rc.right + 200, rc.bottom + 200};
    form.Settle();
    struct Row {
        const char* what;
        UINT msg;
        WPARAM wParam;
        POINT cursor;
        std::intptr_t state, level, timer, mouse;
    };
    const Row rows[] = {
        {"first move", WM_MOUSEMOVE, 0, inside, 1, 0, 1, 1},
        {"second move over it", WM_MOUSEMOVE, 0, inside, 1, 0, 1, 1},
        {"left button down", WM_LBUTTONDOWN, MK_LBUTTON, inside, 2, 0, 0, 1},
        {"dragged off", WM_MOUSEMOVE, MK_LBUTTON, outside, 2, 255, 0, 1},
        {"left button up", WM_LBUTTONUP, 0, inside, 0, 60, 1, 0},
        {"mouse left", WM_MOUSELEAVE, 0, outside, 0, 0, 1, 0},
        {"space down", WM_KEYDOWN, VK_SPACE, outside, 2, 0, 0, 0},
        {"space up", WM_KEYUP, VK_SPACE, outside, 0, 0, 1, 0},
        {"focus lost", WM_KILLFOCUS, 0, outside, 0, 0, 1, 0},
        {"disabled", WM_ENABLE, 0, outside, 3, 0, 1, 0},
        {"enabled", WM_ENABLE, 1, outside, 0, 0, 1, 0},
        {"repaint", WM_PAINT, 0, outside, 0, 255, 0, 0},
    };
    for (const Row& r : rows) {
        SetCursorPos(r.cursor.x, r.cursor.y);
        if (r.msg == WM_PAINT) {
            InvalidateRect(b, nullptr, FALSE);
            UpdateWindow(b);
        } else {
            SendMessageW(b, r.msg, r.wParam, MAKELPARAM(20, 10));
        }
        EXPECT_EQ(Prop(b, L"OLDSTATE"), r.state) << r.what;
        EXPECT_EQ(Prop(b, L"ALPHALEVEL"), r.level) << r.what;
        EXPECT_EQ(Prop(b, L"TIMERID"), r.timer) << r.what;
        EXPECT_EQ(Prop(b, L"MOUSEFLAG"), r.mouse) << r.what;
    }
    EXPECT_EQ(form.drawItems, 0);  // WM_DRAWITEM of the owner-drawn buttons never reached the form

    // No leave notification may come in from the moves above (the system reports a leave when it
    // next looks at the cursor, which can be late on a busy machine); let their fade end.
    TRACKMOUSEEVENT cancel{sizeof(cancel), TME_CANCEL | TME_LEAVE, b, 0};
    TrackMouseEvent(&cancel);
    SetCursorPos(outside.x, outside.y);
    form.Settle();
    ASSERT_TRUE(test::PumpUntil([&] { return Prop(b, L"TIMERID") == 0; }, 5000));
    // A fade from 60: 65 ticks bring it to 255, the 66th blends at 255 and stops the timer; no
    // tick follows.
    HDC window = GetWindowDC(b);
    SendMessageW(b, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 10));  // pressed face drawn fully
    const COLORREF pressed = GetPixel(window, 8, 5);
    SendMessageW(b, WM_LBUTTONUP, 0, MAKELPARAM(20, 10));
    ASSERT_EQ(Prop(b, L"ALPHALEVEL"), 60);
    KillTimer(b, 1);  // the ticks come from this test, one by one
    for (int i = 0; i < 65; ++i) SendMessageW(b, WM_TIMER, 1, 0);
    EXPECT_EQ(Prop(b, L"ALPHALEVEL"), 255);
    EXPECT_EQ(Prop(b, L"TIMERID"), 1);
    SetTimer(b, 1, 15, nullptr);
    SendMessageW(b, WM_TIMER, 1, 0);
    EXPECT_EQ(Prop(b, L"ALPHALEVEL"), 0);
    EXPECT_EQ(Prop(b, L"TIMERID"), 0);
    const COLORREF normal = GetPixel(window, 8, 5);
    EXPECT_NE(normal, pressed);
    // The timer was really killed: there is none to kill, and no tick is waiting.
    EXPECT_FALSE(KillTimer(b, 1));
    MSG tick;
    EXPECT_FALSE(PeekMessageW(&tick, b, WM_TIMER, WM_TIMER, PM_NOREMOVE));
    EXPECT_EQ(Prop(b, L"ALPHALEVEL"), 0);

    // A leave blends the hot face at 140 over what is shown and restarts the fade from 0.
    HDC hot = reinterpret_cast<HDC>(Prop(b, L"HDC1"));
    const COLORREF hotColour = GetPixel(hot, 8, 5);
    SendMessageW(b, WM_MOUSELEAVE, 0, 0);
    const COLORREF blended = GetPixel(window, 8, 5);
    const skin::Rgb expected =
        skin::BlendOver(skin::MakeRgb(GetRValue(hotColour), GetGValue(hotColour), GetBValue(hotColour)),
                        skin::MakeRgb(GetRValue(normal), GetGValue(normal), GetBValue(normal)), 140);
    EXPECT_NEAR(GetRValue(blended), skin::RedOf(expected), 2);
    EXPECT_NEAR(GetGValue(blended), skin::GreenOf(expected), 2);
    EXPECT_NEAR(GetBValue(blended), skin::BlueOf(expected), 2);
    EXPECT_EQ(Prop(b, L"OLDSTATE"), 0);
    EXPECT_EQ(Prop(b, L"ALPHALEVEL"), 0);
    EXPECT_NE(Prop(b, L"TIMERID"), 0);
    // Left to run, the fade ends on the normal face exactly.
    EXPECT_TRUE(test::PumpUntil([&] { return Prop(b, L"TIMERID") == 0; }, 5000));
    EXPECT_EQ(GetPixel(window, 8, 5), normal);
    ReleaseDC(b, window);
    EXPECT_EQ(skinner.DetachSkin(form.Hwnd()), 1);
}

// A tick of a running fade draws with the window DC, surfaces, state and level it keeps from its
// first tick; it must leave the pixels that a tick fetching them itself leaves, also after the
// button was resized and its state and level were written in between. Each row: the face faded in, the level, the
// button's width at the tick.
TEST_F(SkinTest, RunningFadeTickDrawsAsAFetchingTick) {
    TestForm form;
    ASSERT_EQ(skinner.AttachSkin(form.Hwnd()), 1);
    HWND b = form.button;
    form.Settle();
    const std::shared_ptr<M::SkinnedWindow> skinned = M::SkinnedWindowOf(b);
    ASSERT_NE(skinned, nullptr);
    using P = skin::SkinProp;
    const auto set = [&](P prop, std::intptr_t value) { skinned->WriteProp(prop, value); };
    // The button after: a first tick (keeping the surfaces when a fade runs), the resize, the
    // normal face drawn fully, then the tick under test.
    const auto tickedPixels = [&](int state, int level, int width, bool running) {
        M::StopFade(b);
        SetWindowPos(b, nullptr, 0, 0, 75, 23, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        set(P::TimerId, running ? 1 : 0);  // the ticks come from here
        set(P::OldState, 0);
        set(P::AlphaLevel, 0);
        SendMessageW(b, WM_TIMER, 1, 0);
        SetWindowPos(b, nullptr, 0, 0, width, 23, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        set(P::AlphaLevel, 255);
        M::BlendButtonFace(b, nullptr);
        set(P::OldState, state);
        set(P::AlphaLevel, level);
        SendMessageW(b, WM_TIMER, 1, 0);
        WindowDc window(b, WindowDc::Whole);
        return test::DrawOffScreen(width, 23, [&](HDC dc) { BitBlt(dc, 0, 0, width, 23, window.get(), 0, 0, SRCCOPY); })
            .pixels;
    };
    const struct {
        int state;
        int level;
        int width;
    } rows[] = {{1, 120, 75}, {2, 201, 75}, {3, 255, 75}, {1, 150, 101}, {3, 90, 60}};
    for (const auto& r : rows) {
        const std::vector<std::uint32_t> fetching = tickedPixels(r.state, r.level, r.width, false);
        EXPECT_EQ(tickedPixels(r.state, r.level, r.width, true), fetching)
            << "face " << r.state << " at " << r.level << ", width " << r.width;
    }
    M::StopFade(b);
    EXPECT_EQ(skinner.DetachSkin(form.Hwnd()), 1);
}

// The first move over a push button asks the system for a leave notification: the request is
// made (the flag is set by the request itself, not before it, or no request would go out), and
// the leave that the system then reports brings "MOUSEFLAG" back to 0.
TEST_F(SkinTest, PushButtonAsksForItsLeaveAndGetsIt) {
    TestForm form;
    ASSERT_EQ(skinner.AttachSkin(form.Hwnd()), 1);
    HWND b = form.button;
    RECT rc{};
    GetWindowRect(b, &rc);
    const POINT inside{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    ASSERT_TRUE(test::PumpUntil(
        [&] {
            SetCursorPos(inside.x, inside.y);
            return WindowFromPoint(inside) == b;
        },
        3000));
    // The cursor's arrival is the first move.
    ASSERT_TRUE(test::PumpUntil([&] { return Prop(b, L"MOUSEFLAG") == 1; }, 3000));
    TRACKMOUSEEVENT query{sizeof(query), TME_QUERY, nullptr, 0};
    ASSERT_TRUE(TrackMouseEvent(&query));
    EXPECT_EQ(query.hwndTrack, b);
    EXPECT_EQ(query.dwFlags & TME_LEAVE, static_cast<DWORD>(TME_LEAVE));
    SetCursorPos(rc.right + 200, rc.bottom + 200);
    EXPECT_TRUE(test::PumpUntil([&] { return Prop(b, L"MOUSEFLAG") == 0; }, 5000));
    EXPECT_EQ(skinner.DetachSkin(form.Hwnd()), 1);
}

// Caption ink: black on the first three faces, disabled caption grey (121, 138, 150) on the last.
bool Ink(COLORREF c, int face) {
    return GetRValue(c) + GetGValue(c) + GetBValue(c) < (face == 3 ? 500 : 330);
}

TEST_F(SkinTest, ImagesBlitsAndPaintersReadBack) {
    TestForm form;
    ASSERT_EQ(skinner.AttachSkin(form.Hwnd()), 1);
    using skin::SkinImage;
    const auto images = skin::PaintSkinImages();
    for (int i = 0; i < skin::kSkinImageCount; ++i) {
        HDC surface = M::Image(static_cast<SkinImage>(i));
        int wrong = 0;
        for (int y = 0; y < images[i].height; ++y)
            for (int x = 0; x < images[i].width; ++x) wrong += GetPixel(surface, x, y) != Rgb(images[i].At(x, y));
        EXPECT_EQ(wrong, 0) << "image " << i;
    }
    const skin::PixelImage& strip = images[0];

    // The hot tile over 75 x 23: corners 1:1, the rest stretched from the 1-pixel centre column.
    M::MemorySurface surface = M::CreateScratchSurface(75, 23);
    HDC s = surface.dc();
    M::NineSliceBlt(s, 0, 0, 75, 23, M::Image(SkinImage::ButtonStrip), 0, 21, 7, 21, 3, 3, 3, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(GetPixel(s, x, y), Rgb(strip.At(x, 21 + y)));
            EXPECT_EQ(GetPixel(s, 72 + x, y), Rgb(strip.At(4 + x, 21 + y)));
            EXPECT_EQ(GetPixel(s, x, 20 + y), Rgb(strip.At(x, 39 + y)));
            EXPECT_EQ(GetPixel(s, 72 + x, 20 + y), Rgb(strip.At(4 + x, 39 + y)));
        }
    for (int y : {0, 1, 11, 21, 22})
        for (int x : {3, 30, 71}) EXPECT_EQ(GetPixel(s, x, y), GetPixel(s, 3, y)) << x << "," << y;
    EXPECT_EQ(GetPixel(s, 37, 1), Rgb(strip.At(3, 22)));  // the hot rim

    // All borders 0: the normal header tile stretched over 30 x 20, ten columns per source column.
    surface = M::CreateScratchSurface(30, 20);
    s = surface.dc();
    M::NineSliceBlt(s, 0, 0, 30, 20, M::Image(SkinImage::HeaderStrip), 0, 0, 3, 20, 0, 0, 0, 0);
    for (auto [x, y] : {std::pair{0, 0}, {9, 5}, {10, 5}, {25, 18}, {29, 19}})
        EXPECT_EQ(GetPixel(s, x, y), Rgb(images[4].At(x / 10, y))) << x << "," << y;

    // The option dot keyed onto a red background: the background stays around the dot.
    surface = M::CreateScratchSurface(9, 9);
    s = surface.dc();
    HBRUSH red = CreateSolidBrush(RGB(200, 30, 40));
    const RECT all{0, 0, 9, 9};
    FillRect(s, &all, red);
    DeleteObject(red);
    M::KeyColorBlt(s, 2, 2, 5, 5, M::Image(SkinImage::GlyphSheet), 2, 18, RGB(255, 0, 255));
    for (auto [x, y] : {std::pair{0, 0}, {2, 2}, {6, 2}, {2, 6}, {6, 6}, {8, 8}, {1, 4}})
        EXPECT_EQ(GetPixel(s, x, y), RGB(200, 30, 40)) << x << "," << y;
    EXPECT_EQ(GetPixel(s, 3, 2), RGB(84, 183, 29));
    EXPECT_EQ(GetPixel(s, 4, 6), Rgb(images[2].At(4, 22)));
    EXPECT_EQ(GetPixel(s, 2, 4), Rgb(images[2].At(2, 20)));
    EXPECT_EQ(skinner.DetachSkin(form.Hwnd()), 1);
}

// Faces of a push button with a caption wider than the button; the focus rectangle is on every
// face while focused, on none after.
TEST_F(SkinTest, PushButtonFacesCaptionAndFocus) {
    TestForm form;
    SetWindowTextW(form.button, L"下载全部任务列表中的链接地址");
    ASSERT_EQ(skinner.AttachSkin(form.Hwnd()), 1);
    const auto row2Uniform = [&](HDC face) {
        for (int x = 3; x < 72; ++x)
            if (GetPixel(face, x, 2) != GetPixel(face, 3, 2)) return false;
        return true;
    };
    SetFocus(form.button);
    for (int i = 0; i < 4; ++i) {
        HDC face = reinterpret_cast<HDC>(Prop(form.button, (L"HDC" + std::to_wstring(i)).c_str()));
        EXPECT_FALSE(row2Uniform(face)) << "face " << i << " has no focus rectangle";
        // The caption ends in an ellipsis: the rightmost ink is dots on the base line, within the face.
        // (Inside the focus rectangle, which runs along x 2 and 72 and y 2 and 20.)
        int right = -1;
        for (int x = 3; x < 72; ++x)
            for (int y = 3; y < 20; ++y)
                if (Ink(GetPixel(face, x, y), i)) right = x;
        ASSERT_GT(right, 40) << i;
        for (int x = right - 1; x <= right; ++x)
            for (int y = 3; y < 20; ++y)
                if (Ink(GetPixel(face, x, y), i)) {
                    EXPECT_GT(y, 11) << "face " << i << " ink at " << x << "," << y;
                }
    }
    // The disabled face has no black caption.
    HDC disabledFace = reinterpret_cast<HDC>(Prop(form.button, L"HDC3"));
    int black = 0;
    for (int x = 0; x < 75; ++x)
        for (int y = 0; y < 23; ++y) black += GetPixel(disabledFace, x, y) == RGB(0, 0, 0);
    EXPECT_EQ(black, 0);
    SetFocus(form.Hwnd());
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(row2Uniform(reinterpret_cast<HDC>(Prop(form.button, (L"HDC" + std::to_wstring(i)).c_str()))))
            << "face " << i;
    EXPECT_EQ(skinner.DetachSkin(form.Hwnd()), 1);
}

TEST_F(SkinTest, BoxesComboProgressHeaderAndFramesReadBack) {
    TestForm form;
    ASSERT_EQ(skinner.AttachSkin(form.Hwnd()), 1);
    form.Settle();
    const auto images = skin::PaintSkinImages();
    const int bw = GetSystemMetrics(SM_CXMENUCHECK), bh = GetSystemMetrics(SM_CYMENUCHECK);

    // A disabled ticked check box: pale frame, pale tick, never the pressed strip.
    SendMessageW(form.check, BM_SETCHECK, BST_CHECKED, 0);
    EnableWindow(form.check, FALSE);
    SendMessageW(form.check, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5, 5));
    {
        const skin::BoxGeometry g = skin::BoxPieces(bw, bh, 20);
        HDC dc = GetWindowDC(form.check);
        EXPECT_EQ(GetPixel(dc, 0, g.boxY), RGB(164, 207, 233));
        EXPECT_EQ(GetPixel(dc, bw - 1, g.boxY + bh - 1), RGB(164, 207, 233));
        EXPECT_EQ(GetPixel(dc, g.checkX + 8, g.boxY + g.checkY), Rgb(images[2].At(17, 0)));  // pale tick
        EXPECT_EQ(GetPixel(dc, 1, g.boxY + 1), RGB(255, 255, 255));                          // no pressed strip
        ReleaseDC(form.check, dc);
    }
    EnableWindow(form.check, TRUE);

    // A click on the check box repaints the option button of the same parent.
    SetPropW(form.option, L"OLDSTATE", reinterpret_cast<HANDLE>(1));
    {
        HDC dc = GetWindowDC(form.option);
        const RECT box{0, 0, bw, 20};
        FillRect(dc, &box, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        ReleaseDC(form.option, dc);
    }
    SendMessageW(form.check, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(Prop(form.option, L"OLDSTATE"), 0);
    {
        const skin::BoxGeometry g = skin::BoxPieces(bw, bh, 20);
        HDC dc = GetWindowDC(form.option);
        EXPECT_EQ(GetPixel(dc, bw / 2, g.boxY + bh / 2), RGB(255, 255, 255));  // the normal circle's face
        ReleaseDC(form.option, dc);
    }

    // A dropped-down list combo box: its button is pressed whatever state is asked for.
    RECT cr{};
    GetWindowRect(form.dropList, &cr);
    const skin::ComboButtonLayout layout =
        skin::ComboButtonGeometry(cr.right - cr.left, cr.bottom - cr.top, GetSystemMetrics(SM_CXVSCROLL));
    SendMessageW(form.dropList, CB_SHOWDROPDOWN, TRUE, 0);
    SendMessageW(form.dropList, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(Prop(form.dropList, L"OLDSTATE"), 2);
    {
        HDC dc = GetWindowDC(form.dropList);
        EXPECT_EQ(GetPixel(dc, layout.target.x, layout.target.y + 5), RGB(78, 160, 209));  // the face's left edge
        EXPECT_EQ(GetPixel(dc, layout.target.x + layout.arrowX + 3, layout.target.y + layout.arrowY), RGB(25, 85, 95));
        ReleaseDC(form.dropList, dc);
    }
    SendMessageW(form.dropList, CB_SHOWDROPDOWN, FALSE, 0);
    SendMessageW(form.dropList, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(Prop(form.dropList, L"OLDSTATE"), 0);
    {
        HDC dc = GetWindowDC(form.dropList);
        EXPECT_EQ(GetPixel(dc, layout.target.x, layout.target.y + 5), RGB(255, 255, 255));
        ReleaseDC(form.dropList, dc);
    }

    // The editable combo box's button areas: outside the button normal, over it hot, pressed
    // with the left button down.
    GetWindowRect(form.combo, &cr);
    const int cw = cr.right - cr.left, ch = cr.bottom - cr.top;
    struct Move {
        int x, y;
        WPARAM keys;
        std::intptr_t state;
    };
    for (const Move& m : {Move{cw - 10, ch / 2, 0, 1}, Move{10, ch / 2, 0, 0}, Move{cw - 10, ch / 2, MK_LBUTTON, 2},
                          Move{cw - 1, ch / 2, 0, 0}, Move{cw - 2, 2, 0, 1}}) {
        SendMessageW(form.combo, WM_MOUSEMOVE, m.keys, MAKELPARAM(m.x, m.y));
        EXPECT_EQ(Prop(form.combo, L"OLDSTATE"), m.state) << m.x << "," << m.y << " keys " << m.keys;
    }

    // Flat frames: frame blue enabled, pale frame blue disabled.
    const auto frameAt = [&](HWND w) {
        RedrawWindow(w, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        HDC dc = GetWindowDC(w);
        const COLORREF c = GetPixel(dc, 0, 5);
        ReleaseDC(w, dc);
        return c;
    };
    EXPECT_EQ(frameAt(form.combo), RGB(84, 165, 213));
    EXPECT_EQ(frameAt(form.dropList), RGB(84, 165, 213));
    EnableWindow(form.combo, FALSE);
    EXPECT_EQ(frameAt(form.combo), RGB(164, 207, 233));
    EnableWindow(form.combo, TRUE);
    EXPECT_EQ(frameAt(form.list), RGB(84, 165, 213));  // the list's sunken edge flattened

    // A vertical progress bar at half position: the lower half of the client area is filled.
    InvalidateRect(form.progress, nullptr, TRUE);
    UpdateWindow(form.progress);
    {
        RECT client{};
        GetClientRect(form.progress, &client);
        HDC dc = GetDC(form.progress);
        EXPECT_EQ(GetPixel(dc, client.right / 2, client.bottom * 3 / 4), RGB(76, 214, 246));
        EXPECT_EQ(GetPixel(dc, client.right / 2, client.bottom / 4), RGB(255, 255, 255));
        EXPECT_EQ(GetPixel(dc, client.right / 2, client.bottom / 2 + 1), RGB(76, 214, 246));
        EXPECT_EQ(GetPixel(dc, client.right / 2, client.bottom / 2 - 2), RGB(255, 255, 255));
        ReleaseDC(form.progress, dc);
    }

    // The header during a drag: item 0 hot, pressed on button down; the hot item does not change
    // while the button is down; everything back to -1 when the mouse leaves.
    RECT item0{}, item1{};
    SendMessageW(form.header, HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item0));
    SendMessageW(form.header, HDM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&item1));
    struct HeaderRow {
        UINT msg;
        WPARAM keys;
        int x;
        std::intptr_t hot, pressed;
    };
    const HeaderRow rows[] = {
        {WM_MOUSEMOVE, 0, item0.left + 10, 0, -1},
        {WM_LBUTTONDOWN, MK_LBUTTON, item0.left + 10, 0, 0},
        {WM_MOUSEMOVE, MK_LBUTTON, item1.left + 10, 0, 0},
        {WM_MOUSEMOVE, MK_LBUTTON, item0.left + 10, 0, 0},
        {WM_LBUTTONUP, 0, item0.left + 10, 0, -1},
        {WM_MOUSEMOVE, 0, item1.left + 10, 1, -1},
        {WM_MOUSELEAVE, 0, 0, -1, -1},
    };
    for (const HeaderRow& r : rows) {
        SendMessageW(form.header, r.msg, r.keys, MAKELPARAM(r.x, 5));
        EXPECT_EQ(Prop(form.header, L"HMINDEX"), r.hot) << r.msg << " at " << r.x;
        EXPECT_EQ(Prop(form.header, L"HDINDEX"), r.pressed) << r.msg << " at " << r.x;
        if (r.msg == WM_LBUTTONUP) ReleaseCapture();
    }
    SendMessageW(form.header, WM_MOUSEMOVE, 0, MAKELPARAM(item1.left + 10, 5));
    {
        HDC dc = GetWindowDC(form.header);
        EXPECT_EQ(GetPixel(dc, item1.left, 5), RGB(94, 194, 250));  // the hot tile's side column
        EXPECT_NE(GetPixel(dc, item0.left, 5), RGB(94, 194, 250));
        ReleaseDC(form.header, dc);
    }
    EXPECT_EQ(form.drawItems, 0);
    EXPECT_EQ(skinner.DetachSkin(form.Hwnd()), 1);
}

// The handles of the drawing objects a skinned push button holds: its state surfaces and bitmaps.
std::vector<HGDIOBJ> FaceHandles(HWND button) {
    std::vector<HGDIOBJ> handles;
    for (const wchar_t* name : {L"HDC0", L"HDC1", L"HDC2", L"HDC3", L"BMP0", L"BMP1", L"BMP2", L"BMP3"})
        if (HANDLE h = GetPropW(button, name)) handles.push_back(h);
    return handles;
}

int AliveOf(const std::vector<HGDIOBJ>& handles) {
    int alive = 0;
    for (HGDIOBJ h : handles) alive += GetObjectType(h) != 0;
    return alive;
}

TEST_F(SkinTest, MessageBoxOfASkinnedFormIsSkinnedWhileOpen) {
    TestForm form;
    ASSERT_EQ(skinner.AttachSkin(form.Hwnd()), 1);
    const int count = M::AttachedCount();
    const std::optional<DWORD> objects = SystemGdiObjects();
    HWND box = nullptr, ok = nullptr;
    std::set<std::wstring> boxProps, okProps;
    std::vector<HGDIOBJ> okFaces;
    int countWhileOpen = 0;
    test::RunWhen(
        [] {
            HWND open = OwnMessageBox();
            return open && GetPropW(open, L"PROCADDR");
        },
        [&] {
            box = OwnMessageBox();
            ok = FindWindowExW(box, nullptr, L"Button", nullptr);
            boxProps = EngineProps(box);
            okProps = EngineProps(ok);
            okFaces = FaceHandles(ok);
            countWhileOpen = M::AttachedCount();
            PostMessageW(box, WM_COMMAND, IDOK, 0);
        });
    MessageBoxW(form.Hwnd(), L"已完成任务", L"提示", MB_OK);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(boxProps, Props({L"PROCADDR"}));
    EXPECT_EQ(okProps, PushButtonProps());
    EXPECT_GE(countWhileOpen, count + 3);  // the box, its button and its text at least
    EXPECT_FALSE(IsWindow(box));
    EXPECT_EQ(M::AttachedCount(), count);
    // The button's faces went with the box.
    EXPECT_EQ(okFaces.size(), 8u);
    EXPECT_EQ(AliveOf(okFaces), 0);
    EXPECT_EQ(SystemGdiObjects(), objects);
    EXPECT_EQ(skinner.DetachSkin(form.Hwnd()), 1);
}

// A dialog box whose loop sends WM_ENTERIDLE to its owner: a skinned owner skins it then, with
// every window in it. The box is activated while another window is active, so that the owner
// hears only of the idle loop, not of the activation.
TEST_F(SkinTest, DialogBoxIsSkinnedWhenItsOwnerHearsItIsIdle) {
    TestForm form;
    ASSERT_EQ(skinner.AttachSkin(form.Hwnd()), 1);
    HWND other =
        CreateWindowExW(0, L"Static", L"", WS_POPUP | WS_VISIBLE, 0, 0, 40, 40, nullptr, nullptr, nullptr, nullptr);
    SetActiveWindow(other);
    form.idles = 0;
    // One push button, no DS_NOIDLEMSG.
    struct alignas(4) Template {
        DLGTEMPLATE dialog;
        WORD menu, windowClass, title;
        alignas(4) DLGITEMTEMPLATE item;
        WORD itemClass[2];
        WCHAR itemTitle[3];
        WORD extra;
    } dt{{WS_POPUP | WS_CAPTION | WS_VISIBLE | DS_MODALFRAME, 0, 1, 300, 300, 120, 60},
         0,
         0,
         0,
         {WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, 10, 10, 50, 14, IDOK},
         {0xFFFF, 0x0080},  // the Button class
         L"OK",
         0};
    HWND box = nullptr;
    std::set<std::wstring> boxProps, buttonProps;
    std::vector<HWND> activatedWith;
    test::RunWhen([&] { return form.idles > 0 && OwnMessageBox(); },
              [&] {
                  box = OwnMessageBox();
                  boxProps = EngineProps(box);
                  buttonProps = EngineProps(GetDlgItem(box, IDOK));
                  activatedWith = form.activatedWith;
                  EndDialog(box, IDOK);
              });
    DialogBoxIndirectParamW(
        nullptr, &dt.dialog, form.Hwnd(),
        [](HWND, UINT msg, WPARAM, LPARAM) CALLBACK -> INT_PTR { return msg == WM_INITDIALOG; }, 0);
    ASSERT_NE(box, nullptr);
    EXPECT_GT(form.idles, 0);
    EXPECT_EQ(std::count(activatedWith.begin(), activatedWith.end(), box), 0)
        << "the owner heard of the box's activation: the idle loop is not what skinned it";
    EXPECT_EQ(boxProps, Props({L"PROCADDR"}));
    EXPECT_EQ(buttonProps, PushButtonProps());
    EXPECT_FALSE(IsWindow(box));
    DestroyWindow(other);
    EXPECT_EQ(skinner.DetachSkin(form.Hwnd()), 1);
    EXPECT_EQ(M::AttachedCount(), 0);
}

// A combo box's list, dropped down, asks its combo box for its colours: it is skinned then, as a
// drop-down list with a flat frame, and unskinned when it goes (it is no descendant of the form).
TEST_F(SkinTest, DroppedDownListIsSkinnedWhenItAsksForItsColours) {
    HWND list = nullptr;
    {
        TestForm form;
        ASSERT_EQ(skinner.AttachSkin(form.Hwnd()), 1);
        COMBOBOXINFO info{};
        info.cbSize = sizeof(info);
        ASSERT_TRUE(GetComboBoxInfo(form.dropList, &info));
        list = info.hwndList;
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(Prop(list, L"PROCADDR"), 0);
        const int count = M::AttachedCount();
        SendMessageW(form.dropList, CB_SHOWDROPDOWN, TRUE, 0);
        ASSERT_TRUE(test::PumpUntil([&] { return Prop(list, L"PROCADDR") != 0; }, 5000));
        EXPECT_EQ(EngineProps(list), Props({L"PROCADDR"}));
        EXPECT_EQ(M::AttachedCount(), count + 1);
        RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
        {
            RECT rc{};
            GetWindowRect(list, &rc);
            HDC dc = GetWindowDC(list);
            EXPECT_EQ(GetPixel(dc, 0, 5), RGB(84, 165, 213));
            EXPECT_EQ(GetPixel(dc, rc.right - rc.left - 1, 5), RGB(84, 165, 213));
            EXPECT_EQ(GetPixel(dc, 1, 5), RGB(255, 255, 255));
            ReleaseDC(list, dc);
        }
        SendMessageW(form.dropList, CB_SHOWDROPDOWN, FALSE, 0);
        EXPECT_EQ(skinner.DetachSkin(form.Hwnd()), 1);
        EXPECT_NE(Prop(list, L"PROCADDR"), 0);
        EXPECT_EQ(M::AttachedCount(), 1);
    }
    EXPECT_FALSE(IsWindow(list));
    EXPECT_EQ(M::AttachedCount(), 0);
    EXPECT_FALSE(M::ImagesReady());
}

// A subclass installed after the skin (the comctl32 kind a form puts on its controls) stays in
// place when the skin is detached: it still gets every message, the control behind it still
// works, and it still sees the window's last message. Skinned again, the control is handled once.
TEST_F(SkinTest, SubclassInstalledAfterTheSkinSurvivesItsDetach) {
    struct Log {
        std::vector<UINT> messages;
    } log;
    const SUBCLASSPROC record = [](HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR data)
                                    CALLBACK -> LRESULT {
        reinterpret_cast<Log*>(data)->messages.push_back(msg);
        if (msg == WM_NCDESTROY) RemoveWindowSubclass(hwnd, reinterpret_cast<SUBCLASSPROC>(id), id);
        return DefSubclassProc(hwnd, msg, wParam, lParam);
    };
    HWND b = nullptr;
    {
        TestForm form;
        b = form.nested;
        const LONG_PTR style = GetWindowLongPtrW(b, GWL_STYLE);
        ASSERT_EQ(skinner.AttachSkin(form.Hwnd()), 1);
        // The subclass id is the procedure itself, so that it can take itself out at the end.
        ASSERT_TRUE(
            SetWindowSubclass(b, record, reinterpret_cast<UINT_PTR>(record), reinterpret_cast<DWORD_PTR>(&log)));
        const LONG_PTR subclassed = GetWindowLongPtrW(b, GWLP_WNDPROC);
        ASSERT_NE(subclassed, reinterpret_cast<LONG_PTR>(&M::SkinWndProc));

        ASSERT_EQ(skinner.DetachSkin(form.Hwnd()), 1);
        EXPECT_EQ(GetWindowLongPtrW(b, GWLP_WNDPROC), subclassed);
        EXPECT_TRUE(EngineProps(b).empty());
        EXPECT_EQ(GetWindowLongPtrW(b, GWL_STYLE), style);
        log.messages.clear();
        SendMessageW(b, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"继续"));
        ASSERT_FALSE(log.messages.empty());
        EXPECT_EQ(log.messages.front(), static_cast<UINT>(WM_SETTEXT));  // then the button's own repaint
        EXPECT_EQ(test::TextOf(b), L"继续");
        SendMessageW(b, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
        EXPECT_TRUE(EngineProps(b).empty());  // no skin handling any more

        // Skinned again: in its old place, behind the subclass, and once.
        ASSERT_EQ(skinner.AttachSkin(form.Hwnd()), 1);
        EXPECT_EQ(GetWindowLongPtrW(b, GWLP_WNDPROC), subclassed);
        EXPECT_NE(Prop(b, L"PROCADDR"), 0);
        log.messages.clear();
        SendMessageW(b, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
        EXPECT_EQ(log.messages.size(), 1u);
        EXPECT_EQ(Prop(b, L"OLDSTATE"), 1);
        EXPECT_EQ(Prop(b, L"MOUSEFLAG"), 1);
        TRACKMOUSEEVENT cancel{sizeof(cancel), TME_CANCEL | TME_LEAVE, b, 0};
        TrackMouseEvent(&cancel);
        ASSERT_EQ(skinner.DetachSkin(form.Hwnd()), 1);
        log.messages.clear();
    }
    EXPECT_FALSE(IsWindow(b));
    ASSERT_FALSE(log.messages.empty());
    EXPECT_EQ(log.messages.back(), static_cast<UINT>(WM_NCDESTROY));
    EXPECT_EQ(M::AttachedCount(), 0);
}

// Every drawing object a round made is gone when its detach returns: the system is asked of each
// handle of every push button's faces and of the images, and, where it keeps one, of the process's
// count of GDI objects, which must not grow over the rounds.
TEST_F(SkinTest, TwoHundredRoundsLeaveNoDrawingObjectsBehind) {
    TestForm form;
    std::optional<DWORD> before;
    int alive = 0;
    for (int round = 0; round < 200; ++round) {
        ASSERT_EQ(skinner.AttachSkin(form.Hwnd()), 1) << round;
        SendMessageW(form.button, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
        for (int i = 0; i < 5; ++i) SendMessageW(form.button, WM_TIMER, 1, 0);
        SendMessageW(form.button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
        SendMessageW(form.button, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
        SendMessageW(form.button, WM_MOUSELEAVE, 0, 0);
        SendMessageW(form.header, WM_MOUSEMOVE, 0, MAKELPARAM(10, 5));
        SendMessageW(form.combo, WM_MOUSEMOVE, 0, MAKELPARAM(140, 5));
        SendMessageW(form.check, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
        SendMessageW(form.option, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        if (round % 50 == 0) {
            // A resize, real fade ticks (three at least) and paints.
            SetWindowPos(form.nested, nullptr, 0, 0, 80 + round / 50, 24, SWP_NOMOVE | SWP_NOZORDER);
            EXPECT_TRUE(test::PumpUntil([&] { return Prop(form.button, L"ALPHALEVEL") >= 9; }, 5000)) << round;
            form.Settle();
        }
        std::vector<HGDIOBJ> held;
        for (HWND button : {form.button, form.disabled, form.dialogCheck, form.nested})
            for (HGDIOBJ h : FaceHandles(button)) held.push_back(h);
        for (int i = 0; i < skin::kSkinImageCount; ++i) {
            HDC image = M::Image(static_cast<skin::SkinImage>(i));
            held.push_back(image);
            held.push_back(GetCurrentObject(image, OBJ_BITMAP));
        }
        ASSERT_EQ(held.size(), 4u * 8 + 2 * skin::kSkinImageCount) << round;
        ASSERT_EQ(skinner.DetachSkin(form.Hwnd()), 1) << round;
        alive += AliveOf(held);
        if (round == 0) before = SystemGdiObjects();
    }
    EXPECT_EQ(alive, 0);
    EXPECT_EQ(SystemGdiObjects(), before);
}

test::Capture Zoomed(const test::Capture& in, int factor) {
    test::Capture out;
    out.width = in.width * factor;
    out.height = in.height * factor;
    out.pixels.resize(static_cast<std::size_t>(out.width) * out.height);
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x)
            out.pixels[static_cast<std::size_t>(y) * out.width + x] = in.At(x / factor, y / factor);
    return out;
}

// One sheet of the skinned looks (zoomed 3x), the About window and a message box, for the README.
TEST_F(SkinTest, ScreenshotsOfTheSkinnedLooks) {
    TestForm form;
    SetWindowPos(form.Hwnd(), HWND_TOP, 700, 600, 560, 380, 0);
    SetWindowPos(form.progress, nullptr, 520, 20, 20, 100, SWP_NOZORDER);
    SetWindowPos(form.dropList, nullptr, 350, 180, 150, 200, SWP_NOZORDER);
    const wchar_t* states[] = {L"正常", L"热", L"按下", L"禁用"};
    HWND buttons[4], checks[4], options[4];
    for (int i = 0; i < 4; ++i) {
        const DWORD disabled = i == 3 ? WS_DISABLED : 0;
        buttons[i] = form.Child(L"Button", states[i], BS_PUSHBUTTON | disabled, 10 + 85 * i, 250, 75, 23);
        checks[i] = form.Child(L"ThunderRT6CheckBox", states[i], BS_AUTOCHECKBOX | disabled, 10 + 85 * i, 280, 80, 20);
        options[i] =
            form.Child(L"ThunderRT6OptionButton", states[i], BS_RADIOBUTTON | disabled, 10 + 85 * i, 305, 80, 20);
        SendMessageW(checks[i], BM_SETCHECK, i == 0 ? BST_UNCHECKED : BST_CHECKED, 0);
        SendMessageW(options[i], BM_SETCHECK, i == 0 ? BST_UNCHECKED : BST_CHECKED, 0);
    }
    HWND hotCombo = form.Child(L"ComboBox", L"", CBS_DROPDOWNLIST | WS_VSCROLL, 350, 250, 150, 200);
    HWND bar = form.Child(L"msctls_progress32", L"", 0, 350, 285, 150, 16);
    (void)bar;
    HWND level = form.Child(L"ProgressBar20WndClass", L"", 0, 350, 310, 150, 16);
    SendMessageW(level, PBM_SETRANGE32, 0, 30000);
    SendMessageW(level, PBM_SETPOS, 18000, 0);
    ASSERT_EQ(skinner.AttachSkin(form.Hwnd()), 1);
    form.Settle();
    for (int i = 0; i < 4; ++i) {
        SetPropW(buttons[i], L"OLDSTATE", reinterpret_cast<HANDLE>(static_cast<INT_PTR>(i)));
        SetPropW(buttons[i], L"ALPHALEVEL", reinterpret_cast<HANDLE>(255));
        M::BlendButtonFace(buttons[i]);
        M::PaintCheckBox(*M::SkinnedWindowOf(checks[i]), i < 3 ? i : 0, true);
        M::PaintOptionButton(*M::SkinnedWindowOf(options[i]), i < 3 ? i : 0, true);
    }
    M::PaintComboButton(*M::SkinnedWindowOf(hotCombo), nullptr, 1, true);
    SetPropW(form.header, L"HMINDEX", reinterpret_cast<HANDLE>(0));
    SetPropW(form.header, L"HDINDEX", reinterpret_cast<HANDLE>(1));
    M::PaintHeaderItem(form.header, nullptr, 0, 1);
    M::PaintHeaderItem(form.header, nullptr, 1, 2);
    MSG pending;
    PeekMessageW(&pending, nullptr, 0, 0, PM_NOREMOVE);  // lets Wine put the window surfaces on the screen
    const test::Capture sheet = test::CaptureWindow(form.Hwnd());
    ASSERT_GT(sheet.width, 0);
    const std::wstring dir = test::ScreenshotDir();
    EXPECT_TRUE(test::SavePng(Zoomed(sheet, 2), dir + L"\\skin-looks.png"));

    // The About window skins itself.
    AboutWindow about;
    ASSERT_TRUE(about.Create(form.Hwnd()));
    about.Show();
    form.Settle();
    RedrawWindow(about.Hwnd(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    EXPECT_NE(GetPropW(about.Hwnd(), L"PROCADDR"), nullptr);
    EXPECT_TRUE(test::SavePng(test::CaptureWindow(about.Hwnd()), dir + L"\\about.png"));
    DestroyWindow(about.Hwnd());

    // A message box of the skinned form, captured once it has drawn itself: its owner's first
    // WM_ENTERIDLE comes when the box's queue is empty, its painting done.
    bool captured = false;
    form.idles = 0;
    test::RunWhen(
        [&] {
            HWND open = OwnMessageBox();
            return open && GetPropW(open, L"PROCADDR") && form.idles > 0;
        },
        [&] {
            HWND box = OwnMessageBox();
            captured =
                box && GetPropW(box, L"PROCADDR") && test::SavePng(test::CaptureWindow(box), dir + L"\\messagebox.png");
            PostMessageW(box, WM_COMMAND, IDOK, 0);
        });
    MessageBoxW(form.Hwnd(), L"已完成任务，共成功4个,失败0个，请在qvod快播里点击全部接收,以完成后续下载。", L"提示",
                MB_OK | MB_ICONINFORMATION);
    EXPECT_TRUE(captured);
    EXPECT_EQ(skinner.DetachSkin(form.Hwnd()), 1);
}

}  // namespace
}  // namespace ferrik
