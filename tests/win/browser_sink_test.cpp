// The system browser's event sink: DWebBrowserEvents2 as the control raises them (arguments last
// to first, Cancel by reference), decoded onto BrowserEvents; events of frames passed over.
#include <windows.h>

#include <exdispid.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "web/browser_sink_win.h"

namespace ferrik {
namespace {

// A COM object whose IDispatch is not its IUnknown, as with the real control.
class TwoFaced final : public IPersist, public IDispatch {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IPersist)) {
            *object = static_cast<IPersist*>(this);
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
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
    IDispatch* Dispatch() { return this; }
    IUnknown* Identity() { return static_cast<IPersist*>(this); }
};

// Logs each event with what it was given, and turns the Cancel it was given round.
class Recorder final : public BrowserEvents {
public:
    void StatusTextChange(TextView text) override { Log(u"StatusTextChange " + Text(text)); }
    void ProgressChange(std::int32_t progress, std::int32_t max) override {
        Log(u"ProgressChange " + ToText(progress) + u" " + ToText(max));
    }
    void BeforeNavigate2(TextView url, bool& cancel) override { Flip(u"BeforeNavigate2 " + Text(url), cancel); }
    void NewWindow2(bool& cancel) override { Flip(u"NewWindow2", cancel); }
    void DownloadComplete() override { Log(u"DownloadComplete"); }
    void DocumentComplete(TextView url) override { Log(u"DocumentComplete " + Text(url)); }
    void NavigateError(TextView url, std::int32_t code, bool& cancel) override {
        Flip(u"NavigateError " + Text(url) + u" " + ToText(code), cancel);
    }
    std::string log;

private:
    void Log(const Text& line) {
        if (!log.empty()) log += '|';
        log += ToUtf8(line);
    }
    void Flip(const Text& line, bool& cancel) {
        Log(line + (cancel ? u" cancel" : u""));
        cancel = !cancel;
    }
};

constexpr VARTYPE kRef = VT_BYREF | VT_VARIANT;
constexpr VARTYPE kBoolRef = VT_BYREF | VT_BOOL;

// An argument as the control passes it: a value, or a reference to one.
VARIANT Arg(VARTYPE vt, void* pointer, LONG number = 0) {
    VARIANT v;
    VariantInit(&v);
    v.vt = vt;
    if (vt == VT_I4) {
        v.lVal = number;
    } else {
        v.byref = pointer;  // BSTR, IDispatch* and references share this place
    }
    return v;
}

TEST(BrowserEventSink, DecodesEachEventAndPassesOverFrames) {
    TwoFaced control, frame, popup;
    BSTR url = SysAllocString(L"http://a.example/页");
    BSTR status = SysAllocString(L"http://a.example/link");
    BSTR empty = SysAllocString(L"");
    BSTR minusOne = SysAllocString(L"-1"), hundred = SysAllocString(L"100");
    VARIANT urlRef = Arg(VT_BSTR, url), codeRef = Arg(VT_I4, nullptr, -2146697211), flags = Arg(VT_I4, nullptr, 0),
            none;
    VariantInit(&none);
    struct Row {
        const char* what;
        DISPID id;
        IDispatch* browser;  // pDisp where the event has one
        VARIANT_BOOL cancelIn;
        std::string log;
        VARIANT_BOOL cancelOut;
        bool indirect = false;  // the text by reference, the numbers as text: the control may send either
    };
    const Row rows[] = {
        {"status text", DISPID_STATUSTEXTCHANGE, nullptr, 0, "StatusTextChange http://a.example/link", 0},
        {"status text by reference", DISPID_STATUSTEXTCHANGE, nullptr, 0, "StatusTextChange http://a.example/link", 0,
         true},
        {"progress", DISPID_PROGRESSCHANGE, nullptr, 0, "ProgressChange 3 8", 0},
        {"progress as text", DISPID_PROGRESSCHANGE, nullptr, 0, "ProgressChange -1 100", 0, true},
        {"top-level navigation", DISPID_BEFORENAVIGATE2, control.Dispatch(), VARIANT_FALSE,
         "start|BeforeNavigate2 http://a.example/页", VARIANT_TRUE},
        {"top-level navigation cancelled before us", DISPID_BEFORENAVIGATE2, control.Dispatch(), VARIANT_TRUE,
         "start|BeforeNavigate2 http://a.example/页 cancel", VARIANT_FALSE},
        {"a frame's navigation", DISPID_BEFORENAVIGATE2, frame.Dispatch(), VARIANT_FALSE, "", VARIANT_FALSE},
        {"a navigation without a browser", DISPID_BEFORENAVIGATE2, nullptr, VARIANT_FALSE, "", VARIANT_FALSE},
        {"new window", DISPID_NEWWINDOW2, popup.Dispatch(), VARIANT_FALSE, "NewWindow2", VARIANT_TRUE},
        {"download complete", DISPID_DOWNLOADCOMPLETE, nullptr, 0, "DownloadComplete", 0},
        {"top-level document", DISPID_DOCUMENTCOMPLETE, control.Dispatch(), 0, "DocumentComplete http://a.example/页",
         0},
        {"a frame's document", DISPID_DOCUMENTCOMPLETE, frame.Dispatch(), 0, "", 0},
        {"top-level error", DISPID_NAVIGATEERROR, control.Dispatch(), VARIANT_FALSE,
         "NavigateError http://a.example/页 -2146697211", VARIANT_TRUE},
        {"a frame's error", DISPID_NAVIGATEERROR, frame.Dispatch(), VARIANT_FALSE, "", VARIANT_FALSE},
        {"an event not handled", DISPID_TITLECHANGE, nullptr, 0, "", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Recorder events;
        auto* sink = new BrowserEventSink(events, control.Identity());
        sink->SetNavigationStart([&] {
            if (!events.log.empty()) events.log += '|';
            events.log += "start";
        });
        VARIANT_BOOL cancel = row.cancelIn;
        std::vector<VARIANT> args;  // last argument first, as the control passes them
        VARIANT statusVar = Arg(VT_BSTR, status);
        switch (row.id) {
            case DISPID_STATUSTEXTCHANGE:
                args = {row.indirect ? Arg(kRef, &statusVar) : Arg(VT_BSTR, status)};
                break;
            case DISPID_PROGRESSCHANGE:
                args = row.indirect ? std::vector<VARIANT>{Arg(VT_BSTR, hundred), Arg(VT_BSTR, minusOne)}
                                    : std::vector<VARIANT>{Arg(VT_I4, nullptr, 8), Arg(VT_I4, nullptr, 3)};
                break;
            case DISPID_BEFORENAVIGATE2:
                args = {Arg(kBoolRef, &cancel),
                        Arg(kRef, &none),
                        Arg(kRef, &none),
                        Arg(kRef, &none),
                        Arg(kRef, &flags),
                        Arg(kRef, &urlRef),
                        Arg(VT_DISPATCH, row.browser)};
                break;
            case DISPID_NEWWINDOW2:
                args = {Arg(kBoolRef, &cancel), Arg(VT_DISPATCH, row.browser)};
                break;
            case DISPID_DOCUMENTCOMPLETE:
                args = {Arg(kRef, &urlRef), Arg(VT_DISPATCH, row.browser)};
                break;
            case DISPID_NAVIGATEERROR:
                args = {Arg(kBoolRef, &cancel), Arg(kRef, &codeRef), Arg(kRef, &none), Arg(kRef, &urlRef),
                        Arg(VT_DISPATCH, row.browser)};
                break;
            case DISPID_TITLECHANGE:
                args = {Arg(VT_BSTR, empty)};
                break;
            default:
                break;
        }
        DISPPARAMS params{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
        EXPECT_EQ(sink->Invoke(row.id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr), S_OK);
        EXPECT_EQ(events.log, row.log);
        EXPECT_EQ(cancel, row.cancelOut);
        // Detached from the window, the sink raises nothing.
        sink->SetEvents(nullptr);
        events.log.clear();
        sink->Invoke(row.id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
        EXPECT_EQ(events.log, "");
        sink->Release();
    }
    SysFreeString(url);
    SysFreeString(status);
    SysFreeString(empty);
    SysFreeString(minusOne);
    SysFreeString(hundred);
}

}  // namespace
}  // namespace ferrik
