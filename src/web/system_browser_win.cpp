#include "web/system_browser_win.h"

#include <exdisp.h>
#include <exdispid.h>
#include <mshtml.h>
#include <oleauto.h>
#include <wrl/client.h>

namespace ferrik {

using Microsoft::WRL::ComPtr;

namespace {

// On the host window: the SystemBrowser inside it.
constexpr wchar_t kBrowserProperty[] = L"FERRIKBROWSER";

Text FromBstr(BSTR b) {
    return b ? Text(reinterpret_cast<const char16_t*>(b), SysStringLen(b)) : Text();
}

class Bstr {
public:
    explicit Bstr(TextView text)
        : m_b(SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()), static_cast<UINT>(text.size()))) {}
    Bstr() = default;
    ~Bstr() { SysFreeString(m_b); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR get() const { return m_b; }
    BSTR* out() { return &m_b; }
    Text text() const { return FromBstr(m_b); }

private:
    BSTR m_b = nullptr;
};

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

// Runs `raise` with a bool for a VT_BYREF|VT_BOOL Cancel argument and writes the answer back.
template <class F>
void WithCancel(VARIANT& arg, F raise) {
    bool cancel = arg.vt == (VT_BYREF | VT_BOOL) && arg.pboolVal && *arg.pboolVal != VARIANT_FALSE;
    raise(cancel);
    if (arg.vt == (VT_BYREF | VT_BOOL) && arg.pboolVal) *arg.pboolVal = cancel ? VARIANT_TRUE : VARIANT_FALSE;
}

std::optional<Text> GetTextProperty(IDispatch* object, const wchar_t* name) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names = const_cast<LPOLESTR>(name);
    if (!object || FAILED(object->GetIDsOfNames(IID_NULL, &names, 1, LOCALE_USER_DEFAULT, &id))) return std::nullopt;
    DISPPARAMS none{};
    VARIANT result;
    VariantInit(&result);
    std::optional<Text> text;
    if (SUCCEEDED(object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &result, nullptr,
                                 nullptr)) &&
        SUCCEEDED(VariantChangeType(&result, &result, 0, VT_BSTR)))
        text = FromBstr(result.bstrVal);
    VariantClear(&result);
    return text;
}

bool PutTextProperty(IDispatch* object, const wchar_t* name, TextView value) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names = const_cast<LPOLESTR>(name);
    if (!object || FAILED(object->GetIDsOfNames(IID_NULL, &names, 1, LOCALE_USER_DEFAULT, &id))) return false;
    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_BSTR;
    arg.bstrVal = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(value.data()), static_cast<UINT>(value.size()));
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params{&arg, &put, 1, 1};
    const HRESULT hr =
        object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr);
    VariantClear(&arg);
    return SUCCEEDED(hr);
}

}  // namespace

// DWebBrowserEvents2, raised on the events of the moment.
class SystemBrowser::Sink final : public DispatchByIdOnly {
public:
    explicit Sink(BrowserEvents& events) : m_events(&events) {}
    void SetEvents(BrowserEvents* events) { m_events = events; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
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
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG refs = --m_refs;
        if (refs == 0) delete this;
        return refs;
    }
    // Arguments come last to first in rgvarg.
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        if (!m_events || !params) return S_OK;
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
                    if (n >= 7) {
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
                    if (n >= 2) m_events->DocumentComplete(TextArg(a[0]));
                    break;
                case DISPID_NAVIGATEERROR:  // pDisp, URL, Frame, StatusCode, Cancel
                    if (n >= 5) {
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

private:
    ~Sink() = default;
    ULONG m_refs = 1;
    BrowserEvents* m_events;
};

// The control's current document: its elements by index (document.all) and its body.
class SystemBrowser::HtmlDocument final : public BrowserDocument {
public:
    void Reset(ComPtr<IHTMLDocument2> document) {
        m_document = std::move(document);
        m_all.Reset();
        if (m_document) m_document->get_all(&m_all);
    }
    bool Empty() const { return !m_document; }

    std::size_t ElementCount() const override {
        long length = 0;
        if (!m_all || FAILED(m_all->get_length(&length)) || length < 0) return 0;
        return static_cast<std::size_t>(length);
    }
    std::optional<Text> TagName(std::size_t index) const override {
        ComPtr<IHTMLElement> element;
        if (!Element(index, element)) return std::nullopt;
        Bstr tag;
        if (FAILED(element->get_tagName(tag.out()))) return std::nullopt;
        return tag.text();
    }
    std::optional<Text> Type(std::size_t index) const override {
        ComPtr<IHTMLElement> element;
        if (!Element(index, element)) return std::nullopt;
        return GetTextProperty(element.Get(), L"type");
    }
    std::optional<Text> Value(std::size_t index) const override {
        ComPtr<IHTMLElement> element;
        if (!Element(index, element)) return std::nullopt;
        return GetTextProperty(element.Get(), L"value");
    }
    bool SetValue(std::size_t index, TextView value) override {
        ComPtr<IHTMLElement> element;
        return Element(index, element) && PutTextProperty(element.Get(), L"value", value);
    }
    bool PasteHtmlIntoBody(TextView html) override {
        ComPtr<IHTMLElement> body;
        ComPtr<IHTMLBodyElement> bodyElement;
        ComPtr<IHTMLTxtRange> range;
        if (!m_document || FAILED(m_document->get_body(&body)) || !body || FAILED(body.As(&bodyElement)) ||
            FAILED(bodyElement->createTextRange(&range)) || !range)
            return false;
        Bstr text(html);
        return SUCCEEDED(range->pasteHTML(text.get()));
    }

private:
    bool Element(std::size_t index, ComPtr<IHTMLElement>& element) const {
        if (!m_all) return false;
        VARIANT name, sub;
        VariantInit(&name);
        VariantInit(&sub);
        name.vt = VT_I4;
        name.lVal = static_cast<LONG>(index);
        sub.vt = VT_I4;
        sub.lVal = 0;
        ComPtr<IDispatch> item;
        if (FAILED(m_all->item(name, sub, &item)) || !item) return false;
        return SUCCEEDED(item.As(&element));
    }

    ComPtr<IHTMLDocument2> m_document;
    ComPtr<IHTMLElementCollection> m_all;
};

std::unique_ptr<SystemBrowser> SystemBrowser::Create(HWND parent, const RECT& bounds, BrowserEvents& events,
                                                     HRESULT* error) {
    HRESULT ignored = S_OK;
    HRESULT& hr = error ? *error : ignored;
    std::unique_ptr<SystemBrowser> browser(new SystemBrowser());
    browser->m_host = OleControlHost::CreateVisible(parent, kSystemBrowserProgId, bounds, &hr);
    if (!browser->m_host) return nullptr;
    hr = browser->m_host->Dispatch()->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&browser->m_browser));
    if (FAILED(hr)) return nullptr;
    ComPtr<IConnectionPointContainer> container;
    ComPtr<IConnectionPoint> point;
    hr = browser->m_browser->QueryInterface(IID_PPV_ARGS(&container));
    if (FAILED(hr)) return nullptr;
    hr = container->FindConnectionPoint(DIID_DWebBrowserEvents2, &point);
    if (FAILED(hr)) return nullptr;
    browser->m_sink = new Sink(events);
    hr = point->Advise(browser->m_sink, &browser->m_cookie);
    if (FAILED(hr)) return nullptr;
    browser->m_document = std::make_unique<HtmlDocument>();
    SetPropW(browser->HostWindow(), kBrowserProperty, browser.get());
    return browser;
}

