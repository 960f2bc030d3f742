#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "controls/tesselbutton_win.h"
#include "forms/form_controls_win.h"
#include "host/support/fake_button_host.h"
#include "host/support/icon_file.h"
#include "platform/pump_win.h"
#include "win/support/ui_driver.h"

namespace ferrik {
namespace {

using Recorder = test::EventLog;
using test::IconFile;

// A top-level form that records the button notifications it receives.
class Form {
public:
    explicit Form(DWORD exStyle = 0) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"TesselButtonTestForm";
        RegisterClassW(&wc);
        hwnd = CreateWindowExW(exStyle, wc.lpszClassName, L"form", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 400, 300,
                               nullptr, nullptr, wc.hInstance, nullptr);
        s_commands.clear();
    }
    ~Form() { DestroyWindow(hwnd); }
    static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
        // A menu's modal loop tells its owner when it waits for input: the menu is up then.
        if (msg == WM_ENTERIDLE && wParam == MSGF_MENU && s_menuIdle) std::exchange(s_menuIdle, nullptr)();
        if (msg == WM_COMMAND) {
            s_commands += std::to_string(LOWORD(wParam)) + ":" + std::to_string(HIWORD(wParam)) + " ";
        }
        return DefWindowProcW(h, msg, wParam, lParam);
    }
    HWND hwnd;
    static inline std::string s_commands;
    static inline std::function<void()> s_menuIdle;
};

LPARAM Point(int x, int y) {
    return MAKELPARAM(x, y);
}

