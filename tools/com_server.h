#pragma once
// What both in-process test servers (the player substitute and the browser stand-in) need of COM:
// the server's counts of live objects and locks, its module, a class factory for one class, and
// the registry values they read and write under HKEY_CLASSES_ROOT.
#include <windows.h>

#include <ole2.h>

#include <new>
#include <string>

namespace comserver {

inline LONG g_objects = 0;  // live objects; with the locks, what DllCanUnloadNow answers from
inline LONG g_locks = 0;
inline HMODULE g_module = nullptr;

inline HRESULT CanUnloadNow() {
    return g_objects == 0 && g_locks == 0 ? S_OK : S_FALSE;
}

// A class factory kept in a static: its references keep the server loaded like a lock. `Make`
// returns a new object holding one reference, or null (or throws) when memory runs out.
template <IUnknown* (*Make)()>
class Factory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
            *object = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&g_locks)); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(InterlockedDecrement(&g_locks)); }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        IUnknown* created = nullptr;
        try {
            created = Make();
        } catch (...) {
        }
        if (!created) return E_OUTOFMEMORY;
        const HRESULT hr = created->QueryInterface(riid, object);
        created->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock)
            InterlockedIncrement(&g_locks);
        else
            InterlockedDecrement(&g_locks);
        return S_OK;
    }
};

// A string value of HKEY_CLASSES_ROOT\<path> (`name` null: the default value); empty when absent.
inline std::wstring ReadValue(const std::wstring& path, const wchar_t* name) {
    wchar_t value[MAX_PATH] = {};
    DWORD size = sizeof(value) - sizeof(wchar_t);
    if (RegGetValueW(HKEY_CLASSES_ROOT, path.c_str(), name, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                     nullptr, value, &size) != ERROR_SUCCESS)
        return {};
    return value;
}

inline bool WriteValue(const std::wstring& path, const wchar_t* name, const std::wstring& value) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const LSTATUS status = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

// The server DLL's own path; empty when it does not fit MAX_PATH.
inline std::wstring ModulePath() {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(g_module, path, MAX_PATH);
    return n == 0 || n >= MAX_PATH ? std::wstring() : std::wstring(path, n);
}

}  // namespace comserver
