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

bool Raises(const Job& job, const wchar_t* member) {
    return job.kind == Job::Kind::Raise && CompareStringOrdinal(job.member.c_str(), -1, member, -1, TRUE) == CSTR_EQUAL;
}

BSTR AllocText(const std::wstring& text) {
    return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
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

PlayerSim::PlayerSim() {
    InterlockedIncrement(&g_objects);
}
PlayerSim::~PlayerSim() {
    InterlockedDecrement(&g_objects);
}

HRESULT PlayerSim::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
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
        if (names[0] && CompareStringOrdinal(names[0], -1, m.name, -1, TRUE) == CSTR_EQUAL) ids[0] = m.id;
    }
    return ids[0] != DISPID_UNKNOWN && count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
}

HRESULT PlayerSim::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep,
                          UINT*) {
    if (!params) return E_POINTER;
    const bool get = (flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD)) != 0;
    const bool put = (flags & DISPATCH_PROPERTYPUT) != 0;
    if (result) VariantInit(result);
    switch (id) {
        case kStop: {
            if (!get) return DISP_E_MEMBERNOTFOUND;
            if (params->cArgs != 0) return DISP_E_BADPARAMCOUNT;
            const bool raises = Raises(m_job, L"Stop");  // fails for the job it stops
            m_job = Job{};
            return raises ? Fail(L"Stop", excep) : S_OK;
        }
        case kPlay:
            if (!get) return DISP_E_MEMBERNOTFOUND;
            if (params->cArgs != 0) return DISP_E_BADPARAMCOUNT;
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
