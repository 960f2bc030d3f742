#include "web/browser_factory_win.h"

#include "platform/pump_win.h"
#include "web/own_browser_win.h"
#include "web/system_browser_win.h"

namespace ferrik {

namespace {

SystemBrowserVerdict g_verdict = SystemBrowserVerdict::Unknown;

// Listens to the control while it loads "about:blank".
class ProbeEvents final : public BrowserEvents {
public:
    void DocumentComplete(TextView) override { completed = true; }
    void NavigateError(TextView, std::int32_t, bool&) override { failed = true; }
    bool completed = false;
    bool failed = false;
};

enum class ProbeEnd { Loaded, Failed, NoAnswer, CutShort };

// Pumps messages until the control answers, the time is up or the choice is cut short.
ProbeEnd AwaitProbe(const ProbeEvents& probe, const BrowserChoice& choice, HWND parent) {
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        if (!PumpPendingMessages()) return ProbeEnd::CutShort;
        if (probe.failed) return ProbeEnd::Failed;
        if (probe.completed) return ProbeEnd::Loaded;
        if (!IsWindow(parent) || (choice.cutShort && choice.cutShort())) return ProbeEnd::CutShort;
        const ULONGLONG spent = GetTickCount64() - start;
        if (spent >= choice.probeMs) return ProbeEnd::NoAnswer;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(choice.probeMs - spent), QS_ALLINPUT);
    }
}

BrowserChoice WithDefaults(BrowserChoice choice) {
    if (!choice.htmlEngine) choice.htmlEngine = &SystemBrowser::HtmlEngineAvailable;
    if (!choice.makeSystem)
        choice.makeSystem = [](HWND parent, const RECT& bounds,
                               BrowserEvents& events) -> std::unique_ptr<RetargetableBrowser> {
            return SystemBrowser::Create(parent, bounds, events);
        };
    if (!choice.makeOwn)
        choice.makeOwn = [](HWND parent, const RECT& bounds, BrowserEvents& events) -> std::unique_ptr<Browser> {
            auto browser = CreateOwnBrowser(parent, events);
            if (browser)
                browser->SetBounds(bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
            return browser;
        };
    if (!choice.verdict) choice.verdict = &g_verdict;
    return choice;
}

// The system's control if it is (or turns out to be) usable; null otherwise or when cut short.
std::unique_ptr<Browser> TrySystemBrowser(HWND parent, const RECT& bounds, BrowserEvents& events,
                                          const BrowserChoice& choice, bool& cutShort) {
    SystemBrowserVerdict& verdict = *choice.verdict;
    if (verdict == SystemBrowserVerdict::Unusable) return nullptr;
    if (verdict == SystemBrowserVerdict::Usable) return choice.makeSystem(parent, bounds, events);
    if (!choice.htmlEngine()) {
        verdict = SystemBrowserVerdict::Unusable;
        return nullptr;
    }
    ProbeEvents probe;
    auto browser = choice.makeSystem(parent, bounds, probe);
    if (!browser) return nullptr;
    browser->SetSilent(true);
    if (!browser->Navigate(u"about:blank")) return nullptr;
    switch (AwaitProbe(probe, choice, parent)) {
        case ProbeEnd::Loaded:
            if (!browser->Document()) return nullptr;
            verdict = SystemBrowserVerdict::Usable;
            browser->SetEvents(events);
            return browser;
        case ProbeEnd::Failed:
            verdict = SystemBrowserVerdict::Unusable;
            return nullptr;
        case ProbeEnd::CutShort:
            cutShort = true;
            return nullptr;
        case ProbeEnd::NoAnswer:
            return nullptr;
    }
    return nullptr;
}

}  // namespace

std::unique_ptr<Browser> ChooseBrowser(HWND parent, const RECT& bounds, BrowserEvents& events,
                                       const BrowserChoice& given, BrowserKind* chosen) {
    const BrowserChoice choice = WithDefaults(given);
    bool cutShort = false;
    if (auto browser = TrySystemBrowser(parent, bounds, events, choice, cutShort)) {
        if (chosen) *chosen = BrowserKind::System;
        return browser;
    }
    if (cutShort) return nullptr;
    if (chosen) *chosen = BrowserKind::Own;
    return choice.makeOwn(parent, bounds, events);
}

std::unique_ptr<Browser> CreateBrowser(HWND parent, const RECT& bounds, BrowserEvents& events, BrowserKind* chosen,
                                       std::function<bool()> cutShort) {
    BrowserChoice choice;
    choice.cutShort = std::move(cutShort);
    return ChooseBrowser(parent, bounds, events, choice, chosen);
}

std::unique_ptr<Browser> CreateSystemBrowser(HWND parent, const RECT& bounds, BrowserEvents& events) {
    return SystemBrowser::Create(parent, bounds, events);
}

bool SystemBrowserUsable(HWND parent, DWORD probeMs) {
    if (g_verdict == SystemBrowserVerdict::Unknown) {
        BrowserEvents nobody;
        BrowserChoice choice;
        choice.probeMs = probeMs;
        choice.makeOwn = [](HWND, const RECT&, BrowserEvents&) { return std::unique_ptr<Browser>(); };
        // Out of sight, in a corner of the parent; the control made to judge goes again.
        ChooseBrowser(parent, RECT{0, 0, 1, 1}, nobody, choice);
    }
    return g_verdict == SystemBrowserVerdict::Usable;
}

}  // namespace ferrik
