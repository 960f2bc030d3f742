#pragma once
// DWebBrowserEvents2 of the system's WebBrowser control, raised on BrowserEvents. The control
// raises the events of every frame of a page through the same sink; those that name the browser
// that raised them (BeforeNavigate2, DocumentComplete, NavigateError) are passed on only when it
// is the top level, the control itself.
#include <windows.h>

#include <ole2.h>
#include <oleauto.h>

#include <functional>

#include "platform/ole_host_win.h"
#include "web/browser.h"

namespace ferrik {

inline Text FromBstr(BSTR b) {
    return b ? Text(reinterpret_cast<const char16_t*>(b), SysStringLen(b)) : Text();
}

class BrowserEventSink final : public DispatchByIdOnly {
public:
    // `control`: any interface of the control; only its identity is kept (the control holds the
    // sink while it is advised, so the sink holds no reference back).
    BrowserEventSink(BrowserEvents& events, IUnknown* control);

    // Where the events go from now on; null: nowhere.
    void SetEvents(BrowserEvents* events) { m_events = events; }
    // Called when the top level starts a navigation, before the event is raised.
    void SetNavigationStart(std::function<void()> started) { m_started = std::move(started); }
    // Called when the top level's document is complete, before the event is raised.
    void SetDocumentDone(std::function<void()> done) { m_done = std::move(done); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override;
    // Arguments come last to first in rgvarg.
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                     UINT*) override;

private:
    ~BrowserEventSink() = default;
    bool IsTopLevel(const VARIANT& browser) const;

    ULONG m_refs = 1;
    BrowserEvents* m_events;
    IUnknown* m_control = nullptr;  // identity only
    std::function<void()> m_started;
    std::function<void()> m_done;
};

}  // namespace ferrik
