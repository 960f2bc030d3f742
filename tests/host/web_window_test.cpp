#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "host/support/fake_browser.h"
#include "host/support/iconv_decoder.h"
#include "web/web_buttons.h"
#include "web/web_form.h"
#include "web/web_navigator.h"

namespace ferrik {
namespace {

using test::FakeBrowser;
using test::FakeElement;

class FakeView final : public WebView {
public:
    void SetStatusText(TextView t) override { status = Text(t); }
    Text AddressText() const override { return address; }
    void SetAddressText(TextView t) override { address = Text(t); }
    Text Caption() const override { return caption; }
    void SetCaption(TextView t) override { caption = Text(t); }
    Text SearchText() const override { return search; }
    void HandOver(TextView a) override { handedOver.emplace_back(a); }
    Text status = u"(before)", address, caption = u"网页浏览", search;
    std::vector<Text> handedOver;
};

struct Fixture {
    FakeView view;
    FakeBrowser browser;
    WebNavigator nav{view};
    Fixture() { nav.SetBrowser(&browser); }
};

TEST(WebNavigator, EventsWriteStatusAddressAndCaption) {
    struct Row {
        const char* what;
        std::function<void(Fixture&)> run;
        Text status, address, caption;
        std::vector<Text> calls;
    };
    bool cancel = false;
    const Row rows[] = {
        {"progress without a maximum",
         [](Fixture& f) { f.nav.ProgressChange(50, 0); },
         u"(before)",
         u"",
         u"网页浏览",
         {}},
        {"progress 3 of 8", [](Fixture& f) { f.nav.ProgressChange(3, 8); }, u"正在打开 37.5%", u"", u"网页浏览", {}},
        {"progress 1 of 3", [](Fixture& f) { f.nav.ProgressChange(1, 3); }, u"正在打开 33.33%", u"", u"网页浏览", {}},
        {"progress 2 of 3", [](Fixture& f) { f.nav.ProgressChange(2, 3); }, u"正在打开 66.67%", u"", u"网页浏览", {}},
        {"progress 1 of 4", [](Fixture& f) { f.nav.ProgressChange(1, 4); }, u"正在打开 25%", u"", u"网页浏览", {}},
        {"progress almost all",
         [](Fixture& f) { f.nav.ProgressChange(99999, 100000); },
         u"正在打开 100%",
         u"",
         u"网页浏览",
         {}},
        {"progress past the maximum",
         [](Fixture& f) { f.nav.ProgressChange(9, 8); },
         u"正在打开 100%",
         u"",
         u"网页浏览",
         {}},
        {"progress -1 (done)", [](Fixture& f) { f.nav.ProgressChange(-1, 100); }, u"(before)", u"", u"网页浏览", {}},
        {"before navigate",
         [&](Fixture& f) { f.nav.BeforeNavigate2(u"http://a.example/x.html", cancel); },
         u"正在准备打开 http://a.example/x.html",
         u"http://a.example/x.html",
         u"网页浏览",
         {}},
        {"before navigate to HTTP:///",
         [&](Fixture& f) { f.nav.BeforeNavigate2(u"HTTP:///", cancel); },
         u"正在准备打开 HTTP:///",
         u"http://",
         u"网页浏览",
         {}},
        {"download complete",
         [](Fixture& f) {
             f.browser.name = u"电影";
             f.browser.location = u"http://a.example/";
             f.nav.DownloadComplete();
         },
         u"下载完毕。",
         u"http://a.example/",
         u"电影",
         {}},
        {"download complete of a page titled http:///",
         [](Fixture& f) {
             f.browser.name = u"Http:///";
             f.browser.location = u"http:///";
             f.nav.DownloadComplete();
         },
         u"下载完毕。",
         u"http://",
         u"未知的网页",
         {}},
        {"new window over a link opens it in place",
         [&](Fixture& f) {
             f.nav.StatusTextChange(u"http://a.example/pop.html");
             bool c = false;
             f.nav.NewWindow2(c);
             EXPECT_TRUE(c);
         },
         u"(before)",
         u"",
         u"网页浏览",
         {u"Navigate http://a.example/pop.html"}},
        {"new window with a status text that is no address is only refused",
         [&](Fixture& f) {
             f.nav.StatusTextChange(u"完成");
             bool c = false;
             f.nav.NewWindow2(c);
             EXPECT_TRUE(c);
             f.nav.StatusTextChange(u"javascript:open('x')");
             f.nav.NewWindow2(c);
         },
         u"(before)",
         u"",
         u"网页浏览",
         {}},
        {"unreachable page: the failure sentence replaces the error page",
         [&](Fixture& f) {
             f.nav.NavigateError(u"http://gone.example/", -2146697211, cancel);
             f.nav.DocumentComplete(u"http://gone.example/");
             EXPECT_EQ(f.browser.document.body, u"打开网页失败。您可能没有联网或者远程网址已经失效。");
             EXPECT_EQ(f.nav.PageState(), u"");
             f.browser.document.body.clear();
             f.nav.DocumentComplete(u"http://gone.example/");  // the next page is no failure
             EXPECT_EQ(f.browser.document.body, u"");
         },
         u"打开网页完毕。",
         u"",
         u"网页浏览",
         {}},
        {"other navigation errors keep the browser's page",
         [&](Fixture& f) {
             f.nav.NavigateError(u"http://a.example/404", 404, cancel);
             f.nav.DocumentComplete(u"http://a.example/404");
             EXPECT_EQ(f.browser.document.body, u"");
         },
         u"打开网页完毕。",
         u"",
         u"网页浏览",
         {}},
        {"load: silent, then about:blank",
         [](Fixture& f) { f.nav.Start(); },
         u"(before)",
         u"",
         u"网页浏览",
         {u"Silent", u"Navigate about:blank"}},
        {"site of the list",
         [](Fixture& f) { f.nav.OpenSite(u"dy.example.com"); },
         u"(before)",
         u"dy.example.com",
         u"网页浏览",
         {u"Navigate http://dy.example.com"}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        Fixture f;
        r.run(f);
        EXPECT_EQ(f.view.status, r.status);
        EXPECT_EQ(f.view.address, r.address);
        EXPECT_EQ(f.view.caption, r.caption);
        EXPECT_EQ(f.browser.calls, r.calls);
    }
    EXPECT_FALSE(cancel);  // no navigation is ever cancelled
}

TEST(WebNavigator, UserActionsAndAddressRules) {
    Fixture f;
    f.view.address = u"HTTP:///";
    f.nav.OnAddressChanged();
    EXPECT_EQ(f.view.address, u"http://");
    for (const char16_t* kept : {u"http:///x", u"http://", u"https:///"}) {
        f.view.address = kept;
        f.nav.OnAddressChanged();
        EXPECT_EQ(f.view.address, kept);
    }
    f.view.address = u"kb.example.net/list";
    f.nav.Go();
    f.nav.GoBack();
    f.nav.GoForward();
    f.nav.GoHome();
    f.nav.Refresh();
    f.nav.StopLoading();
    f.browser.location = u"about:blank";
    f.nav.AddCurrentPage();
    EXPECT_EQ(f.browser.calls, (std::vector<Text>{u"Navigate http://kb.example.net/list", u"GoBack", u"GoForward",
                                                  u"GoHome", u"Refresh", u"Stop"}));
    EXPECT_EQ(f.view.handedOver, std::vector<Text>{u"about:blank"});
    f.browser.location.clear();  // no page, or the browser could not say where it is
    f.nav.AddCurrentPage();
    EXPECT_EQ(f.view.handedOver, std::vector<Text>{u"about:blank"});

    WebNavigator alone(f.view);  // no browser: every action does nothing
    alone.Go();
    alone.AddCurrentPage();
    bool c = false;
    alone.NewWindow2(c);
    alone.DocumentComplete(u"x");
    EXPECT_TRUE(c);
    EXPECT_EQ(f.view.handedOver.size(), 1u);
}

// What the host asks the browser to open goes through the one rule for outside addresses: a pop-up
// over a link, the address box, its list and the site list (a drop goes into the address box).
TEST(WebNavigator, OpensOnlyWebAddresses) {
    struct Case {
        Text given;
        Text opened;  // empty: nothing is navigated
    };
    const Case cases[] = {
        {u"http://a.example/pop.html", u"http://a.example/pop.html"},
        {u" HTTPS://a.example/ ", u"HTTPS://a.example/"},
        {u"file://host.example/s/x", u""},
        {u"file:///C:/", u""},
        {u"\\\\host.example\\share", u""},
        {u"ftp://ftp.example/", u""},
        {u"javascript:open('http://a.example/')", u""},
        {u"ms-settings:privacy", u""},
        {u"http://", u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ToUtf8(c.given));
        const std::vector<Text> opened =
            c.opened.empty() ? std::vector<Text>{} : std::vector<Text>{u"Navigate " + c.opened};
        Fixture f;
        f.nav.StatusTextChange(c.given);
        bool cancel = false;
        f.nav.NewWindow2(cancel);
        EXPECT_TRUE(cancel);
        EXPECT_EQ(f.browser.calls, opened);
        for (const auto& open : std::vector<std::function<void(Fixture&)>>{
                 [&](Fixture& g) {
                     g.view.address = c.given;
                     g.nav.Go();
                 },
                 [&](Fixture& g) { g.nav.GoTo(c.given); }, [&](Fixture& g) { g.nav.OpenSite(c.given); }}) {
            Fixture g;
            open(g);
            EXPECT_EQ(g.browser.calls, opened);
        }
    }
}

TEST(WebNavigator, FillKeywordWritesTextInputsOnly) {
    const std::vector<FakeElement> page = {
        {u"INPUT", u"text", u"old"}, {u"input", u"TEXT", u""},     {u"INPUT", u"password", u"pw"},
        {u"INPUT", u"hidden", u"h"}, {u"INPUT", u"submit", u"go"}, {u"TEXTAREA", u"textarea", u"t"},
        {u"DIV", std::nullopt, u""}, {u"INPUT", u"Text", u"x"},
    };
    struct Row {
        Text keyword;
        std::vector<Text> values;
    };
    const Row rows[] = {
        {u"天龙八部", {u"天龙八部", u"天龙八部", u"pw", u"h", u"go", u"t", u"", u"天龙八部"}},
        {u" a b ", {u" a b ", u" a b ", u"pw", u"h", u"go", u"t", u"", u" a b "}},
        {u"   ", {u"old", u"", u"pw", u"h", u"go", u"t", u"", u"x"}},
        {u"", {u"old", u"", u"pw", u"h", u"go", u"t", u"", u"x"}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << "keyword of " << r.keyword.size());
        Fixture f;
        f.browser.document.elements = page;
        f.view.search = r.keyword;
        bool cancel = false;
        f.nav.DocumentComplete(u"http://a.example/");  // each of the three runs the fill
        f.nav.NavigateError(u"http://a.example/", 500, cancel);
        std::vector<Text> values;
        for (const FakeElement& e : f.browser.document.elements) values.push_back(e.value);
        EXPECT_EQ(values, r.values);
    }
    Fixture none;
    none.browser.hasDocument = false;
    none.view.search = u"x";
    none.nav.DownloadComplete();  // no document: nothing, no failure
    EXPECT_EQ(none.view.status, u"下载完毕。");
}

TEST(WebSiteList, RowsHeaderAndMissingFile) {
    const Text rule =
        u"dy.example.com|DianYing|电影天堂\r\n"
        u"|NoAddress|无地址\r\n"
        u"kb.example.net|KuaiBo|\r\n"
        u"kb.example.net|KuaiBo\r\n"
        u"\r\n"
        u"tv.example.org|JuJi|连续剧\n第二行\r"
        u"dy.example.com|DianYing|电影天堂|extra\r\n"
        u"last.example|x|最后";
    const std::vector<SiteRow> rows = SiteRows(rule);
    EXPECT_EQ(rows, (std::vector<SiteRow>{{u"电影天堂", u"dy.example.com"},
                                          {u"连续剧\n第二行", u"tv.example.org"},
                                          {u"电影天堂", u"dy.example.com"},
                                          {u"最后", u"last.example"}}));
    EXPECT_EQ(SiteListHeader(rows.size()), u"网站(4)");
    test::IconvDecoder decoder;
    const std::vector<SiteRow> missing = LoadSiteList(u"/nonexistent/Rule.dat", decoder);
    EXPECT_TRUE(missing.empty());
    EXPECT_EQ(SiteListHeader(missing.size()), u"网站(0)");
}

// The resize rules worked by hand for the designer's layout (picAddress 120, 540, 4500, 750;
// cmbSearch width 1995; cboAddress left 45, width 3795; ListView2 120, 1320, 2775 wide): sizes that
// would be negative are left out, and what follows from them uses the designer's value.
TEST(WebForm, ResizeRules) {
    struct Case {
        int window, innerWidth, innerHeight;
        std::optional<int> picAddressWidth, cmbSearchLeft, cboAddressWidth, listView2Height, command1Left;
        std::optional<TwipsRect> browser;
    };
    const Case cases[] = {
        {12000, 11880, 9000, 9505, 9705, 8880, 7360, 9025, TwipsRect{2975, 1320, 8765, 7360}},
        {15000, 14880, 6000, 12505, 12705, 11880, 4360, 12025, TwipsRect{2975, 1320, 11765, 4360}},
        {1000, 1000, 500, std::nullopt, 4700, std::nullopt, std::nullopt, 3940, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.window);
        WebResizeInput in;
        in.picAddress = {120, 540, 4500, 750};
        in.cmbSearch = {6960, 900, 1995, 300};
        in.cboAddress = {45, 360, 3795, 300};
        in.listView2 = {120, 1320, 2775, 5775};
        in.windowWidth = c.window;
        in.innerWidth = c.innerWidth;
        in.innerHeight = c.innerHeight;
        const WebResizeResult r = ResizeWebForm(in);
        EXPECT_EQ(r.picAddressWidth, c.picAddressWidth);
        EXPECT_EQ(r.cmbSearchLeft, c.cmbSearchLeft);
        EXPECT_EQ(r.cboAddressWidth, c.cboAddressWidth);
        EXPECT_EQ(r.listView2Height, c.listView2Height);
        EXPECT_EQ(r.command1Left, c.command1Left);
        EXPECT_EQ(r.browser, c.browser);
    }
}

TEST(WebButtons, StoredPropertiesAndPictures) {
    const std::vector<StoredControl> store = WebButtonStore();
    struct Row {
        const char* name;
        Text toolTip;
        bool picture;
    };
    const Row rows[] = {{"Command5", u"后退", true}, {"Command6", u"前进", true},
                        {"Command2", u"主页", true}, {"Command3", u"刷新", true},
                        {"Command4", u"停止", true}, {"Command7", u"把当前页添加到主界面分析输入框中。", false}};
    ASSERT_EQ(store.size(), std::size(rows));
    std::vector<Picture> pictures;
    for (std::size_t i = 0; i < store.size(); ++i) {
        SCOPED_TRACE(rows[i].name);
        EXPECT_EQ(store[i].name, rows[i].name);
        const PropertyBag& bag = store[i].bag;
        EXPECT_EQ(bag.ReadProperty("ToolTip", Text()), PropertyValue(rows[i].toolTip));
        EXPECT_EQ(bag.ReadProperty("PictureEffectOnOver", 0), PropertyValue(rows[i].picture ? 1 : 0));
        const PropertyValue picture = bag.ReadProperty("PictureNormal", std::monostate{});
        ASSERT_EQ(std::holds_alternative<Picture>(picture), rows[i].picture);
        if (!rows[i].picture) continue;
        const auto& bytes = std::get<Picture>(picture).bytes;
        // A 24 x 24, 24-bit bitmap file whose corner is the mask colour and whose centre is not.
        ASSERT_EQ(bytes.size(), 54u + 24 * 24 * 3);
        EXPECT_EQ(bytes[0], 'B');
        EXPECT_EQ(bytes[18] | bytes[19] << 8, 24);
        EXPECT_EQ(bytes[28], 24);
        EXPECT_EQ((bytes[54] | bytes[55] << 8 | bytes[56] << 16), 0xE0E0E0);
        int drawn = 0;
        for (std::size_t p = 54; p < bytes.size(); p += 3)
            drawn += (bytes[p] | bytes[p + 1] << 8 | bytes[p + 2] << 16) != 0xE0E0E0;
        EXPECT_GT(drawn, 24 * 24 / 5);
        for (const Picture& other : pictures) EXPECT_NE(other, std::get<Picture>(picture));
        pictures.push_back(std::get<Picture>(picture));
    }
    EXPECT_EQ(store[5].bag.ReadProperty("Caption", Text()), PropertyValue(Text(u"添加当前页")));
    EXPECT_EQ(store[5].bag.ReadProperty("TooltipTitle", Text()), PropertyValue(Text(u"说明")));
    EXPECT_EQ(store[0].bag.ReadProperty("Caption", Text(u"tesselbutton")), PropertyValue(Text()));
}

// The glyphs for the display's scale: their side, the bitmap file's size with rows padded to four
// bytes, and the same picture as at 96 DPI, scaled (the shape's share of the square kept).
TEST(WebButtons, GlyphsDrawnForTheScale) {
    const std::pair<int, int> sides[] = {{72, 24}, {96, 24}, {120, 30}, {144, 36}, {192, 48}};
    const auto drawnShare = [](const Picture& p, int side, int rowBytes) {
        int drawn = 0;
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x) {
                const std::size_t at = 54 + static_cast<std::size_t>(y) * rowBytes + x * 3;
                drawn += (p.bytes[at] | p.bytes[at + 1] << 8 | p.bytes[at + 2] << 16) != 0xE0E0E0;
            }
        return static_cast<double>(drawn) / (side * side);
    };
    for (const auto& [dpi, side] : sides) {
        SCOPED_TRACE(dpi);
        EXPECT_EQ(GlyphSizeForDpi(dpi), side);
        const int rowBytes = (side * 3 + 3) / 4 * 4;
        for (WebGlyph glyph : {WebGlyph::Back, WebGlyph::Home, WebGlyph::Refresh, WebGlyph::Stop}) {
            const Picture picture = WebGlyphPicture(glyph, side);
            ASSERT_EQ(picture.bytes.size(), 54u + static_cast<std::size_t>(rowBytes) * side);
            EXPECT_EQ(picture.bytes[2] | picture.bytes[3] << 8, 54 + rowBytes * side);
            EXPECT_EQ(picture.bytes[18] | picture.bytes[19] << 8, side);
            EXPECT_EQ(picture.bytes[22] | picture.bytes[23] << 8, side);
            EXPECT_NEAR(drawnShare(picture, side, rowBytes), drawnShare(WebGlyphPicture(glyph), 24, 72), 0.06);
        }
    }
}

}  // namespace
}  // namespace ferrik
