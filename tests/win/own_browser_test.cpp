// Ferrik's own browser against the loopback server: the events a page load raises and their order,
// history, links that ask for a new window, and the document model the web window writes to.
#include "web/own_browser_win.h"

#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "host/support/browser_event_log.h"
#include "support/http_server.h"
#include "support/ui_driver.h"

namespace ferrik {
namespace {

using test::BrowserEventLog;
using test::HttpTestServer;
using test::PumpUntil;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

HttpOptions QuickOptions() {
    HttpOptions options;
    options.connectTimeoutMs = 2000;
    options.sendTimeoutMs = 2000;
    options.receiveTimeoutMs = 2000;
    options.totalTimeoutMs = 10000;
    return options;
}

class OwnBrowserTest : public testing::Test {
protected:
    OwnBrowserTest() {
        parent =
            CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr, nullptr, nullptr, nullptr);
        browser = std::make_unique<OwnBrowser>(parent, log, QuickOptions());
        browser->SetBounds(0, 0, 600, 400);
    }
    ~OwnBrowserTest() override {
        browser.reset();
        DestroyWindow(parent);
    }

    std::string Url(std::string_view path) const { return server.UrlUtf8(path); }

    // Navigates and waits for the document (or the error page) to complete.
    bool Load(std::string_view url) {
        const int before = log.documents;
        if (!browser->Navigate(FromUtf8(url))) return false;
        return PumpUntil([&] { return log.documents > before; });
    }
    bool WaitDocument(int count) {
        return PumpUntil([&] { return log.documents >= count; });
    }

