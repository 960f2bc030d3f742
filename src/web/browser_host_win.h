#pragma once
// What the web window's container tells the system's WebBrowser control beyond what every control
// gets: how to look (IDocHostUIHandler: no 3D border around the page) and what to do with a
// page's script errors (IOleCommandTarget: in silent mode, no dialog, the scripts go on).
#include <windows.h>

#include <docobj.h>
#include <mshtmhst.h>

#include "platform/ole_host_win.h"

namespace ferrik {

class BrowserSiteHandler final : public OleSiteExtension, public IDocHostUIHandler, public IOleCommandTarget {
public:
    void SetSilent(bool silent) { m_silent = silent; }

    // OleSiteExtension
    void SetSite(IUnknown* site) override { m_site = site; }
    void* Find(REFIID riid) override;

    // IUnknown: the site's.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IDocHostUIHandler: the control's own menus, keys and drop handling.
    HRESULT STDMETHODCALLTYPE ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE GetHostInfo(DOCHOSTUIINFO* info) override;
    HRESULT STDMETHODCALLTYPE ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                                     IOleInPlaceUIWindow*) override {
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE HideUI() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE UpdateUI() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, const GUID*, DWORD) override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE GetOptionKeyPath(LPOLESTR* key, DWORD) override;
    HRESULT STDMETHODCALLTYPE GetDropTarget(IDropTarget*, IDropTarget** target) override;
    HRESULT STDMETHODCALLTYPE GetExternal(IDispatch** external) override;
    HRESULT STDMETHODCALLTYPE TranslateUrl(DWORD, LPWSTR, LPWSTR* translated) override;
    HRESULT STDMETHODCALLTYPE FilterDataObject(IDataObject*, IDataObject** filtered) override;

    // IOleCommandTarget
    HRESULT STDMETHODCALLTYPE QueryStatus(const GUID*, ULONG, OLECMD*, OLECMDTEXT*) override;
    HRESULT STDMETHODCALLTYPE Exec(const GUID* group, DWORD id, DWORD, VARIANT*, VARIANT* out) override;

private:
    IUnknown* m_site = nullptr;
    bool m_silent = false;
};

}  // namespace ferrik
