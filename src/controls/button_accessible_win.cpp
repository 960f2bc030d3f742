#include "controls/button_accessible_win.h"

#include <utility>

#include "controls/button_accessible.h"
#include "controls/tesselbutton_win.h"
#include "platform/system_dlls_win.h"

namespace ferrik {

namespace {

// S_FALSE and a null string for empty text: "the object has none".
HRESULT ReturnText(const Text& text, BSTR* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (text.empty()) return S_FALSE;
    *out = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

void SetLong(VARIANT* out, long value) {
    VariantInit(out);
    out->vt = VT_I4;
    out->lVal = value;
}

}  // namespace

ButtonAccessible::ButtonAccessible(TesselButtonWindow& button) : m_button(&button) {
    void* standard = nullptr;
    if (SUCCEEDED(late::CreateStdAccessibleObject(button.Hwnd(), OBJID_CLIENT, IID_IAccessible, &standard)))
        m_standard.Attach(static_cast<IAccessible*>(standard));
}

ButtonAccessible::~ButtonAccessible() = default;

void ButtonAccessible::Disconnect() {
    m_button = nullptr;
    m_standard.Reset();
}

ButtonAccessible* ButtonAccessibleOwner::GetOrMake(TesselButtonWindow& button) {
    if (!m_object) m_object.Attach(new ButtonAccessible(button));  // made with its one reference
    return m_object.Get();
}

void ButtonAccessibleOwner::reset() noexcept {
    if (m_object) m_object->Disconnect();
    m_object.Reset();
}

HRESULT ButtonAccessible::Check(const VARIANT& child) const {
    if (!m_button || !m_button->Hwnd()) return CO_E_OBJNOTCONNECTED;
    const bool self = child.vt == VT_EMPTY || (child.vt == VT_I4 && child.lVal == CHILDID_SELF);
    return self ? S_OK : E_INVALIDARG;
}

HRESULT ButtonAccessible::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IAccessible) {
        *object = static_cast<IAccessible*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG ButtonAccessible::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&m_refs));
}

ULONG ButtonAccessible::Release() {
    const LONG refs = InterlockedDecrement(&m_refs);
    if (refs == 0) delete this;
    return static_cast<ULONG>(refs);
}

HRESULT ButtonAccessible::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT ButtonAccessible::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

HRESULT ButtonAccessible::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
    return E_NOTIMPL;
}

HRESULT ButtonAccessible::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
    return E_NOTIMPL;
}

HRESULT ButtonAccessible::get_accParent(IDispatch** parent) {
    if (!parent) return E_POINTER;
    *parent = nullptr;
    if (!m_button || !m_standard) return CO_E_OBJNOTCONNECTED;
    return m_standard->get_accParent(parent);
}

HRESULT ButtonAccessible::get_accChildCount(long* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT ButtonAccessible::get_accChild(VARIANT, IDispatch** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    return E_INVALIDARG;
}

HRESULT ButtonAccessible::get_accName(VARIANT child, BSTR* name) {
    if (name) *name = nullptr;
    if (const HRESULT hr = Check(child); hr != S_OK) return hr;
    return ReturnText(AccessibleFactsOf(m_button->Button(), true).name, name);
}

HRESULT ButtonAccessible::get_accValue(VARIANT child, BSTR* value) {
    if (value) *value = nullptr;
    if (const HRESULT hr = Check(child); hr != S_OK) return hr;
    return DISP_E_MEMBERNOTFOUND;
}

// The ToolTip, when the name is the caption (a picture-only button's name is its ToolTip already).
HRESULT ButtonAccessible::get_accDescription(VARIANT child, BSTR* description) {
    if (description) *description = nullptr;
    if (const HRESULT hr = Check(child); hr != S_OK) return hr;
    const TesselButton& button = m_button->Button();
    return ReturnText(CaptionWithoutMarker(button.Caption()).empty() ? Text() : button.ToolTip(), description);
}

HRESULT ButtonAccessible::get_accRole(VARIANT child, VARIANT* role) {
    if (!role) return E_POINTER;
    VariantInit(role);
    if (const HRESULT hr = Check(child); hr != S_OK) return hr;
    SetLong(role, AccessibleFactsOf(m_button->Button(), true).role);
    return S_OK;
}

HRESULT ButtonAccessible::get_accState(VARIANT child, VARIANT* state) {
    if (!state) return E_POINTER;
    VariantInit(state);
    if (const HRESULT hr = Check(child); hr != S_OK) return hr;
    const HWND hwnd = m_button->Hwnd();
    SetLong(state, static_cast<long>(AccessibleFactsOf(m_button->Button(), IsWindowVisible(hwnd) != FALSE).state));
    return S_OK;
}

HRESULT ButtonAccessible::get_accHelp(VARIANT child, BSTR* help) {
    if (help) *help = nullptr;
    if (const HRESULT hr = Check(child); hr != S_OK) return hr;
    return S_FALSE;
}

HRESULT ButtonAccessible::get_accHelpTopic(BSTR* file, VARIANT child, long* topic) {
    if (file) *file = nullptr;
    if (topic) *topic = 0;
    if (const HRESULT hr = Check(child); hr != S_OK) return hr;
    return S_FALSE;
}

HRESULT ButtonAccessible::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) {
    if (shortcut) *shortcut = nullptr;
    if (const HRESULT hr = Check(child); hr != S_OK) return hr;
    return ReturnText(AccessKeyShortcut(m_button->AccessKey()), shortcut);
}

