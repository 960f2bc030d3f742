#include "player_sim.h"

#include <cwchar>
#include <cwctype>
#include <string>

namespace qvodsim {

namespace {

enum Member : DISPID { kStop = 1, kUrl, kPlay, kDownrate, kPlayState };

struct MemberName {
    const wchar_t* name;
    DISPID id;
};
constexpr MemberName kMembers[] = {
    {L"Stop", kStop}, {L"URL", kUrl}, {L"Play", kPlay}, {L"Downrate", kDownrate}, {L"PlayState", kPlayState},
};
// With reversed ids, member m answers to kReversedBase - m.
constexpr DISPID kReversedBase = 100;

constexpr wchar_t kWindowClass[] = L"QvodSimControl";
constexpr LONG kHimetricSize = 847;  // 32 pixels at 96 dpi

constexpr LONG kAcceptedRate = 64;  // KB/s reported once a job is accepted

bool IsDigits(const std::wstring& s) {
    if (s.empty()) return false;
    for (wchar_t c : s) {
        if (c < L'0' || c > L'9') return false;
    }
    return true;
}

bool IsHash(const std::wstring& s) {
    if (s.size() != 40) return false;
    for (wchar_t c : s) {
        if (!std::iswxdigit(c)) return false;
    }
    return true;
}

// "qvod://" digits "|" 40 hex digits "|" name "|", and nothing after; gives the name.
bool SplitLink(const std::wstring& link, std::wstring& name) {
    const std::wstring scheme = L"qvod://";
    if (link.compare(0, scheme.size(), scheme) != 0 || link.empty() || link.back() != L'|') return false;
    const std::wstring rest = link.substr(scheme.size(), link.size() - scheme.size() - 1);
    const size_t bar1 = rest.find(L'|');
    if (bar1 == std::wstring::npos) return false;
    const size_t bar2 = rest.find(L'|', bar1 + 1);
    if (bar2 == std::wstring::npos) return false;
    name = rest.substr(bar2 + 1);
    return IsDigits(rest.substr(0, bar1)) && IsHash(rest.substr(bar1 + 1, bar2 - bar1 - 1)) && !name.empty() &&
           name.find(L'|') == std::wstring::npos;
}

}  // namespace

void AppendToJournal(const std::wstring& link) {
    wchar_t path[MAX_PATH];
    const DWORD n = GetEnvironmentVariableW(kJournalVariable, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;
    const int bytes =
        WideCharToMultiByte(CP_UTF8, 0, link.data(), static_cast<int>(link.size()), nullptr, 0, nullptr, nullptr);
    std::string line(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, link.data(), static_cast<int>(link.size()), line.data(), bytes, nullptr, nullptr);
    line += '\n';
    HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
}

namespace {

bool Raises(const Job& job, const wchar_t* member) {
    return job.kind == Job::Kind::Raise && CompareStringOrdinal(job.member.c_str(), -1, member, -1, TRUE) == CSTR_EQUAL;
}

BSTR AllocText(const std::wstring& text) {
    return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

bool ReversedIdsWanted() {
    wchar_t value[16] = {};
    const DWORD n = GetEnvironmentVariableW(kDispidsVariable, value, 16);
    return n > 0 && n < 16 && CompareStringOrdinal(value, -1, L"reversed", -1, TRUE) == CSTR_EQUAL;
}

HMODULE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

bool RegisterWindowClass() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    if (GetClassInfoExW(ThisModule(), kWindowClass, &wc)) return true;
    wc = WNDCLASSEXW{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = ThisModule();
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kWindowClass;
    return RegisterClassExW(&wc) != 0;
}

template <class T>
void ReleaseAndClear(T*& p) {
    if (p) p->Release();
    p = nullptr;
}

}  // namespace

Job ParseJob(const std::wstring& link) {
    Job job;
    if (link.empty()) return job;
    std::wstring name;
    if (!SplitLink(link, name)) {
        job.kind = Job::Kind::Refused;
        return job;
    }
    job.kind = Job::Kind::Normal;
    if (name == L"@starting") {
        job.kind = Job::Kind::Starting;
    } else if (name.rfind(L"@state", 0) == 0) {
        wchar_t* end = nullptr;
        const std::wstring number = name.substr(6);
        const long value = std::wcstol(number.c_str(), &end, 10);
        if (!number.empty() && *end == L'\0') {
            job.kind = Job::Kind::State;
            job.state = value;
        }
    } else if (name.rfind(L"@raise-", 0) == 0) {
        job.kind = Job::Kind::Raise;
        job.member = name.substr(7);
    }
    return job;
}

PlayerSim::PlayerSim() : m_reversedIds(ReversedIdsWanted()) {
    InterlockedIncrement(&g_objects);
}
PlayerSim::~PlayerSim() {
    if (m_window) DestroyWindow(m_window);
    ReleaseAndClear(m_inPlaceSite);
    ReleaseAndClear(m_site);
    AppendToJournal(L"#released");
    InterlockedDecrement(&g_objects);
}

HRESULT PlayerSim::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
        *object = static_cast<IDispatch*>(this);
    } else if (IsEqualIID(riid, IID_IOleObject)) {
        *object = static_cast<IOleObject*>(this);
    } else if (IsEqualIID(riid, IID_IOleWindow) || IsEqualIID(riid, IID_IOleInPlaceObject)) {
        *object = static_cast<IOleInPlaceObject*>(this);
    } else if (IsEqualIID(riid, IID_IOleControl)) {
        *object = static_cast<IOleControl*>(this);
    } else if (IsEqualIID(riid, IID_IPersist) || IsEqualIID(riid, IID_IPersistStreamInit)) {
        *object = static_cast<IPersistStreamInit*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG PlayerSim::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&m_refs));
}

