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

// What the process knows of the system's control: nothing yet, or a definite answer.
enum class SystemBrowserVerdict { Unknown, Usable, Unusable };

// The parts of the choice; the defaults are the system's control, Ferrik's own browser and the
// process-wide verdict.
struct BrowserChoice {
    // Whether an HTML engine exists at all (the HTML document class can be created).
    std::function<bool()> htmlEngine;
    std::function<std::unique_ptr<RetargetableBrowser>(HWND, const RECT&, BrowserEvents&)> makeSystem;
    BrowserMaker makeOwn;
    // True once the window the browser is for is closing: the choice is given up.
    std::function<bool()> cutShort;
    SystemBrowserVerdict* verdict = nullptr;
    DWORD probeMs = 5000;
};

// The system's control where it loads documents, else Ferrik's own browser; null when the choice
// was cut short. While the control's verdict is unknown, the control is made and tried: it must
// complete "about:blank" with a document within `probeMs` while messages are pumped, and then it
// is the browser (events from then on to `events`). Only a definite answer is remembered: no HTML
// engine, a navigation error, or a document. A choice cut short (the window closing, the program
// ending) or left without an answer is made again next time.
std::unique_ptr<Browser> ChooseBrowser(HWND parent, const RECT& bounds, BrowserEvents& events,
                                       const BrowserChoice& choice, BrowserKind* chosen = nullptr);

// ChooseBrowser with the defaults.
std::unique_ptr<Browser> CreateBrowser(HWND parent, const RECT& bounds, BrowserEvents& events,
                                       BrowserKind* chosen = nullptr, std::function<bool()> cutShort = nullptr);

// The system's control as it is, loading or not (null when it cannot be created).
std::unique_ptr<Browser> CreateSystemBrowser(HWND parent, const RECT& bounds, BrowserEvents& events);

// Whether the system's control loads documents in this process (judged as above when unknown).
bool SystemBrowserUsable(HWND parent, DWORD probeMs = 5000);

}  // namespace ferrik
