#include "web/browser_factory_win.h"

#include "platform/handles_win.h"
#include "platform/pump_win.h"
#include "web/own_browser_win.h"
#include "web/system_browser_win.h"

namespace ferrik {

namespace {

// Listens to the control while it loads "about:blank".
class ProbeEvents final : public BrowserEvents {
public:
    explicit ProbeEvents(HANDLE done) : m_done(done) {}
    void DocumentComplete(TextView) override {
        completed = true;
        SetEvent(m_done);
    }
    void NavigateError(TextView, std::int32_t, bool&) override {
        failed = true;
        SetEvent(m_done);
    }
    bool completed = false;
    bool failed = false;

private:
    HANDLE m_done;
};

bool ProbeSystemBrowser(HWND parent, DWORD probeMs) {
    if (!SystemBrowser::HtmlEngineAvailable()) return false;
    UniqueHandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!done) return false;
    ProbeEvents events(done.get());
    // Out of sight, in a corner of the parent.
    auto browser = SystemBrowser::Create(parent, RECT{0, 0, 1, 1}, events);
    if (!browser) return false;
    if (browser->HostWindow()) ShowWindow(browser->HostWindow(), SW_HIDE);
    browser->SetSilent(true);
    if (!browser->Navigate(u"about:blank")) return false;
    const ULONGLONG start = GetTickCount64();
    while (!events.completed && !events.failed) {
        const ULONGLONG spent = GetTickCount64() - start;
        if (spent >= probeMs) break;
        if (WaitPumping(done.get(), static_cast<DWORD>(probeMs - spent)) == PumpWaitResult::Quit) break;
    }
    return events.completed && !events.failed && browser->Document() != nullptr;
}

int g_systemUsable = -1;  // not yet judged

}  // namespace

bool SystemBrowserUsable(HWND parent, DWORD probeMs) {
    if (g_systemUsable < 0) g_systemUsable = ProbeSystemBrowser(parent, probeMs) ? 1 : 0;
    return g_systemUsable == 1;
}

std::unique_ptr<Browser> CreateSystemBrowser(HWND parent, const RECT& bounds, BrowserEvents& events) {
    return SystemBrowser::Create(parent, bounds, events);
}

std::unique_ptr<Browser> CreateBrowser(HWND parent, const RECT& bounds, BrowserEvents& events, BrowserKind* chosen,
                                       DWORD probeMs) {
    if (SystemBrowserUsable(parent, probeMs)) {
        if (auto browser = CreateSystemBrowser(parent, bounds, events)) {
            if (chosen) *chosen = BrowserKind::System;
            return browser;
        }
    }
    auto browser = CreateOwnBrowser(parent, events);
    if (browser) browser->SetBounds(bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
    if (chosen) *chosen = BrowserKind::Own;
    return browser;
}

}  // namespace ferrik
