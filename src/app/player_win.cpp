#include "app/player_win.h"

#include <ocidl.h>
#include <olectl.h>

#include <cstdio>
#include <string>

namespace ferrik {

using Microsoft::WRL::ComPtr;

namespace {

// The container side a control may insist on before it initialises: no document, no window, and
// the one ambient property that matters, run mode.
class HiddenSite final : public IOleClientSite, public IDispatch {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleClientSite)) {
            *object = static_cast<IOleClientSite*>(this);
        } else if (IsEqualIID(riid, IID_IDispatch)) {
            *object = static_cast<IDispatch*>(this);
        } else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG refs = --m_refs;
        if (refs == 0) delete this;
        return refs;
    }

    HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
        if (moniker) *moniker = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** container) override {
        if (container) *container = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

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
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                     UINT*) override {
        if (id != DISPID_AMBIENT_USERMODE || !result) return DISP_E_MEMBERNOTFOUND;
        VariantInit(result);
        result->vt = VT_BOOL;
        result->boolVal = VARIANT_TRUE;
        return S_OK;
    }

private:
    ULONG m_refs = 1;
};

std::string Failure(const wchar_t* member, HRESULT hr) {
    char text[96];
    std::snprintf(text, sizeof(text), "player member %ls failed: 0x%08lX", member, static_cast<unsigned long>(hr));
    return text;
}

struct ScopedVariant {
    ScopedVariant() { VariantInit(&value); }
    ~ScopedVariant() { VariantClear(&value); }
    ScopedVariant(const ScopedVariant&) = delete;
    ScopedVariant& operator=(const ScopedVariant&) = delete;
    VARIANT value;
};

std::unique_ptr<DispatchPlayer> CreateHiddenControl(const wchar_t* progId) {
    CLSID clsid;
    if (FAILED(CLSIDFromProgID(progId, &clsid))) return nullptr;
    ComPtr<IUnknown> control;
    if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&control)))) return nullptr;

    ComPtr<IOleObject> ole;
    ComPtr<IOleClientSite> site;
    if (SUCCEEDED(control.As(&ole))) {
        site.Attach(new HiddenSite());
        DWORD misc = 0;
        ole->GetMiscStatus(DVASPECT_CONTENT, &misc);
        const bool siteFirst = (misc & OLEMISC_SETCLIENTSITEFIRST) != 0;
        if (siteFirst) ole->SetClientSite(site.Get());
        ComPtr<IPersistStreamInit> persist;
        if (SUCCEEDED(control.As(&persist))) persist->InitNew();
        if (!siteFirst) ole->SetClientSite(site.Get());
    }
    ComPtr<IDispatch> dispatch;
    if (FAILED(control.As(&dispatch))) {
        if (ole) {
            ole->Close(OLECLOSE_NOSAVE);
            ole->SetClientSite(nullptr);
        }
        return nullptr;
    }
    return std::make_unique<DispatchPlayer>(std::move(dispatch), std::move(ole), std::move(site));
}

}  // namespace

DispatchPlayer::DispatchPlayer(ComPtr<IDispatch> dispatch, ComPtr<IOleObject> ole, ComPtr<IOleClientSite> site)
    : m_dispatch(std::move(dispatch)), m_ole(std::move(ole)), m_site(std::move(site)) {}

DispatchPlayer::~DispatchPlayer() {
    if (m_ole) {
        m_ole->Close(OLECLOSE_NOSAVE);
        m_ole->SetClientSite(nullptr);
    }
}

void DispatchPlayer::Call(const wchar_t* member, WORD flags, VARIANT* argument, VARIANT* result) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR name = const_cast<LPOLESTR>(member);
    HRESULT hr = m_dispatch->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) throw PlayerError(Failure(member, hr));
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params{};
    if (argument) {
        params.rgvarg = argument;
        params.cArgs = 1;
        if (flags & DISPATCH_PROPERTYPUT) {
            params.rgdispidNamedArgs = &putId;
            params.cNamedArgs = 1;
        }
    }
    EXCEPINFO excep{};
    UINT argError = 0;
    hr = m_dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, &excep, &argError);
    if (hr == DISP_E_EXCEPTION) {
        if (excep.pfnDeferredFillIn) excep.pfnDeferredFillIn(&excep);
        if (FAILED(excep.scode)) hr = excep.scode;
        SysFreeString(excep.bstrSource);
        SysFreeString(excep.bstrDescription);
        SysFreeString(excep.bstrHelpFile);
    }
    if (FAILED(hr)) throw PlayerError(Failure(member, hr));
}

std::int32_t DispatchPlayer::ReadInt(const wchar_t* member) {
    ScopedVariant result;
    Call(member, DISPATCH_PROPERTYGET | DISPATCH_METHOD, nullptr, &result.value);
    const HRESULT hr = VariantChangeType(&result.value, &result.value, 0, VT_I4);
    if (FAILED(hr)) throw PlayerError(Failure(member, hr));
    return result.value.lVal;
}

void DispatchPlayer::Stop() {
    ScopedVariant ignored;
    Call(L"Stop", DISPATCH_METHOD, nullptr, &ignored.value);
}

void DispatchPlayer::SetURL(TextView link) {
    ScopedVariant argument;
    argument.value.vt = VT_BSTR;
    argument.value.bstrVal =
        SysAllocStringLen(reinterpret_cast<const OLECHAR*>(link.data()), static_cast<UINT>(link.size()));
    if (!argument.value.bstrVal && !link.empty()) throw PlayerError("out of memory");
    Call(L"URL", DISPATCH_PROPERTYPUT, &argument.value, nullptr);
}

void DispatchPlayer::Play() {
    ScopedVariant ignored;
    Call(L"Play", DISPATCH_METHOD, nullptr, &ignored.value);
}

std::int32_t DispatchPlayer::Downrate() {
    return ReadInt(L"Downrate");
}

std::int32_t DispatchPlayer::PlayState() {
    return ReadInt(L"PlayState");
}

bool CreatePlayer(std::unique_ptr<DispatchPlayer>& player, Prompts& prompts, const wchar_t* progId) {
    player.reset();
    player = CreateHiddenControl(progId);
    if (player) return true;
    ReportMissingPlayer(prompts);
    return false;
}

}  // namespace ferrik
