// The COM server around the browser stand-in: its log and object count, the class factories of the
// control and the HTML document, the DLL exports, and registration over the system's classes.
#include <olectl.h>

#include <mutex>

#include "browser_sim.h"

namespace browsersim {

LONG g_objects = 0;
LONG g_locks = 0;
LONG g_documents = 0;

IUnknown* NewBrowser();

namespace {

HMODULE g_module = nullptr;
std::mutex g_logMutex;
std::wstring g_log;  // lines, each ended by '\n'
std::wstring g_logCopy;

class Factory final : public IClassFactory {
public:
    explicit Factory(bool browser) : m_browser(browser) {}
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
    // Static instances: their references keep the server loaded like a lock.
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&g_locks)); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(InterlockedDecrement(&g_locks)); }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        IUnknown* created = nullptr;
        try {
            // The HTML document class alone makes an empty document, as "htmlfile" does.
            created = m_browser ? NewBrowser() : NewDocument(std::make_shared<ferrik::Page>(u"", u"about:blank"));
        } catch (...) {
            return E_OUTOFMEMORY;
        }
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

private:
    bool m_browser;
};

Factory g_browserFactory(true);
Factory g_documentFactory(false);

// The classes taken over: the ProgID, and the class it names where the system has none.
struct Taken {
    const wchar_t* progId;
    const wchar_t* clsid;
};
constexpr Taken kTaken[] = {{L"Shell.Explorer.2", L"{8856F961-340A-11D0-A96B-00C04FD705A2}"},
                            {L"htmlfile", L"{25336920-03F9-11CF-8FD0-00AA00686F13}"}};
// Where the server that was registered before is kept, on the InprocServer32 key.
constexpr wchar_t kReplacedValue[] = L"BrowserSimReplaced";

std::wstring ReadValue(const std::wstring& path, const wchar_t* name) {
    wchar_t value[MAX_PATH] = {};
    DWORD size = sizeof(value) - sizeof(wchar_t);
    if (RegGetValueW(HKEY_CLASSES_ROOT, path.c_str(), name, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                     nullptr, value, &size) != ERROR_SUCCESS)
        return {};
    return value;
}

bool WriteValue(const std::wstring& path, const wchar_t* name, const std::wstring& value) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const LSTATUS status = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

std::wstring ServerKey(const Taken& taken) {
    std::wstring clsid = ReadValue(std::wstring(taken.progId) + L"\\CLSID", nullptr);
    if (clsid.empty()) clsid = taken.clsid;
    return L"CLSID\\" + clsid + L"\\InprocServer32";
}

}  // namespace

std::wstring Wide(ferrik::TextView text) {
    return std::wstring(text.begin(), text.end());
}

ferrik::Text FromWide(const wchar_t* text, std::size_t length) {
    return ferrik::Text(reinterpret_cast<const char16_t*>(text), length);
}

BSTR AllocBstr(const std::wstring& text) {
    return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

void Log(const std::wstring& line) {
    std::lock_guard lock(g_logMutex);
    g_log += line;
    g_log += L'\n';
}

}  // namespace browsersim

using namespace browsersim;

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
    if (IsEqualCLSID(rclsid, kWebBrowserClsid)) return g_browserFactory.QueryInterface(riid, object);
    if (IsEqualCLSID(rclsid, kHtmlDocumentClsid)) return g_documentFactory.QueryInterface(riid, object);
    return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow() {
    return g_objects == 0 && g_locks == 0 ? S_OK : S_FALSE;
}

// Puts this DLL in place of the servers of the WebBrowser control and the HTML document, keeping
// theirs to put back.
STDAPI DllRegisterServer() {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(g_module, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return SELFREG_E_CLASS;
    for (const Taken& taken : kTaken) {
        const std::wstring key = ServerKey(taken);
        const std::wstring current = ReadValue(key, nullptr);
        if (_wcsicmp(current.c_str(), path) != 0 && ReadValue(key, kReplacedValue).empty() &&
            !WriteValue(key, kReplacedValue, current.empty() ? L"-" : current))
            return SELFREG_E_CLASS;
        const std::wstring progIdKey = std::wstring(taken.progId) + L"\\CLSID";
        if (ReadValue(progIdKey, nullptr).empty() && !WriteValue(progIdKey, nullptr, taken.clsid))
            return SELFREG_E_CLASS;
        if (!WriteValue(key, nullptr, path) || !WriteValue(key, L"ThreadingModel", L"Apartment"))
            return SELFREG_E_CLASS;
    }
    return S_OK;
}

// Puts the servers that were there before back.
STDAPI DllUnregisterServer() {
    for (const Taken& taken : kTaken) {
        const std::wstring key = ServerKey(taken);
        const std::wstring replaced = ReadValue(key, kReplacedValue);
        if (replaced.empty()) continue;
        if (!WriteValue(key, nullptr, replaced == L"-" ? L"" : replaced)) return SELFREG_E_CLASS;
        RegDeleteKeyValueW(HKEY_CLASSES_ROOT, key.c_str(), kReplacedValue);
    }
    return S_OK;
}

extern "C" {

// The log so far, one line each ("\n" after every line); valid until the next call.
const wchar_t* BrowserSimLog() {
    std::lock_guard lock(g_logMutex);
    g_logCopy = g_log;
    return g_logCopy.c_str();
}

void BrowserSimClearLog() {
    std::lock_guard lock(g_logMutex);
    g_log.clear();
}

// Live objects of the stand-in, the event sinks it holds included.
LONG BrowserSimLiveObjects() {
    return g_objects;
}

}  // extern "C"