SystemBrowser::~SystemBrowser() {
    if (HWND host = HostWindow()) RemovePropW(host, kBrowserProperty);
    if (m_sink) m_sink->SetEvents(nullptr);
    m_document.reset();
    if (m_browser) {
        m_browser->Stop();
        if (m_cookie) {
            ComPtr<IConnectionPointContainer> container;
            ComPtr<IConnectionPoint> point;
            if (SUCCEEDED(m_browser->QueryInterface(IID_PPV_ARGS(&container))) &&
                SUCCEEDED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, &point)))
                point->Unadvise(m_cookie);
        }
        m_browser->Release();
        m_browser = nullptr;
    }
    if (m_sink) m_sink->Release();
    m_host.reset();
}

void SystemBrowser::SetEvents(BrowserEvents& events) {
    if (m_sink) m_sink->SetEvents(&events);
}

bool SystemBrowser::Navigate(TextView url) {
    Bstr address(url);
    VARIANT empty;
    VariantInit(&empty);
    return m_browser && SUCCEEDED(m_browser->Navigate(address.get(), &empty, &empty, &empty, &empty));
}

bool SystemBrowser::GoBack() {
    return m_browser && SUCCEEDED(m_browser->GoBack());
}

bool SystemBrowser::GoForward() {
    return m_browser && SUCCEEDED(m_browser->GoForward());
}

bool SystemBrowser::GoHome() {
    return m_browser && SUCCEEDED(m_browser->GoHome());
}

bool SystemBrowser::Refresh() {
    return m_browser && SUCCEEDED(m_browser->Refresh());
}

bool SystemBrowser::Stop() {
    return m_browser && SUCCEEDED(m_browser->Stop());
}

void SystemBrowser::SetSilent(bool silent) {
    if (m_browser) m_browser->put_Silent(silent ? VARIANT_TRUE : VARIANT_FALSE);
}

Text SystemBrowser::LocationName() const {
    Bstr name;
    if (!m_browser || FAILED(m_browser->get_LocationName(name.out()))) return {};
    return name.text();
}

Text SystemBrowser::LocationURL() const {
    Bstr url;
    if (!m_browser || FAILED(m_browser->get_LocationURL(url.out()))) return {};
    return url.text();
}

BrowserDocument* SystemBrowser::Document() {
    ComPtr<IDispatch> dispatch;
    ComPtr<IHTMLDocument2> document;
    if (!m_browser || FAILED(m_browser->get_Document(&dispatch)) || !dispatch || FAILED(dispatch.As(&document)))
        return nullptr;
    m_document->Reset(document);
    return m_document.get();
}

void SystemBrowser::SetBounds(int x, int y, int width, int height) {
    if (m_host) m_host->SetBounds(RECT{x, y, x + width, y + height});
}

bool SystemBrowser::TranslateKey(MSG& msg) {
    if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
    for (HWND hwnd = msg.hwnd; hwnd; hwnd = GetParent(hwnd)) {
        auto* self = static_cast<SystemBrowser*>(GetPropW(hwnd, kBrowserProperty));
        if (!self) continue;
        ComPtr<IOleInPlaceActiveObject> active;
        if (!self->m_browser || FAILED(self->m_browser->QueryInterface(IID_PPV_ARGS(&active)))) return false;
        return active->TranslateAccelerator(&msg) == S_OK;
    }
    return false;
}

bool SystemBrowser::HtmlEngineAvailable() {
    CLSID clsid;
    if (FAILED(CLSIDFromProgID(L"htmlfile", &clsid))) return false;
    ComPtr<IUnknown> document;
    return SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&document)));
}

}  // namespace ferrik