TEST(TesselButtonWindow, ClassSizeLimitClicksAndNotifications) {
    Form form;
    Recorder events;
    TesselButtonWindow button(events);
    ASSERT_TRUE(button.Create(form.hwnd, 7, RECT{10, 10, 15, 15}, nullptr, u"tesselbutton1"));
    wchar_t name[64] = {};
    GetClassNameW(button.Hwnd(), name, 64);
    EXPECT_STREQ(name, L"tesselbutton");
    RECT rc;
    GetWindowRect(button.Hwnd(), &rc);
    const int minimum = MulDiv(220, ScreenDpi(), 1440);
    EXPECT_EQ(rc.right - rc.left, minimum);
    EXPECT_EQ(rc.bottom - rc.top, minimum);
    EXPECT_EQ(button.Button().Caption(), u"tesselbutton1");

    SetWindowPos(button.Hwnd(), nullptr, 10, 10, 80, 24, SWP_NOZORDER);
    PumpPendingMessages();
    // The first press takes the focus, which may activate the form (another test program may hold
    // the foreground) and so repaint; count from after it. Nothing is pumped from here on.
    SendMessageW(button.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, Point(10, 10));
    EXPECT_EQ(GetFocus(), button.Hwnd());
    EXPECT_EQ(button.Button().State(), 2);
    const int before = button.RepaintCount();
    SendMessageW(button.Hwnd(), WM_LBUTTONUP, 0, Point(10, 10));
    SendMessageW(button.Hwnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, Point(10, 10));
    SendMessageW(button.Hwnd(), WM_LBUTTONUP, 0, Point(10, 10));
    EXPECT_EQ(events.log, "MouseDown Click MouseUp MouseDown DblClick Click MouseUp");
    EXPECT_EQ(button.RepaintCount() - before, 3);
    EXPECT_EQ(Form::s_commands, "7:0 7:0 ");  // BN_CLICKED is 0

    events.log.clear();
    SendMessageW(button.Hwnd(), WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ(button.Button().State(), 2);
    SendMessageW(button.Hwnd(), WM_KEYUP, VK_SPACE, 0);
    EXPECT_EQ(events.log, "KeyDown Click KeyUp");

    button.Button().SetEnabled(false);
    EXPECT_FALSE(IsWindowEnabled(button.Hwnd()));
}

TEST(TesselButtonWindow, ArrowsFollowTheTabOrderAndActivationIsObserved) {
    Form form;
    Recorder e1, e2, e3;
    TesselButtonWindow b1(e1), b2(e2), b3(e3);
    ASSERT_TRUE(b1.Create(form.hwnd, 1, RECT{10, 10, 90, 34}, nullptr, u"b1"));
    ASSERT_TRUE(b2.Create(form.hwnd, 2, RECT{10, 40, 90, 64}, nullptr, u"b2"));
    ASSERT_TRUE(b3.Create(form.hwnd, 3, RECT{10, 70, 90, 94}, nullptr, u"b3"));
    SetFocus(b2.Hwnd());
    SendMessageW(b2.Hwnd(), WM_KEYDOWN, VK_RIGHT, 0);
    EXPECT_EQ(GetFocus(), b3.Hwnd());
    SendMessageW(b3.Hwnd(), WM_KEYDOWN, VK_UP, 0);
    EXPECT_EQ(GetFocus(), b2.Hwnd());
    SendMessageW(b2.Hwnd(), WM_KEYDOWN, VK_LEFT, 0);
    EXPECT_EQ(GetFocus(), b1.Hwnd());

    // The form's own handling still runs: it is activated and deactivated as usual.
    SendMessageW(form.hwnd, WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_TRUE(b1.Button().ParentActive());
    EXPECT_TRUE(b3.Button().ParentActive());
    SendMessageW(form.hwnd, WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_FALSE(b2.Button().ParentActive());

    // Option buttons in one container.
    b1.Button().SetMode(2);
    b2.Button().SetMode(2);
    SendMessageW(b1.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, Point(5, 5));
    SendMessageW(b1.Hwnd(), WM_LBUTTONUP, 0, Point(5, 5));
    SendMessageW(b2.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, Point(5, 5));
    SendMessageW(b2.Hwnd(), WM_LBUTTONUP, 0, Point(5, 5));
    EXPECT_FALSE(b1.Button().Value());
    EXPECT_TRUE(b2.Button().Value());
}

TEST(TesselButtonWindow, HoverTracksLeaveAndBuildsTheTooltip) {
    // On top: other test programs may have windows of their own on the display at the same time.
    Form form(WS_EX_TOPMOST);
    SetForegroundWindow(form.hwnd);
    Recorder events;
    TesselButtonWindow button(events);
    ASSERT_TRUE(button.Create(form.hwnd, 1, RECT{20, 20, 120, 50}, nullptr, u"b"));
    button.Button().SetToolTip(u"提示文字");
    button.Button().SetTooltipTitle(u"标题");
    button.Button().SetToolTipType(1);
    button.Button().SetToolTipIcon(2);
    PumpPendingMessages();

    POINT centre{50, 15};
    ClientToScreen(button.Hwnd(), &centre);
    auto cursorOnButton = [&] {
        POINT at;
        return GetCursorPos(&at) && at.x == centre.x && at.y == centre.y && WindowFromPoint(at) == button.Hwnd();
    };
    test::PumpUntil(
        [&] {
            SetCursorPos(centre.x, centre.y);
            return cursorOnButton();
        },
        2000);
    SendMessageW(button.Hwnd(), WM_MOUSEMOVE, 0, Point(30, 15));
    if (!cursorOnButton()) GTEST_SKIP() << "the display does not place the cursor";
    EXPECT_EQ(button.Button().State(), 1);

    const HWND tip = button.Tooltip();
    ASSERT_NE(tip, nullptr);
    wchar_t name[64] = {};
    GetClassNameW(tip, name, 64);
    EXPECT_STREQ(name, L"tooltips_class32");
    const LONG_PTR style = GetWindowLongPtrW(tip, GWL_STYLE);
    EXPECT_EQ(style & (TTS_ALWAYSTIP | TTS_NOPREFIX | TTS_BALLOON), TTS_ALWAYSTIP | TTS_NOPREFIX | TTS_BALLOON);
    EXPECT_EQ(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
    wchar_t text[80] = {};
    TOOLINFOW ti{};
    ti.cbSize = TTTOOLINFOW_V2_SIZE;
    ti.lpszText = text;
    ASSERT_TRUE(SendMessageW(tip, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&ti)));
    EXPECT_EQ(ti.uFlags & (TTF_IDISHWND | TTF_SUBCLASS), static_cast<UINT>(TTF_IDISHWND | TTF_SUBCLASS));
    EXPECT_STREQ(text, L"提示文字");
    EXPECT_EQ(SendMessageW(tip, TTM_GETMAXTIPWIDTH, 0, 0), 240);
    // (Wine's tooltip answers TTM_GETTITLE with an empty title even right after TTM_SETTITLEW, so the
    // title and icon are checked as the setup the host tests cover.)

    // Moving the cursor away ends in a leave notification from the tracking.
    SetCursorPos(centre.x + 300, centre.y + 300);
    test::PumpUntil([&] { return events.log.find("MouseLeave") != std::string::npos; }, 5000);
    EXPECT_EQ(button.Button().State(), 0);
    EXPECT_NE(events.log.find("MouseLeave"), std::string::npos) << events.log;
}

TEST(TesselButtonWindow, StoredButtonsComeBackFromTheirFile) {
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    const std::filesystem::path path = std::filesystem::path(dir) / L"ferrik_tesselbuttons.frm";
    Form form;
    Recorder events;
    std::vector<StoredControl> stored(1);
    stored[0].name = "cmdGo";
    {
        TesselButtonWindow button(events);
        ASSERT_TRUE(button.Create(form.hwnd, 1, RECT{10, 10, 90, 34}, nullptr, u"cmdGo"));
        button.Button().SetCaption(u"下载(&D)");
        button.Button().SetButtonStyle(4);
        button.Button().WriteProperties(stored[0].bag);
    }
    SaveDesignFile(path, stored);
    SaveDesignFile(path, stored);  // replaces the file it wrote before
    const std::vector<StoredControl> back = LoadDesignFile(path);
    DeleteFileW(path.c_str());
    ASSERT_EQ(back.size(), 1u);
    TesselButtonWindow loaded(events);
    ASSERT_TRUE(loaded.Create(form.hwnd, 2, RECT{10, 40, 90, 64}, &back[0].bag, u"cmdGo"));
    EXPECT_EQ(loaded.Button().Caption(), u"下载(&D)");
    EXPECT_EQ(loaded.Button().ButtonStyle(), 4);
    EXPECT_EQ(loaded.AccessKey(), u'd');
    EXPECT_GT(loaded.RepaintCount(), 0);
}

// A form's buttons from its layout table and design text; keys of the form reach them.
TEST(TesselButtonWindow, FormPlacesItsButtonsAndGivesThemItsKeys) {
    constexpr std::string_view kDesign = R"design(Begin tesselbutton Command5
    Caption = "后退(&B)"
    ToolTip = "后退"
End
Begin tesselbutton Command7
    Caption = "添加当前页"
    Mode = 1
End
)design";
    constexpr ControlLayout kLayout[] = {
        {5, "Command5", ControlKind::TesselButton, {120, 75, 615, 495}, u""},
        {6, "Command6", ControlKind::TesselButton, {840, 75, 615, 495}, u""},
        {7, "Command7", ControlKind::TesselButton, {3720, 75, 1335, 495}, u""},
    };
    Form form;
    FormButtons buttons(kDesign);
    Recorder back, forward, add;
    Recorder* handlers[] = {&back, &forward, &add};
    const UniqueGdi<HFONT> font = CreateFormFont(96);
    for (int i = 0; i < 3; ++i) ASSERT_NE(buttons.Create(kLayout[i], form.hwnd, 96, handlers[i], font.get()), nullptr);
    const HWND edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 8, 60, 100, 20, form.hwnd,
                                      nullptr, nullptr, nullptr);

    // At 96 dpi: 15 twips a pixel, halves away from zero.
    struct Placed {
        int id;
        RECT pixels;
        const char16_t* caption;
    };
    const Placed kPlaced[] = {
        {5, {8, 5, 49, 38}, u"后退(&B)"}, {6, {56, 5, 97, 38}, u"Command6"}, {7, {248, 5, 337, 38}, u"添加当前页"}};
    for (const Placed& p : kPlaced) {
        TesselButtonWindow* b = buttons.Find(p.id);
        ASSERT_NE(b, nullptr) << p.id;
        EXPECT_EQ(GetDlgCtrlID(b->Hwnd()), p.id);
        RECT rc;
        GetWindowRect(b->Hwnd(), &rc);
        MapWindowPoints(nullptr, form.hwnd, reinterpret_cast<POINT*>(&rc), 2);
        EXPECT_TRUE(EqualRect(&rc, &p.pixels))
            << p.id << ": " << rc.left << "," << rc.top << "," << rc.right << "," << rc.bottom;
        EXPECT_EQ(b->Button().Caption(), p.caption);
    }
    EXPECT_EQ(buttons.Find(7)->Button().Mode(), 1);
    EXPECT_EQ(buttons.Find(5)->Button().Font().name, u"宋体");    // stored without a font: the form's
    EXPECT_EQ(buttons.Find(6)->Button().Font().name, u"Tahoma");  // a new instance
    EXPECT_EQ(buttons.Find(8), nullptr);

    buttons.SetDefault(7);
    buttons.SetCancel(5);
    EXPECT_TRUE(buttons.Find(7)->Button().DisplayAsDefault());
    EXPECT_FALSE(buttons.Find(5)->Button().DisplayAsDefault());

    // Keys as the message loop sees them: (focus, message, key) → used before the dialog handling,
    // and the events of back and add once the dialog handling had the keys left over.
    struct Key {
        HWND focus;
        UINT message;
        WPARAM key;
        bool used;
        const char* back;
        const char* add;
    };
    const HWND b5 = buttons.Find(5)->Hwnd();
    const Key kKeys[] = {
        {edit, WM_SYSCHAR, 'B', true, "Click", ""},        // Alt+B: the access key of 后退(&B)
        {edit, WM_SYSCHAR, 'x', false, "", ""},            // nobody's access key
        {edit, WM_KEYDOWN, VK_RETURN, true, "", ""},       // the default button, a check button: no Click
        {edit, WM_KEYDOWN, VK_ESCAPE, true, "Click", ""},  // the cancel button
        {b5, WM_KEYDOWN, VK_RETURN, false, "Click KeyDown KeyPress", ""},  // a focused button takes Enter
        {b5, WM_KEYDOWN, VK_ESCAPE, true, "Click", ""},                    // but Escape still goes to the cancel button
        {edit, WM_KEYDOWN, 'A', false, "", ""},
    };
    for (const Key& k : kKeys) {
        SetFocus(k.focus);
        back.log.clear();
        add.log.clear();
        MSG msg{k.focus, k.message, k.key, 0, 0, {}};
        EXPECT_EQ(TranslateFormButtonKey(msg), k.used) << k.message << " " << k.key;
        if (!k.used && k.message == WM_KEYDOWN) IsDialogMessageW(form.hwnd, &msg);
        PumpPendingMessages();  // the characters the keys made
        EXPECT_EQ(back.log, k.back) << k.message << " " << k.key;
        EXPECT_EQ(add.log, k.add) << k.message << " " << k.key;
    }
    EXPECT_TRUE(forward.log.empty());
    // The default button displays as default unless another button has the focus.
    for (const auto& [focus, displays] : {std::pair{edit, true},
                                          {b5, false},
                                          {buttons.Find(7)->Hwnd(), true},
                                          {buttons.Find(6)->Hwnd(), false},
                                          {edit, true}}) {
        SetFocus(focus);
        EXPECT_EQ(buttons.Find(7)->Button().DisplayAsDefault(), displays);
    }
    // A click reaches the handlers and, as BN_CLICKED, the form.
    Form::s_commands.clear();
    buttons.Find(6)->Button().OnAccessKeyPress(13);
    EXPECT_EQ(forward.log, "Click");
    EXPECT_EQ(Form::s_commands, "6:0 ");
    // A disabled button keeps no access key.
    EnableWindow(b5, FALSE);
    MSG alt{edit, WM_SYSCHAR, 'b', 0, 0, {}};
    EXPECT_FALSE(TranslateFormButtonKey(alt));
}

// Creation state, the container's tooltip for a shown or hidden button, About and OpenWebsite.
TEST(TesselButtonWindow, CreationShowingAboutAndWebsite) {
    Form form;
    Recorder events;
    TesselButtonWindow button(events);
    ASSERT_TRUE(button.Create(form.hwnd, 1, RECT{10, 10, 90, 34}, nullptr, u"b"));
    EXPECT_EQ(button.Effects().lighter[128], 147);  // 128 x 293 / 255
    EXPECT_EQ(button.Effects().lighter[255], 255);
    EXPECT_EQ(button.Effects().darker[255], 217);
    EXPECT_TRUE(button.IsNt());
    EXPECT_NE(button.ShellLibrary(), nullptr);

    const HWND tips = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                                      CW_USEDEFAULT, CW_USEDEFAULT, form.hwnd, nullptr, nullptr, nullptr);
    button.SetContainerTooltips(tips);
    button.Button().SetToolTip(u"后退");
    struct Step {
        int show;
        const char16_t* containerTip;
        LRESULT tools;
    };
    for (const Step& step : {Step{SW_HIDE, u"后退", 1}, Step{SW_SHOW, u"", 0}, Step{SW_HIDE, u"后退", 1}}) {
        ShowWindow(button.Hwnd(), step.show);
        EXPECT_EQ(button.ContainerToolTip(), step.containerTip) << step.show;
        EXPECT_EQ(SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0), step.tools) << step.show;
    }
    wchar_t tipText[80] = {};
    TOOLINFOW ti{};
    ti.cbSize = TTTOOLINFOW_V2_SIZE;
    ti.hwnd = form.hwnd;
    ti.uId = reinterpret_cast<UINT_PTR>(button.Hwnd());
    ti.lpszText = tipText;
    SendMessageW(tips, TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&ti));
    EXPECT_STREQ(tipText, L"后退");
    DestroyWindow(tips);

    // About: read the box from inside its modal loop, then close it.
    static std::wstring s_aboutText;
    static bool s_aboutIcon;
    s_aboutText.clear();
    s_aboutIcon = false;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) CALLBACK {
        const HWND box = FindWindowW(L"#32770", L"About");
        if (!box) return;
        for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            wchar_t cls[16] = {}, text[200] = {};
            GetClassNameW(child, cls, 16);
            if (lstrcmpiW(cls, L"Static") != 0) continue;
            if ((GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
                s_aboutIcon = SendMessageW(child, STM_GETICON, 0, 0) ==
                              reinterpret_cast<LRESULT>(LoadIconW(nullptr, IDI_INFORMATION));
            } else if (GetWindowTextW(child, text, 200) > 0) {
                s_aboutText = text;
            }
        }
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    button.About();
    KillTimer(nullptr, timer);
    EXPECT_EQ(s_aboutText.rfind(L"Tesselbutton v 1.02", 0), 0u) << std::string(s_aboutText.begin(), s_aboutText.end());
    EXPECT_TRUE(s_aboutIcon);

    // OpenWebsite hands the address to the shell's "open": a batch file shows that it ran.
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    const std::wstring stem = std::wstring(dir) + L"ferrik_website_" + std::to_wstring(GetCurrentProcessId());
    const std::wstring done = stem + L".txt";
    {
        const std::string bat = "echo ok>\"" + std::string(done.begin(), done.end()) + "\"\r\n";
        HANDLE f = CreateFileW((stem + L".bat").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(f, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(f, bat.data(), static_cast<DWORD>(bat.size()), &written, nullptr);
        CloseHandle(f);
    }
    button.OpenWebsite(reinterpret_cast<const char16_t*>((stem + L".bat").c_str()));
    button.OpenWebsite(u"ferrik-no-such-scheme:nothing");  // no error reaches the caller
    EXPECT_TRUE(test::PumpUntil([&] { return GetFileAttributesW(done.c_str()) != INVALID_FILE_ATTRIBUTES; }));
    // The batch file may still hold it open.
    test::PumpUntil([&] { return DeleteFileW(done.c_str()) != FALSE; }, 2000);
    DeleteFileW((stem + L".bat").c_str());
}

TEST(TesselButtonWindow, MouseIconBecomesThePointer) {
    // Which files are icons or cursors is the portable reader's (its host tests take the hostile
    // files); here the system makes pointers of what it reads.
    std::vector<std::uint8_t> bitmap = IconFile(1);
    bitmap[0] = 'B', bitmap[1] = 'M';
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        bool pointer;
    };
    const Case cases[] = {{"icon", IconFile(1), true}, {"cursor", IconFile(2), true}, {"bitmap", bitmap, false}};
    for (const Case& c : cases) EXPECT_EQ(CursorFromFileImage(c.bytes).get() != nullptr, c.pointer) << c.what;

    Form form;
    Recorder events;
    TesselButtonWindow button(events);
    ASSERT_TRUE(button.Create(form.hwnd, 1, RECT{10, 10, 90, 34}, nullptr, u"b"));
    const LPARAM overClient = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
    button.Button().SetMouseIcon(Picture{IconFile(2)});
    EXPECT_EQ(button.Button().MousePointer(), 99);
    ASSERT_NE(button.MouseCursor(), nullptr);
    EXPECT_TRUE(SendMessageW(button.Hwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(button.Hwnd()), overClient));
    EXPECT_EQ(GetCursor(), button.MouseCursor());
    button.Button().SetMouseIcon(Picture{bitmap});  // not an icon: ignored, no pointer of its own
    EXPECT_EQ(button.MouseCursor(), nullptr);
    button.Button().SetMouseIcon(std::nullopt);
    EXPECT_EQ(button.Button().MousePointer(), 0);

    // Loaded with a stored icon.
    PropertyBag bag;
    bag.Store("MousePointer", std::int32_t{99});
    bag.Store("MouseIcon", Picture{IconFile(1)});
    TesselButtonWindow loaded(events);
    ASSERT_TRUE(loaded.Create(form.hwnd, 2, RECT{10, 40, 90, 64}, &bag, u"b2"));
    EXPECT_NE(loaded.MouseCursor(), nullptr);
}

// System colour and theme changes come to top-level windows only; an MDI child learns its
// activation from WM_NCACTIVATE. The button observes both and the windows' own handling still runs.
TEST(TesselButtonWindow, TopLevelChangesAndMdiActivationReachTheButton) {
    Form form;
    const HWND box =
        CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 200, 100, form.hwnd, nullptr, nullptr, nullptr);
    Recorder events;
    TesselButtonWindow button(events);
    ASSERT_TRUE(button.Create(box, 1, RECT{10, 10, 90, 34}, nullptr, u"b"));
    struct Sent {
        UINT message;
        int repaints;
    };
    const int themedRepaint = button.IsAppThemed() ? 1 : 0;
    for (const Sent& s :
         {Sent{WM_THEMECHANGED, 1}, Sent{WM_SYSCOLORCHANGE, themedRepaint}, Sent{WM_SETTINGCHANGE, 0}}) {
        const int before = button.RepaintCount();
        SendMessageW(form.hwnd, s.message, 0, 0);
        EXPECT_EQ(button.RepaintCount() - before, s.repaints) << s.message;
    }
    SendMessageW(form.hwnd, WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_TRUE(button.Button().ParentActive());

    static int s_childNcActivates;
    s_childNcActivates = 0;
    WNDCLASSW frameClass{};
    frameClass.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) CALLBACK -> LRESULT {
        return DefFrameProcW(h, FindWindowExW(h, nullptr, L"MDICLIENT", nullptr), m, w, l);
    };
    frameClass.hInstance = GetModuleHandleW(nullptr);
    frameClass.lpszClassName = L"TesselButtonTestFrame";
    RegisterClassW(&frameClass);
    WNDCLASSW childClass = frameClass;
    childClass.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) CALLBACK -> LRESULT {
        if (m == WM_NCACTIVATE) ++s_childNcActivates;
        return DefMDIChildProcW(h, m, w, l);
    };
    childClass.lpszClassName = L"TesselButtonTestChild";
    RegisterClassW(&childClass);
    const HWND frame = CreateWindowExW(0, frameClass.lpszClassName, L"frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 60, 60,
                                       500, 400, nullptr, nullptr, frameClass.hInstance, nullptr);
    CLIENTCREATESTRUCT ccs{nullptr, 5000};
    const HWND client = CreateWindowExW(0, L"MDICLIENT", nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 480,
                                        360, frame, nullptr, frameClass.hInstance, &ccs);
    MDICREATESTRUCTW mcs{childClass.lpszClassName, L"child", frameClass.hInstance, 0, 0, 300, 200, WS_VISIBLE, 0};
    const HWND child = reinterpret_cast<HWND>(SendMessageW(client, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mcs)));
    ASSERT_NE(child, nullptr);
    TesselButtonWindow inChild(events);
    ASSERT_TRUE(inChild.Create(child, 2, RECT{10, 10, 90, 34}, nullptr, u"c"));
    struct Activation {
        HWND to;
        UINT message;
        WPARAM wParam;
        bool active;
    };
    const Activation steps[] = {
        {child, WM_NCACTIVATE, TRUE, true},     {child, WM_NCACTIVATE, FALSE, false},
        {child, WM_ACTIVATE, WA_ACTIVE, false},  // an MDI child's activation is its WM_NCACTIVATE
        {frame, WM_ACTIVATE, WA_ACTIVE, false},  // and not the frame's
        {child, WM_NCACTIVATE, TRUE, true},
    };
    for (const Activation& a : steps) {
        const int seen = s_childNcActivates;
        SendMessageW(a.to, a.message, a.wParam, 0);
        EXPECT_EQ(inChild.Button().ParentActive(), a.active) << a.message << " " << a.wParam;
        // The child's own procedure still gets its WM_NCACTIVATE.
        if (a.message == WM_NCACTIVATE) {
            EXPECT_EQ(s_childNcActivates - seen, 1);
        }
    }
    const int before = inChild.RepaintCount();
    SendMessageW(frame, WM_THEMECHANGED, 0, 0);
    EXPECT_EQ(inChild.RepaintCount() - before, 1);
    DestroyWindow(frame);
}

