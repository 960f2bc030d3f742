// The choice of the web window's browser, with a stand-in for the system's control behind the
// browser interface: made once, the tried control kept, only definite answers remembered.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "host/support/fake_browser.h"
#include "web/browser_factory_win.h"

namespace ferrik {
namespace {

enum class Answer { Document, Error, Nothing, NoDocument };

// The system's control as far as the choice sees it: it answers a navigation a little later,
// from the message queue, as the real control does.
class FakeSystem final : public RetargetableBrowser {
public:
    FakeSystem(Answer answer, BrowserEvents& events, std::vector<std::string>& log)
        : m_answer(answer), m_events(&events), m_log(log) {}
    ~FakeSystem() override {
        if (s_answering == this) s_answering = nullptr;
    }
    bool Navigate(TextView url) override {
        m_log.push_back("Navigate " + ToUtf8(url));
        s_answering = this;
        SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR id, DWORD) CALLBACK {
            KillTimer(nullptr, id);
            if (s_answering) s_answering->Answer();
        });
        return true;
    }
    bool GoBack() override { return true; }
    bool GoForward() override { return true; }
    bool GoHome() override { return true; }
    bool Refresh() override { return true; }
    bool Stop() override { return true; }
    void SetSilent(bool) override {}
    Text LocationName() const override { return {}; }
    Text LocationURL() const override { return u"about:blank"; }
    BrowserDocument* Document() override { return m_answer == Answer::Document ? &m_document : nullptr; }
    void SetBounds(int, int, int, int) override {}
    void SetEvents(BrowserEvents& events) override { m_events = &events; }
    BrowserEvents& Events() const { return *m_events; }

private:
    void Answer() {
        bool cancel = false;
        if (m_answer == Answer::Error) m_events->NavigateError(u"about:blank", 404, cancel);
        if (m_answer == Answer::Document || m_answer == Answer::NoDocument) m_events->DocumentComplete(u"about:blank");
    }
    static inline FakeSystem* s_answering = nullptr;
    enum Answer m_answer;
    BrowserEvents* m_events;
    std::vector<std::string>& m_log;
    test::FakeDocument m_document;
};

TEST(BrowserChoice, TriesTheSystemsControlOnceAndRemembersOnlyDefiniteAnswers) {
    HWND parent = CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(parent, nullptr);
    using V = SystemBrowserVerdict;
    struct Row {
        const char* what;
        V before;
        bool engine;
        bool controlMade;  // the control can be created
        Answer answer;
        bool cutShort;
        // What comes of it: the browser (nullopt: none, cut short), the verdict, what was done.
        std::optional<BrowserKind> kind;
        V after;
        std::vector<std::string> log;
    };
    const Row rows[] = {
        {"a document: the tried control is the browser",
         V::Unknown,
         true,
         true,
         Answer::Document,
         false,
         BrowserKind::System,
         V::Usable,
         {"system", "Navigate about:blank"}},
        {"a navigation error",
         V::Unknown,
         true,
         true,
         Answer::Error,
         false,
         BrowserKind::Own,
         V::Unusable,
         {"system", "Navigate about:blank", "own"}},
        {"no HTML engine", V::Unknown, false, true, Answer::Document, false, BrowserKind::Own, V::Unusable, {"own"}},
        {"no answer in time: asked again next time",
         V::Unknown,
         true,
         true,
         Answer::Nothing,
         false,
         BrowserKind::Own,
         V::Unknown,
         {"system", "Navigate about:blank", "own"}},
        {"complete without a document",
         V::Unknown,
         true,
         true,
         Answer::NoDocument,
         false,
         BrowserKind::Own,
         V::Unknown,
         {"system", "Navigate about:blank", "own"}},
        {"no control: asked again next time",
         V::Unknown,
         true,
         false,
         Answer::Document,
         false,
         BrowserKind::Own,
         V::Unknown,
         {"system", "own"}},
        {"cut short: no browser, asked again next time",
         V::Unknown,
         true,
         true,
         Answer::Nothing,
         true,
         std::nullopt,
         V::Unknown,
         {"system", "Navigate about:blank"}},
        {"known usable: made without a trial",
         V::Usable,
         true,
         true,
         Answer::Nothing,
         false,
         BrowserKind::System,
         V::Usable,
         {"system"}},
        {"known unusable: not tried",
         V::Unusable,
         true,
         true,
         Answer::Document,
         false,
         BrowserKind::Own,
         V::Unusable,
         {"own"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::vector<std::string> log;
        V verdict = row.before;
        BrowserChoice choice;
        choice.verdict = &verdict;
        choice.probeMs = 300;
        choice.htmlEngine = [&] { return row.engine; };
        choice.makeSystem = [&](HWND, const RECT&, BrowserEvents& events) -> std::unique_ptr<RetargetableBrowser> {
            log.push_back("system");
            if (!row.controlMade) return nullptr;
            return std::make_unique<FakeSystem>(row.answer, events, log);
        };
        choice.makeOwn = [&](HWND, const RECT&, BrowserEvents&) -> std::unique_ptr<Browser> {
            log.push_back("own");
            return std::make_unique<test::FakeBrowser>();
        };
        int asked = 0;
        choice.cutShort = [&] { return row.cutShort && ++asked > 1; };
        BrowserEvents window;
        BrowserKind kind{};
        auto browser = ChooseBrowser(parent, RECT{0, 0, 50, 50}, window, choice, &kind);
        EXPECT_EQ(browser != nullptr, row.kind.has_value());
        if (browser && row.kind) {
            EXPECT_EQ(kind, *row.kind);
        }
        EXPECT_EQ(verdict, row.after);
        EXPECT_EQ(log, row.log);
        // The kept control now tells the window, not the trial.
        if (auto* system = dynamic_cast<FakeSystem*>(browser.get())) {
            EXPECT_EQ(&system->Events(), &window);
        }
    }
    DestroyWindow(parent);
}

}  // namespace
}  // namespace ferrik
