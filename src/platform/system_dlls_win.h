#pragma once
// The functions of system DLLs that the first window does not need: the internet's (a page's
// fetch), the shell's (a drop, an opened address) and the accessibility functions (a screen
// reader's question). Each is looked up at its first call, so those DLLs, and the DLLs they load,
// are not loaded before the program's entry point. A DLL or function that cannot be found makes
// the call fail as the function itself fails (the value each one documents for a failure), with
// the last error saying why.
#include <windows.h>

#include <oleacc.h>
#include <shellapi.h>
#include <wininet.h>

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

HRESULT CreateStdAccessibleObject(HWND window, LONG object, REFIID iid, void** result);
LRESULT LresultFromObject(REFIID iid, WPARAM wParam, LPUNKNOWN object);

}  // namespace ferrik::late
