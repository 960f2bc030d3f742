// The document the stand-in hands out: IHTMLDocument2 with `all`, `body` and `title`; elements
// with `tagName` and, through IDispatch, `type` and `value`; the body's text range and pasteHTML.
// Every call that writes is logged.
#include <cwchar>

#include "browser_sim.h"

namespace browsersim {

using ferrik::Page;

namespace {

enum ElementMember : DISPID { kType = 1, kValue, kTagName };

// IUnknown and the parts of IDispatch that need no names, for one object of the stand-in.
#define BROWSERSIM_REFCOUNT                                                        \
    ULONG STDMETHODCALLTYPE AddRef() override {                                    \
        return static_cast<ULONG>(InterlockedIncrement(&m_refs));                  \
    }                                                                              \
    ULONG STDMETHODCALLTYPE Release() override {                                   \
        const LONG refs = InterlockedDecrement(&m_refs);                           \
        if (refs == 0) delete this;                                                \
        return static_cast<ULONG>(refs);                                           \
    }                                                                              \
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {             \
        if (count) *count = 0;                                                     \
        return S_OK;                                                               \
    }                                                                              \
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override { \
        if (info) *info = nullptr;                                                 \
        return DISP_E_BADINDEX;                                                    \
    }

class RangeSim final : public HTMLTxtRangeStubs {
public:
    explicit RangeSim(std::shared_ptr<Page> page) : m_page(std::move(page)) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDispatch) && !IsEqualIID(riid, IID_IHTMLTxtRange))
            return E_NOINTERFACE;
        *object = static_cast<IHTMLTxtRange*>(this);
        AddRef();
        return S_OK;
    }
    BROWSERSIM_REFCOUNT
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE pasteHTML(BSTR html) override {
        const std::wstring text(html ? html : L"", SysStringLen(html));
        Log(L"pasteHTML " + text);
        return m_page->PasteHtmlIntoBody(FromWide(text.data(), text.size())) ? S_OK : E_FAIL;
    }

private:
    ~RangeSim() = default;
    Counted m_counted;
    LONG m_refs = 1;
    std::shared_ptr<Page> m_page;
};

