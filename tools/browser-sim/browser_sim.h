#pragma once
// The browser stand-in: an in-process ActiveX control answering, in test prefixes only, to the
// system's WebBrowser control class and to the HTML document class (see README.md). Pages come
// from the network through WinINet and are read by Ferrik's own page model; nothing is drawn.
#include <windows.h>

#include <ocidl.h>
#include <ole2.h>

#include <memory>
#include <string>
#include <vector>

#include "../com_server.h"
#include "com_stubs.h"
#include "web/page.h"

namespace browsersim {

// The classes the system registers for "Shell.Explorer.2" and "htmlfile".
// {8856F961-340A-11D0-A96B-00C04FD705A2}
inline constexpr CLSID kWebBrowserClsid = {
    0x8856f961, 0x340a, 0x11d0, {0xa9, 0x6b, 0x00, 0xc0, 0x4f, 0xd7, 0x05, 0xa2}};
// {25336920-03F9-11CF-8FD0-00AA00686F13}
inline constexpr CLSID kHtmlDocumentClsid = {
    0x25336920, 0x03f9, 0x11cf, {0x8f, 0xd0, 0x00, 0xaa, 0x00, 0x68, 0x6f, 0x13}};

// Live objects of the stand-in (controls, connection points, frames, documents, collections,
// elements, ranges) plus the event sinks it holds, and server locks.
using comserver::g_locks;
using comserver::g_objects;
extern LONG g_documents;  // of those, documents

// One line for the log the tests read (what the container did to the control and the page, and
// every event raised).
void Log(const std::wstring& line);

// Counts one live object for its lifetime.
struct Counted {
    Counted() { InterlockedIncrement(&g_objects); }
    ~Counted() { InterlockedDecrement(&g_objects); }
    Counted(const Counted&) = delete;
    Counted& operator=(const Counted&) = delete;
};

std::wstring Wide(ferrik::TextView text);
ferrik::Text FromWide(const wchar_t* text, std::size_t length);
BSTR AllocBstr(const std::wstring& text);

// A loaded document (IHTMLDocument2 over a ferrik::Page): `all`, `body`, `title`.
IDispatch* NewDocument(std::shared_ptr<ferrik::Page> page);

}  // namespace browsersim
