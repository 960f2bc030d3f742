#pragma once
// The player substitute: an in-process COM object answering to the player's ProgID in test and demo
// prefixes. Its answers are decided by the submitted link (see README.md).
#include <windows.h>

#include <ole2.h>

#include <string>

namespace qvodsim {

// {3EAC73BE-A93C-403D-B492-6677DA8876E6}
inline constexpr CLSID kClsid = {0x3eac73be, 0xa93c, 0x403d, {0xb4, 0x92, 0x66, 0x77, 0xda, 0x88, 0x76, 0xe6}};
inline constexpr wchar_t kClsidText[] = L"{3EAC73BE-A93C-403D-B492-6677DA8876E6}";
inline constexpr wchar_t kProgId[] = L"QvodInsert.QvodCtrl";
inline constexpr wchar_t kJournalVariable[] = L"QVODSIM_JOURNAL";

// Live objects and server locks: the DLL may unload when both are 0.
extern LONG g_objects;
extern LONG g_locks;

// What the player makes of a link at Play.
struct Job {
    enum class Kind { Idle, Refused, Normal, Starting, State, Raise } kind = Kind::Idle;
    LONG state = 0;       // Kind::State: the PlayState once past starting
    std::wstring member;  // Kind::Raise: the member that fails
};

Job ParseJob(const std::wstring& link);

class PlayerSim final : public IDispatch {
public:
    PlayerSim();
    ~PlayerSim();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* excep, UINT* argError) override;

private:
    HRESULT Fail(const wchar_t* member, EXCEPINFO* excep) const;
    void Play();
    LONG Downrate();
    LONG PlayState() const;

    LONG m_refs = 1;
    std::wstring m_url;
    Job m_job;
    int m_polls = 0;           // Downrate reads since Play: the first one still finds the job starting
    bool m_pastStart = false;  // the job left "starting": accepted, or its hooked state
};

}  // namespace qvodsim
