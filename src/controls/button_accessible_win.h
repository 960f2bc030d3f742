#pragma once
// A tesselbutton's accessible object: what WM_GETOBJECT hands a screen reader, so that it reads
// "后退 button" where the system's proxies (which know no such class) would read a nameless client.
#include <windows.h>

#include <oleacc.h>
#include <wrl/client.h>

namespace ferrik {

class TesselButtonWindow;

// Posted to the button by the default action, so that a screen reader's call returns before the
// click runs (a click may open a modal window).
inline constexpr UINT kAccessibleClickMessage = WM_USER + 0x2A0;

class ButtonAccessible final : public IAccessible {
public:
    explicit ButtonAccessible(TesselButtonWindow& button);
    ButtonAccessible(const ButtonAccessible&) = delete;
    ButtonAccessible& operator=(const ButtonAccessible&) = delete;

    // The button's window goes: from now on every question fails as disconnected.
    void Disconnect();

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IDispatch: not offered (clients use the IAccessible methods).
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;
    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override;
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override;
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override;
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override;
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override;
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override;
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override;
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override;
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override;
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override;
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override;
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override;
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override;
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override;
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override;
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override;
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override;
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override;

private:
    ~ButtonAccessible();
    // S_OK when the button is there and `child` names the button itself.
    HRESULT Check(const VARIANT& child) const;

    LONG m_refs = 1;
    TesselButtonWindow* m_button;
    Microsoft::WRL::ComPtr<IAccessible> m_standard;  // the system's object of the window: parent and navigation
};

// The window's reference to its accessible object, made on first request. Letting it go
// disconnects the object first: a client that still holds it gets "not connected" answers.
class ButtonAccessibleOwner {
public:
    ButtonAccessibleOwner() noexcept = default;
    ButtonAccessibleOwner(const ButtonAccessibleOwner&) = delete;
    ButtonAccessibleOwner& operator=(const ButtonAccessibleOwner&) = delete;
    ~ButtonAccessibleOwner() { reset(); }
    ButtonAccessible* get() const noexcept { return m_object.Get(); }
    ButtonAccessible* GetOrMake(TesselButtonWindow& button);
    void reset() noexcept;

private:
    Microsoft::WRL::ComPtr<ButtonAccessible> m_object;
};

}  // namespace ferrik