ULONG PlayerSim::Release() {
    const LONG refs = InterlockedDecrement(&m_refs);
    if (refs == 0) delete this;
    return static_cast<ULONG>(refs);
}

HRESULT PlayerSim::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT PlayerSim::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return DISP_E_BADINDEX;
}

HRESULT PlayerSim::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!names || !ids) return E_POINTER;
    if (count == 0) return S_OK;
    // Only member names are known (no named arguments); late binding ignores their case.
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    for (const MemberName& m : kMembers) {
        if (names[0] && CompareStringOrdinal(names[0], -1, m.name, -1, TRUE) == CSTR_EQUAL)
            ids[0] = m_reversedIds ? kReversedBase - m.id : m.id;
    }
    return ids[0] != DISPID_UNKNOWN && count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
}

HRESULT PlayerSim::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep,
                          UINT*) {
    if (!params) return E_POINTER;
    const bool get = (flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD)) != 0;
    const bool put = (flags & DISPATCH_PROPERTYPUT) != 0;
    if (result) VariantInit(result);
    if (m_reversedIds) id = kReversedBase - id;
    switch (id) {
        case kStop: {
            if (!get) return DISP_E_MEMBERNOTFOUND;
            if (params->cArgs != 0) return DISP_E_BADPARAMCOUNT;
            const bool raises = Raises(m_job, L"Stop");  // fails for the job it stops
            m_job = Job{};
            AppendToJournal(L"#stop");
            return raises ? Fail(L"Stop", excep) : S_OK;
        }
        case kPlay:
            if (!get) return DISP_E_MEMBERNOTFOUND;
            if (params->cArgs != 0) return DISP_E_BADPARAMCOUNT;
            // A windowed control cannot play before its container has sited and activated it.
            if (!m_site || !m_window) return Fail(L"Play", excep);
            Play();
            return Raises(m_job, L"Play") ? Fail(L"Play", excep) : S_OK;  // fails for the job it starts
        case kUrl:
            if (put) {
                if (params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
                VARIANT text;
                VariantInit(&text);
                if (FAILED(VariantChangeType(&text, &params->rgvarg[0], 0, VT_BSTR))) return DISP_E_TYPEMISMATCH;
                m_url.assign(text.bstrVal ? text.bstrVal : L"", SysStringLen(text.bstrVal));
                VariantClear(&text);
                return Raises(ParseJob(m_url), L"URL") ? Fail(L"URL", excep) : S_OK;  // the link being set decides
            }
            if (!get) return DISP_E_MEMBERNOTFOUND;
            if (Raises(m_job, L"URL")) return Fail(L"URL", excep);
            if (result) {
                result->vt = VT_BSTR;
                result->bstrVal = AllocText(m_url);
            }
            return S_OK;
        case kDownrate:
        case kPlayState: {
            if (!get) return DISP_E_MEMBERNOTFOUND;
            const wchar_t* member = id == kDownrate ? L"Downrate" : L"PlayState";
            const LONG value = id == kDownrate ? Downrate() : PlayState();  // a failing read still counts as a poll
            if (Raises(m_job, member)) return Fail(member, excep);
            if (result) {
                result->vt = VT_I4;
                result->lVal = value;
            }
            return S_OK;
        }
        default:
            return DISP_E_MEMBERNOTFOUND;
    }
}

