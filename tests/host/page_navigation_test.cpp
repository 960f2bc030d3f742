// The own browser's navigations without a window: each case runs the browser's calls and the
// loads' answers, and compares the journal of events and of the window side's calls, as data.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/support/browser_event_log.h"
#include "host/support/iconv_decoder.h"
#include "web/page_navigation.h"
#include "web/page_scroll.h"

namespace ferrik {
namespace {

using Lines = std::vector<std::string>;

// The events and the window side's calls in one journal.
class Journal final : public test::BrowserEventLog, public NavigationPort {
public:
    void BeginLoad(std::uint64_t id, const Text& url, const Text& charset, std::optional<LoadResult> answer) override {
        Add("begin " + ToUtf8(url) + " " + ToUtf8(charset) + (answer ? " known" : ""));
        load = id;
        known = std::move(answer);
    }
    void CancelLoad() override { Add("cancel"); }
    void Show(Page& page) override { Add("show " + ToUtf8(page.Url()) + " " + ToUtf8(page.Title())); }

    std::uint64_t load = 0;
    std::optional<LoadResult> known;
};

struct Fixture {
    Journal journal;
    std::unique_ptr<PageNavigation> nav = std::make_unique<PageNavigation>(journal, journal);

    // The answers of the load begun last, as the message loop delivers them.
    void Answer(LoadResult result) {
        const std::uint64_t id = journal.load;
        nav->Started(id);
        if (nav) nav->Finished(id, std::move(result));
    }
    void Arrive(const char16_t* html, const char16_t* url) { Answer({std::make_unique<Page>(html, url)}); }
    void Fail(std::int32_t error) { Answer({nullptr, error}); }
    void Deliver() { Answer(std::move(*journal.known)); }
    void Visit(const char16_t* url) {
        nav->Navigate(url);
        Arrive(u"", url);
        journal.lines.clear();
    }
};

// The first element of the page with this type (nullopt: without a type).
std::size_t ElementOf(const Fixture& f, std::optional<TextView> type) {
    const Page& page = *f.nav->CurrentPage();
    for (std::size_t i = 0; i < page.ElementCount(); ++i)
        if (page.Type(i) == type) return i;
    return kNoIndex;
}

constexpr char kSearchPage[] =  // a GBK film site's page, read from its bytes
    "<meta charset=gbk><title>t</title><a href=\"/s?q=\xb9\xa6\xb7\xf2\">s</a>"
    "<form action=/find><input name=k value=\"\xb9\xa6\xb7\xf2\"><input type=submit></form>";

TEST(PageNavigation, JournalOfEventsAndLoads) {
    struct Case {
        const char* what;
        std::function<void(Fixture&)> run;
        Lines journal;
        bool busy = false;
    };
    const std::string done[] = {"ProgressChange 100/100", "StatusTextChange ", "DownloadComplete"};
    const auto arrived = [&](Lines lines, const std::string& at) {
        lines.insert(lines.end(), std::begin(done), std::end(done));
        lines.push_back("DocumentComplete " + at);
        return lines;
    };
    const Case cases[] = {
        {"a page arrives after a redirect",
         [](Fixture& f) {
             f.nav->Navigate(u"http://a.example/");
             f.Arrive(u"<title>A</title>x", u"http://a.example/index.html");
         },
         arrived({"BeforeNavigate2 http://a.example/", "begin http://a.example/ UTF-8", "ProgressChange 0/100",
                  "show http://a.example/index.html A"},
                 "http://a.example/index.html")},
        {"typed without a scheme, with blanks around",
         [](Fixture& f) { f.nav->Navigate(u" www.a.example/x "); },
         {"BeforeNavigate2 http://www.a.example/x", "begin http://www.a.example/x UTF-8"},
         true},
        {"nothing to go to", [](Fixture& f) { EXPECT_FALSE(f.nav->Navigate(u" \t")); }, {}},
        {"about:blank is known at once",
         [](Fixture& f) {
             f.nav->Navigate(u"About:Blank");
             f.Deliver();
         },
         arrived({"BeforeNavigate2 about:blank", "begin about:blank UTF-8 known", "ProgressChange 0/100",
                  "show about:blank "},
                 "about:blank")},
        {"the host cannot be reached",
         [](Fixture& f) {
             f.nav->Navigate(u"http://gone.example/");
             f.Fail(kInetResourceNotFound);
         },
         arrived({"BeforeNavigate2 http://gone.example/", "begin http://gone.example/ UTF-8", "ProgressChange 0/100",
                  "NavigateError http://gone.example/ -2146697211", "show http://gone.example/ 无法打开网页"},
                 "http://gone.example/")},
        {"the server answers 404",
         [](Fixture& f) {
             f.nav->Navigate(u"http://a.example/no");
             f.Fail(404);
         },
         arrived({"BeforeNavigate2 http://a.example/no", "begin http://a.example/no UTF-8", "ProgressChange 0/100",
                  "NavigateError http://a.example/no 404", "show http://a.example/no 无法打开网页"},
                 "http://a.example/no")},
        {"the host cancels the error page",
         [](Fixture& f) {
             f.journal.cancelError = true;
             f.nav->Navigate(u"http://a.example/no");
             f.Fail(500);
         },
         {"BeforeNavigate2 http://a.example/no", "begin http://a.example/no UTF-8", "ProgressChange 0/100",
          "NavigateError http://a.example/no 500", "DownloadComplete"}},
        {"the host cancels the navigation",
         [](Fixture& f) {
             f.journal.cancelNavigation = true;
             EXPECT_TRUE(f.nav->Navigate(u"http://a.example/"));
         },
         {"BeforeNavigate2 http://a.example/"}},
        {"a reload asks no one",
         [](Fixture& f) {
             f.Visit(u"http://a.example/");
             f.nav->Refresh();
         },
         {"begin http://a.example/ UTF-8"},
         true},
        {"stop halts the load and ignores its answer",
         [](Fixture& f) {
             f.nav->Navigate(u"http://a.example/");
             f.nav->Stop();
             f.Arrive(u"late", u"http://a.example/");
         },
         {"BeforeNavigate2 http://a.example/", "begin http://a.example/ UTF-8", "cancel", "DownloadComplete"}},
        {"stop with nothing under way", [](Fixture& f) { EXPECT_TRUE(f.nav->Stop()); }, {}},
        {"a new navigation replaces the one under way",
         [](Fixture& f) {
             f.nav->Navigate(u"http://a.example/");
             const std::uint64_t first = f.journal.load;
             f.nav->Navigate(u"http://b.example/");
             f.nav->Finished(first, {std::make_unique<Page>(u"old", u"http://a.example/")});
         },
         {"BeforeNavigate2 http://a.example/", "begin http://a.example/ UTF-8", "BeforeNavigate2 http://b.example/",
          "cancel", "begin http://b.example/ UTF-8"},
         true},
        {"back with no page before does nothing", [](Fixture& f) { EXPECT_FALSE(f.nav->GoBack()); }, {}},
    };
    for (const Case& c : cases) {
        Fixture f;
        c.run(f);
        EXPECT_EQ(f.journal.lines, c.journal) << c.what;
        EXPECT_EQ(f.nav->Busy(), c.busy) << c.what;
    }
}

TEST(PageNavigation, WhatThePageAsksFor) {
    struct Case {
        const char* what;
        std::function<void(Fixture&)> run;
        Lines journal;
    };
    const auto search = [](Fixture& f) {
        f.nav->Navigate(u"http://film.example/");
        const test::IconvDecoder decoder;
        f.Answer({std::make_unique<Page>(Page::FromBytes(kSearchPage, "text/html", u"http://film.example/", decoder))});
        f.journal.lines.clear();
    };
    const auto linked = [](const char16_t* html) {
        return [html](Fixture& f) {
            f.nav->Navigate(u"http://a.example/");
            f.Arrive(html, u"http://a.example/");
            f.journal.lines.clear();
            f.nav->FollowLink(0);
        };
    };
    const Case cases[] = {
        {"a link's query goes in the page's charset",
         [&](Fixture& f) {
             search(f);
             f.nav->FollowLink(0);
         },
         {"BeforeNavigate2 http://film.example/s?q=功夫", "begin http://film.example/s?q=功夫 gbk"}},
        {"the same address typed goes in UTF-8",
         [&](Fixture& f) {
             search(f);
             f.nav->Navigate(u"http://film.example/s?q=功");
         },
         {"BeforeNavigate2 http://film.example/s?q=功", "begin http://film.example/s?q=功 UTF-8"}},
        {"a form is sent in the page's charset",
         [&](Fixture& f) {
             search(f);
             f.nav->Submit(ElementOf(f, u"submit"));
         },
         {"BeforeNavigate2 http://film.example/find?k=功夫", "begin http://film.example/find?k=功夫 gbk"}},
        {"an element outside a form sends nothing",
         [&](Fixture& f) {
             search(f);
             f.nav->Submit(ElementOf(f, std::nullopt));
         },
         {}},
        {"a link to its own frame",
         linked(u"<a href=b.html target=_TOP>b</a>"),
         {"BeforeNavigate2 http://a.example/b.html", "begin http://a.example/b.html UTF-8"}},
        {"a link to a new window asks for one, then opens in place",
         linked(u"<a href=b.html target=x>b</a>"),
         {"NewWindow2", "BeforeNavigate2 http://a.example/b.html", "begin http://a.example/b.html UTF-8"}},
        {"a script link does nothing", linked(u"<a href=\"JavaScript:go()\">b</a>"), {}},
    };
    for (const Case& c : cases) {
        Fixture f;
        c.run(f);
        EXPECT_EQ(f.journal.lines, c.journal) << c.what;
    }
    Fixture refused;
    refused.journal.cancelNewWindow = true;
    linked(u"<base target=_blank><a href=b.html>b</a>")(refused);
    EXPECT_EQ(refused.journal.lines, Lines{"NewWindow2"}) << "a new window refused";
}

// An event handler may destroy the browser: nothing after that event, and nothing touched.
TEST(PageNavigation, EndsWhereAHandlerDestroysIt) {
    struct Case {
        std::string last;
        std::int32_t error;
    };
    const Case cases[] = {
        {"BeforeNavigate2 http://a.example/", 0},
        {"NavigateError http://a.example/ 404", 404},
        {"ProgressChange 100/100", 0},
        {"StatusTextChange ", 0},
        {"DownloadComplete", 0},
        {"DocumentComplete http://a.example/", 0},
    };
    for (const Case& c : cases) {
        Fixture f;
        f.journal.onLine = [&](const std::string& line) {
            if (line == c.last) f.nav.reset();
        };
        f.nav->Navigate(u"http://a.example/");
        if (!f.nav) {
            EXPECT_EQ(f.journal.lines, Lines{c.last});
            continue;
        }
        f.Answer(c.error ? LoadResult{nullptr, c.error}
                         : LoadResult{std::make_unique<Page>(u"", u"http://a.example/")});
        EXPECT_EQ(f.nav, nullptr) << c.last;
        EXPECT_EQ(f.journal.lines.back(), c.last);
    }
}

TEST(PageNavigation, ErrorPageNamesTheAddressAndTheReason) {
    struct Case {
        std::int32_t status;
        const char16_t* url;
        const char* text;
    };
    const Case cases[] = {
        {kInetResourceNotFound, u"http://a.example/?x=<b>&y=\"1\"",
         "无法打开网页 http://a.example/?x=<b>&y=\"1\" "
         "找不到服务器，或无法与它建立连接。请检查地址是否正确，以及网络是否连通。"},
        {404, u"http://a.example/", "无法打开网页 http://a.example/ 服务器返回错误 404。"},
    };
    for (const Case& c : cases) {
        const Page page(ErrorPageHtml(c.url, c.status), c.url);
        EXPECT_EQ(page.Title(), u"无法打开网页");
        std::string text;
        for (const PageRun& run : page.Runs())
            if (run.kind == PageRun::Kind::Words) text += (text.empty() ? "" : " ") + ToUtf8(run.text);
        EXPECT_EQ(text, c.text) << c.status;
    }
}

TEST(PageScroll, MovesFromTheViewAndHeldWithinThePage) {
    // A view 300 high at line 100 of a page 1000 high, lines 16 high.
    const ScrollView view{100, 300, 16, 1000};
    struct Case {
        ScrollMove move;
        int amount;
        int wanted, held;
    };
    const Case cases[] = {
        {ScrollMove::LineUp, 0, 84, 84},     {ScrollMove::LineDown, 0, 116, 116}, {ScrollMove::PageUp, 0, -184, 0},
        {ScrollMove::PageDown, 0, 384, 384}, {ScrollMove::Top, 0, 0, 0},          {ScrollMove::Bottom, 0, 1000, 700},
        {ScrollMove::To, 650, 650, 650},     {ScrollMove::To, 900, 900, 700},     {ScrollMove::Wheel, 1, 52, 52},
        {ScrollMove::Wheel, -2, 196, 196},   {ScrollMove::Wheel, 3, -44, 0},
    };
    for (const Case& c : cases) {
        const int wanted = ScrollWanted(c.move, view, c.amount);
        EXPECT_EQ(wanted, c.wanted) << static_cast<int>(c.move) << " " << c.amount;
        EXPECT_EQ(ScrollHeld(wanted, view), c.held) << static_cast<int>(c.move) << " " << c.amount;
    }
    // A view lower than a line still pages by a line; a page shorter than the view stays at its top.
    EXPECT_EQ(ScrollWanted(ScrollMove::PageDown, {0, 10, 16, 1000}), 16);
    EXPECT_EQ(ScrollHeld(50, {0, 300, 16, 200}), 0);
}

}  // namespace
}  // namespace ferrik
