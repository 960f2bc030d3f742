#pragma once
// A small OLE control container: what a form does for an ActiveX control placed on it. The control
// is created from its ProgID, given a client site (with in-place site, frame, control site and the
// ambient properties a control asks for in run mode), initialised, and in-place activated in a host
// window of ours, a child of the container window. The frame tells the control's active object
// when the top-level window is activated, and honours the control's EnableModeless. Members are then reached through
// the control's IDispatch.
#include <windows.h>

#include <ole2.h>
#include <wrl/client.h>

#include <memory>

namespace ferrik {

class OleControlSite;

// An IDispatch reached only by dispatch ids (ambient properties, event sinks): no type
// information and no names.
class DispatchByIdOnly : public IDispatch {
public:
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
};

// Interfaces a particular control asks its client site for beyond the container's own (the web
// browser's IDocHostUIHandler, say). They answer for the site: their IUnknown methods go to the
// site given by SetSite, and the site owns them.
class OleSiteExtension {
public:
    virtual ~OleSiteExtension() = default;
    virtual void SetSite(IUnknown* site) = 0;
    // The extension's interface `riid`, not AddRef'd, or null.
    virtual void* Find(REFIID riid) = 0;
};

class OleControlHost {
public:
    // Creates the control of `progId` inside `container`. An object without IOleObject (a plain
    // automation object) is kept as it is, without a site or window. Returns null, with the
    // failing call's result in `error`, when any step fails; nothing is left behind then.
    static std::unique_ptr<OleControlHost> Create(HWND container, const wchar_t* progId, HRESULT* error = nullptr);
    // The same for a control that is seen: its host window is shown at `bounds` (pixels of the
    // container's client area) and the control fills it.
    static std::unique_ptr<OleControlHost> CreateVisible(HWND container, const wchar_t* progId, const RECT& bounds,
                                                         HRESULT* error = nullptr,
                                                         std::unique_ptr<OleSiteExtension> extension = nullptr);

    // The same for an object already made (any in-process object; `bounds` null: not seen).
    static std::unique_ptr<OleControlHost> HostObject(HWND container, IUnknown* control, const RECT* bounds,
                                                      HRESULT* error = nullptr,
                                                      std::unique_ptr<OleSiteExtension> extension = nullptr);

    // Deactivates the control, removes its site, closes and releases it, then destroys the host
    // window: all before the container window goes.
    ~OleControlHost();
    OleControlHost(const OleControlHost&) = delete;
    OleControlHost& operator=(const OleControlHost&) = delete;

    IDispatch* Dispatch() const { return m_dispatch.Get(); }
    HWND HostWindow() const { return m_hostWindow; }
    IOleObject* OleObject() const { return m_ole.Get(); }

    // Whether the control is modal (between its EnableModeless(FALSE) and EnableModeless(TRUE)
    // calls): the program's top-level windows other than the frame (whose enabled state the
    // control's dialog keeps) are disabled, and their closes and the frame's held back.
    bool Modal() const;

    // For the message loops, before their own key handling: a key message for a window inside a
    // hosted control goes to the control's active object (TranslateAccelerator) first, as the
    // control expects of its container. True when the control used it.
    static bool TranslateKey(MSG& msg);

    // Moves the host window and the control's in-place window with it.
    void SetBounds(const RECT& bounds);

private:
    OleControlHost() = default;
    static std::unique_ptr<OleControlHost> CreateWith(HWND container, const wchar_t* progId, const RECT* bounds,
                                                      HRESULT* error, std::unique_ptr<OleSiteExtension> extension);
    HRESULT Activate(HWND container, IUnknown* control, const RECT* bounds,
                     std::unique_ptr<OleSiteExtension> extension);

    Microsoft::WRL::ComPtr<IDispatch> m_dispatch;
    Microsoft::WRL::ComPtr<IOleObject> m_ole;
    Microsoft::WRL::ComPtr<OleControlSite> m_site;
    HWND m_hostWindow = nullptr;
};

}  // namespace ferrik