    // The centre of the first box of link `index`, in client coordinates.
    POINT LinkPoint(std::size_t index) {
        for (const LayoutBox& box : browser->Layout().boxes) {
            if (box.link == index) return {box.x + box.width / 2, box.y + box.height / 2 - browser->ScrollTop()};
        }
        ADD_FAILURE() << "no box of link " << index;
        return {-1, -1};
    }
    void Click(POINT p) {
        const LPARAM at = MAKELPARAM(p.x, p.y);
        SendMessageW(browser->Hwnd(), WM_MOUSEMOVE, 0, at);
        SendMessageW(browser->Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(browser->Hwnd(), WM_LBUTTONUP, 0, at);
    }

    HttpTestServer server;
    BrowserEventLog log;
    HWND parent = nullptr;
    std::unique_ptr<OwnBrowser> browser;
};

struct LoadCase {
    const char* name;
    std::string url;
    std::vector<std::string> events;
    const char* locationName;
};

TEST_F(OwnBrowserTest, EventsOfALoadInTheSystemControlsOrder) {
    server.Serve("/film.html", test::Page("<title>电影</title><p>正片", "text/html; charset=utf-8"));
    server.Serve("/old", test::Redirect(302, "/film.html"));
    const std::string good = Url("/film.html");
    const std::string missing = Url("/missing.html");
    const std::string unreachable = "http://127.0.0.1:1/page.html";  // nothing listens on port 1
    const LoadCase cases[] = {
        {"good page",
         good,
         {"BeforeNavigate2 " + good, "ProgressChange 0/100", "ProgressChange 100/100", "StatusTextChange ",
          "DownloadComplete", "DocumentComplete " + good},
         "电影"},
        {"redirect: the location is where it ended",
         Url("/old"),
         {"BeforeNavigate2 " + Url("/old"), "ProgressChange 0/100", "ProgressChange 100/100", "StatusTextChange ",
          "DownloadComplete", "DocumentComplete " + good},
         "电影"},
        {"HTTP 404",
         missing,
         {"BeforeNavigate2 " + missing, "ProgressChange 0/100", "NavigateError " + missing + " 404",
          "ProgressChange 100/100", "StatusTextChange ", "DownloadComplete", "DocumentComplete " + missing},
         "无法打开网页"},
        {"host not reached",
         unreachable,
         {"BeforeNavigate2 " + unreachable, "ProgressChange 0/100", "NavigateError " + unreachable + " -2146697211",
          "ProgressChange 100/100", "StatusTextChange ", "DownloadComplete", "DocumentComplete " + unreachable},
         "无法打开网页"},
        {"about:blank, not fetched",
         "about:blank",
         {"BeforeNavigate2 about:blank", "ProgressChange 0/100", "ProgressChange 100/100", "StatusTextChange ",
          "DownloadComplete", "DocumentComplete about:blank"},
         "about:blank"},
    };
    for (const LoadCase& c : cases) {
        SCOPED_TRACE(c.name);
        log.Take();
        ASSERT_TRUE(Load(c.url));
        EXPECT_THAT(log.Take(), ElementsAreArray(c.events));
        EXPECT_EQ(ToUtf8(browser->LocationName()), c.locationName);
        EXPECT_EQ(ToUtf8(browser->LocationURL()), c.events.back().substr(std::string("DocumentComplete ").size()));
    }
    EXPECT_EQ(server.Requests().size(), 4u);  // about:blank asked no server

    // A cancelled navigation raises nothing more and leaves the page as it was.
    log.cancelNavigation = true;
    EXPECT_TRUE(browser->Navigate(FromUtf8(good)));
    ASSERT_TRUE(test::PumpPosted());
    EXPECT_THAT(log.Take(), ElementsAre("BeforeNavigate2 " + good));
    EXPECT_EQ(ToUtf8(browser->LocationURL()), "about:blank");
    EXPECT_EQ(server.Requests().size(), 4u);

    // A cancelled error keeps the last page and shows no error page.
    log.cancelNavigation = false;
    log.cancelError = true;
    EXPECT_TRUE(browser->Navigate(FromUtf8(missing)));
    ASSERT_TRUE(PumpUntil([&] { return !browser->Busy(); }));
    EXPECT_THAT(log.Take(), ElementsAre("BeforeNavigate2 " + missing, "ProgressChange 0/100",
                                        "NavigateError " + missing + " 404", "DownloadComplete"));
    EXPECT_EQ(ToUtf8(browser->LocationURL()), "about:blank");
}

TEST_F(OwnBrowserTest, NeverBlocksAndStopHaltsTheLoad) {
    server.Serve("/silent", test::Silence());
    const std::string url = Url("/silent");
    EXPECT_TRUE(browser->Navigate(FromUtf8(url)));  // returns while the server says nothing
    EXPECT_TRUE(browser->Busy());
    ASSERT_TRUE(PumpUntil([&] { return server.Asked("/silent"); }));
    EXPECT_TRUE(browser->Stop());
    EXPECT_FALSE(browser->Busy());
    ASSERT_TRUE(test::PumpPosted());
    EXPECT_THAT(log.Take(), ElementsAre("BeforeNavigate2 " + url, "ProgressChange 0/100", "DownloadComplete"));
    EXPECT_EQ(browser->Document(), nullptr);
}

TEST_F(OwnBrowserTest, HistoryBackForwardHomeAndRefresh) {
    for (const char* path : {"/1.html", "/2.html", "/3.html"}) {
        server.Serve(path, test::Page(std::string("<title>page ") + path + "</title>"));
    }
    EXPECT_FALSE(browser->GoBack());
    EXPECT_FALSE(browser->Refresh());
    ASSERT_TRUE(Load("about:blank"));
    ASSERT_TRUE(Load(Url("/1.html")));
    ASSERT_TRUE(Load(Url("/2.html")));
    ASSERT_TRUE(Load(Url("/3.html")));
    EXPECT_FALSE(browser->GoForward());

    const auto step = [&](bool (Browser::*move)()) {
        const int before = log.documents;
        log.Take();
        EXPECT_TRUE((browser.get()->*move)());
        EXPECT_TRUE(WaitDocument(before + 1));
        return ToUtf8(browser->LocationURL());
    };
    EXPECT_EQ(step(&Browser::GoBack), Url("/2.html"));
    EXPECT_EQ(log.lines.front(), "BeforeNavigate2 " + Url("/2.html"));
    EXPECT_EQ(step(&Browser::GoBack), Url("/1.html"));
    EXPECT_EQ(step(&Browser::GoForward), Url("/2.html"));
    EXPECT_EQ(ToUtf8(browser->LocationName()), "page /2.html");
    // A new page drops the entries ahead.
    ASSERT_TRUE(Load(Url("/1.html")));
    EXPECT_FALSE(browser->GoForward());
    EXPECT_EQ(step(&Browser::GoBack), Url("/2.html"));
    // Refresh fetches the page again, without BeforeNavigate2 and without a new entry.
    const std::size_t requests = server.Requests().size();
    EXPECT_EQ(step(&Browser::Refresh), Url("/2.html"));
    EXPECT_EQ(server.Requests().size(), requests + 1);
    EXPECT_EQ(log.lines.front(), "ProgressChange 0/100");
    EXPECT_EQ(step(&Browser::GoForward), Url("/1.html"));
    // Home is the first page navigated to after about:blank.
    EXPECT_EQ(step(&Browser::GoHome), Url("/1.html"));
    EXPECT_EQ(step(&Browser::GoBack), Url("/1.html"));
    EXPECT_EQ(step(&Browser::GoBack), Url("/2.html"));
}

TEST_F(OwnBrowserTest, LinksReportTheirAddressAndOpenInPlace) {
    server.Serve("/list.html", test::Page("<meta charset=utf-8><p><a href=ep1.html>第1集</a></p>"
                                          "<p><a href=ep2.html target=_blank>第2集</a></p>"
                                          "<p><a href='javascript:void(0)'>脚本</a>"));
    server.Serve("/ep1.html", test::Page("<title>one</title>"));
    server.Serve("/ep2.html", test::Page("<title>two</title>"));
    ASSERT_TRUE(Load(Url("/list.html")));
    log.Take();

    // The pointer over a link reports its address, and "" when it leaves.
    const POINT first = LinkPoint(0);
    SendMessageW(browser->Hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(first.x, first.y));
    SendMessageW(browser->Hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(first.x + 1, first.y));
    SendMessageW(browser->Hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(400, 300));
    const POINT second = LinkPoint(1);
    SendMessageW(browser->Hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(second.x, second.y));
    SendMessageW(browser->Hwnd(), WM_MOUSELEAVE, 0, 0);
    EXPECT_THAT(log.Take(), ElementsAre("StatusTextChange " + Url("/ep1.html"), "StatusTextChange ",
                                        "StatusTextChange " + Url("/ep2.html"), "StatusTextChange "));

    // A _blank link asks for a new window; cancelled, nothing loads.
    log.cancelNewWindow = true;
    Click(LinkPoint(1));
    ASSERT_TRUE(test::PumpPosted());
    EXPECT_THAT(log.Take(), ElementsAre("StatusTextChange " + Url("/ep2.html"), "NewWindow2"));
    EXPECT_FALSE(browser->Busy());
    // Not cancelled, it loads here.
    log.cancelNewWindow = false;
    Click(LinkPoint(1));
    ASSERT_TRUE(WaitDocument(2));
    EXPECT_THAT(log.Take(), testing::IsSupersetOf({std::string("NewWindow2"), "BeforeNavigate2 " + Url("/ep2.html")}));
    EXPECT_EQ(ToUtf8(browser->LocationName()), "two");

    // A plain link navigates without asking; a script link does nothing.
    ASSERT_TRUE(browser->GoBack());
    ASSERT_TRUE(WaitDocument(3));
    Click(LinkPoint(2));
    ASSERT_TRUE(test::PumpPosted());
    EXPECT_FALSE(browser->Busy());
    log.Take();
    Click(LinkPoint(0));
    ASSERT_TRUE(WaitDocument(4));
    EXPECT_THAT(log.lines, testing::Contains("BeforeNavigate2 " + Url("/ep1.html")));
    EXPECT_THAT(log.lines, testing::Not(testing::Contains("NewWindow2")));
}

TEST_F(OwnBrowserTest, QueryOfALinkOrAFormGoesInThePagesCharset) {
    server.Serve("/gbk.html", test::Page(test::Gbk(L"<a href='/s?k=功夫'>搜</a><form action=/s?old>"
                                                   L"<input name=k value=功夫><input type=submit value=搜索></form>"),
                                         "text/html; charset=gb2312"));
    ASSERT_TRUE(Load(Url("/gbk.html")));
    Click(LinkPoint(0));
    ASSERT_TRUE(WaitDocument(2));
    ASSERT_TRUE(browser->GoBack());
    ASSERT_TRUE(WaitDocument(3));
    POINT submit{-1, -1};
    for (const LayoutBox& box : browser->Layout().boxes) {
        if (box.kind == LayoutBox::Kind::Field && box.text == u"搜索") submit = {box.x + 2, box.y + 2};
    }
    Click(submit);
    ASSERT_TRUE(WaitDocument(4));
    // Typed into the field: Enter sends the form.
    ASSERT_TRUE(browser->GoBack());
    ASSERT_TRUE(WaitDocument(5));
    for (const LayoutBox& box : browser->Layout().boxes) {
        if (box.kind == LayoutBox::Kind::Field && box.text == u"功夫") Click({box.x + 2, box.y + 2});
    }
    ASSERT_NE(browser->FocusedField(), kNoIndex);
    for (wchar_t c : {L'x', L'\b', L'片', L' '}) SendMessageW(browser->Hwnd(), WM_CHAR, c, 0);
    EXPECT_EQ(browser->Document()->Value(browser->FocusedField()), u"功夫片 ");
    SendMessageW(browser->Hwnd(), WM_CHAR, L'\r', 0);
    ASSERT_TRUE(WaitDocument(6));
    // Typed, the same address goes as UTF-8, as from an address bar.
    ASSERT_TRUE(Load(Url("/s?k=功夫")));
    std::vector<std::string> targets;
    for (const test::RecordedRequest& request : server.Requests()) targets.push_back(request.target);
    EXPECT_THAT(targets, ElementsAre("/gbk.html", "/s?k=%B9%A6%B7%F2", "/gbk.html", "/s?k=%B9%A6%B7%F2", "/gbk.html",
                                     "/s?k=%B9%A6%B7%F2%C6%AC+", "/s?k=%E5%8A%9F%E5%A4%AB"));
}

TEST_F(OwnBrowserTest, DocumentModelTakesTheWebWindowsWrites) {
    server.Serve("/search.html",
                 test::Page(test::Gbk(L"<title>搜索</title><form>片名 <input name=q value=旧> <input type=password>"
                                      L"<input type=hidden value=h><input type=search><input type=submit value=搜>"),
                            "text/html; charset=gb2312"));
    // What the web window does: the keyword into every text input, once the document completes.
    log.onDocumentComplete = [&] {
        BrowserDocument* document = browser->Document();
        ASSERT_NE(document, nullptr);
        for (std::size_t i = 0; i < document->ElementCount(); ++i) {
            const std::optional<Text> type = document->Type(i);
            if (document->TagName(i) == u"INPUT" && type && ToLower(*type) == u"text") {
                EXPECT_TRUE(document->SetValue(i, u"功夫"));
            }
        }
    };
    ASSERT_TRUE(Load(Url("/search.html")));
    BrowserDocument* document = browser->Document();
    std::vector<std::string> values;
    for (std::size_t i = 0; i < document->ElementCount(); ++i) {
        if (document->TagName(i) == u"INPUT") values.push_back(ToUtf8(document->Value(i).value()));
    }
    EXPECT_THAT(values, ElementsAre("功夫", "", "h", "功夫", "搜"));
    EXPECT_EQ(document->Type(0), std::nullopt);  // HTML has no type
    std::vector<std::string> shown;
    for (const LayoutBox& box : browser->Layout().boxes) {
        if (box.kind == LayoutBox::Kind::Field) shown.push_back(ToUtf8(box.text));
    }
    EXPECT_THAT(shown, ElementsAre("功夫", "", "功夫", "搜"));

    // A failed page: the web window pastes its sentence over the error page when the document completes.
    log.onDocumentComplete = [&] {
        EXPECT_TRUE(browser->Document()->PasteHtmlIntoBody(u"打开网页失败。您可能没有联网或者远程网址已经失效。"));
    };
    ASSERT_TRUE(Load("http://127.0.0.1:1/"));
    Text text;
    for (const LayoutBox& box : browser->Layout().boxes) text += box.text;
    EXPECT_EQ(ToUtf8(text), "无法打开网页打开网页失败。您可能没有联网或者远程网址已经失效。");  // title, then the body
}

// The client area as drawn by the window itself (WM_PRINTCLIENT), 0x00RRGGBB pixels.
test::Capture DrawClient(HWND hwnd) {
    RECT rc{};
    GetClientRect(hwnd, &rc);
    return test::DrawOffScreen(rc.right, rc.bottom, [&](HDC dc) {
        SendMessageW(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    });
}

int Red(std::uint32_t px) {
    return (px >> 16) & 0xFF;
}
int Green(std::uint32_t px) {
    return (px >> 8) & 0xFF;
}
int Blue(std::uint32_t px) {
    return px & 0xFF;
}
bool IsBlue(std::uint32_t px) {
    return Blue(px) > 150 && Red(px) < 100 && Green(px) < 100;
}
bool IsDarkNeutral(std::uint32_t px) {
    return Red(px) < 100 && Red(px) == Green(px) && Green(px) == Blue(px);
}
bool IsMidGray(std::uint32_t px) {
    return Red(px) == Green(px) && Green(px) == Blue(px) && Red(px) > 40 && Red(px) < 200;
}

int CountIn(const test::Capture& d, const LayoutBox& box, int scrollTop, bool (*matches)(std::uint32_t)) {
    int count = 0;
    for (int y = box.y - scrollTop; y < box.y - scrollTop + box.height; ++y)
        for (int x = box.x; x < box.x + box.width; ++x) count += matches(d.At(x, y)) ? 1 : 0;
    return count;
}

TEST_F(OwnBrowserTest, DrawsTitleTextLinksFieldsAndAltText) {
    server.Serve("/page.html", test::Page("<meta charset=utf-8><title>标题</title><p>plain text <a href=x>link text</a>"
                                          "<p><input value=abc size=10> <img alt=海报>"));
    ASSERT_TRUE(Load(Url("/page.html")));
    const test::Capture d = DrawClient(browser->Hwnd());
    const std::vector<LayoutBox>& boxes = browser->Layout().boxes;
    ASSERT_EQ(boxes.size(), 6u);  // 标题 | plain text | link text | abc | " " | 海报
    const LayoutBox& title = boxes[0];
    const LayoutBox& plain = boxes[1];
    const LayoutBox& link = boxes[2];
    const LayoutBox& field = boxes[3];
    const LayoutBox& alt = boxes[5];
    EXPECT_GT(title.height, plain.height);  // the title is a heading
    EXPECT_GT(CountIn(d, title, 0, IsDarkNeutral), 0);
    EXPECT_GT(CountIn(d, plain, 0, IsDarkNeutral), 10);
    EXPECT_EQ(CountIn(d, plain, 0, IsBlue), 0);
    EXPECT_GT(CountIn(d, link, 0, IsBlue), 10);
    EXPECT_EQ(CountIn(d, link, 0, IsDarkNeutral), 0);
    // Underlined: one row of the link is blue from end to end (but for a pixel or two).
    int longestRow = 0;
    for (int y = link.y; y < link.y + link.height; ++y) {
        int run = 0;
        for (int x = link.x; x < link.x + link.width; ++x) run += IsBlue(d.At(x, y)) ? 1 : 0;
        longestRow = std::max(longestRow, run);
    }
    EXPECT_GE(longestRow, link.width - 2);
    // The field: a gray frame with its value inside.
    EXPECT_TRUE(IsMidGray(d.At(field.x, field.y + field.height / 2)));
    EXPECT_TRUE(IsMidGray(d.At(field.x + field.width - 1, field.y + field.height / 2)));
    EXPECT_EQ(ToUtf8(field.text), "abc");
    LayoutBox inside = field;
    inside.x += 1;
    inside.y += 1;
    inside.width -= 2;
    inside.height -= 2;
    EXPECT_GT(CountIn(d, inside, 0, IsDarkNeutral), 5);
    EXPECT_EQ(ToUtf8(alt.text), "海报");
    EXPECT_GT(CountIn(d, alt, 0, IsMidGray), 10);
    EXPECT_EQ(d.At(2, 2), 0xFFFFFFu);
}

// A long page is laid out between messages after the part in view: the load completes with lines
// enough for the view, and the rest follows.
TEST_F(OwnBrowserTest, LaysALongPageOutStepByStep) {
    std::string text;
    for (int i = 0; i < 120000; ++i) text += "line " + std::to_string(i) + "\n";
    server.Serve("/long.txt", test::Page(text, "text/plain"));
    RECT rc{};
    GetClientRect(browser->Hwnd(), &rc);
    bool doneAtComplete = true;
    std::size_t boxesAtComplete = 0;
    int heightAtComplete = 0;
    log.onDocumentComplete = [&] {
        doneAtComplete = browser->LayoutDone();
        boxesAtComplete = browser->Layout().boxes.size();
        heightAtComplete = browser->Layout().height;
    };
    ASSERT_TRUE(Load(Url("/long.txt")));
    EXPECT_FALSE(doneAtComplete);
    EXPECT_GE(heightAtComplete, rc.bottom);
    EXPECT_GT(boxesAtComplete, 0u);
    EXPECT_LT(boxesAtComplete, 120000u);
    ASSERT_TRUE(PumpUntil([&] { return browser->LayoutDone(); }));
    const PageLayout& whole = browser->Layout();
    ASSERT_EQ(whole.boxes.size(), 120000u);
    EXPECT_EQ(ToUtf8(whole.boxes.front().text), "line 0");
    EXPECT_EQ(ToUtf8(whole.boxes.back().text), "line 119999");
    SCROLLINFO si{sizeof si, SIF_RANGE};
    GetScrollInfo(browser->Hwnd(), SB_VERT, &si);
    EXPECT_EQ(si.nMax, whole.height - 1);
}

TEST_F(OwnBrowserTest, ScrollsWithWheelKeysAndScrollBar) {
    std::string html = "<meta charset=utf-8>";
    for (int i = 0; i < 200; ++i) html += "<p>line " + std::to_string(i);
    html += "<p><a href=last.html>last</a>";
    server.Serve("/long.html", test::Page(html));
    ASSERT_TRUE(Load(Url("/long.html")));
    const HWND hwnd = browser->Hwnd();
    RECT rc{};
    GetClientRect(hwnd, &rc);
    const int bottom = browser->Layout().height - rc.bottom;
    ASSERT_GT(bottom, 1000);

    SendMessageW(hwnd, WM_KEYDOWN, VK_DOWN, 0);
    const int line = browser->ScrollTop();
    ASSERT_GT(line, 0);
    struct Step {
        UINT msg;
        WPARAM wParam;
        int expected;
    };
    const int page = rc.bottom - line;
    const Step steps[] = {
        {WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 4 * line},  // three lines a notch
        {WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), line},
        {WM_KEYDOWN, VK_NEXT, line + page},
        {WM_VSCROLL, SB_PAGEDOWN, line + 2 * page},
        {WM_KEYDOWN, VK_PRIOR, line + page},
        {WM_VSCROLL, SB_LINEUP, page},
        {WM_KEYDOWN, VK_END, bottom},
        {WM_KEYDOWN, VK_DOWN, bottom},  // never past the end
        {WM_KEYDOWN, VK_HOME, 0},
        {WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0},  // nor above the top
        {WM_VSCROLL, SB_BOTTOM, bottom},
    };
    for (const Step& step : steps) {
        SendMessageW(hwnd, step.msg, step.wParam, 0);
        EXPECT_EQ(browser->ScrollTop(), step.expected) << step.msg << " " << step.wParam;
        SCROLLINFO si{};
        si.cbSize = sizeof si;
        si.fMask = SIF_ALL;
        GetScrollInfo(hwnd, SB_VERT, &si);
        EXPECT_EQ(si.nPos, step.expected);
    }
    // At the bottom the last link is under the pointer where it is drawn.
    log.Take();
    const POINT last = LinkPoint(0);
    ASSERT_GT(last.y, 0);
    ASSERT_LT(last.y, rc.bottom);
    SendMessageW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(last.x, last.y));
    EXPECT_THAT(log.Take(), ElementsAre("StatusTextChange " + Url("/last.html")));
}

}  // namespace
}  // namespace ferrik
