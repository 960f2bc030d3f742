#pragma once
// The player substitute: an in-process ActiveX control answering to the player's ProgID in test and
// demo prefixes. Its answers are decided by the submitted link (see README.md).
#include <windows.h>

#include <ocidl.h>
#include <ole2.h>

#include <string>

#include "../com_server.h"

namespace qvodsim {

// {3EAC73BE-A93C-403D-B492-6677DA8876E6}
inline constexpr CLSID kClsid = {0x3eac73be, 0xa93c, 0x403d, {0xb4, 0x92, 0x66, 0x77, 0xda, 0x88, 0x76, 0xe6}};
inline constexpr wchar_t kClsidText[] = L"{3EAC73BE-A93C-403D-B492-6677DA8876E6}";
inline constexpr wchar_t kProgId[] = L"QvodInsert.QvodCtrl";
inline constexpr wchar_t kJournalVariable[] = L"QVODSIM_JOURNAL";
// "reversed": the members get their dispatch ids in the opposite order (a build of the control whose
// ids differ; callers must look members up by name).
inline constexpr wchar_t kDispidsVariable[] = L"QVODSIM_DISPIDS";

// Live objects and server locks: the DLL may unload when both are 0.
using comserver::g_locks;
using comserver::g_objects;

// What the player makes of a link at Play.
struct Job {
    enum class Kind { Idle, Refused, Normal, Starting, State, Raise } kind = Kind::Idle;
    LONG state = 0;       // Kind::State: the PlayState once past starting
    std::wstring member;  // Kind::Raise: the member that fails
};

Job ParseJob(const std::wstring& link);

// Appends one line of UTF-8 to the journal named by QVODSIM_JOURNAL, if any.
void AppendToJournal(const std::wstring& line);

// A windowed control: it needs a client site and in-place activation before it plays, as the real
// one does.
class PlayerSim final : public IDispatch,
                        public IOleObject,
                        public IOleInPlaceObject,
                        public IOleControl,
                        public IPersistStreamInit {
public:
    PlayerSim();
    ~PlayerSim();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* excep, UINT* argError) override;

    // IOleObject
    HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override;
    HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) override;
    HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Close(DWORD saveOption) override;
    HRESULT STDMETHODCALLTYPE SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** moniker) override;
    HRESULT STDMETHODCALLTYPE InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD, IDataObject** data) override;
    HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent,
                                     LPCRECT position) override;
    HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB** verbs) override;
    HRESULT STDMETHODCALLTYPE Update() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE IsUpToDate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* clsid) override;
    HRESULT STDMETHODCALLTYPE GetUserType(DWORD, LPOLESTR*) override { return OLE_S_USEREG; }
    HRESULT STDMETHODCALLTYPE SetExtent(DWORD, SIZEL*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, SIZEL* size) override;
    HRESULT STDMETHODCALLTYPE Advise(IAdviseSink*, DWORD* connection) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD) override { return OLE_E_NOCONNECTION; }
    HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA** advise) override;
    HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD aspect, DWORD* status) override;
    HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

    // IOleWindow, IOleInPlaceObject
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override;
    HRESULT STDMETHODCALLTYPE UIDeactivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT position, LPCRECT clip) override;
    HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override { return INPLACE_E_NOTUNDOABLE; }

    // IOleControl
    HRESULT STDMETHODCALLTYPE GetControlInfo(CONTROLINFO*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnMnemonic(MSG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnAmbientPropertyChange(DISPID) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE FreezeEvents(BOOL) override { return S_OK; }

    // IPersist, IPersistStreamInit: nothing to persist, but initialisation is required.
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override { return GetUserClassID(clsid); }
    HRESULT STDMETHODCALLTYPE IsDirty() override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE Load(LPSTREAM) override;
    HRESULT STDMETHODCALLTYPE Save(LPSTREAM, BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* size) override;
    HRESULT STDMETHODCALLTYPE InitNew() override;

private:
    HRESULT Fail(const wchar_t* member, EXCEPINFO* excep) const;
    void Play();
    LONG Downrate();
    LONG PlayState() const;

    LONG m_refs = 1;
    bool m_reversedIds = false;
    bool m_initialised = false;
    IOleClientSite* m_site = nullptr;  // owned reference
    IOleInPlaceSite* m_inPlaceSite = nullptr;  // owned reference while active
    HWND m_window = nullptr;
    std::wstring m_url;
    Job m_job;
    int m_polls = 0;           // Downrate reads since Play: the first one still finds the job starting
    bool m_pastStart = false;  // the job left "starting": accepted, or its hooked state
};

}  // namespace qvodsim
