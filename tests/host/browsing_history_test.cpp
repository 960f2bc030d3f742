// The own browser's history as a journal: each case runs a list of user steps, each one started and
// committed as a finished load, and compares where the buttons lead afterwards.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "web/browsing_history.h"

namespace ferrik {
namespace {

using Move = BrowsingHistory::Move;

// "go:URL" (typed or a link), "go:URL>FINAL" (redirected), "back", "forward", "home", "reload".
void Walk(BrowsingHistory& history, const std::vector<std::u16string>& steps) {
    for (const std::u16string& s : steps) {
        std::optional<BrowsingHistory::Step> step;
        std::u16string final;
        if (s.starts_with(u"go:")) {
            const std::size_t arrow = s.find(u'>');
            step = BrowsingHistory::Step{Text(s.substr(3, arrow - 3))};
            if (arrow != std::u16string::npos) final = s.substr(arrow + 1);
        } else if (s == u"back") {
            step = history.Back();
        } else if (s == u"forward") {
            step = history.Forward();
        } else if (s == u"home") {
            step = history.Home();
        } else if (s == u"reload") {
            step = history.Reload();
        }
        if (!step) continue;  // a button with nowhere to go does nothing
        history.Started(*step);
        history.Committed(*step, final.empty() ? TextView(step->url) : TextView(final));
    }
}

Text UrlOf(const std::optional<BrowsingHistory::Step>& step) {
    return step ? step->url : Text(u"-");
}

TEST(BrowsingHistory, JournalOfStepsLeavesTheButtonsPointingRight) {
    struct Case {
        const char* what;
        std::vector<std::u16string> steps;
        Text location, back, forward, home;
    };
    const Case cases[] = {
        {"nothing yet", {}, u"", u"-", u"-", u"about:blank"},
        {"blank is never home", {u"go:about:blank", u"go:http://a/"}, u"http://a/", u"about:blank", u"-", u"http://a/"},
        {"blank in capitals neither", {u"go:ABOUT:Blank", u"go:http://a/"}, u"http://a/", u"ABOUT:Blank", u"-",
         u"http://a/"},
        {"three pages", {u"go:http://a/", u"go:http://b/", u"go:http://c/"}, u"http://c/", u"http://b/", u"-",
         u"http://a/"},
        {"back twice", {u"go:http://a/", u"go:http://b/", u"go:http://c/", u"back", u"back"}, u"http://a/", u"-",
         u"http://b/", u"http://a/"},
        {"back then forward", {u"go:http://a/", u"go:http://b/", u"back", u"forward"}, u"http://b/", u"http://a/",
         u"-", u"http://a/"},
        {"a new page cuts the forward list",
         {u"go:http://a/", u"go:http://b/", u"go:http://c/", u"back", u"back", u"go:http://d/"}, u"http://d/",
         u"http://a/", u"-", u"http://a/"},
        {"reload keeps the list", {u"go:http://a/", u"go:http://b/", u"reload"}, u"http://b/", u"http://a/", u"-",
         u"http://a/"},
        {"reload before any page does nothing", {u"reload"}, u"", u"-", u"-", u"about:blank"},
        {"home is a new entry", {u"go:http://a/", u"go:http://b/", u"home"}, u"http://a/", u"http://b/", u"-",
         u"http://a/"},
        {"the entry is the address arrived at", {u"go:http://a/>http://a/index.html", u"go:http://b/", u"back"},
         u"http://a/index.html", u"-", u"http://b/", u"http://a/"},
    };
    for (const Case& c : cases) {
        BrowsingHistory history;
        Walk(history, c.steps);
        EXPECT_EQ(history.Location(), c.location) << c.what;
        EXPECT_EQ(UrlOf(history.Back()), c.back) << c.what;
        EXPECT_EQ(UrlOf(history.Forward()), c.forward) << c.what;
        EXPECT_EQ(history.Home().url, c.home) << c.what;
    }
}

TEST(BrowsingHistory, StepsCarryTheirMoveAndEntry) {
    BrowsingHistory history;
    Walk(history, {u"go:http://a/", u"go:http://b/", u"go:http://c/", u"back"});
    EXPECT_EQ(history.Back()->move, Move::Back);
    EXPECT_EQ(history.Back()->index, 0u);
    EXPECT_EQ(history.Forward()->move, Move::Forward);
    EXPECT_EQ(history.Forward()->index, 2u);
    EXPECT_EQ(history.Reload()->move, Move::Reload);
    EXPECT_EQ(history.Home().move, Move::New);
    // A step back that arrives elsewhere (a redirect) rewrites its entry, not the one it left.
    history.Started(*history.Back());
    history.Committed(*history.Back(), u"http://a/moved");
    EXPECT_EQ(UrlOf(history.Forward()), u"http://b/");
    EXPECT_EQ(history.Location(), u"http://a/moved");
    EXPECT_EQ(history.Back(), std::nullopt);
}

TEST(BrowsingHistory, BlankAddressIgnoresAsciiCaseOnly) {
    struct Case {
        const char16_t* url;
        bool blank;
    };
    const Case cases[] = {{u"about:blank", true},    {u"About:BLANK", true}, {u"about:blank#x", false},
                          {u"about:", false},        {u"", false},           {u"http://about:blank", false}};
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(IsBlankAddress(cases[i].url), cases[i].blank) << i;
}

}  // namespace
}  // namespace ferrik
