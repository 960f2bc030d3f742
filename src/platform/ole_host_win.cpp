#include "platform/ole_host_win.h"

#include <commctrl.h>
#include <ocidl.h>
#include <olectl.h>

#include <vector>

namespace ferrik {

using Microsoft::WRL::ComPtr;

namespace {

constexpr wchar_t kHostClass[] = L"FerrikControlHost";
// On the host window: the OleControlHost inside it.
constexpr wchar_t kHostProperty[] = L"FERRIKOLEHOST";
// The size a control gets on its (never shown) form, in pixels.
constexpr int kControlSize = 32;

bool RegisterHostClass() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    if (GetClassInfoExW(GetModuleHandleW(nullptr), kHostClass, &wc)) return true;
    wc = WNDCLASSEXW{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kHostClass;
    return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

int ScreenDpiX() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

}  // namespace

// The container's side of one control: client site, in-place site and frame, control site, and
// the ambient properties (run mode, no hatching or grab handles, the user's locale).
//
// As the frame it keeps the control's active object (SetActiveObject) and tells it when the frame
// window is activated or deactivated. While the control is modal (EnableModeless(FALSE), around
// its dialogs) the program's other top-level windows are disabled, and a close of any of them, or
// of the frame, waits until the control's modal state ends. The frame itself is left to the
// control's dialog, which disables its owner and enables it again before it goes: a frame still
// disabled when the dialog is destroyed would hand the activation to another program.
class OleControlSite final : public IOleClientSite,
                             public IOleInPlaceSite,
                             public IOleInPlaceFrame,
                             public IOleControlSite,
                             public DispatchByIdOnly {
public:
    OleControlSite(HWND window, std::unique_ptr<OleSiteExtension> extension)
        : m_window(window), m_extension(std::move(extension)) {
        if (m_extension) m_extension->SetSite(static_cast<IOleClientSite*>(this));
    }

    // After this the site answers as if its window were gone; the control may still hold it.
    void Detach() {
        EndModal();
        if (m_frame) RemoveWindowSubclass(m_frame, FrameProc, FrameHook());
        m_frame = nullptr;
        m_active.Reset();
        m_window = nullptr;
    }

    // Watches the frame window (the host window's top-level ancestor) for its activation.
    void WatchFrame() {
        m_frame = m_window ? GetAncestor(m_window, GA_ROOT) : nullptr;
        if (m_frame && !SetWindowSubclass(m_frame, FrameProc, FrameHook(), reinterpret_cast<DWORD_PTR>(this)))
            m_frame = nullptr;
    }

    bool Modal() const { return m_modalDepth > 0; }
    // The object the control made active (SetActiveObject), or null.
    IOleInPlaceActiveObject* Active() const { return m_active.Get(); }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleClientSite)) {
            *object = static_cast<IOleClientSite*>(this);
        } else if (IsEqualIID(riid, IID_IOleWindow) || IsEqualIID(riid, IID_IOleInPlaceSite)) {
            *object = static_cast<IOleInPlaceSite*>(this);
        } else if (IsEqualIID(riid, IID_IOleInPlaceUIWindow) || IsEqualIID(riid, IID_IOleInPlaceFrame)) {
            *object = static_cast<IOleInPlaceFrame*>(this);
        } else if (IsEqualIID(riid, IID_IOleControlSite)) {
            *object = static_cast<IOleControlSite*>(this);
        } else if (IsEqualIID(riid, IID_IDispatch)) {
            *object = static_cast<IDispatch*>(this);
        } else if (void* extra = m_extension ? m_extension->Find(riid) : nullptr) {
            *object = extra;
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

    // IOleClientSite: no document, no storage.
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

    // IOleWindow (shared by the in-place site and the frame)
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
        if (!window) return E_POINTER;
        *window = m_window;
        return m_window ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return m_window ? S_OK : S_FALSE; }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, RECT* position,
                                               RECT* clip, OLEINPLACEFRAMEINFO* info) override {
        if (!frame || !document || !position || !clip) return E_POINTER;
        *frame = static_cast<IOleInPlaceFrame*>(this);
        AddRef();
        *document = nullptr;
        if (!m_window || !GetClientRect(m_window, position)) SetRect(position, 0, 0, kControlSize, kControlSize);
        *clip = *position;
        if (info) {
            info->fMDIApp = FALSE;
            info->hwndFrame = m_window ? GetAncestor(m_window, GA_ROOT) : nullptr;
            info->haccel = nullptr;
            info->cAccelEntries = 0;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT) override { return S_OK; }

    // IOleInPlaceUIWindow and IOleInPlaceFrame: no tool space, menus or accelerators to share.
    HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject* active, LPCOLESTR) override {
        m_active = active;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL enable) override {
        if (!enable) {
            if (m_modalDepth++ == 0) BeginModal();
        } else if (m_modalDepth > 0 && --m_modalDepth == 0) {
            EndModal();
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

    // IOleControlSite
    HRESULT STDMETHODCALLTYPE OnControlInfoChanged() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE LockInPlaceActive(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetExtendedControl(IDispatch** extended) override {
        if (extended) *extended = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE TransformCoords(POINTL* himetric, POINTF* container, DWORD flags) override {
        if (!himetric || !container) return E_POINTER;
        // Container coordinates are pixels at the display's resolution; 2540 HIMETRIC to the inch.
        const int dpi = ScreenDpiX();
        if (flags & XFORMCOORDS_HIMETRICTOCONTAINER) {
            container->x = static_cast<float>(himetric->x) * static_cast<float>(dpi) / 2540.0f;
            container->y = static_cast<float>(himetric->y) * static_cast<float>(dpi) / 2540.0f;
        } else if (flags & XFORMCOORDS_CONTAINERTOHIMETRIC) {
            himetric->x = static_cast<LONG>(container->x * 2540.0f / static_cast<float>(dpi) + 0.5f);
            himetric->y = static_cast<LONG>(container->y * 2540.0f / static_cast<float>(dpi) + 0.5f);
        } else {
            return E_INVALIDARG;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(MSG*, DWORD) override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE OnFocus(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ShowPropertyFrame() override { return E_NOTIMPL; }

    // IDispatch: the ambient properties.
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                     UINT*) override {
        if (!(flags & DISPATCH_PROPERTYGET) || !result) return DISP_E_MEMBERNOTFOUND;
        VariantInit(result);
        switch (id) {
            case DISPID_AMBIENT_USERMODE:
                result->vt = VT_BOOL;
                result->boolVal = VARIANT_TRUE;
                return S_OK;
            case DISPID_AMBIENT_UIDEAD:
            case DISPID_AMBIENT_SHOWHATCHING:
            case DISPID_AMBIENT_SHOWGRABHANDLES:
            case DISPID_AMBIENT_MESSAGEREFLECT:
                result->vt = VT_BOOL;
                result->boolVal = VARIANT_FALSE;
                return S_OK;
            case DISPID_AMBIENT_LOCALEID:
                result->vt = VT_I4;
                result->lVal = static_cast<LONG>(GetUserDefaultLCID());
                return S_OK;
            default:
                return DISP_E_MEMBERNOTFOUND;
        }
    }

private:
    ~OleControlSite() = default;

    // The subclass ids of the hooks: activation on the frame window, closes held back on every
    // window the control's modal state disabled. One pair per site.
    UINT_PTR FrameHook() const { return reinterpret_cast<UINT_PTR>(this); }
    UINT_PTR ModalHook() const { return reinterpret_cast<UINT_PTR>(this) + 1; }

    void BeginModal() {
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND hwnd, LPARAM self) CALLBACK -> BOOL {
                auto* site = reinterpret_cast<OleControlSite*>(self);
                // Windows owned by the frame are the control's own (its dialog among them); the frame
                // is its dialog's owner ("the owner must be enabled before the dialog is destroyed").
                if (hwnd == site->m_frame) return TRUE;
                for (HWND owner = ::GetWindow(hwnd, GW_OWNER); owner; owner = ::GetWindow(owner, GW_OWNER))
                    if (owner == site->m_frame) return TRUE;
                if (IsWindowVisible(hwnd) && IsWindowEnabled(hwnd) &&
                    SetWindowSubclass(hwnd, FrameProc, site->ModalHook(), self)) {
                    EnableWindow(hwnd, FALSE);
                    site->m_disabled.push_back(hwnd);
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(this));
    }

    void EndModal() {
        m_modalDepth = 0;
        const std::vector<HWND> disabled = std::move(m_disabled);
        m_disabled.clear();
        const std::vector<HWND> closes = std::move(m_heldCloses);
        m_heldCloses.clear();
        for (HWND hwnd : disabled) {
            if (!IsWindow(hwnd)) continue;
            RemoveWindowSubclass(hwnd, FrameProc, ModalHook());
            EnableWindow(hwnd, TRUE);
        }
        for (HWND hwnd : closes)
            if (IsWindow(hwnd)) PostMessageW(hwnd, WM_CLOSE, 0, 0);
    }

    static LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                      DWORD_PTR data) noexcept {
        auto* site = reinterpret_cast<OleControlSite*>(data);
        if (msg == WM_CLOSE && site->Modal()) {
            // Destroying the control inside its own modal loop would pull it from under its dialog.
            site->m_heldCloses.push_back(hwnd);
            return 0;
        }
        if (msg == WM_ACTIVATE && id == site->FrameHook() && site->m_active) {
            const BOOL active = LOWORD(wParam) != WA_INACTIVE;
            // Keep the object alive through the calls: it may leave the frame meanwhile.
            const ComPtr<IOleInPlaceActiveObject> object = site->m_active;
            object->OnFrameWindowActivate(active);
            object->OnDocWindowActivate(active);
        }
        if (msg == WM_NCDESTROY) {
            RemoveWindowSubclass(hwnd, FrameProc, id);
            if (id == site->FrameHook()) site->m_frame = nullptr;
        }
        return DefSubclassProc(hwnd, msg, wParam, lParam);
    }

    ULONG m_refs = 1;
    HWND m_window;
    std::unique_ptr<OleSiteExtension> m_extension;
    HWND m_frame = nullptr;
    ComPtr<IOleInPlaceActiveObject> m_active;
    int m_modalDepth = 0;
    std::vector<HWND> m_disabled;
    std::vector<HWND> m_heldCloses;
};

std::unique_ptr<OleControlHost> OleControlHost::Create(HWND container, const wchar_t* progId, HRESULT* error) {
    return CreateWith(container, progId, nullptr, error, nullptr);
}

std::unique_ptr<OleControlHost> OleControlHost::CreateVisible(HWND container, const wchar_t* progId, const RECT& bounds,
                                                              HRESULT* error,
                                                              std::unique_ptr<OleSiteExtension> extension) {
    return CreateWith(container, progId, &bounds, error, std::move(extension));
}

std::unique_ptr<OleControlHost> OleControlHost::CreateWith(HWND container, const wchar_t* progId, const RECT* bounds,
                                                           HRESULT* error,
                                                           std::unique_ptr<OleSiteExtension> extension) {
    HRESULT ignored = S_OK;
    HRESULT& hr = error ? *error : ignored;
    CLSID clsid;
    hr = CLSIDFromProgID(progId, &clsid);
    if (FAILED(hr)) return nullptr;
    ComPtr<IUnknown> control;
    hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&control));
    if (FAILED(hr)) return nullptr;
    return HostObject(container, control.Get(), bounds, error, std::move(extension));
}

std::unique_ptr<OleControlHost> OleControlHost::HostObject(HWND container, IUnknown* control, const RECT* bounds,
                                                           HRESULT* error,
                                                           std::unique_ptr<OleSiteExtension> extension) {
    HRESULT ignored = S_OK;
    HRESULT& hr = error ? *error : ignored;
    hr = control ? S_OK : E_POINTER;
    if (!control) return nullptr;
    std::unique_ptr<OleControlHost> host(new OleControlHost());
    if (SUCCEEDED(control->QueryInterface(IID_PPV_ARGS(&host->m_ole)))) {
        hr = host->Activate(container, control, bounds, std::move(extension));
        if (FAILED(hr)) return nullptr;  // the destructor undoes what was done
    }
    hr = control->QueryInterface(IID_PPV_ARGS(&host->m_dispatch));
    if (FAILED(hr)) return nullptr;
    return host;
}

HRESULT OleControlHost::Activate(HWND container, IUnknown* control, const RECT* bounds,
                                 std::unique_ptr<OleSiteExtension> extension) {
    if (!container || !RegisterHostClass()) return E_INVALIDARG;
    // The control's window goes into this one, which stays hidden unless the control is to be seen.
    const RECT place = bounds ? *bounds : RECT{0, 0, kControlSize, kControlSize};
    m_hostWindow = CreateWindowExW(0, kHostClass, bounds ? L"" : L"qvod",
                                   WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | (bounds ? WS_VISIBLE : 0), place.left,
                                   place.top, place.right - place.left, place.bottom - place.top, container, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
    if (!m_hostWindow) return HRESULT_FROM_WIN32(GetLastError());
    SetPropW(m_hostWindow, kHostProperty, this);
    m_site.Attach(new OleControlSite(m_hostWindow, std::move(extension)));
    m_site->WatchFrame();

    DWORD misc = 0;
    m_ole->GetMiscStatus(DVASPECT_CONTENT, &misc);
    const bool siteFirst = (misc & OLEMISC_SETCLIENTSITEFIRST) != 0;
    HRESULT hr = S_OK;
    if (siteFirst && FAILED(hr = m_ole->SetClientSite(m_site.Get()))) return hr;
    ComPtr<IPersistStreamInit> persist;
    if (SUCCEEDED(control->QueryInterface(IID_PPV_ARGS(&persist))) && FAILED(hr = persist->InitNew())) return hr;
    if (!siteFirst && FAILED(hr = m_ole->SetClientSite(m_site.Get()))) return hr;
    m_ole->SetHostNames(L"Ferrik", nullptr);

    RECT position{0, 0, place.right - place.left, place.bottom - place.top};
    if (bounds) {
        // A seen control also gets its extent (HIMETRIC) before it shows.
        const int dpi = ScreenDpiX();
        SIZEL extent{MulDiv(position.right, 2540, dpi), MulDiv(position.bottom, 2540, dpi)};
        m_ole->SetExtent(DVASPECT_CONTENT, &extent);
    }
    return m_ole->DoVerb(bounds ? OLEIVERB_SHOW : OLEIVERB_INPLACEACTIVATE, nullptr, m_site.Get(), 0, m_hostWindow,
                         &position);
}

bool OleControlHost::Modal() const {
    return m_site && m_site->Modal();
}

void OleControlHost::SetBounds(const RECT& bounds) {
    if (!m_hostWindow) return;
    const int width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
    if (width < 0 || height < 0) return;
    MoveWindow(m_hostWindow, bounds.left, bounds.top, width, height, TRUE);
    ComPtr<IOleInPlaceObject> inPlace;
    if (m_ole && SUCCEEDED(m_ole.As(&inPlace))) {
        const RECT position{0, 0, width, height};
        inPlace->SetObjectRects(&position, &position);
    }
}

bool OleControlHost::TranslateKey(MSG& msg) {
    if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
    for (HWND hwnd = msg.hwnd; hwnd; hwnd = GetParent(hwnd)) {
        auto* host = static_cast<OleControlHost*>(GetPropW(hwnd, kHostProperty));
        if (!host) continue;
        // The object the control made active; a control that never said gets the key on its
        // in-place object all the same.
        ComPtr<IOleInPlaceActiveObject> active = host->m_site ? host->m_site->Active() : nullptr;
        if (!active && (!host->m_ole || FAILED(host->m_ole.As(&active)))) return false;
        return active->TranslateAccelerator(&msg) == S_OK;
    }
    return false;
}

OleControlHost::~OleControlHost() {
    if (m_hostWindow) RemovePropW(m_hostWindow, kHostProperty);
    m_dispatch.Reset();
    if (m_ole) {
        ComPtr<IOleInPlaceObject> inPlace;
        if (SUCCEEDED(m_ole.As(&inPlace))) inPlace->InPlaceDeactivate();
        m_ole->Close(OLECLOSE_NOSAVE);
        if (m_site) m_ole->SetClientSite(nullptr);
        m_ole.Reset();
    }
    if (m_site) {
        m_site->Detach();
        m_site.Reset();
    }
    if (m_hostWindow) {
        DestroyWindow(m_hostWindow);
        m_hostWindow = nullptr;
    }
}

}  // namespace ferrik