HRESULT ButtonAccessible::get_accFocus(VARIANT* focus) {
    if (!focus) return E_POINTER;
    VariantInit(focus);
    if (!m_button || !m_button->Hwnd()) return CO_E_OBJNOTCONNECTED;
    if (GetFocus() != m_button->Hwnd()) return S_FALSE;
    SetLong(focus, CHILDID_SELF);
    return S_OK;
}

HRESULT ButtonAccessible::get_accSelection(VARIANT* selection) {
    if (!selection) return E_POINTER;
    VariantInit(selection);
    return S_FALSE;
}

HRESULT ButtonAccessible::get_accDefaultAction(VARIANT child, BSTR* action) {
    if (action) *action = nullptr;
    if (const HRESULT hr = Check(child); hr != S_OK) return hr;
    return ReturnText(Text(kButtonDefaultAction), action);
}

HRESULT ButtonAccessible::accSelect(long flags, VARIANT child) {
    if (const HRESULT hr = Check(child); hr != S_OK) return hr;
    if (flags & ~SELFLAG_TAKEFOCUS) return E_INVALIDARG;
    if (flags & SELFLAG_TAKEFOCUS) SetFocus(m_button->Hwnd());
    return S_OK;
}

HRESULT ButtonAccessible::accLocation(long* left, long* top, long* width, long* height, VARIANT child) {
    if (!left || !top || !width || !height) return E_POINTER;
    *left = *top = *width = *height = 0;
    if (const HRESULT hr = Check(child); hr != S_OK) return hr;
    RECT rc{};
    if (!GetWindowRect(m_button->Hwnd(), &rc)) return E_FAIL;
    *left = rc.left;
    *top = rc.top;
    *width = rc.right - rc.left;
    *height = rc.bottom - rc.top;
    return S_OK;
}

HRESULT ButtonAccessible::accNavigate(long direction, VARIANT start, VARIANT* end) {
    if (!end) return E_POINTER;
    VariantInit(end);
    if (!m_button || !m_standard) return CO_E_OBJNOTCONNECTED;
    return m_standard->accNavigate(direction, start, end);
}

HRESULT ButtonAccessible::accHitTest(long x, long y, VARIANT* child) {
    if (!child) return E_POINTER;
    VariantInit(child);
    if (!m_button || !m_button->Hwnd()) return CO_E_OBJNOTCONNECTED;
    RECT rc{};
    GetWindowRect(m_button->Hwnd(), &rc);
    if (!PtInRect(&rc, POINT{x, y})) return S_FALSE;
    SetLong(child, CHILDID_SELF);
    return S_OK;
}

// 按下: the click that the button's access key gives (a Check button toggles, an Option button is
// chosen), once the caller has its answer. A disabled button is not pressed.
HRESULT ButtonAccessible::accDoDefaultAction(VARIANT child) {
    if (const HRESULT hr = Check(child); hr != S_OK) return hr;
    if (!m_button->Button().Enabled()) return E_FAIL;
    return PostMessageW(m_button->Hwnd(), kAccessibleClickMessage, 0, 0) ? S_OK : E_FAIL;
}

HRESULT ButtonAccessible::put_accName(VARIANT, BSTR) {
    return E_NOTIMPL;
}

HRESULT ButtonAccessible::put_accValue(VARIANT, BSTR) {
    return E_NOTIMPL;
}

}  // namespace ferrik
