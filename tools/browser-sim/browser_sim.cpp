// The WebBrowser control's stand-in: sited and in-place activated like the real control, driven
// through IWebBrowser2, raising DWebBrowserEvents2 in the real control's order with its argument
// layouts, and handing out the loaded page as IHTMLDocument2. The hooks at the end let a test act
// as the user inside the page (a link clicked, a frame navigating, a dialog shown).
#include <exdispid.h>
#include <mshtmhst.h>
#include <olectl.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <utility>

#include "analysis/codepage_win.h"
#include "analysis/html_tokenizer.h"
#include "analysis/http_win.h"
#include "analysis/url.h"
#include "browser_sim.h"

namespace browsersim {

using ferrik::Page;
using ferrik::Text;

namespace {

constexpr wchar_t kViewClass[] = L"BrowserSimView";
constexpr wchar_t kStepsClass[] = L"BrowserSimSteps";
constexpr UINT kMsgLoad = WM_APP + 1;  // wParam: the load's number
constexpr LONG kProgressMax = 10000;
// "Resource not found": a host that cannot be found or reached.
constexpr LONG kInetResourceNotFound = -2146697211;

HMODULE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

bool RegisterClassOnce(const wchar_t* name, WNDPROC proc, HBRUSH background) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    if (GetClassInfoExW(ThisModule(), name, &wc)) return true;
    wc = WNDCLASSEXW{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = proc;
    wc.hInstance = ThisModule();
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    return RegisterClassExW(&wc) != 0;
}

template <class T>
void ReleaseAndClear(T*& p) {
    if (p) p->Release();
    p = nullptr;
}

VARIANT Dispatch(IDispatch* object) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_DISPATCH;
    v.pdispVal = object;
    return v;
}
VARIANT RefTo(VARIANT* target) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BYREF | VT_VARIANT;
    v.pvarVal = target;
    return v;
}
VARIANT Owned(const std::wstring& text) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = AllocBstr(text);
    return v;
}
VARIANT Int(LONG n) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = n;
    return v;
}
VARIANT BoolRef(VARIANT_BOOL* target) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BYREF | VT_BOOL;
    v.pboolVal = target;
    return v;
}

// The <iframe> sources of a page, resolved against its address.
class FrameFinder final : public ferrik::HtmlTokenSink {
public:
    explicit FrameFinder(ferrik::TextView base) : m_base(base) {}
    bool WantsAttributes(ferrik::TextView name) override { return name == u"iframe"; }
    void OnStartTag(const ferrik::HtmlTag& tag) override {
        if (tag.name != u"iframe") return;
        const ferrik::HtmlAttribute* src = tag.Find(u"src");
        if (!src) return;
        const ferrik::HtmlAttribute* name = tag.Find(u"name");
        if (auto url = ferrik::ResolveUrl(src->value, m_base))
            frames.push_back({Wide(*url), name ? Wide(name->value) : L""});
    }
    void OnEndTag(const ferrik::HtmlTag&) override {}
    void OnText(ferrik::TextView) override {}

    struct Frame {
        std::wstring url;
        std::wstring name;
    };
    std::vector<Frame> frames;

private:
    ferrik::TextView m_base;
};

struct Fetched {
    std::shared_ptr<Page> page;
    std::wstring url;  // where it ended, after redirects
    LONG error = 0;    // an HTTP status of 400 or more, or kInetResourceNotFound
    std::vector<FrameFinder::Frame> frames;
};

bool IsBlank(const std::wstring& url) {
    return _wcsicmp(url.c_str(), L"about:blank") == 0;
}

Fetched Fetch(const std::wstring& url) {
    Fetched f;
    f.url = url;
    if (IsBlank(url)) {
        f.page = std::make_shared<Page>(u"", u"about:blank");
        return f;
    }
    ferrik::HttpOptions options;
    options.connectTimeoutMs = 3000;
    options.sendTimeoutMs = 3000;
    options.receiveTimeoutMs = 5000;
    options.totalTimeoutMs = 10000;
    try {
        const ferrik::HttpResponse response = ferrik::HttpGetBlocking(FromWide(url.data(), url.size()), options);
        if (response.status >= 400) {
            f.error = response.status;
            return f;
        }
        if (!response.finalUrl.empty()) f.url = Wide(response.finalUrl);
        const Text address = FromWide(f.url.data(), f.url.size());
        const ferrik::Win32Decoder decoder;
        f.page = std::make_shared<Page>(Page::FromBytes(response.body, response.contentType, address, decoder));
        // Frame addresses are ASCII in every page that matters here: the bytes are read one by one.
        FrameFinder finder(address);
        ferrik::HtmlTokenizer tokenizer(finder);
        tokenizer.Feed(Text(response.body.begin(), response.body.end()));
        tokenizer.Finish();
        f.frames = std::move(finder.frames);
    } catch (...) {
        f.error = kInetResourceNotFound;
    }
    return f;
}