// The host's pointer codes give the system's pointers over the client area, 4 (icon) and 5 (size)
// as well as the others.
TEST(TesselButtonWindow, PointerCodesGiveTheSystemPointers) {
    Form form;
    Recorder events;
    TesselButtonWindow button(events);
    ASSERT_TRUE(button.Create(form.hwnd, 1, RECT{10, 10, 90, 34}, nullptr, u"b"));
    const int pointers[][2] = {{1, 32512},  {2, 32515},  {3, 32513},  {4, 32641},  {5, 32640},
                               {6, 32643},  {7, 32645},  {8, 32642},  {9, 32644},  {10, 32516},
                               {11, 32514}, {12, 32648}, {13, 32650}, {14, 32651}, {15, 32646}};
    const HCURSOR arrow = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    for (const auto& [code, id] : pointers) {
        const HCURSOR expected = LoadCursorW(nullptr, MAKEINTRESOURCEW(id));
        ASSERT_NE(expected, nullptr) << id;
        SetCursor(nullptr);
        button.Button().SetMousePointer(code);
        EXPECT_TRUE(SendMessageW(button.Hwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(button.Hwnd()),
                                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)))
            << code;
        EXPECT_EQ(GetCursor(), expected) << code;
        if (code != 1) {
            EXPECT_NE(GetCursor(), arrow) << code;
        }
    }
}

