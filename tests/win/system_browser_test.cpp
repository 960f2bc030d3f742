// The system's WebBrowser control as Ferrik hosts it, against the browser stand-in of the test
// prefix: the events' arguments as the control lays them out, and keys while Ferrik's own pumps run.
#include "web/system_browser_win.h"

#include <windows.h>

#include <exdispid.h>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/handles_win.h"
#include "platform/pump_win.h"
#include "win/support/browser_sim.h"
#include "win/support/ui_driver.h"

namespace ferrik {
namespace {

// Every event as one line with what it carries; every Cancel answered with `cancel`.
class Recorder final : public BrowserEvents {
public:
    void StatusTextChange(TextView text) override { Add(u"StatusTextChange " + Text(text)); }
    void ProgressChange(std::int32_t progress, std::int32_t max) override {
        Add(u"ProgressChange " + ToText(progress) + u"/" + ToText(max));
    }
    void BeforeNavigate2(TextView url, bool& cancel) override {
        Add(u"BeforeNavigate2 " + Text(url));
        cancel = answer;
    }
    void NewWindow2(bool& cancel) override {
        Add(u"NewWindow2");
        cancel = answer;
    }
    void DownloadComplete() override { Add(u"DownloadComplete"); }
    void DocumentComplete(TextView url) override { Add(u"DocumentComplete " + Text(url)); }
    void NavigateError(TextView url, std::int32_t code, bool& cancel) override {
        Add(u"NavigateError " + Text(url) + u" " + ToText(code));
        cancel = answer;
    }
    std::vector<std::string> lines;
    bool answer = false;

private:
    void Add(const Text& line) { lines.push_back(ToUtf8(line)); }
};

VARIANT Str(const wchar_t* text) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(text);
    return v;
}
VARIANT I4(LONG n) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = n;
    return v;
}

// A control hosted on a form of its own, its events recorded; skipped where the stand-in is not
// the system's control.
class SystemBrowserEvents : public testing::Test {
protected:
    void SetUp() override {
        form = CreateWindowExW(0, L"Static", L"form", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 640, 480, nullptr,
                               nullptr, GetModuleHandleW(nullptr), nullptr);
        // Another browser object stands for a frame of the page; the newest is the one that raises events.
        frameHost = SystemBrowser::Create(form, RECT{0, 300, 10, 310}, ignored);
        ASSERT_NE(frameHost, nullptr);
        sim = std::make_unique<test::BrowserSim>();
        if (!sim->Loaded()) GTEST_SKIP() << "the browser stand-in is not the system's control here";
        frame = sim->Control();
        browser = SystemBrowser::Create(form, RECT{0, 0, 400, 300}, events);
        ASSERT_NE(browser, nullptr);
        control = sim->Control();
        ASSERT_NE(control, nullptr);
        ASSERT_NE(control, frame);
    }
    void TearDown() override {
        if (frame) frame->Release();
        if (control) control->Release();
        frameHost.reset();
        browser.reset();
        sim.reset();
        DestroyWindow(form);
    }

    // One event with arguments given first to last; what it was decoded as and the Cancel written back.
    struct Case {
        const char* name;
        DISPID id;
        std::vector<VARIANT> args;  // first to last; a VT_BYREF|VT_BOOL Cancel goes last
        std::vector<std::string> expected;
        VARIANT_BOOL cancelAfter = VARIANT_FALSE;
    };
    void Run(std::vector<Case>& cases) {
        for (Case& c : cases) {
            SCOPED_TRACE(c.name);
            events.lines.clear();
            std::vector<VARIANT> lastToFirst(c.args.rbegin(), c.args.rend());
            ASSERT_TRUE(sim->Fire(c.id, lastToFirst));
            EXPECT_EQ(events.lines, c.expected);
            EXPECT_EQ(cancel, c.cancelAfter);
            cancel = VARIANT_FALSE;
            for (VARIANT& v : c.args) VariantClear(&v);
        }
        for (VARIANT& v : held) VariantClear(&v);
        held.clear();
    }
    VARIANT Disp(IDispatch* object) {
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_DISPATCH;
        v.pdispVal = object;
        object->AddRef();
        return v;
    }
    VARIANT Ref(VARIANT value) {
        held.push_back(value);
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_BYREF | VT_VARIANT;
        v.pvarVal = &held.back();
        return v;
    }
    VARIANT Cancel() {
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_BYREF | VT_BOOL;
        v.pboolVal = &cancel;
        return v;
    }

    HWND form = nullptr;
    Recorder events, ignored;
    std::unique_ptr<SystemBrowser> browser, frameHost;
    std::unique_ptr<test::BrowserSim> sim;
    IDispatch* control = nullptr;
    IDispatch* frame = nullptr;
    VARIANT_BOOL cancel = VARIANT_FALSE;
    std::deque<VARIANT> held;  // the values by-reference arguments point to
};

