// The control container's frame, seen from a control: the active object told of the frame's
// activation, and the control's modal state (EnableModeless) honoured by the program's windows.
#include <windows.h>

#include <commctrl.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/message_loop_win.h"
#include "platform/ole_host_win.h"
#include "platform/pump_win.h"
#include "web/browser_host_win.h"
#include "win/support/ui_driver.h"

namespace ferrik {
namespace {

// Records what the frame tells the control's active object.
class ActiveObject final : public IOleInPlaceActiveObject {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleWindow) ||
            IsEqualIID(riid, IID_IOleInPlaceActiveObject)) {
            *object = this;
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetWindow(HWND*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    // Uses Tab (moving between the page's fields), leaves other keys.
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG msg) override {
        log += std::string(log.empty() ? "" : " ") + "key" + std::to_string(msg->wParam);
        return msg->wParam == VK_TAB ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL active) override { return Log("frame", active); }
    HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL active) override { return Log("doc", active); }
    HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
    std::string log;

private:
    HRESULT Log(const char* what, BOOL active) {
        log += std::string(log.empty() ? "" : " ") + what + (active ? "+" : "-");
        return S_OK;
    }
};

// A control that, once shown, makes its active object known to the frame and keeps the frame.
class Control final : public IOleObject, public IDispatch {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleObject)) {
            *object = static_cast<IOleObject*>(this);
        } else if (IsEqualIID(riid, IID_IDispatch)) {
            *object = static_cast<IDispatch*>(this);
        } else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* given) override {
        site = given;
        if (!given) frame.Reset();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DoVerb(LONG, LPMSG, IOleClientSite* client, LONG, HWND, LPCRECT) override {
        Microsoft::WRL::ComPtr<IOleInPlaceSite> inPlace;
        Microsoft::WRL::ComPtr<IOleInPlaceUIWindow> document;
        RECT position, clip;
        OLEINPLACEFRAMEINFO info{};
        info.cb = sizeof(info);
        if (FAILED(client->QueryInterface(IID_PPV_ARGS(&inPlace))) ||
            FAILED(inPlace->GetWindowContext(&frame, &document, &position, &clip, &info)))
            return E_FAIL;
        return frame->SetActiveObject(&active, L"control");
    }
    HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Close(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Update() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE IsUpToDate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetUserType(DWORD, LPOLESTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetExtent(DWORD, SIZEL*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD, SIZEL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Advise(IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD, DWORD* status) override {
        *status = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    ActiveObject active;
    Microsoft::WRL::ComPtr<IOleInPlaceFrame> frame;
    Microsoft::WRL::ComPtr<IOleClientSite> site;
};

HWND TopLevel(bool visible) {
    return CreateWindowExW(0, L"Static", L"", WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0), 0, 0, 200, 150, nullptr,
                           nullptr, GetModuleHandleW(nullptr), nullptr);
}

TEST(OleFrame, TellsTheActiveObjectOfActivationAndHonoursEnableModeless) {
    HWND window = TopLevel(true), other = TopLevel(true), hidden = TopLevel(false);
    Control control;
    const RECT bounds{0, 0, 100, 80};
    auto host = OleControlHost::HostObject(window, static_cast<IOleObject*>(&control), &bounds);
    ASSERT_NE(host, nullptr);
    ASSERT_NE(control.frame, nullptr);

    // The frame window deactivated and activated again.
    SetActiveWindow(window);
    ASSERT_TRUE(test::PumpPosted());
    control.active.log.clear();
    SetActiveWindow(other);
    SetActiveWindow(window);
    EXPECT_EQ(control.active.log, "frame- doc- frame+ doc+");

    // Modal (nested twice): the other shown windows disabled, but neither the frame (its enabled
    // state is the dialog's to keep) nor the control's own dialog; closes held back until the end.
    HWND dialog = CreateWindowExW(0, L"Static", L"", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, window, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    control.frame->EnableModeless(FALSE);
    control.frame->EnableModeless(FALSE);
    EXPECT_TRUE(host->Modal());
    EXPECT_TRUE(IsWindowEnabled(window));
    EXPECT_FALSE(IsWindowEnabled(other));
    EXPECT_TRUE(IsWindowEnabled(hidden));
    EXPECT_TRUE(IsWindowEnabled(dialog));
    DestroyWindow(dialog);
    SendMessageW(window, WM_CLOSE, 0, 0);
    SendMessageW(other, WM_CLOSE, 0, 0);
    PumpPendingMessages();
    EXPECT_TRUE(IsWindow(window));
    EXPECT_TRUE(IsWindow(other));
    control.frame->EnableModeless(TRUE);
    EXPECT_FALSE(IsWindowEnabled(other));
    PumpPendingMessages();
    EXPECT_TRUE(IsWindow(window));
    control.frame->EnableModeless(TRUE);
    EXPECT_FALSE(host->Modal());
    EXPECT_TRUE(IsWindowEnabled(window));
    EXPECT_TRUE(IsWindowEnabled(other));
    // An unmatched end changes nothing.
    control.frame->EnableModeless(TRUE);
    EXPECT_TRUE(IsWindowEnabled(window));
    host.reset();
    // The held closes now happen.
    test::PumpUntil([&] { return !IsWindow(window) && !IsWindow(other); }, 2000);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(IsWindow(other));
    DestroyWindow(hidden);
}

// A control's dialog as DialogBox makes one, between the control's EnableModeless(FALSE) and
// EnableModeless(TRUE): it disables its owner, the frame, if that is enabled, and enables it again
// before it is destroyed ("the owner must be enabled before the dialog is destroyed"), so that the
// activation returns to the frame and not to another program.
TEST(OleFrame, TheFrameIsEnabledAgainBeforeTheControlsDialogGoes) {
    HWND window = TopLevel(true), other = TopLevel(true);
    Control control;
    const RECT bounds{0, 0, 100, 80};
    auto host = OleControlHost::HostObject(window, static_cast<IOleObject*>(&control), &bounds);
    ASSERT_NE(host, nullptr);
    SetActiveWindow(window);
    control.frame->EnableModeless(FALSE);
    HWND dialog = CreateWindowExW(0, L"Static", L"", WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, 0, 120, 80, window, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    const bool disablesOwner = IsWindowEnabled(window) != FALSE;
    if (disablesOwner) EnableWindow(window, FALSE);
    SetActiveWindow(dialog);
    EXPECT_FALSE(IsWindowEnabled(other));  // by the container
    if (disablesOwner) EnableWindow(window, TRUE);
    EXPECT_TRUE(IsWindowEnabled(window));
    DestroyWindow(dialog);
    EXPECT_EQ(GetActiveWindow(), window);
    control.frame->EnableModeless(TRUE);
    EXPECT_TRUE(IsWindowEnabled(other));
    host.reset();
    DestroyWindow(other);
    DestroyWindow(window);
}

// Keys typed into the control while a window is busy: the nested pump gives them to the control's
// active object first, as the main loop does; what it uses is not dispatched.
TEST(OleFrame, KeysInsideTheControlReachItsActiveObjectInNestedPumps) {
    static std::vector<WPARAM> s_dispatched;
    s_dispatched.clear();
    HWND window = TopLevel(true);
    Control control;
    const RECT bounds{0, 0, 100, 80};
    auto host = OleControlHost::HostObject(window, static_cast<IOleObject*>(&control), &bounds);
    ASSERT_NE(host, nullptr);
    // The control's own window, where the page's fields are.
    HWND page = CreateWindowExW(0, L"Static", L"", WS_CHILD | WS_VISIBLE, 0, 0, 100, 80, host->HostWindow(), nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    for (HWND hwnd : {page, window})
        SetWindowSubclass(
            hwnd,
            [](HWND h, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) CALLBACK -> LRESULT {
                if (msg == WM_KEYDOWN) s_dispatched.push_back(wParam);
                return DefSubclassProc(h, msg, wParam, lParam);
            },
            1, 0);
    ASSERT_TRUE(test::PumpPosted());
    // The program's filter, and the pumps' own where none is set.
    for (const MessageFilter filter : {&PreTranslateMessage, static_cast<MessageFilter>(nullptr)}) {
        SCOPED_TRACE(filter ? "the main loop's filter" : "no filter");
        control.active.log.clear();
        s_dispatched.clear();
        SetMessageFilter(filter);
        PostMessageW(page, WM_KEYDOWN, VK_TAB, 0);
        PostMessageW(page, WM_KEYDOWN, VK_F5, 0);
        PostMessageW(window, WM_KEYDOWN, VK_BACK, 0);  // outside the control: not its key
        PumpPendingMessages();
        SetMessageFilter(nullptr);
        EXPECT_EQ(control.active.log, "key9 key116");
        EXPECT_EQ(s_dispatched, (std::vector<WPARAM>{VK_F5, VK_BACK}));
    }
    host.reset();
    DestroyWindow(window);
}

// The web browser's site: a flat page, and script errors kept quiet in silent mode.
TEST(OleFrame, BrowserSiteAsksForNoBorderAndQuietsScriptErrors) {
    HWND window = TopLevel(false);
    Control control;
    const RECT bounds{0, 0, 100, 80};
    auto handler = std::make_unique<BrowserSiteHandler>();
    BrowserSiteHandler* quiet = handler.get();
    auto host =
        OleControlHost::HostObject(window, static_cast<IOleObject*>(&control), &bounds, nullptr, std::move(handler));
    ASSERT_NE(host, nullptr);
    Microsoft::WRL::ComPtr<IDocHostUIHandler> ui;
    Microsoft::WRL::ComPtr<IOleCommandTarget> commands;
    Microsoft::WRL::ComPtr<IOleClientSite> back;
    ASSERT_TRUE(SUCCEEDED(control.site.As(&ui)));
    ASSERT_TRUE(SUCCEEDED(ui.As(&commands)));
    ASSERT_TRUE(SUCCEEDED(commands.As(&back)));
    EXPECT_EQ(back.Get(), control.site.Get());
    DOCHOSTUIINFO info{};
    info.cbSize = sizeof(info);
    ASSERT_EQ(ui->GetHostInfo(&info), S_OK);
    EXPECT_EQ(info.dwFlags & DOCHOSTUIFLAG_NO3DBORDER, static_cast<DWORD>(DOCHOSTUIFLAG_NO3DBORDER));
    EXPECT_EQ(info.dwFlags & DOCHOSTUIFLAG_DPI_AWARE, static_cast<DWORD>(DOCHOSTUIFLAG_DPI_AWARE));

    const GUID docHost = {0xf38bc242, 0xb950, 0x11d1, {0x89, 0x18, 0x00, 0xc0, 0x4f, 0xc2, 0xc8, 0x36}};
    for (const bool silent : {true, false}) {
        SCOPED_TRACE(silent);
        quiet->SetSilent(silent);
        VARIANT goOn;
        VariantInit(&goOn);
        const HRESULT hr = commands->Exec(&docHost, OLECMDID_SHOWSCRIPTERROR, 0, nullptr, &goOn);
        EXPECT_EQ(hr == S_OK, silent);  // not handled: the control shows its dialog
        if (silent) {
            EXPECT_EQ(goOn.vt, VT_BOOL);
            EXPECT_EQ(goOn.boolVal, VARIANT_TRUE);
        }
    }
    host.reset();
    control.site.Reset();
    DestroyWindow(window);
}

}  // namespace
}  // namespace ferrik