// SetPopupMenu takes menus only: a window handle is ignored and the button goes on raising its
// events. The default item given shows for that showing only; the menu keeps its own default.
TEST(TesselButtonWindow, PopupMenuTakesMenusOnlyAndLendsItsDefaultItem) {
    Form form;
    Recorder events;
    TesselButtonWindow button(events);
    ASSERT_TRUE(button.Create(form.hwnd, 3, RECT{10, 10, 90, 34}, nullptr, u"b"));
    button.Button().SetPopupMenu(reinterpret_cast<MenuHandle>(form.hwnd), 0);
    EXPECT_FALSE(button.Button().MenuSet());
    SendMessageW(button.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, Point(10, 10));
    SendMessageW(button.Hwnd(), WM_LBUTTONUP, 0, Point(10, 10));
    EXPECT_EQ(events.log, "MouseDown Click MouseUp");

    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, 101, L"第一项");
    AppendMenuW(menu, MF_STRING, 102, L"第二项");
    constexpr UINT kNone = static_cast<UINT>(-1);
    for (const UINT own : {101u, kNone}) {
        SetMenuDefaultItem(menu, own, FALSE);
        button.Button().SetPopupMenu(reinterpret_cast<MenuHandle>(menu), 0, 0, 102);
        ASSERT_TRUE(button.Button().MenuSet());
        UINT shown = 0;
        Form::s_menuIdle = [&] {
            shown = GetMenuDefaultItem(menu, FALSE, 0);
            EndMenu();
        };
        SendMessageW(button.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, Point(10, 10));  // until EndMenu
        SendMessageW(button.Hwnd(), WM_LBUTTONUP, 0, Point(10, 10));
        EXPECT_EQ(shown, 102u) << own;
        EXPECT_EQ(GetMenuDefaultItem(menu, FALSE, 0), own);
        button.Button().UnsetPopupMenu();
    }
    DestroyMenu(menu);
}

}  // namespace
}  // namespace ferrik
