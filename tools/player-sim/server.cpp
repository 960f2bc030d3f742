// The COM server around the player substitute: class factory, DLL exports and self-registration
// as an ActiveX control.
#include <olectl.h>

#include "player_sim.h"

namespace qvodsim {

namespace {

IUnknown* NewPlayer() {
    PlayerSim* player = new (std::nothrow) PlayerSim();
    return player ? static_cast<IDispatch*>(player) : nullptr;
}

comserver::Factory<NewPlayer> g_factory;

// The CLSID the ProgID names now, empty when it is not registered.
std::wstring RegisteredClsid() {
    return comserver::ReadValue(std::wstring(kProgId) + L"\\CLSID", nullptr);
}

bool IsOurs(const std::wstring& clsid) {
    return CompareStringOrdinal(clsid.c_str(), -1, kClsidText, -1, TRUE) == CSTR_EQUAL;
}

}  // namespace

}  // namespace qvodsim

using namespace qvodsim;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        comserver::g_module = instance;
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
    return comserver::CanUnloadNow();
}

// Refuses to take the ProgID over from another server: on a machine with the real player, the
// real player stays registered.
STDAPI DllRegisterServer() {
    const std::wstring current = RegisteredClsid();
    if (!current.empty() && !IsOurs(current)) return SELFREG_E_CLASS;
    const std::wstring path = comserver::ModulePath();
    if (path.empty()) return SELFREG_E_CLASS;
    const std::wstring clsidKey = std::wstring(L"CLSID\\") + kClsidText;
    const bool ok = comserver::WriteValue(kProgId, nullptr, L"Qvod player substitute (tests only)") &&
                    comserver::WriteValue(std::wstring(kProgId) + L"\\CLSID", nullptr, kClsidText) &&
                    comserver::WriteValue(clsidKey, nullptr, L"Qvod player substitute (tests only)") &&
                    comserver::WriteValue(clsidKey + L"\\ProgID", nullptr, kProgId) &&
                    comserver::WriteValue(clsidKey + L"\\InprocServer32", nullptr, path) &&
                    comserver::WriteValue(clsidKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment") &&
                    comserver::WriteValue(clsidKey + L"\\Control", nullptr, L"") &&
                    comserver::WriteValue(clsidKey + L"\\MiscStatus", nullptr, L"0") &&
                    comserver::WriteValue(clsidKey + L"\\MiscStatus\\1", nullptr, L"131473");
    return ok ? S_OK : SELFREG_E_CLASS;
}

STDAPI DllUnregisterServer() {
    if (IsOurs(RegisteredClsid())) RegDeleteTreeW(HKEY_CLASSES_ROOT, kProgId);
    const std::wstring clsidKey = std::wstring(L"CLSID\\") + kClsidText;
    const LSTATUS status = RegDeleteTreeW(HKEY_CLASSES_ROOT, clsidKey.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ? S_OK : SELFREG_E_CLASS;
}