// One element of the page, by its index in document order. The body element is also an
// IHTMLBodyElement.
class ElementSim final : public HTMLElementStubs, public HTMLBodyElementStubs {
public:
    ElementSim(std::shared_ptr<Page> page, std::size_t index) : m_page(std::move(page)), m_index(index) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, IID_IHTMLElement)) {
            *object = static_cast<IHTMLElement*>(this);
        } else if (IsEqualIID(riid, IID_IHTMLBodyElement) && Tag() == L"BODY") {
            *object = static_cast<IHTMLBodyElement*>(this);
        } else {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    BROWSERSIM_REFCOUNT

    // Late-bound members, as a script reaches them: only those the element has.
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        if (!names || !ids || count == 0) return E_POINTER;
        for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
        if (count != 1 || !names[0]) return DISP_E_UNKNOWNNAME;
        if (_wcsicmp(names[0], L"tagName") == 0) ids[0] = kTagName;
        if (_wcsicmp(names[0], L"type") == 0 && m_page->Type(m_index)) ids[0] = kType;
        if (_wcsicmp(names[0], L"value") == 0 && m_page->Value(m_index)) ids[0] = kValue;
        return ids[0] == DISPID_UNKNOWN ? DISP_E_UNKNOWNNAME : S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO*, UINT*) override {
        if (!params) return E_POINTER;
        if (result) VariantInit(result);
        if (flags & DISPATCH_PROPERTYPUT) {
            if (params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
            if (id != kValue) return DISP_E_MEMBERNOTFOUND;  // tagName and type cannot be written
            VARIANT text;
            VariantInit(&text);
            if (FAILED(VariantChangeType(&text, &params->rgvarg[0], 0, VT_BSTR))) return DISP_E_TYPEMISMATCH;
            const std::wstring value(text.bstrVal ? text.bstrVal : L"", SysStringLen(text.bstrVal));
            VariantClear(&text);
            Log(L"put value " + Tag() + L" " + Wide(m_page->Type(m_index).value_or(u"-")) + L" " + value);
            return m_page->SetValue(m_index, FromWide(value.data(), value.size())) ? S_OK : E_FAIL;
        }
        if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
        std::optional<ferrik::Text> value;
        if (id == kTagName) value = m_page->TagName(m_index);
        if (id == kType) value = m_page->Type(m_index);
        if (id == kValue) value = m_page->Value(m_index);
        if (!value) return DISP_E_MEMBERNOTFOUND;
        if (result) {
            result->vt = VT_BSTR;
            result->bstrVal = AllocBstr(Wide(*value));
        }
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE get_tagName(BSTR* p) override {
        if (!p) return E_POINTER;
        *p = AllocBstr(Tag());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE createTextRange(IHTMLTxtRange** range) override {
        if (!range) return E_POINTER;
        *range = new RangeSim(m_page);
        return S_OK;
    }

private:
    ~ElementSim() = default;
    std::wstring Tag() const { return Wide(m_page->TagName(m_index).value_or(ferrik::Text())); }

    Counted m_counted;
    LONG m_refs = 1;
    std::shared_ptr<Page> m_page;
    std::size_t m_index;
};

// document.all: every element in document order.
class CollectionSim final : public HTMLElementCollectionStubs {
public:
    explicit CollectionSim(std::shared_ptr<Page> page) : m_page(std::move(page)) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDispatch) &&
            !IsEqualIID(riid, IID_IHTMLElementCollection))
            return E_NOINTERFACE;
        *object = static_cast<IHTMLElementCollection*>(this);
        AddRef();
        return S_OK;
    }
    BROWSERSIM_REFCOUNT
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE get_length(LONG* p) override {
        if (!p) return E_POINTER;
        *p = static_cast<LONG>(m_page->ElementCount());
        return S_OK;
    }
    // item(index): the element, or null past the end; names are not looked up.
    HRESULT STDMETHODCALLTYPE item(VARIANT name, VARIANT, IDispatch** element) override {
        if (!element) return E_POINTER;
        *element = nullptr;
        VARIANT index;
        VariantInit(&index);
        if (FAILED(VariantChangeType(&index, &name, 0, VT_I4))) return S_OK;
        if (index.lVal >= 0 && static_cast<std::size_t>(index.lVal) < m_page->ElementCount())
            *element = static_cast<IHTMLElement*>(new ElementSim(m_page, static_cast<std::size_t>(index.lVal)));
        return S_OK;
    }

private:
    ~CollectionSim() = default;
    Counted m_counted;
    LONG m_refs = 1;
    std::shared_ptr<Page> m_page;
};

}  // namespace

class DocumentSim final : public HTMLDocument2Stubs {
public:
    explicit DocumentSim(std::shared_ptr<Page> page) : m_page(std::move(page)) { InterlockedIncrement(&g_documents); }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDispatch) &&
            !IsEqualIID(riid, IID_IHTMLDocument) && !IsEqualIID(riid, IID_IHTMLDocument2))
            return E_NOINTERFACE;
        *object = static_cast<IHTMLDocument2*>(this);
        AddRef();
        return S_OK;
    }
    BROWSERSIM_REFCOUNT
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return DISP_E_MEMBERNOTFOUND;
    }

    HRESULT STDMETHODCALLTYPE get_all(IHTMLElementCollection** p) override {
        if (!p) return E_POINTER;
        *p = new CollectionSim(m_page);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_body(IHTMLElement** p) override {
        if (!p) return E_POINTER;
        *p = nullptr;
        for (std::size_t i = 0; i < m_page->ElementCount(); ++i) {
            if (m_page->TagName(i) == u"BODY") {
                *p = new ElementSim(m_page, i);
                break;
            }
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_title(BSTR* p) override {
        if (!p) return E_POINTER;
        *p = AllocBstr(m_title ? *m_title : Wide(m_page->Title()));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_title(BSTR v) override {
        m_title = std::wstring(v ? v : L"", SysStringLen(v));
        Log(L"put title " + *m_title);
        return S_OK;
    }

private:
    ~DocumentSim() { InterlockedDecrement(&g_documents); }
    Counted m_counted;
    LONG m_refs = 1;
    std::shared_ptr<Page> m_page;
    std::optional<std::wstring> m_title;
};

IDispatch* NewDocument(std::shared_ptr<Page> page) {
    return static_cast<IHTMLDocument2*>(new DocumentSim(std::move(page)));
}

}  // namespace browsersim