// The page the control shows in place of one it could not open.
std::shared_ptr<Page> ErrorPage(const std::wstring& url, LONG error) {
    return std::make_shared<Page>(u"<html><head><title>无法显示网页</title></head><body><h1>无法显示网页</h1><p>" +
                                      FromWide(std::to_wstring(error).c_str(), std::to_wstring(error).size()) +
                                      u"</p></body></html>",
                                  FromWide(url.data(), url.size()));
}

// A frame inside the page: the browser object a frame's events name as pDisp.
class FrameSim final : public WebBrowser2Stubs {
public:
    explicit FrameSim(std::wstring url) : m_url(std::move(url)) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDispatch) &&
            !IsEqualIID(riid, IID_IWebBrowserApp) && !IsEqualIID(riid, IID_IWebBrowser2) &&
            !IsEqualIID(riid, IID_IWebBrowser))
            return E_NOINTERFACE;
        *object = static_cast<IWebBrowser2*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG refs = InterlockedDecrement(&m_refs);
        if (refs == 0) delete this;
        return static_cast<ULONG>(refs);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info) *info = nullptr;
        return DISP_E_BADINDEX;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE get_LocationURL(BSTR* url) override {
        if (!url) return E_POINTER;
        *url = AllocBstr(m_url);
        return S_OK;
    }
    void SetUrl(const std::wstring& url) { m_url = url; }

private:
    ~FrameSim() = default;
    Counted m_counted;
    LONG m_refs = 1;
    std::wstring m_url;
};

}  // namespace

class BrowserSim;
static std::vector<BrowserSim*> g_controls;  // live, oldest first
static UINT g_loadDelayMs = 0;               // before each page arrives

