#include "web/system_browser_win.h"

#include <exdisp.h>
#include <exdispid.h>
#include <mshtml.h>
#include <oleauto.h>
#include <wrl/client.h>

#include "platform/window_win.h"
#include "web/browser_host_win.h"
#include "web/browser_sink_win.h"

namespace ferrik {

using Microsoft::WRL::ComPtr;

namespace {

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
    browser->m_document = std::make_unique<HtmlDocument>();
    auto handler = std::make_unique<BrowserSiteHandler>();
    browser->m_siteHandler = handler.get();
    browser->m_host = OleControlHost::CreateVisible(parent, kSystemBrowserProgId, bounds, &hr, std::move(handler));
    if (!browser->m_host) return nullptr;
    hr = browser->m_host->Dispatch()->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&browser->m_browser));
    if (FAILED(hr)) return nullptr;
    ComPtr<IConnectionPointContainer> container;
    ComPtr<IConnectionPoint> point;
    hr = browser->m_browser->QueryInterface(IID_PPV_ARGS(&container));
    if (FAILED(hr)) return nullptr;
    hr = container->FindConnectionPoint(DIID_DWebBrowserEvents2, &point);
    if (FAILED(hr)) return nullptr;
    browser->m_sink = new BrowserEventSink(events, browser->m_browser);
    browser->m_sink->SetNavigationStart([self = browser.get()] { self->m_document->Reset(nullptr); });
    // The control starts every document at 100 % of the system's scale.
    browser->m_sink->SetDocumentDone([self = browser.get()] { self->ApplyZoom(); });
    hr = point->Advise(browser->m_sink, &browser->m_cookie);
    if (FAILED(hr)) return nullptr;
    return browser;
}

SystemBrowser::~SystemBrowser() {
    if (m_sink) {
        m_sink->SetEvents(nullptr);
        m_sink->SetNavigationStart(nullptr);
        m_sink->SetDocumentDone(nullptr);
    }
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
    if (m_host) m_siteHandler->SetSilent(silent);
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
    if (!m_browser || FAILED(m_browser->get_Document(&dispatch)) || !dispatch || FAILED(dispatch.As(&document))) {
        m_document->Reset(nullptr);
        return nullptr;
    }
    m_document->Reset(document);
    return m_document.get();
}

void SystemBrowser::SetBounds(int x, int y, int width, int height) {
    if (m_host) m_host->SetBounds(RECT{x, y, x + width, y + height});
}

void SystemBrowser::SetDpi(int dpi) {
    m_dpi = dpi;
    ApplyZoom();
}

// Without a document the control refuses the zoom; the next DocumentComplete applies it.
void SystemBrowser::ApplyZoom() {
    if (!m_browser) return;
    const int dpi = m_dpi > 0 ? m_dpi : WindowDpi(HostWindow());
    VARIANT percent, out;
    VariantInit(&percent);
    VariantInit(&out);
    percent.vt = VT_I4;
    percent.lVal = MulDiv(dpi, 100, 96);
    m_browser->ExecWB(OLECMDID_OPTICAL_ZOOM, OLECMDEXECOPT_DONTPROMPTUSER, &percent, &out);
    VariantClear(&out);
}

bool SystemBrowser::HtmlEngineAvailable() {
    CLSID clsid;
    if (FAILED(CLSIDFromProgID(L"htmlfile", &clsid))) return false;
    ComPtr<IUnknown> document;
    return SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&document)));
}

}  // namespace ferrik
