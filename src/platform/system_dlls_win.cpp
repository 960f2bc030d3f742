#include "platform/system_dlls_win.h"

#include <commdlg.h>

#include <cwchar>

namespace ferrik {

namespace {

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
constexpr DWORD LOAD_LIBRARY_SEARCH_SYSTEM32 = 0x00000800;
#endif

// A function of kernel32, which every process has loaded, or null where this system lacks it.
template <class Function>
Function Kernel32Function(const char* name) noexcept {
    const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
    return kernel32 ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(kernel32, name))) : nullptr;
}

}  // namespace

bool RestrictDllSearchToSystem() noexcept {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    if (const auto set = Kernel32Function<SetDefaultDllDirectoriesFn>("SetDefaultDllDirectories"))
        if (set(LOAD_LIBRARY_SEARCH_SYSTEM32)) return true;
    // The current folder out of the search (it stays in only for a few legacy functions); the
    // program's folder cannot be taken out here, which LoadSystemDll's full paths make up for.
    using SetDllDirectoryFn = BOOL(WINAPI*)(LPCWSTR);
    const auto setDirectory = Kernel32Function<SetDllDirectoryFn>("SetDllDirectoryW");
    return setDirectory && setDirectory(L"");
}

HMODULE LoadSystemDll(const wchar_t* name) noexcept {
    if (HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) return module;
    // A system before KB2533623 rejects the flag (ERROR_INVALID_PARAMETER); any other failure is
    // the DLL's own.
    if (GetLastError() != ERROR_INVALID_PARAMETER) return nullptr;
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    const std::size_t nameLength = wcslen(name);
    if (length == 0 || length + 1 + nameLength >= MAX_PATH) return nullptr;
    wchar_t path[MAX_PATH];
    wcscpy(path, folder);
    path[length] = L'\\';
    wcscpy(path + length + 1, name);
    // A full path with the altered search order: the DLL's imports are looked for in its own
    // folder (the system's) first, not beside the program.
    return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace ferrik

namespace ferrik::late {
namespace {

constexpr wchar_t kWininet[] = L"wininet.dll";
constexpr wchar_t kShell32[] = L"shell32.dll";
constexpr wchar_t kOleacc[] = L"oleacc.dll";
constexpr wchar_t kComdlg32[] = L"comdlg32.dll";
constexpr wchar_t kUxtheme[] = L"uxtheme.dll";

// The function `name` of the system DLL `dll`, loaded from the system folder (LoadSystemDll) and
// kept for the process's life; null, with the last error set, when either cannot be found.
FARPROC Find(const wchar_t* dll, const char* name) {
    HMODULE module = LoadSystemDll(dll);
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

BOOL GetSaveFileNameW(::tagOFNW* dialog) {
    FERRIK_LATE(kComdlg32, GetSaveFileNameW);
    return proc ? proc(dialog) : FALSE;
}

BOOL GetOpenFileNameW(::tagOFNW* dialog) {
    FERRIK_LATE(kComdlg32, GetOpenFileNameW);
    return proc ? proc(dialog) : FALSE;
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

BOOL IsAppThemed() {
    FERRIK_LATE(kUxtheme, IsAppThemed);
    return proc ? proc() : FALSE;
}

HTHEME OpenThemeData(HWND window, LPCWSTR classes) {
    FERRIK_LATE(kUxtheme, OpenThemeData);
    return proc ? proc(window, classes) : nullptr;
}

HRESULT CloseThemeData(HTHEME theme) {
    FERRIK_LATE(kUxtheme, CloseThemeData);
    return proc ? proc(theme) : E_FAIL;
}

HRESULT DrawThemeBackground(HTHEME theme, HDC dc, int part, int state, LPCRECT rect, LPCRECT clip) {
    FERRIK_LATE(kUxtheme, DrawThemeBackground);
    return proc ? proc(theme, dc, part, state, rect, clip) : E_FAIL;
}

HRESULT GetThemeBackgroundRegion(HTHEME theme, HDC dc, int part, int state, LPCRECT rect, HRGN* region) {
    FERRIK_LATE(kUxtheme, GetThemeBackgroundRegion);
    return proc ? proc(theme, dc, part, state, rect, region) : E_FAIL;
}

#undef FERRIK_LATE

}  // namespace ferrik::late
