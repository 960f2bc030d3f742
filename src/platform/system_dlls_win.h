#pragma once
// System DLLs come from the system folder only. A DLL that is not one of the system's known DLLs
// is otherwise looked for beside the program first, and a portable zip unzipped into Downloads
// has whatever a page saved there beside it.
//
// The functions of system DLLs that the first window does not need: the internet's (a page's
// fetch), the shell's (a drop, an opened address), the common dialogs' (a list saved or opened), the accessibility
// functions (a screen reader's question) and the visual style's (a themed button). Each is looked up at its first call,
// so those DLLs, and the DLLs they load, are not loaded before the program's entry point (and the visual style's, no
// known DLL, is never a static import). A DLL or function that cannot be found makes the call fail as the function
// itself fails (the value each one documents for a failure), with the last error saying why.
#include <windows.h>

#include <oleacc.h>
#include <shellapi.h>
#include <uxtheme.h>
#include <wininet.h>

struct tagOFNW;  // OPENFILENAMEW

namespace ferrik {

// First thing in the program: every later load of a DLL by name, the DLLs' own imports included,
// searches the system folder only (SetDefaultDllDirectories, looked up: Windows 7 has it only with
// KB2533623). Without it, the program's folder and the current folder are at least taken out of
// the search where the system allows (SetDllDirectory("")). False when neither could be done.
bool RestrictDllSearchToSystem() noexcept;

// The system DLL `name` ("uxtheme.dll") from the system folder and what it imports from there too:
// LoadLibraryEx with LOAD_LIBRARY_SEARCH_SYSTEM32, or, where the system lacks that flag, the full
// path in the system folder with the search of its imports starting there. Null, with the last
// error set, when it cannot be loaded. The caller frees it (FreeLibrary) or keeps it.
HMODULE LoadSystemDll(const wchar_t* name) noexcept;

}  // namespace ferrik

namespace ferrik::late {

HINTERNET InternetOpenW(LPCWSTR agent, DWORD access, LPCWSTR proxy, LPCWSTR bypass, DWORD flags);
HINTERNET InternetConnectW(HINTERNET session, LPCWSTR host, INTERNET_PORT port, LPCWSTR user, LPCWSTR password,
                           DWORD service, DWORD flags, DWORD_PTR context);
HINTERNET HttpOpenRequestW(HINTERNET connection, LPCWSTR verb, LPCWSTR object, LPCWSTR version, LPCWSTR referrer,
                           LPCWSTR* acceptTypes, DWORD flags, DWORD_PTR context);
BOOL HttpSendRequestW(HINTERNET request, LPCWSTR headers, DWORD headersLength, LPVOID optional, DWORD optionalLength);
BOOL HttpQueryInfoW(HINTERNET request, DWORD level, LPVOID buffer, LPDWORD length, LPDWORD index);
BOOL InternetQueryOptionW(HINTERNET handle, DWORD option, LPVOID buffer, LPDWORD length);
BOOL InternetSetOptionW(HINTERNET handle, DWORD option, LPVOID buffer, DWORD length);
BOOL InternetQueryDataAvailable(HINTERNET request, LPDWORD available, DWORD flags, DWORD_PTR context);
BOOL InternetReadFile(HINTERNET request, LPVOID buffer, DWORD wanted, LPDWORD read);
BOOL InternetCloseHandle(HINTERNET handle);

UINT DragQueryFileW(HDROP drop, UINT index, LPWSTR file, UINT length);
HINSTANCE ShellExecuteW(HWND window, LPCWSTR operation, LPCWSTR file, LPCWSTR parameters, LPCWSTR directory, INT show);

// OPENFILENAMEW of <commdlg.h>, which is not included here: its FindText macro would rename
// the program's own FindText wherever this header goes.
BOOL GetSaveFileNameW(::tagOFNW* dialog);
BOOL GetOpenFileNameW(::tagOFNW* dialog);

HRESULT CreateStdAccessibleObject(HWND window, LONG object, REFIID iid, void** result);
LRESULT LresultFromObject(REFIID iid, WPARAM wParam, LPUNKNOWN object);

BOOL IsAppThemed();
HTHEME OpenThemeData(HWND window, LPCWSTR classes);
HRESULT CloseThemeData(HTHEME theme);
HRESULT DrawThemeBackground(HTHEME theme, HDC dc, int part, int state, LPCRECT rect, LPCRECT clip);
HRESULT GetThemeBackgroundRegion(HTHEME theme, HDC dc, int part, int state, LPCRECT rect, HRGN* region);

}  // namespace ferrik::late