HRESULT PlayerSim::Fail(const wchar_t* member, EXCEPINFO* excep) const {
    if (!excep) return E_FAIL;
    ZeroMemory(excep, sizeof(*excep));
    excep->scode = E_FAIL;
    excep->bstrSource = SysAllocString(L"QvodSim");
    excep->bstrDescription = AllocText(std::wstring(L"simulated failure of ") + member);
    return DISP_E_EXCEPTION;
}

HRESULT PlayerSim::SetClientSite(IOleClientSite* site) {
    if (site) site->AddRef();
    ReleaseAndClear(m_site);
    m_site = site;
    AppendToJournal(site ? L"#sited" : L"#unsited");
    return S_OK;
}

HRESULT PlayerSim::GetClientSite(IOleClientSite** site) {
    if (!site) return E_POINTER;
    *site = m_site;
    if (m_site) m_site->AddRef();
    return S_OK;
}

HRESULT PlayerSim::Close(DWORD) {
    InPlaceDeactivate();
    AppendToJournal(L"#closed");
    return S_OK;
}

HRESULT PlayerSim::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
}

HRESULT PlayerSim::GetClipboardData(DWORD, IDataObject** data) {
    if (data) *data = nullptr;
    return E_NOTIMPL;
}

// In-place activation as a windowed control does it: the site agrees, gives its window and the
// control's rectangle, and the control makes its window there.
HRESULT PlayerSim::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent, LPCRECT position) {
    switch (verb) {
        case OLEIVERB_PRIMARY:
        case OLEIVERB_SHOW:
        case OLEIVERB_INPLACEACTIVATE:
        case OLEIVERB_UIACTIVATE:
            break;
        case OLEIVERB_HIDE:
            if (m_window) ShowWindow(m_window, SW_HIDE);
            return S_OK;
        default:
            return OLEOBJ_S_INVALIDVERB;
    }
    if (m_window) return S_OK;
    if (!m_initialised) return E_UNEXPECTED;
    if (!site) site = m_site;
    if (!site) return E_INVALIDARG;
    IOleInPlaceSite* inPlace = nullptr;
    if (FAILED(site->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&inPlace)))) return E_NOINTERFACE;
    HRESULT hr = inPlace->CanInPlaceActivate();
    if (hr != S_OK) {
        inPlace->Release();
        return FAILED(hr) ? hr : E_FAIL;
    }
    inPlace->OnInPlaceActivate();
    HWND siteWindow = nullptr;
    if (FAILED(inPlace->GetWindow(&siteWindow)) || !siteWindow) siteWindow = parent;
    IOleInPlaceFrame* frame = nullptr;
    IOleInPlaceUIWindow* document = nullptr;
    RECT rect{0, 0, 32, 32};
    RECT clip = rect;
    OLEINPLACEFRAMEINFO info{};
    info.cb = sizeof(info);
    if (SUCCEEDED(inPlace->GetWindowContext(&frame, &document, &rect, &clip, &info))) {
        ReleaseAndClear(frame);
        ReleaseAndClear(document);
    }
    if (position) rect = *position;
    if (!siteWindow || !RegisterWindowClass() ||
        !(m_window = CreateWindowExW(0, kWindowClass, L"QvodSim", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, rect.left,
                                     rect.top, rect.right - rect.left, rect.bottom - rect.top, siteWindow, nullptr,
                                     ThisModule(), nullptr))) {
        inPlace->OnInPlaceDeactivate();
        inPlace->Release();
        return E_FAIL;
    }
    m_inPlaceSite = inPlace;
    AppendToJournal(L"#activated");
    return S_OK;
}

