#include "web/browser_host_win.h"

namespace ferrik {

namespace {

// CGID_DocHostCommandHandler: the commands the document sends its host (script errors among them).
constexpr GUID kDocHostCommands = {0xf38bc242, 0xb950, 0x11d1, {0x89, 0x18, 0x00, 0xc0, 0x4f, 0xc2, 0xc8, 0x36}};

template <class T>
HRESULT None(T** out) {
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

}  // namespace

void* BrowserSiteHandler::Find(REFIID riid) {
    if (IsEqualIID(riid, IID_IDocHostUIHandler)) return static_cast<IDocHostUIHandler*>(this);
    if (IsEqualIID(riid, IID_IOleCommandTarget)) return static_cast<IOleCommandTarget*>(this);
    return nullptr;
}

HRESULT STDMETHODCALLTYPE BrowserSiteHandler::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (m_site) return m_site->QueryInterface(riid, object);
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE BrowserSiteHandler::AddRef() {
    return m_site ? m_site->AddRef() : 1;
}

ULONG STDMETHODCALLTYPE BrowserSiteHandler::Release() {
    return m_site ? m_site->Release() : 1;
}

HRESULT STDMETHODCALLTYPE BrowserSiteHandler::GetHostInfo(DOCHOSTUIINFO* info) {
    if (!info) return E_POINTER;
    // A page inside a small window of ours: flat, as the window's other panes are, and drawn at
    // the display's scale rather than at 96 DPI (the window's own scale follows: optical zoom).
    info->dwFlags = DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_NO3DOUTERBORDER | DOCHOSTUIFLAG_DPI_AWARE;
    info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE BrowserSiteHandler::GetOptionKeyPath(LPOLESTR* key, DWORD) {
    return None(key);
}

HRESULT STDMETHODCALLTYPE BrowserSiteHandler::GetDropTarget(IDropTarget*, IDropTarget** target) {
    return None(target);
}

HRESULT STDMETHODCALLTYPE BrowserSiteHandler::GetExternal(IDispatch** external) {
    if (external) *external = nullptr;
    return S_FALSE;
}

HRESULT STDMETHODCALLTYPE BrowserSiteHandler::TranslateUrl(DWORD, LPWSTR, LPWSTR* translated) {
    if (translated) *translated = nullptr;
    return S_FALSE;
}

HRESULT STDMETHODCALLTYPE BrowserSiteHandler::FilterDataObject(IDataObject*, IDataObject** filtered) {
    if (filtered) *filtered = nullptr;
    return S_FALSE;
}

HRESULT STDMETHODCALLTYPE BrowserSiteHandler::QueryStatus(const GUID* group, ULONG, OLECMD*, OLECMDTEXT*) {
    return group && IsEqualGUID(*group, kDocHostCommands) ? OLECMDERR_E_NOTSUPPORTED : OLECMDERR_E_UNKNOWNGROUP;
}

HRESULT STDMETHODCALLTYPE BrowserSiteHandler::Exec(const GUID* group, DWORD id, DWORD, VARIANT*, VARIANT* out) {
    if (!group || !IsEqualGUID(*group, kDocHostCommands)) return OLECMDERR_E_UNKNOWNGROUP;
    if (id != OLECMDID_SHOWSCRIPTERROR || !m_silent) return OLECMDERR_E_NOTSUPPORTED;
    // Handled: no dialog, and the page's scripts keep running.
    if (out) {
        VariantClear(out);
        out->vt = VT_BOOL;
        out->boolVal = VARIANT_TRUE;
    }
    return S_OK;
}

}  // namespace ferrik
