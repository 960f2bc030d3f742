// The COM server around the player substitute: class factory, DLL exports and self-registration
// as an ActiveX control.
#include <olectl.h>

#include "player_sim.h"

namespace qvodsim {

LONG g_objects = 0;
LONG g_locks = 0;

namespace {

HMODULE g_module = nullptr;

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
    // Static instance: its references keep the server loaded like a lock.
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&g_locks)); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(InterlockedDecrement(&g_locks)); }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        PlayerSim* player = new (std::nothrow) PlayerSim();
        if (!player) return E_OUTOFMEMORY;
        const HRESULT hr = player->QueryInterface(riid, object);
        player->Release();
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

Factory g_factory;

bool SetKeyValue(const std::wstring& path, const wchar_t* name, const std::wstring& value) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const LSTATUS status = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

// The CLSID the ProgID names now, empty when it is not registered.
std::wstring RegisteredClsid() {
    wchar_t value[64] = {};
    DWORD size = sizeof(value) - sizeof(wchar_t);
    const std::wstring path = std::wstring(kProgId) + L"\\CLSID";
    if (RegGetValueW(HKEY_CLASSES_ROOT, path.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return {};
    return value;
}

bool IsOurs(const std::wstring& clsid) {
    return CompareStringOrdinal(clsid.c_str(), -1, kClsidText, -1, TRUE) == CSTR_EQUAL;
}

}  // namespace

}  // namespace qvodsim

using namespace qvodsim;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!IsEqualCLSID(rclsid, kClsid)) return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(riid, object);
}

STDAPI DllCanUnloadNow() {
    return g_objects == 0 && g_locks == 0 ? S_OK : S_FALSE;
}

// Refuses to take the ProgID over from another server: on a machine with the real player, the
// real player stays registered.
STDAPI DllRegisterServer() {
    const std::wstring current = RegisteredClsid();
    if (!current.empty() && !IsOurs(current)) return SELFREG_E_CLASS;
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(g_module, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return SELFREG_E_CLASS;
    const std::wstring clsidKey = std::wstring(L"CLSID\\") + kClsidText;
    const bool ok = SetKeyValue(kProgId, nullptr, L"Qvod player substitute (tests only)") &&
                    SetKeyValue(std::wstring(kProgId) + L"\\CLSID", nullptr, kClsidText) &&
                    SetKeyValue(clsidKey, nullptr, L"Qvod player substitute (tests only)") &&
                    SetKeyValue(clsidKey + L"\\ProgID", nullptr, kProgId) &&
                    SetKeyValue(clsidKey + L"\\InprocServer32", nullptr, path) &&
                    SetKeyValue(clsidKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment") &&
                    SetKeyValue(clsidKey + L"\\Control", nullptr, L"") &&
                    SetKeyValue(clsidKey + L"\\MiscStatus", nullptr, L"0") &&
                    SetKeyValue(clsidKey + L"\\MiscStatus\\1", nullptr, L"131473");
    return ok ? S_OK : SELFREG_E_CLASS;
}

STDAPI DllUnregisterServer() {
    if (IsOurs(RegisteredClsid())) RegDeleteTreeW(HKEY_CLASSES_ROOT, kProgId);
    const std::wstring clsidKey = std::wstring(L"CLSID\\") + kClsidText;
    const LSTATUS status = RegDeleteTreeW(HKEY_CLASSES_ROOT, clsidKey.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ? S_OK : SELFREG_E_CLASS;
}
