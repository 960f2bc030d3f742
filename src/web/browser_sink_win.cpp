#include "web/browser_sink_win.h"

#include <exdisp.h>
#include <exdispid.h>
#include <wrl/client.h>

namespace ferrik {

using Microsoft::WRL::ComPtr;

namespace {

// The value a VARIANT argument stands for, through one level of reference.
const VARIANT& Deref(const VARIANT& v) {
    if (v.vt == (VT_BYREF | VT_VARIANT) && v.pvarVal) return *v.pvarVal;
    return v;
}

Text TextArg(const VARIANT& arg) {
    const VARIANT& v = Deref(arg);
    if (v.vt == VT_BSTR) return FromBstr(v.bstrVal);
    if (v.vt == (VT_BYREF | VT_BSTR) && v.pbstrVal) return FromBstr(*v.pbstrVal);
    return {};
}

std::int32_t IntArg(const VARIANT& arg) {
    VARIANT copy;
    VariantInit(&copy);
    std::int32_t n = 0;
    if (SUCCEEDED(VariantChangeType(&copy, const_cast<VARIANT*>(&Deref(arg)), 0, VT_I4))) n = copy.lVal;
    VariantClear(&copy);
    return n;
}

IUnknown* ObjectArg(const VARIANT& arg) {
    const VARIANT& v = Deref(arg);
    if (v.vt == VT_DISPATCH || v.vt == VT_UNKNOWN) return v.punkVal;
    if ((v.vt == (VT_BYREF | VT_DISPATCH) || v.vt == (VT_BYREF | VT_UNKNOWN)) && v.ppunkVal) return *v.ppunkVal;
    return nullptr;
}

// Runs `raise` with a bool for a VT_BYREF|VT_BOOL Cancel argument and writes the answer back.
template <class F>
void WithCancel(VARIANT& arg, F raise) {
    VARIANT& v = arg.vt == (VT_BYREF | VT_VARIANT) && arg.pvarVal ? *arg.pvarVal : arg;
    VARIANT_BOOL* answer = v.vt == (VT_BYREF | VT_BOOL) ? v.pboolVal : v.vt == VT_BOOL ? &v.boolVal : nullptr;
    bool cancel = answer && *answer != VARIANT_FALSE;
    raise(cancel);
    if (answer) *answer = cancel ? VARIANT_TRUE : VARIANT_FALSE;
}

}  // namespace

BrowserEventSink::BrowserEventSink(BrowserEvents& events, IUnknown* control) : m_events(&events) {
    ComPtr<IUnknown> identity;
    if (control && SUCCEEDED(control->QueryInterface(IID_PPV_ARGS(&identity)))) m_control = identity.Get();
}

HRESULT STDMETHODCALLTYPE BrowserEventSink::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
        IsEqualIID(riid, DIID_DWebBrowserEvents2)) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE BrowserEventSink::Release() {
    const ULONG refs = --m_refs;
    if (refs == 0) delete this;
    return refs;
}

bool BrowserEventSink::IsTopLevel(const VARIANT& browser) const {
    IUnknown* raised = ObjectArg(browser);
    ComPtr<IUnknown> identity;
    return raised && m_control && SUCCEEDED(raised->QueryInterface(IID_PPV_ARGS(&identity))) &&
           identity.Get() == m_control;
}

HRESULT STDMETHODCALLTYPE BrowserEventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                                   EXCEPINFO*, UINT*) {
    if (!m_events || !params || (params->cArgs && !params->rgvarg)) return S_OK;
    VARIANT* a = params->rgvarg;
    const UINT n = params->cArgs;
    try {
        switch (id) {
            case DISPID_STATUSTEXTCHANGE:
                if (n >= 1) m_events->StatusTextChange(TextArg(a[0]));
                break;
            case DISPID_PROGRESSCHANGE:
                if (n >= 2) m_events->ProgressChange(IntArg(a[1]), IntArg(a[0]));
                break;
            case DISPID_BEFORENAVIGATE2:  // pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel
                if (n >= 7 && IsTopLevel(a[6])) {
                    if (m_started) m_started();
                    const Text url = TextArg(a[5]);
                    WithCancel(a[0], [&](bool& cancel) { m_events->BeforeNavigate2(url, cancel); });
                }
                break;
            case DISPID_NEWWINDOW2:  // ppDisp, Cancel
                if (n >= 2) WithCancel(a[0], [&](bool& cancel) { m_events->NewWindow2(cancel); });
                break;
            case DISPID_DOWNLOADCOMPLETE:
                m_events->DownloadComplete();
                break;
            case DISPID_DOCUMENTCOMPLETE:  // pDisp, URL
                if (n >= 2 && IsTopLevel(a[1])) {
                    if (m_done) m_done();
                    m_events->DocumentComplete(TextArg(a[0]));
                }
                break;
            case DISPID_NAVIGATEERROR:  // pDisp, URL, Frame, StatusCode, Cancel
                if (n >= 5 && IsTopLevel(a[4])) {
                    const Text url = TextArg(a[3]);
                    const std::int32_t code = IntArg(a[1]);
                    WithCancel(a[0], [&](bool& cancel) { m_events->NavigateError(url, code, cancel); });
                }
                break;
            default:
                break;
        }
    } catch (...) {
        // An event handler's failure stays on our side of the control.
    }
    return S_OK;
}

}  // namespace ferrik