TEST_F(SystemBrowserEvents, DecodedAsTheControlLaysThemOut) {
    events.answer = true;
    IDispatch* none = nullptr;
    VARIANT newWindow;
    VariantInit(&newWindow);
    newWindow.vt = VT_BYREF | VT_DISPATCH;
    newWindow.ppdispVal = &none;
    VARIANT byRefText;
    BSTR status = SysAllocString(L"http://s.example/");
    VariantInit(&byRefText);
    byRefText.vt = VT_BYREF | VT_BSTR;
    byRefText.pbstrVal = &status;
    std::vector<Case> cases;
    cases.push_back(
        {"status text", DISPID_STATUSTEXTCHANGE, {Str(L"http://a.example/")}, {"StatusTextChange http://a.example/"}});
    cases.push_back(
        {"status text by reference", DISPID_STATUSTEXTCHANGE, {byRefText}, {"StatusTextChange http://s.example/"}});
    cases.push_back({"progress", DISPID_PROGRESSCHANGE, {I4(3), I4(8)}, {"ProgressChange 3/8"}});
    cases.push_back({"progress as text", DISPID_PROGRESSCHANGE, {Str(L"-1"), Str(L"100")}, {"ProgressChange -1/100"}});
    cases.push_back({"before navigate, cancelled",
                     DISPID_BEFORENAVIGATE2,
                     {Disp(control), Ref(Str(L"http://b.example/")), Ref(I4(0)), Ref(Str(L"")), Ref(VARIANT{}),
                      Ref(Str(L"")), Cancel()},
                     {"BeforeNavigate2 http://b.example/"},
                     VARIANT_TRUE});
    cases.push_back({"new window, cancelled", DISPID_NEWWINDOW2, {newWindow, Cancel()}, {"NewWindow2"}, VARIANT_TRUE});
    cases.push_back({"download complete", DISPID_DOWNLOADCOMPLETE, {}, {"DownloadComplete"}});
    cases.push_back({"document complete",
                     DISPID_DOCUMENTCOMPLETE,
                     {Disp(control), Ref(Str(L"http://c.example/"))},
                     {"DocumentComplete http://c.example/"}});
    cases.push_back({"navigate error, cancelled",
                     DISPID_NAVIGATEERROR,
                     {Disp(control), Ref(Str(L"http://d.example/")), Ref(Str(L"")), Ref(I4(404)), Cancel()},
                     {"NavigateError http://d.example/ 404"},
                     VARIANT_TRUE});
    cases.push_back({"host not found",
                     DISPID_NAVIGATEERROR,
                     {Disp(control), Ref(Str(L"http://e.example/")), Ref(Str(L"")), Ref(I4(-2146697211)), Cancel()},
                     {"NavigateError http://e.example/ -2146697211"},
                     VARIANT_TRUE});
    // Too few arguments, and events the window has no use for: nothing, and nothing breaks.
    cases.push_back({"before navigate, short", DISPID_BEFORENAVIGATE2, {Disp(control), Ref(Str(L"x"))}, {}});
    cases.push_back({"navigate complete", DISPID_NAVIGATECOMPLETE2, {Disp(control), Ref(Str(L"http://f/"))}, {}});
    cases.push_back({"title change", DISPID_TITLECHANGE, {Str(L"t")}, {}});
    Run(cases);
    SysFreeString(status);
}

// The events that name a frame of the page are not the page's.
TEST_F(SystemBrowserEvents, ThoseOfFramesArePassedOver) {
    events.answer = true;
    std::vector<Case> cases;
    cases.push_back({"frame's before navigate",
                     DISPID_BEFORENAVIGATE2,
                     {Disp(frame), Ref(Str(L"http://g.example/")), Ref(I4(0)), Ref(Str(L"side")), Ref(VARIANT{}),
                      Ref(Str(L"")), Cancel()},
                     {}});
    cases.push_back({"frame's document complete", DISPID_DOCUMENTCOMPLETE, {Disp(frame), Ref(Str(L"http://g/"))}, {}});
    cases.push_back({"frame's navigate error",
                     DISPID_NAVIGATEERROR,
                     {Disp(frame), Ref(Str(L"http://h.example/")), Ref(Str(L"side")), Ref(I4(-2146697211)), Cancel()},
                     {}});
    Run(cases);
}

// Keys typed into the page while Ferrik waits in one of its own pumps (the main window busy) go to
// the control's accelerator handling first, as in the main loop.
TEST_F(SystemBrowserEvents, KeysReachTheControlInNestedPumps) {
    HWND page = GetWindow(browser->HostWindow(), GW_CHILD);
    ASSERT_NE(page, nullptr);
    UniqueHandle never(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const std::pair<const char*, std::function<void()>> pumps[] = {
        {"pending messages", [] { PumpPendingMessages(); }},
        {"wait", [&] { WaitPumping(never.get(), 100); }},
    };
    for (const auto& [name, pump] : pumps) {
        SCOPED_TRACE(name);
        sim->ClearLog();
        PostMessageW(page, WM_KEYDOWN, VK_TAB, 0);
        pump();
        // The control leaves Tab outside a field: its character follows, and is offered too.
        EXPECT_EQ(sim->Log({L"TranslateAccelerator"}),
                  (std::vector<std::wstring>{L"TranslateAccelerator keydown 9", L"TranslateAccelerator char 9"}));
    }
}

}  // namespace
}  // namespace ferrik
