#include "platform/system_dlls_win.h"

#include <string>

namespace ferrik::late {
namespace {

constexpr wchar_t kWininet[] = L"wininet.dll";
constexpr wchar_t kShell32[] = L"shell32.dll";
constexpr wchar_t kOleacc[] = L"oleacc.dll";

// The function `name` of the system DLL `dll`, loaded from the system folder (never from beside the
// program or the current folder) and kept for the process's life; null, with the last error set,
// when either cannot be found.
FARPROC Find(const wchar_t* dll, const char* name) {
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    const std::wstring path = std::wstring(folder, length) + L"\\" + dll;
    HMODULE module = LoadLibraryW(path.c_str());
    return module ? GetProcAddress(module, name) : nullptr;
}

}  // namespace

// Found once, by the first caller (a function-local static is initialised once across threads).
#define FERRIK_LATE(dll, function) \
    static const auto proc = reinterpret_cast<decltype(&::function)>(reinterpret_cast<void*>(Find(dll, #function)))

HINTERNET InternetOpenW(LPCWSTR agent, DWORD access, LPCWSTR proxy, LPCWSTR bypass, DWORD flags) {
    FERRIK_LATE(kWininet, InternetOpenW);
    return proc ? proc(agent, access, proxy, bypass, flags) : nullptr;
}

HINTERNET InternetConnectW(HINTERNET session, LPCWSTR host, INTERNET_PORT port, LPCWSTR user, LPCWSTR password,
                           DWORD service, DWORD flags, DWORD_PTR context) {
    FERRIK_LATE(kWininet, InternetConnectW);
    return proc ? proc(session, host, port, user, password, service, flags, context) : nullptr;
}

HINTERNET HttpOpenRequestW(HINTERNET connection, LPCWSTR verb, LPCWSTR object, LPCWSTR version, LPCWSTR referrer,
                           LPCWSTR* acceptTypes, DWORD flags, DWORD_PTR context) {
    FERRIK_LATE(kWininet, HttpOpenRequestW);
    return proc ? proc(connection, verb, object, version, referrer, acceptTypes, flags, context) : nullptr;
}

BOOL HttpSendRequestW(HINTERNET request, LPCWSTR headers, DWORD headersLength, LPVOID optional, DWORD optionalLength) {
    FERRIK_LATE(kWininet, HttpSendRequestW);
    return proc ? proc(request, headers, headersLength, optional, optionalLength) : FALSE;
}

BOOL HttpQueryInfoW(HINTERNET request, DWORD level, LPVOID buffer, LPDWORD length, LPDWORD index) {
    FERRIK_LATE(kWininet, HttpQueryInfoW);
    return proc ? proc(request, level, buffer, length, index) : FALSE;
}

BOOL InternetQueryOptionW(HINTERNET handle, DWORD option, LPVOID buffer, LPDWORD length) {
    FERRIK_LATE(kWininet, InternetQueryOptionW);
    return proc ? proc(handle, option, buffer, length) : FALSE;
}

BOOL InternetSetOptionW(HINTERNET handle, DWORD option, LPVOID buffer, DWORD length) {
    FERRIK_LATE(kWininet, InternetSetOptionW);
    return proc ? proc(handle, option, buffer, length) : FALSE;
}

BOOL InternetQueryDataAvailable(HINTERNET request, LPDWORD available, DWORD flags, DWORD_PTR context) {
    FERRIK_LATE(kWininet, InternetQueryDataAvailable);
    return proc ? proc(request, available, flags, context) : FALSE;
}

BOOL InternetReadFile(HINTERNET request, LPVOID buffer, DWORD wanted, LPDWORD read) {
    FERRIK_LATE(kWininet, InternetReadFile);
    return proc ? proc(request, buffer, wanted, read) : FALSE;
}

BOOL InternetCloseHandle(HINTERNET handle) {
    FERRIK_LATE(kWininet, InternetCloseHandle);
    return proc ? proc(handle) : FALSE;
}

UINT DragQueryFileW(HDROP drop, UINT index, LPWSTR file, UINT length) {
    FERRIK_LATE(kShell32, DragQueryFileW);
    return proc ? proc(drop, index, file, length) : 0;
}

HINSTANCE ShellExecuteW(HWND window, LPCWSTR operation, LPCWSTR file, LPCWSTR parameters, LPCWSTR directory, INT show) {
    FERRIK_LATE(kShell32, ShellExecuteW);
    // A result of 32 or less is a failure; SE_ERR_DLLNOTFOUND says which.
    return proc ? proc(window, operation, file, parameters, directory, show)
                : reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(SE_ERR_DLLNOTFOUND));
}

HRESULT CreateStdAccessibleObject(HWND window, LONG object, REFIID iid, void** result) {
    FERRIK_LATE(kOleacc, CreateStdAccessibleObject);
    if (proc) return proc(window, object, iid, result);
    if (result) *result = nullptr;
    const DWORD error = GetLastError();
    return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

LRESULT LresultFromObject(REFIID iid, WPARAM wParam, LPUNKNOWN object) {
    FERRIK_LATE(kOleacc, LresultFromObject);
    return proc ? proc(iid, wParam, object) : static_cast<LRESULT>(E_FAIL);
}

#undef FERRIK_LATE

}  // namespace ferrik::late
