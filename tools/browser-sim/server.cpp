// The COM server around the browser stand-in: its log and object count, the class factories of the
// control and the HTML document, the DLL exports, and registration over the system's classes.
#include <olectl.h>

#include <mutex>

#include "browser_sim.h"

namespace browsersim {

LONG g_documents = 0;

IUnknown* NewBrowser();

namespace {

std::mutex g_logMutex;
std::wstring g_log;  // lines, each ended by '\n'
std::wstring g_logCopy;

// The HTML document class alone makes an empty document, as "htmlfile" does.
IUnknown* NewEmptyDocument() {
    return NewDocument(std::make_shared<ferrik::Page>(u"", u"about:blank"));
}

comserver::Factory<NewBrowser> g_browserFactory;
comserver::Factory<NewEmptyDocument> g_documentFactory;

// The classes taken over: the ProgID, and the class it names where the system has none.
struct Taken {
    const wchar_t* progId;
    const wchar_t* clsid;
};
constexpr Taken kTaken[] = {{L"Shell.Explorer.2", L"{8856F961-340A-11D0-A96B-00C04FD705A2}"},
                            {L"htmlfile", L"{25336920-03F9-11CF-8FD0-00AA00686F13}"}};
// Where the server that was registered before is kept, on the InprocServer32 key.
constexpr wchar_t kReplacedValue[] = L"BrowserSimReplaced";

std::wstring ServerKey(const Taken& taken) {
    std::wstring clsid = comserver::ReadValue(std::wstring(taken.progId) + L"\\CLSID", nullptr);
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
        comserver::g_module = instance;
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
    return comserver::CanUnloadNow();
}

// Puts this DLL in place of the servers of the WebBrowser control and the HTML document, keeping
// theirs to put back.
STDAPI DllRegisterServer() {
    const std::wstring path = comserver::ModulePath();
    if (path.empty()) return SELFREG_E_CLASS;
    for (const Taken& taken : kTaken) {
        const std::wstring key = ServerKey(taken);
        const std::wstring current = comserver::ReadValue(key, nullptr);
        if (_wcsicmp(current.c_str(), path.c_str()) != 0 && comserver::ReadValue(key, kReplacedValue).empty() &&
            !comserver::WriteValue(key, kReplacedValue, current.empty() ? L"-" : current))
            return SELFREG_E_CLASS;
        const std::wstring progIdKey = std::wstring(taken.progId) + L"\\CLSID";
        if (comserver::ReadValue(progIdKey, nullptr).empty() && !comserver::WriteValue(progIdKey, nullptr, taken.clsid))
            return SELFREG_E_CLASS;
        if (!comserver::WriteValue(key, nullptr, path) || !comserver::WriteValue(key, L"ThreadingModel", L"Apartment"))
            return SELFREG_E_CLASS;
    }
    return S_OK;
}

// Puts the servers that were there before back.
STDAPI DllUnregisterServer() {
    for (const Taken& taken : kTaken) {
        const std::wstring key = ServerKey(taken);
        const std::wstring replaced = comserver::ReadValue(key, kReplacedValue);
        if (replaced.empty()) continue;
        if (!comserver::WriteValue(key, nullptr, replaced == L"-" ? L"" : replaced)) return SELFREG_E_CLASS;
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