class BrowserSim final : public WebBrowser2Stubs,
                         public IOleObject,
                         public IOleInPlaceObject,
                         public IOleInPlaceActiveObject,
                         public IOleControl,
                         public IPersistStreamInit,
                         public IConnectionPointContainer {
public:
    BrowserSim() : m_point(*this) {
        g_controls.push_back(this);
        if (RegisterClassOnce(kStepsClass, StepsProc, nullptr)) {
            m_steps = CreateWindowExW(0, kStepsClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, ThisModule(), nullptr);
            if (m_steps) SetWindowLongPtrW(m_steps, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        }
        Log(L"created");
    }

    // ---- IUnknown ----
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, IID_IWebBrowser) ||
            IsEqualIID(riid, IID_IWebBrowserApp) || IsEqualIID(riid, IID_IWebBrowser2)) {
            *object = static_cast<IWebBrowser2*>(this);
        } else if (IsEqualIID(riid, IID_IOleObject)) {
            *object = static_cast<IOleObject*>(this);
        } else if (IsEqualIID(riid, IID_IOleWindow) || IsEqualIID(riid, IID_IOleInPlaceObject)) {
            *object = static_cast<IOleInPlaceObject*>(this);
        } else if (IsEqualIID(riid, IID_IOleInPlaceActiveObject)) {
            *object = static_cast<IOleInPlaceActiveObject*>(this);
        } else if (IsEqualIID(riid, IID_IOleControl)) {
            *object = static_cast<IOleControl*>(this);
        } else if (IsEqualIID(riid, IID_IPersist) || IsEqualIID(riid, IID_IPersistStreamInit)) {
            *object = static_cast<IPersistStreamInit*>(this);
        } else if (IsEqualIID(riid, IID_IConnectionPointContainer)) {
            *object = static_cast<IConnectionPointContainer*>(this);
        } else {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG refs = InterlockedDecrement(&m_refs);
        if (refs == 0) delete this;
        return static_cast<ULONG>(refs);
    }

    // ---- IDispatch: the members are reached through IWebBrowser2 only ----
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info) *info = nullptr;
        return DISP_E_BADINDEX;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return DISP_E_MEMBERNOTFOUND;
    }

    // ---- IWebBrowser2 ----
    HRESULT STDMETHODCALLTYPE Navigate(BSTR url, VARIANT*, VARIANT*, VARIANT*, VARIANT*) override {
        const std::wstring typed(url ? url : L"", SysStringLen(url));
        Log(L"Navigate " + typed);
        const Text address = ferrik::BrowserAddress(FromWide(typed.data(), typed.size()));
        if (address.empty()) return E_INVALIDARG;
        return StartNavigation(Wide(address), Move::New, 0);
    }
    HRESULT STDMETHODCALLTYPE Navigate2(VARIANT* url, VARIANT* flags, VARIANT* target, VARIANT* post,
                                        VARIANT* headers) override {
        if (!url) return E_INVALIDARG;
        VARIANT text;
        VariantInit(&text);
        if (FAILED(VariantChangeType(&text, url, 0, VT_BSTR))) return E_INVALIDARG;
        const HRESULT hr = Navigate(text.bstrVal, flags, target, post, headers);
        VariantClear(&text);
        return hr;
    }
    HRESULT STDMETHODCALLTYPE GoBack() override {
        Log(L"GoBack");
        if (m_historyPos == 0 || m_history.empty()) return E_FAIL;
        return StartNavigation(m_history[m_historyPos - 1], Move::Back, m_historyPos - 1);
    }
    HRESULT STDMETHODCALLTYPE GoForward() override {
        Log(L"GoForward");
        if (m_history.empty() || m_historyPos + 1 >= m_history.size()) return E_FAIL;
        return StartNavigation(m_history[m_historyPos + 1], Move::Forward, m_historyPos + 1);
    }
    // The start page of the test prefix is the blank page.
    HRESULT STDMETHODCALLTYPE GoHome() override {
        Log(L"GoHome");
        return StartNavigation(L"about:blank", Move::New, 0);
    }
    HRESULT STDMETHODCALLTYPE Refresh() override {
        Log(L"Refresh");
        if (m_location.empty()) return S_OK;
        return StartNavigation(m_location, Move::Reload, 0);
    }
    HRESULT STDMETHODCALLTYPE Refresh2(VARIANT*) override { return Refresh(); }
    HRESULT STDMETHODCALLTYPE Stop() override {
        Log(L"Stop");
        if (!m_load) return S_OK;
        EndLoad();
        FireSimple(DISPID_DOWNLOADCOMPLETE, L"DownloadComplete");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_LocationURL(BSTR* url) override {
        if (!url) return E_POINTER;
        *url = AllocBstr(m_location);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_LocationName(BSTR* name) override {
        if (!name) return E_POINTER;
        *name = AllocBstr(m_page && !m_page->Title().empty() ? Wide(m_page->Title()) : m_location);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Document(IDispatch** document) override {
        if (!document) return E_POINTER;
        *document = m_document;
        if (m_document) m_document->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Busy(VARIANT_BOOL* busy) override {
        if (!busy) return E_POINTER;
        *busy = m_load ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_ReadyState(READYSTATE* state) override {
        if (!state) return E_POINTER;
        *state = m_readyState;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Silent(VARIANT_BOOL* silent) override {
        if (!silent) return E_POINTER;
        *silent = m_silent;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_Silent(VARIANT_BOOL silent) override {
        m_silent = silent ? VARIANT_TRUE : VARIANT_FALSE;
        Log(std::wstring(L"put Silent ") + (silent ? L"1" : L"0"));
        return S_OK;
    }
    // The page's zoom, logged; as the real control, it needs a document to apply it to.
    HRESULT STDMETHODCALLTYPE ExecWB(OLECMDID command, OLECMDEXECOPT option, VARIANT* in, VARIANT*) override {
        std::wstring line = L"ExecWB " + std::to_wstring(command) + L" " + std::to_wstring(option);
        if (in && in->vt == VT_I4) line += L" " + std::to_wstring(in->lVal);
        Log(line);
        if (command != OLECMDID_OPTICAL_ZOOM) return OLECMDERR_E_NOTSUPPORTED;
        if (!in || in->vt != VT_I4 || in->lVal < 10 || in->lVal > 1000) return E_INVALIDARG;
        return m_document ? S_OK : E_UNEXPECTED;
    }
    HRESULT STDMETHODCALLTYPE get_HWND(SHANDLE_PTR* hwnd) override {
        if (!hwnd) return E_POINTER;
        *hwnd = reinterpret_cast<SHANDLE_PTR>(m_window);
        return S_OK;
    }

    // ---- IOleObject ----
    HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override {
        if (site) site->AddRef();
        ReleaseAndClear(m_site);
        m_site = site;
        Log(site ? L"sited" : L"unsited");
        // The container may shape the page: border, scroll bars, themes.
        IDocHostUIHandler* handler = nullptr;
        if (site && SUCCEEDED(site->QueryInterface(IID_IDocHostUIHandler, reinterpret_cast<void**>(&handler)))) {
            DOCHOSTUIINFO info{};
            info.cbSize = sizeof(info);
            if (SUCCEEDED(handler->GetHostInfo(&info))) {
                wchar_t flags[16];
                swprintf(flags, 16, L"%08lX", static_cast<unsigned long>(info.dwFlags));
                Log(std::wstring(L"GetHostInfo ") + flags);
                CoTaskMemFree(info.pchHostCss);
                CoTaskMemFree(info.pchHostNS);
            }
            handler->Release();
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) override {
        if (!site) return E_POINTER;
        *site = m_site;
        if (m_site) m_site->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Close(DWORD) override {
        InPlaceDeactivate();
        EndLoad();
        SetDocument(nullptr);
        Log(L"closed");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
        if (moniker) *moniker = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD, IDataObject** data) override {
        if (data) *data = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent,
                                     LPCRECT position) override;
    HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB** verbs) override {
        if (verbs) *verbs = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Update() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE IsUpToDate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* clsid) override {
        if (!clsid) return E_POINTER;
        *clsid = kWebBrowserClsid;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetUserType(DWORD, LPOLESTR*) override { return OLE_S_USEREG; }
    HRESULT STDMETHODCALLTYPE SetExtent(DWORD, SIZEL*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD, SIZEL* size) override {
        if (!size) return E_POINTER;
        size->cx = size->cy = 2540;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Advise(IAdviseSink*, DWORD* connection) override {
        if (connection) *connection = 0;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD) override { return OLE_E_NOCONNECTION; }
    HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA** advise) override {
        if (advise) *advise = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD, DWORD* status) override {
        if (!status) return E_POINTER;
        *status = OLEMISC_SETCLIENTSITEFIRST | OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_INSIDEOUT |
                  OLEMISC_CANTLINKINSIDE | OLEMISC_RECOMPOSEONRESIZE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

    // ---- IOleWindow, IOleInPlaceObject ----
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
        if (!window) return E_POINTER;
        *window = m_window;
        return m_window ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override {
        if (!m_window) return S_OK;
        if (m_dialog) ShowModal(false);
        UIDeactivate();
        DestroyWindow(m_window);
        m_window = nullptr;
        if (m_inPlaceSite) m_inPlaceSite->OnInPlaceDeactivate();
        ReleaseAndClear(m_inPlaceSite);
        ReleaseAndClear(m_frame);
        Log(L"deactivated");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE UIDeactivate() override {
        if (!m_uiActive) return S_OK;
        m_uiActive = false;
        if (m_frame) m_frame->SetActiveObject(nullptr, nullptr);
        if (m_inPlaceSite) m_inPlaceSite->OnUIDeactivate(FALSE);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT position, LPCRECT) override {
        if (!position) return E_POINTER;
        if (m_window)
            MoveWindow(m_window, position->left, position->top, position->right - position->left,
                       position->bottom - position->top, TRUE);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override { return INPLACE_E_NOTUNDOABLE; }

    // ---- IOleInPlaceActiveObject: what the container does, logged ----
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG msg) override {
        if (!msg) return E_INVALIDARG;
        const wchar_t* kind = msg->message == WM_KEYDOWN ? L"keydown"
                              : msg->message == WM_KEYUP ? L"keyup"
                              : msg->message == WM_CHAR  ? L"char"
                                                         : L"other";
        Log(std::wstring(L"TranslateAccelerator ") + kind + L" " + std::to_wstring(msg->wParam));
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL active) override {
        Log(std::wstring(L"OnFrameWindowActivate ") + (active ? L"1" : L"0"));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL active) override {
        Log(std::wstring(L"OnDocWindowActivate ") + (active ? L"1" : L"0"));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL enable) override {
        Log(std::wstring(L"EnableModeless ") + (enable ? L"1" : L"0"));
        return S_OK;
    }

    // ---- IOleControl ----
    HRESULT STDMETHODCALLTYPE GetControlInfo(CONTROLINFO*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnMnemonic(MSG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnAmbientPropertyChange(DISPID) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE FreezeEvents(BOOL) override { return S_OK; }

    // ---- IPersistStreamInit: nothing to keep, but initialisation comes first ----
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override { return GetUserClassID(clsid); }
    HRESULT STDMETHODCALLTYPE IsDirty() override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE Load(LPSTREAM) override { return InitNew(); }
    HRESULT STDMETHODCALLTYPE Save(LPSTREAM, BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* size) override {
        if (!size) return E_POINTER;
        size->QuadPart = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE InitNew() override {
        if (m_initialised) return E_UNEXPECTED;
        m_initialised = true;
        return S_OK;
    }

    // ---- IConnectionPointContainer: DWebBrowserEvents2 only ----
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** points) override {
        if (points) *points = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** point) override {
        if (!point) return E_POINTER;
        *point = nullptr;
        if (!IsEqualIID(riid, DIID_DWebBrowserEvents2)) return CONNECT_E_NOCONNECTION;
        *point = &m_point;
        m_point.AddRef();
        return S_OK;
    }

    // ---- The test's hooks ----
    bool ClickLink(std::size_t index);
    bool NavigateFrame(std::size_t index, const std::wstring& url);
    // A dialog as the control shows one: the frame told first, then a modal window owned by the
    // frame window that disables its owner; on closing, the owner is enabled again before the
    // dialog is destroyed, as DialogBox does, and the frame is told last.
    bool ShowModal(bool showing) {
        if (!m_frame || !m_window || (m_dialog != nullptr) == showing) return false;
        if (showing) {
            Log(L"frame EnableModeless 0");
            if (FAILED(m_frame->EnableModeless(FALSE))) return false;
            HWND owner = GetAncestor(m_window, GA_ROOT);
            m_dialog = CreateWindowExW(WS_EX_DLGMODALFRAME, L"Static", L"BrowserSim dialog",
                                       WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, 0, 120, 80, owner, nullptr, ThisModule(),
                                       nullptr);
            m_dialogDisabledOwner = m_dialog && IsWindowEnabled(owner);
            if (m_dialogDisabledOwner) EnableWindow(owner, FALSE);
            return m_dialog != nullptr;
        }
        HWND owner = ::GetWindow(m_dialog, GW_OWNER);
        if (m_dialogDisabledOwner) EnableWindow(owner, TRUE);
        Log(std::wstring(L"dialog destroyed, owner enabled ") + (IsWindowEnabled(owner) ? L"1" : L"0"));
        DestroyWindow(std::exchange(m_dialog, nullptr));
        Log(L"frame EnableModeless 1");
        return SUCCEEDED(m_frame->EnableModeless(TRUE));
    }
    bool Active() const { return m_window != nullptr; }

private:
    enum class Move { New, Back, Forward, Reload };
    struct PendingLoad {
        std::uint64_t id = 0;
        std::wstring url;
        Move move = Move::New;
        std::size_t historyIndex = 0;
    };
    struct Sink {
        DWORD cookie;
        IDispatch* sink;
    };

    // The one connection point; its references are the control's.
    class Point final : public IConnectionPoint {
    public:
        explicit Point(BrowserSim& owner) : m_owner(owner) {}
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
            if (!object) return E_POINTER;
            *object = nullptr;
            if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IConnectionPoint)) return E_NOINTERFACE;
            *object = static_cast<IConnectionPoint*>(this);
            AddRef();
            return S_OK;
        }
        ULONG STDMETHODCALLTYPE AddRef() override { return m_owner.AddRef(); }
        ULONG STDMETHODCALLTYPE Release() override { return m_owner.Release(); }
        HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override {
            if (!iid) return E_POINTER;
            *iid = DIID_DWebBrowserEvents2;
            return S_OK;
        }
        HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** container) override {
            if (!container) return E_POINTER;
            *container = &m_owner;
            m_owner.AddRef();
            return S_OK;
        }
        HRESULT STDMETHODCALLTYPE Advise(IUnknown* unknown, DWORD* cookie) override {
            if (!unknown || !cookie) return E_POINTER;
            IDispatch* sink = nullptr;
            if (FAILED(unknown->QueryInterface(DIID_DWebBrowserEvents2, reinterpret_cast<void**>(&sink))) &&
                FAILED(unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&sink))))
                return CONNECT_E_CANNOTCONNECT;
            InterlockedIncrement(&g_objects);  // a sink held counts as a live object
            *cookie = ++m_owner.m_lastCookie;
            m_owner.m_sinks.push_back({*cookie, sink});
            Log(L"Advise");
            return S_OK;
        }
        HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
            auto& sinks = m_owner.m_sinks;
            auto it = std::find_if(sinks.begin(), sinks.end(), [&](const Sink& s) { return s.cookie == cookie; });
            if (it == sinks.end()) return CONNECT_E_NOCONNECTION;
            IDispatch* sink = it->sink;
            sinks.erase(it);
            sink->Release();
            InterlockedDecrement(&g_objects);
            Log(L"Unadvise");
            return S_OK;
        }
        HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** connections) override {
            if (connections) *connections = nullptr;
            return E_NOTIMPL;
        }

    private:
        BrowserSim& m_owner;
    };

    ~BrowserSim() {
        InPlaceDeactivate();
        SetDocument(nullptr);
        for (const Sink& s : m_sinks) {
            s.sink->Release();
            InterlockedDecrement(&g_objects);
        }
        ReleaseAndClear(m_site);
        if (m_steps) DestroyWindow(m_steps);
        g_controls.erase(std::find(g_controls.begin(), g_controls.end(), this));
        Log(L"released");
    }

    IDispatch* Top() { return static_cast<IWebBrowser2*>(this); }

    static LRESULT CALLBACK StepsProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
    static LRESULT CALLBACK ViewProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
    void UIActivate();

    HRESULT StartNavigation(const std::wstring& url, Move move, std::size_t historyIndex);
    void RunLoad(std::uint64_t id);
    void EndLoad() {
        m_load.reset();
        m_readyState = m_document ? READYSTATE_COMPLETE : READYSTATE_UNINITIALIZED;
    }
    bool Current(std::uint64_t id) const { return m_load && m_load->id == id; }
    void SetDocument(std::shared_ptr<Page> page);
    // Loads one frame of the page: its events name the frame.
    void LoadFrame(FrameSim* frame, const std::wstring& url, const std::wstring& name);

    // Raising events: arguments first to last (the sink gets them last to first).
    void Fire(DISPID id, std::vector<VARIANT> args);
    void FireSimple(DISPID id, const wchar_t* name) {
        Log(std::wstring(L"event ") + name);
        Fire(id, {});
    }
    bool FireBeforeNavigate2(IDispatch* who, const std::wstring& url, const std::wstring& frameName);
    void FireUrlEvent(DISPID id, const wchar_t* name, IDispatch* who, const std::wstring& url);
    bool FireNavigateError(IDispatch* who, const std::wstring& url, const std::wstring& frameName, LONG code);
    void FireStatusText(const std::wstring& text);
    void FireProgress(LONG progress, LONG max);
    const wchar_t* Who(IDispatch* who) { return who == Top() ? L"top" : L"frame"; }

    Counted m_counted;
    LONG m_refs = 1;
    Point m_point;
    std::vector<Sink> m_sinks;
    DWORD m_lastCookie = 0;
    bool m_initialised = false;
    IOleClientSite* m_site = nullptr;
    IOleInPlaceSite* m_inPlaceSite = nullptr;
    IOleInPlaceFrame* m_frame = nullptr;
    HWND m_window = nullptr;
    HWND m_steps = nullptr;
    HWND m_dialog = nullptr;  // the dialog ShowModal shows
    bool m_dialogDisabledOwner = false;
    bool m_uiActive = false;
    VARIANT_BOOL m_silent = VARIANT_FALSE;

    std::optional<PendingLoad> m_load;
    std::uint64_t m_loads = 0;
    READYSTATE m_readyState = READYSTATE_UNINITIALIZED;
    std::wstring m_location;
    std::shared_ptr<Page> m_page;
    IDispatch* m_document = nullptr;
    std::vector<FrameSim*> m_frames;
    std::vector<std::wstring> m_history;
    std::size_t m_historyPos = 0;
};

LRESULT CALLBACK BrowserSim::StepsProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    auto* self = reinterpret_cast<BrowserSim*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if ((msg == kMsgLoad || msg == WM_TIMER) && self) {
        if (msg == WM_TIMER) KillTimer(hwnd, wParam);
        self->AddRef();
        try {
            self->RunLoad(static_cast<std::uint64_t>(wParam));
        } catch (...) {
        }
        self->Release();
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK BrowserSim::ViewProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    auto* self = reinterpret_cast<BrowserSim*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    // Focus in the page makes the control the active object, as a click in a page does.
    if (msg == WM_SETFOCUS && self) self->UIActivate();
    if (msg == WM_LBUTTONDOWN) SetFocus(hwnd);
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// In-place activation in the site's window, with a window of the control's own.
HRESULT BrowserSim::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent, LPCRECT position) {
    switch (verb) {
        case OLEIVERB_PRIMARY:
        case OLEIVERB_SHOW:
        case OLEIVERB_INPLACEACTIVATE:
        case OLEIVERB_UIACTIVATE:
            break;
        case OLEIVERB_HIDE:
            if (m_window) ShowWindow(m_window, SW_HIDE);
            return S_OK;
        default:
            return OLEOBJ_S_INVALIDVERB;
    }
    if (!m_window) {
        if (!m_initialised) return E_UNEXPECTED;
        if (!site) site = m_site;
        if (!site) return E_INVALIDARG;
        IOleInPlaceSite* inPlace = nullptr;
        if (FAILED(site->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&inPlace)))) return E_NOINTERFACE;
        if (inPlace->CanInPlaceActivate() != S_OK) {
            inPlace->Release();
            return E_FAIL;
        }
        inPlace->OnInPlaceActivate();
        HWND siteWindow = nullptr;
        if (FAILED(inPlace->GetWindow(&siteWindow)) || !siteWindow) siteWindow = parent;
        IOleInPlaceFrame* frame = nullptr;
        IOleInPlaceUIWindow* document = nullptr;
        RECT rect{0, 0, 100, 100};
        RECT clip = rect;
        OLEINPLACEFRAMEINFO info{};
        info.cb = sizeof(info);
        if (SUCCEEDED(inPlace->GetWindowContext(&frame, &document, &rect, &clip, &info))) ReleaseAndClear(document);
        if (position) rect = *position;
        if (!siteWindow || !RegisterClassOnce(kViewClass, ViewProc, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1)) ||
            !(m_window = CreateWindowExW(0, kViewClass, L"BrowserSim",
                                         WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                                         rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                                         siteWindow, nullptr, ThisModule(), nullptr))) {
            ReleaseAndClear(frame);
            inPlace->OnInPlaceDeactivate();
            inPlace->Release();
            return E_FAIL;
        }
        SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        m_inPlaceSite = inPlace;
        m_frame = frame;
        Log(L"activated");
    }
    if (verb != OLEIVERB_INPLACEACTIVATE) UIActivate();
    return S_OK;
}

void BrowserSim::UIActivate() {
    if (m_uiActive || !m_inPlaceSite) return;
    m_uiActive = true;
    m_inPlaceSite->OnUIActivate();
    if (m_frame) m_frame->SetActiveObject(static_cast<IOleInPlaceActiveObject*>(this), L"");
}

HRESULT BrowserSim::StartNavigation(const std::wstring& url, Move move, std::size_t historyIndex) {
    // A reload goes without BeforeNavigate2; anything else can be cancelled there.
    if (move != Move::Reload) {
        AddRef();
        const bool cancelled = FireBeforeNavigate2(Top(), url, L"");
        const bool gone = m_refs == 1;
        Release();
        if (cancelled || gone) return S_OK;
    }
    m_load = PendingLoad{++m_loads, url, move, historyIndex};
    m_readyState = READYSTATE_LOADING;
    if (!m_steps) return E_FAIL;
    // The page arrives at once, or after the delay a test asked for (a timer named by the load).
    const bool queued = g_loadDelayMs
                            ? SetTimer(m_steps, static_cast<UINT_PTR>(m_load->id), g_loadDelayMs, nullptr) != 0
                            : PostMessageW(m_steps, kMsgLoad, static_cast<WPARAM>(m_load->id), 0) != FALSE;
    return queued ? S_OK : E_FAIL;
}

void BrowserSim::RunLoad(std::uint64_t id) {
    if (!Current(id)) return;
    const PendingLoad load = *m_load;
    FireSimple(DISPID_DOWNLOADBEGIN, L"DownloadBegin");
    if (!Current(id)) return;
    FireProgress(0, kProgressMax);
    if (!Current(id)) return;
    Fetched fetched = Fetch(load.url);
    if (fetched.error) {
        if (FireNavigateError(Top(), load.url, L"", fetched.error) || !Current(id)) {
            if (!Current(id)) return;
            EndLoad();
            FireSimple(DISPID_DOWNLOADCOMPLETE, L"DownloadComplete");
            return;
        }
        fetched.page = ErrorPage(load.url, fetched.error);
        fetched.frames.clear();
    }
    FireProgress(kProgressMax / 2, kProgressMax);
    if (!Current(id)) return;

    // The new document takes the old one's place; the history follows.
    m_location = fetched.url;
    SetDocument(fetched.page);
    if (load.move == Move::New) {
        if (!m_history.empty()) m_history.resize(m_historyPos + 1);
        m_history.push_back(m_location);
        m_historyPos = m_history.size() - 1;
    } else if (load.move != Move::Reload) {
        m_historyPos = load.historyIndex;
    }
    m_readyState = READYSTATE_INTERACTIVE;
    FireUrlEvent(DISPID_NAVIGATECOMPLETE2, L"NavigateComplete2", Top(), m_location);
    if (!Current(id)) return;

    for (const FrameFinder::Frame& f : fetched.frames) {
        auto* frame = new FrameSim(f.url);
        m_frames.push_back(frame);
        LoadFrame(frame, f.url, f.name);
        if (!Current(id)) return;
    }
    FireProgress(kProgressMax, kProgressMax);
    if (!Current(id)) return;
    FireStatusText(L"");
    if (!Current(id)) return;
    FireProgress(-1, kProgressMax);
    if (!Current(id)) return;
    EndLoad();
    FireSimple(DISPID_DOWNLOADCOMPLETE, L"DownloadComplete");
    if (m_load) return;  // a new navigation started there
    FireUrlEvent(DISPID_DOCUMENTCOMPLETE, L"DocumentComplete", Top(), m_location);
}

void BrowserSim::LoadFrame(FrameSim* frame, const std::wstring& url, const std::wstring& name) {
    frame->AddRef();
    if (!FireBeforeNavigate2(frame, url, name)) {
        Fetched fetched = Fetch(url);
        frame->SetUrl(fetched.url);
        if (!fetched.error || !FireNavigateError(frame, url, name, fetched.error)) {
            FireUrlEvent(DISPID_NAVIGATECOMPLETE2, L"NavigateComplete2", frame, fetched.url);
            FireUrlEvent(DISPID_DOCUMENTCOMPLETE, L"DocumentComplete", frame, fetched.url);
        }
    }
    frame->Release();
}

void BrowserSim::SetDocument(std::shared_ptr<Page> page) {
    for (FrameSim* frame : m_frames) frame->Release();
    m_frames.clear();
    ReleaseAndClear(m_document);
    m_page = std::move(page);
    if (m_page) m_document = NewDocument(m_page);
}

void BrowserSim::Fire(DISPID id, std::vector<VARIANT> args) {
    std::reverse(args.begin(), args.end());
    DISPPARAMS params{args.empty() ? nullptr : args.data(), nullptr, static_cast<UINT>(args.size()), 0};
    // A sink may go (Unadvise) while the event runs: each one is held for its call.
    std::vector<IDispatch*> sinks;
    for (const Sink& s : m_sinks) {
        s.sink->AddRef();
        sinks.push_back(s.sink);
    }
    AddRef();
    for (IDispatch* sink : sinks) {
        sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
        sink->Release();
    }
    Release();
}

bool BrowserSim::FireBeforeNavigate2(IDispatch* who, const std::wstring& url, const std::wstring& frameName) {
    VARIANT address = Owned(url), flags = Int(0), target = Owned(frameName), post, headers = Owned(L"");
    VariantInit(&post);
    VARIANT_BOOL cancel = VARIANT_FALSE;
    Log(std::wstring(L"event BeforeNavigate2 ") + Who(who) + L" " + url);
    Fire(DISPID_BEFORENAVIGATE2, {Dispatch(who), RefTo(&address), RefTo(&flags), RefTo(&target), RefTo(&post),
                                  RefTo(&headers), BoolRef(&cancel)});
    for (VARIANT* v : {&address, &target, &headers}) VariantClear(v);
    if (cancel) Log(L"cancelled");
    return cancel != VARIANT_FALSE;
}

void BrowserSim::FireUrlEvent(DISPID id, const wchar_t* name, IDispatch* who, const std::wstring& url) {
    VARIANT address = Owned(url);
    Log(std::wstring(L"event ") + name + L" " + Who(who) + L" " + url);
    Fire(id, {Dispatch(who), RefTo(&address)});
    VariantClear(&address);
}

bool BrowserSim::FireNavigateError(IDispatch* who, const std::wstring& url, const std::wstring& frameName, LONG code) {
    VARIANT address = Owned(url), frame = Owned(frameName), status = Int(code);
    VARIANT_BOOL cancel = VARIANT_FALSE;
    Log(std::wstring(L"event NavigateError ") + Who(who) + L" " + url + L" " + std::to_wstring(code));
    Fire(DISPID_NAVIGATEERROR, {Dispatch(who), RefTo(&address), RefTo(&frame), RefTo(&status), BoolRef(&cancel)});
    VariantClear(&address);
    VariantClear(&frame);
    if (cancel) Log(L"cancelled");
    return cancel != VARIANT_FALSE;
}

void BrowserSim::FireStatusText(const std::wstring& text) {
    Log(L"event StatusTextChange " + text);
    VARIANT v = Owned(text);
    Fire(DISPID_STATUSTEXTCHANGE, {v});
    VariantClear(&v);
}

void BrowserSim::FireProgress(LONG progress, LONG max) {
    Log(L"event ProgressChange " + std::to_wstring(progress) + L"/" + std::to_wstring(max));
    Fire(DISPID_PROGRESSCHANGE, {Int(progress), Int(max)});
}

// The pointer goes over the link (its address in the status text) and clicks it: a link with a
// target of its own asks for a new window, any other navigates here.
bool BrowserSim::ClickLink(std::size_t index) {
    if (!m_page || index >= m_page->Links().size()) return false;
    const ferrik::PageLink link = m_page->Links()[index];
    const std::wstring href = Wide(link.href);
    AddRef();
    FireStatusText(href);
    const Text target = ferrik::ToLower(link.target);
    if (!target.empty() && target != u"_self" && target != u"_top" && target != u"_parent") {
        IDispatch* window = nullptr;
        VARIANT windowRef;
        VariantInit(&windowRef);
        windowRef.vt = VT_BYREF | VT_DISPATCH;
        windowRef.ppdispVal = &window;
        VARIANT_BOOL cancel = VARIANT_FALSE;
        Log(L"event NewWindow2");
        Fire(DISPID_NEWWINDOW2, {windowRef, BoolRef(&cancel)});
        ReleaseAndClear(window);
        // A window of its own is more than the stand-in makes: the request is only logged.
        Log(cancel ? L"cancelled" : L"new window not opened");
    } else {
        StartNavigation(href, Move::New, 0);
    }
    Release();
    return true;
}

bool BrowserSim::NavigateFrame(std::size_t index, const std::wstring& url) {
    if (index >= m_frames.size()) return false;
    AddRef();
    LoadFrame(m_frames[index], url, L"");
    Release();
    return true;
}

namespace {

// The control a hook acts on: the newest one in place.
BrowserSim* ActiveControl() {
    for (auto it = g_controls.rbegin(); it != g_controls.rend(); ++it)
        if ((*it)->Active()) return *it;
    return nullptr;
}

}  // namespace

IUnknown* NewBrowser() {
    return static_cast<IWebBrowser2*>(new BrowserSim());
}

}  // namespace browsersim

using namespace browsersim;

extern "C" {

// Clicks link `index` (document order) of the page in the newest active control.
BOOL BrowserSimClickLink(int index) {
    BrowserSim* control = ActiveControl();
    return control && index >= 0 && control->ClickLink(static_cast<std::size_t>(index));
}

// Frame `index` of the page navigates to `url` (as a link clicked inside it would).
BOOL BrowserSimNavigateFrame(int index, const wchar_t* url) {
    BrowserSim* control = ActiveControl();
    return control && index >= 0 && url && control->NavigateFrame(static_cast<std::size_t>(index), url);
}

// The control shows a dialog of its own (TRUE) or closes it (FALSE): it tells its frame.
BOOL BrowserSimShowModal(BOOL showing) {
    BrowserSim* control = ActiveControl();
    return control && control->ShowModal(showing != FALSE);
}

// From now on every page arrives `ms` milliseconds after its navigation started (0: at once).
void BrowserSimSetLoadDelay(UINT ms) {
    g_loadDelayMs = ms;
}

// Documents alive (the current pages' and those still referenced by anyone).
LONG BrowserSimLiveDocuments() {
    return g_documents;
}

}  // extern "C"
