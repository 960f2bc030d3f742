#include "app/player_win.h"

#include <cstdio>
#include <string>

namespace ferrik {

namespace {

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

}  // namespace

DispatchPlayer::DispatchPlayer(std::unique_ptr<OleControlHost> control) : m_control(std::move(control)) {}

void DispatchPlayer::Call(const wchar_t* member, WORD flags, VARIANT* argument, VARIANT* result) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR name = const_cast<LPOLESTR>(member);
    HRESULT hr = Dispatch()->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
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
    hr = Dispatch()->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, &excep, &argError);
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

bool CreatePlayer(std::unique_ptr<DispatchPlayer>& player, Prompts& prompts, HWND container, const wchar_t* progId) {
    player.reset();
    if (auto control = OleControlHost::Create(container, progId)) {
        player = std::make_unique<DispatchPlayer>(std::move(control));
        return true;
    }
    ReportMissingPlayer(prompts);
    return false;
}

}  // namespace ferrik
