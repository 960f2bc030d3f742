#pragma once
// Which browser the web window gets. The system's WebBrowser control comes first; Ferrik's own
// browser takes its place where the system's control cannot load a document (under Wine the
// control is there but has no HTML engine: it raises BeforeNavigate2 and NavigateError and never
// completes a document).
#include <windows.h>

#include <functional>
#include <memory>

#include "web/browser.h"

namespace ferrik {

enum class BrowserKind { System, Own };

// Makes a browser in `parent` at `bounds` (pixels of its client area) whose events go to `events`.
using BrowserMaker = std::function<std::unique_ptr<Browser>(HWND parent, const RECT& bounds, BrowserEvents& events)>;

// The system's control if it loads a document here, else Ferrik's own browser. The system's
// control is judged once per process: the HTML document class must be creatable (no HTML engine
// at all fails at once), and the control must complete "about:blank" (with a document) within
// `probeMs` while messages are pumped; a NavigateError or no answer gives it up.
std::unique_ptr<Browser> CreateBrowser(HWND parent, const RECT& bounds, BrowserEvents& events,
                                       BrowserKind* chosen = nullptr, DWORD probeMs = 5000);

// The system's control as it is, loading or not (null when it cannot be created).
std::unique_ptr<Browser> CreateSystemBrowser(HWND parent, const RECT& bounds, BrowserEvents& events);

// Whether the system's control loads documents in this process (the probe above, run once).
bool SystemBrowserUsable(HWND parent, DWORD probeMs = 5000);

}  // namespace ferrik