HRESULT PlayerSim::EnumVerbs(IEnumOLEVERB** verbs) {
    if (verbs) *verbs = nullptr;
    return E_NOTIMPL;
}

HRESULT PlayerSim::GetUserClassID(CLSID* clsid) {
    if (!clsid) return E_POINTER;
    *clsid = kClsid;
    return S_OK;
}

HRESULT PlayerSim::GetExtent(DWORD aspect, SIZEL* size) {
    if (!size) return E_POINTER;
    if (aspect != DVASPECT_CONTENT) return E_INVALIDARG;
    size->cx = kHimetricSize;
    size->cy = kHimetricSize;
    return S_OK;
}

HRESULT PlayerSim::Advise(IAdviseSink*, DWORD* connection) {
    if (connection) *connection = 0;
    return E_NOTIMPL;
}

HRESULT PlayerSim::EnumAdvise(IEnumSTATDATA** advise) {
    if (advise) *advise = nullptr;
    return E_NOTIMPL;
}

HRESULT PlayerSim::GetMiscStatus(DWORD, DWORD* status) {
    if (!status) return E_POINTER;
    *status = OLEMISC_SETCLIENTSITEFIRST | OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_INSIDEOUT | OLEMISC_CANTLINKINSIDE |
              OLEMISC_RECOMPOSEONRESIZE;
    return S_OK;
}

HRESULT PlayerSim::GetWindow(HWND* window) {
    if (!window) return E_POINTER;
    *window = m_window;
    return m_window ? S_OK : E_FAIL;
}

HRESULT PlayerSim::InPlaceDeactivate() {
    if (!m_window) return S_OK;
    DestroyWindow(m_window);
    m_window = nullptr;
    if (m_inPlaceSite) m_inPlaceSite->OnInPlaceDeactivate();
    ReleaseAndClear(m_inPlaceSite);
    AppendToJournal(L"#deactivated");
    return S_OK;
}

HRESULT PlayerSim::SetObjectRects(LPCRECT position, LPCRECT) {
    if (!position) return E_POINTER;
    if (m_window)
        MoveWindow(m_window, position->left, position->top, position->right - position->left,
                   position->bottom - position->top, TRUE);
    return S_OK;
}

HRESULT PlayerSim::Load(LPSTREAM) {
    if (m_initialised) return E_UNEXPECTED;
    m_initialised = true;
    return S_OK;
}

HRESULT PlayerSim::GetSizeMax(ULARGE_INTEGER* size) {
    if (!size) return E_POINTER;
    size->QuadPart = 0;
    return S_OK;
}

HRESULT PlayerSim::InitNew() {
    if (m_initialised) return E_UNEXPECTED;
    m_initialised = true;
    return S_OK;
}

void PlayerSim::Play() {
    m_job = ParseJob(m_url);
    m_polls = 0;
    m_pastStart = false;
}

LONG PlayerSim::Downrate() {
    if (m_job.kind != Job::Kind::Normal && m_job.kind != Job::Kind::Raise && m_job.kind != Job::Kind::State) return 0;
    if (++m_polls < 2) return 0;
    const bool takes = m_job.kind != Job::Kind::State || m_job.state == 3 || m_job.state == 4;
    if (takes && !m_pastStart) AppendToJournal(m_url);
    m_pastStart = true;
    return m_job.kind == Job::Kind::State ? 0 : kAcceptedRate;
}

LONG PlayerSim::PlayState() const {
    switch (m_job.kind) {
        case Job::Kind::Idle:
            return 0;
        case Job::Kind::Refused:
            return 1;
        case Job::Kind::Starting:
            return 10;
        case Job::Kind::State:
            return m_pastStart ? m_job.state : 10;
        case Job::Kind::Normal:
        case Job::Kind::Raise:
            return m_pastStart ? 3 : 10;
    }
    return 0;
}

}  // namespace qvodsim
