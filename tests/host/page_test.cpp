#include "web/page.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "host/support/iconv_decoder.h"

namespace ferrik {
namespace {

using ::testing::ElementsAre;
using ::testing::Optional;

constexpr char16_t kUrl[] = u"http://films.example/list/index.html";

// What a reader sees of the page, as text: "\n" where a line ends, "\n\n" between paragraphs,
// an image as "[alt]", a field as "{shown text}".
std::string Reading(const Page& page) {
    Text out;
    for (const PageRun& run : page.Runs()) {
        switch (run.kind) {
            case PageRun::Kind::Words:
                out += run.text;
                break;
            case PageRun::Kind::AltText:
                out += u"[" + run.text + u"]";
                break;
            case PageRun::Kind::Field:
                out += u"{" + page.FieldText(run.element) + u"}";
                break;
            case PageRun::Kind::LineBreak:
            case PageRun::Kind::BlockEdge:
                out += u"\n";
                break;
            case PageRun::Kind::Paragraph:
                out += u"\n\n";
                break;
        }
    }
    return ToUtf8(out);
}

using LinkSeen = std::pair<std::string, std::string>;  // href, target

std::vector<LinkSeen> LinksOf(const Page& page) {
    std::vector<LinkSeen> out;
    for (const PageLink& link : page.Links()) out.emplace_back(ToUtf8(link.href), ToUtf8(link.target));
    return out;
}

struct ReadCase {
    const char16_t* html;
    const char* title;
    const char* reading;
};

TEST(Page, ReadsAsTheTextAReaderSees) {
    const ReadCase cases[] = {
        {u"<html><head><title> 电影\n 列表 </title></head><body><p>Hello   <b>world</b>\n</p><p>Second<br>line</p>",
         "电影 列表", "Hello world\n\nSecond\nline"},
        {u"<script>document.write('<p>x')</script><style>p{color:red}</style>shown<!-- hidden -->", "", "shown"},
        {u"<div>one</div><div>two</div>three<br><br>four", "", "one\ntwo\nthree\n\nfour"},
        {u"<ul><li>One<li> Two </ul>after", "", "\u00b7 One\n\u00b7 Two\n\nafter"},
        {u"<pre>\na  b\n c\tx</pre>next", "", "a  b\n c    x\n\nnext"},
        {u"<table><tr><td>名称</td><td>地址</td></tr><tr><td>x</td></tr></table>", "", "名称 地址\nx"},
        {u"<p>海报 <img src=p.jpg alt=' Poster  1 '><img src=n.gif><img alt=''>", "", "海报 [Poster 1]"},
        {u"<a href=a.html>第1集</a> <a href=b.html>第2集</a>", "", "第1集 第2集"},
        {u"<title>first</title><title>second</title><template><p>not shown</template>&lt;ok&amp;", "first", "<ok&"},
        {u"<form>搜索 <input name=q value=\"old\"> <input type=password value=abc> <input type=hidden value=h>"
         u"<input type=submit> <input type=image alt=Go><textarea>\nline</textarea><select><option>One"
         u"<option selected value=2>Two</select></form>",
         "", "搜索 {old} {\u2022\u2022\u2022} {提交查询} [Go]{line}{Two}"},
    };
    for (const ReadCase& c : cases) {
        const Page page(c.html, kUrl);
        EXPECT_EQ(ToUtf8(page.Title()), c.title) << ToUtf8(c.html);
        EXPECT_EQ(Reading(page), c.reading) << ToUtf8(c.html);
    }
}

TEST(Page, LinksResolveAgainstTheBaseWithTheirTargets) {
    EXPECT_THAT(LinksOf(Page(u"<a href='ep 1.html'>one</a><a href=/top target=_blank>top</a><a name=x>no href</a>"
                             u"<a href='http://other.example/'>x</a><a href=片/2.html>二</a>",
                             kUrl)),
                ElementsAre(LinkSeen{"http://films.example/list/ep%201.html", ""},
                            LinkSeen{"http://films.example/top", "_blank"}, LinkSeen{"http://other.example/", ""},
                            LinkSeen{"http://films.example/list/片/2.html", ""}));
    // The first <base> gives the address and the default target, wherever it stands.
    EXPECT_THAT(LinksOf(Page(u"<a href=a.html>a</a><base href='http://cdn.example/v/' target=_blank>"
                             u"<base href='http://ignored.example/'><a href=b.html target=_self>b</a>",
                             kUrl)),
                ElementsAre(LinkSeen{"http://cdn.example/v/a.html", "_blank"},
                            LinkSeen{"http://cdn.example/v/b.html", "_self"}));
}

TEST(Page, BytesAreDecodedInTheCharsetThePageDeclares) {
    const test::IconvDecoder decoder;
    const std::string gbk = test::EncodeGbk(u"<title>影视</title><p>第一集");
    const Page page = Page::FromBytes(gbk, "text/html", kUrl, decoder);  // no declaration: GBK
    EXPECT_EQ(Reading(page), "第一集");
    EXPECT_EQ(ToUtf8(page.Charset()), "GBK");
    EXPECT_EQ(ToUtf8(Page::FromBytes("<meta charset=utf-8><title>\xE5\xBD\xB1</title>", "", kUrl, decoder).Title()),
              "影");
    EXPECT_EQ(ToUtf8(Page::FromBytes("<title>\xE5\xBD\xB1</title>", "text/html; charset=UTF-8", kUrl, decoder).Title()),
              "影");
    // Plain text shows as it stands; a picture or a program is not read as text at all.
    EXPECT_EQ(Reading(Page::FromBytes("<b>a</b>\n  b", " Text/Plain ; charset=utf-8", kUrl, decoder)), "<b>a</b>\n  b");
    EXPECT_EQ(Reading(Page::FromBytes("\xFF\xD8<p>", "image/jpeg", kUrl, decoder)),
              "这个文件不是网页，无法在此显示（image/jpeg）。");
}

struct ElementSeen {
    std::string tag;
    std::optional<std::string> type;
    std::optional<std::string> value;
    bool operator==(const ElementSeen&) const = default;
};

std::vector<ElementSeen> ElementsOf(const Page& page) {
    std::vector<ElementSeen> out;
    const auto utf8 = [](const std::optional<Text>& t) -> std::optional<std::string> {
        if (!t) return std::nullopt;
        return ToUtf8(*t);
    };
    for (std::size_t i = 0; i < page.ElementCount(); ++i)
        out.push_back({ToUtf8(page.TagName(i).value()), utf8(page.Type(i)), utf8(page.Value(i))});
    return out;
}

TEST(Page, DocumentModelListsElementsInDocumentOrder) {
    const Page page(
        u"<title>t</title><p>x<input name=q value=v><INPUT TYPE=Password><input type=search>"
        u"<input type=checkbox><button>b</button><textarea>a&amp;b</textarea>"
        u"<select><option value=1>one<option>two</select>",
        kUrl);
    const std::nullopt_t none = std::nullopt;
    EXPECT_THAT(
        ElementsOf(page),
        ElementsAre(ElementSeen{"HTML", none, none}, ElementSeen{"HEAD", none, none}, ElementSeen{"TITLE", none, none},
                    ElementSeen{"BODY", none, none}, ElementSeen{"P", none, none}, ElementSeen{"INPUT", "text", "v"},
                    ElementSeen{"INPUT", "password", ""}, ElementSeen{"INPUT", "text", ""},
                    ElementSeen{"INPUT", "checkbox", "on"}, ElementSeen{"BUTTON", "submit", ""},
                    ElementSeen{"TEXTAREA", "textarea", "a&b"}, ElementSeen{"SELECT", "select-one", "1"},
                    ElementSeen{"OPTION", none, none}, ElementSeen{"OPTION", none, none}));
    EXPECT_EQ(page.TagName(14), std::nullopt);
}

TEST(Page, ValuesAreWritableWhereTheElementHasOne) {
    Page page(u"<p>find: <input value=old> <input type=password> <i>x</i>", kUrl);
    std::vector<std::size_t> changes;
    page.SetChangeHandler([&](std::size_t element) { changes.push_back(element); });
    // HTML HEAD BODY P INPUT INPUT I
    EXPECT_TRUE(page.SetValue(4, u"功夫"));
    EXPECT_TRUE(page.SetValue(5, u"pw"));
    EXPECT_FALSE(page.SetValue(3, u"x"));  // P has no value
    EXPECT_FALSE(page.SetValue(6, u"x"));
    EXPECT_FALSE(page.SetValue(7, u"x"));  // past the end
    EXPECT_THAT(changes, ElementsAre(4u, 5u));
    EXPECT_THAT(page.Value(4), Optional(Text(u"功夫")));
    EXPECT_EQ(page.Value(6), std::nullopt);
    EXPECT_EQ(Reading(page), "find: {功夫} {\u2022\u2022} x");
}

TEST(Page, PasteHtmlReplacesTheBodyOnly) {
    Page page(
        u"<head><title>Old page</title><base href='http://cdn.example/'></head>"
        u"<body><p><a href=x.html>x</a><input value=1></p>",
        kUrl);
    int changes = 0;
    page.SetChangeHandler([&](std::size_t element) { changes += element == kNoIndex ? 1 : 100; });
    ASSERT_TRUE(page.PasteHtmlIntoBody(u"打开网页失败。您可能没有联网或者远程网址已经失效。"));
    EXPECT_EQ(Reading(page), "打开网页失败。您可能没有联网或者远程网址已经失效。");
    EXPECT_EQ(ToUtf8(page.Title()), "Old page");
    EXPECT_TRUE(page.Links().empty());
    EXPECT_EQ(page.ElementCount(), 5u);  // HTML HEAD TITLE BASE BODY
    EXPECT_EQ(changes, 1);

    // Pasted markup has elements of its own after BODY; its links resolve against the page's base.
    ASSERT_TRUE(page.PasteHtmlIntoBody(u"<html><body><b>new</b> <a href=n.html>link</a><input value=k>"));
    EXPECT_EQ(Reading(page), "new link{k}");
    EXPECT_THAT(LinksOf(page), ElementsAre(LinkSeen{"http://cdn.example/n.html", ""}));
    EXPECT_THAT(ElementsOf(page).back(), (ElementSeen{"INPUT", "text", "k"}));
    EXPECT_EQ(page.ElementCount(), 8u);
    EXPECT_TRUE(page.SetValue(7, u"written"));
    EXPECT_EQ(Reading(page), "new link{written}");
    // about:blank has a body to paste into.
    Page blank(u"", u"about:blank");
    EXPECT_TRUE(blank.PasteHtmlIntoBody(u"<p>text"));
    EXPECT_EQ(Reading(blank), "text");
}

TEST(Page, SubmittingAGetFormBuildsItsAddress) {
    const Page page(
        u"<form action='/search.asp?old=1#x'><input name=key value='功夫 片&1'>"
        u"<input type=hidden name=t value=2><input type=password name=p value=pw><input value=noname>"
        u"<input type=checkbox name=c value=y checked><input type=checkbox name=d>"
        u"<input type=radio name=r value=a><input type=radio name=r value=b checked>"
        u"<select name=s><option value=1>一<option selected>二</select><textarea name=ta>t</textarea>"
        u"<input type=submit name=go value=搜索><input type=submit name=other value=x>"
        u"<input type=reset name=rs></form>"
        u"<input type=submit name=outside><form method=POST><input type=submit name=p2></form>"
        u"<form><input name=q value=1><button name=b value=v>go</button></form>",
        kUrl);
    std::vector<std::optional<std::string>> addresses;
    for (std::size_t i = 0; i < page.ElementCount(); ++i) {
        if (page.Type(i) != u"submit") continue;
        const std::optional<Text> address = page.SubmitAddress(i);
        addresses.push_back(address ? std::optional(ToUtf8(*address)) : std::nullopt);
    }
    EXPECT_THAT(addresses,
                ElementsAre("http://films.example/search.asp?key=功夫+片%261&t=2&p=pw&c=y&r=b&s=二&ta=t&go=搜索",
                            "http://films.example/search.asp?key=功夫+片%261&t=2&p=pw&c=y&r=b&s=二&ta=t&other=x",
                            std::nullopt, std::nullopt,  // outside a form; POST
                            "http://films.example/list/index.html?q=1&b=v"));
}

TEST(Page, AddressOfWhatIsTyped) {
    const std::pair<const char16_t*, const char16_t*> cases[] = {
        {u"  http://a.example/x \t", u"http://a.example/x"},
        {u"www.example.com/片", u"http://www.example.com/片"},
        {u"ABOUT:BLANK", u"about:blank"},
        {u" \n ", u""},
    };
    for (const auto& [typed, address] : cases) EXPECT_EQ(ToUtf8(BrowserAddress(typed)), ToUtf8(address));
}

// Latin characters 6 pixels wide, CJK 12; lines of 16 pixels (bold 18, title 24).
class FixedMeasurer final : public TextMeasurer {
public:
    int Width(TextView text, FontRole) override {
        int width = 0;
        for (char16_t c : text) width += c >= 0x2E80 ? 12 : 6;
        return width;
    }
    int LineHeight(FontRole font) override { return font == FontRole::Title ? 24 : font == FontRole::Bold ? 18 : 16; }
};

std::vector<std::string> Lines(const PageLayout& layout) {
    std::vector<std::string> lines;
    int bottom = -1;
    for (const LayoutBox& box : layout.boxes) {
        if (box.y + box.height != bottom) lines.emplace_back();
        bottom = box.y + box.height;
        lines.back() += ToUtf8(box.text) + "|";
    }
    return lines;
}

TEST(PageLayout, WrapsAtSpacesAndBetweenChineseCharacters) {
    FixedMeasurer measurer;
    // 136 pixels wide: 120 for text between the margins, 20 Latin or 10 CJK characters.
    const Page page(
        u"<title>T</title>aaaa bbbb cccc dddd eeee<p>一二三四五六七八九十，一二<p>"
        u"abcdefghijklmnopqrstuvwxyz",
        kUrl);
    const PageLayout layout = LayoutPage(page, 136, measurer);
    EXPECT_THAT(Lines(layout), ElementsAre("T|", "aaaa bbbb cccc dddd |", "eeee|", "一二三四五六七八九|", "十，一二|",
                                           "abcdefghijklmnopqrst|", "uvwxyz|"));
    // Title 24 + gap 16, five lines of 16 with two more gaps, margins of 8 at both ends.
    EXPECT_EQ(layout.boxes.front().y, 8);
    EXPECT_EQ(layout.height, 8 + 24 + 16 + 2 * 16 + 16 + 2 * 16 + 16 + 2 * 16 + 8);
}

TEST(PageLayout, LinkUnderAPoint) {
    FixedMeasurer measurer;
    // Line 1 (y 8-24): "go " 8-26, link 0 "first" 26-56, " " 56-62, link 1 "second " 62-104; line 2 (24-46,
    // as tall as the field): "link here" 8-62 from y 30, " ", the field.
    const Page page(u"go <a href=1.html>first</a> <a href=2.html>second link here</a> <input value=v size=3>", kUrl);
    const PageLayout layout = LayoutPage(page, 136, measurer);
    ASSERT_THAT(Lines(layout), ElementsAre("go |first| |second |", "link here| |v|"));
    struct Point {
        int x, y;
        std::optional<std::size_t> link;
    };
    const Point points[] = {
        {10, 10, std::nullopt},  // "go"
        {26, 10, 0},
        {55, 23, 0},             // first link, its first and last pixel
        {57, 10, std::nullopt},  // the space between the links
        {63, 12, 1},
        {10, 35, 1},              // second link on both lines
        {10, 26, std::nullopt},   // above the text of the taller line
        {4, 35, std::nullopt},    // left margin
        {10, 7, std::nullopt},    // above the first line
        {10, 200, std::nullopt},  // below the page
    };
    for (const Point& p : points) EXPECT_EQ(LinkAt(layout, p.x, p.y), p.link) << p.x << "," << p.y;
}

// The last run of a page that was cut, and whether it is the line that says so.
bool EndsCut(const Page& page) {
    return !page.Runs().empty() && page.Runs().back().text == u"（网页太长，后面的内容没有显示。）";
}

TEST(Page, EndsAtWhatItMayHoldKeepingWhatCameBefore) {
    std::string bolds;
    for (int i = 0; i < 1000001; ++i) bolds += "<b>";
    std::string anchors;
    for (int i = 0; i < 200001; ++i) anchors += "<a href=" + std::to_string(i) + ">x</a>";
    std::string filmPage = "<ul>";  // a large film site's list: 50,000 episodes, about 3 MB
    for (int i = 0; i < 50000; ++i)
        filmPage += "<li><a href=/play/" + std::to_string(i) + ".html>第" + std::to_string(i) + "集</a> 更新</li>";
    struct Case {
        const char* what;
        std::string body;
        std::string_view type;
        std::size_t elements, runs, links;
        bool cut;
        const char16_t* lastWords;  // of the content read, before the notice
    };
    const Case cases[] = {
        {"a million elements", bolds, "text/html", 1000000, 1, 0, true, nullptr},
        {"a million line feeds", std::string(1100000, '\n') + "end", "text/plain", 4, 1000002, 0, true, nullptr},
        {"200,000 links", anchors, "text/html", 200003, 200002, 200000, true, u"x"},
        {"eight million characters", std::string(9 << 20, 'a') + " end", "text/plain", 4, 3, 0, true, nullptr},
        {"a film page", filmPage, "text/html; charset=utf-8", 100004, 199999, 50000, false, u" 更新"},
    };
    for (const Case& c : cases) {
        const Page page = Page::FromBytes(c.body, c.type, kUrl, test::IconvDecoder());
        EXPECT_EQ(page.ElementCount(), c.elements) << c.what;
        EXPECT_EQ(page.Runs().size(), c.runs) << c.what;
        EXPECT_EQ(page.Links().size(), c.links) << c.what;
        EXPECT_EQ(EndsCut(page), c.cut) << c.what;
        if (c.lastWords) {
            const std::size_t notice = c.cut ? 2 : 0;
            ASSERT_GT(page.Runs().size(), notice) << c.what;
            const PageRun& last = page.Runs()[page.Runs().size() - 1 - notice];
            EXPECT_EQ(ToUtf8(last.text), ToUtf8(c.lastWords)) << c.what;
        }
    }
    // The first characters stay, up to the limit, and nothing after them.
    const Page text = Page::FromBytes(std::string(9 << 20, 'a') + " end", "text/plain", kUrl, test::IconvDecoder());
    EXPECT_EQ(text.Runs().front().text.size(), 8u << 20);
    const Page links = Page::FromBytes(anchors, "text/html", kUrl, test::IconvDecoder());
    EXPECT_EQ(ToUtf8(links.Links().back().href), "http://films.example/list/199999");
}

TEST(Page, KeepsTheAttributesItReadsAmongAnyNumberOfOthers) {
    std::string junk;
    for (int i = 0; i < 100000; ++i) junk += " x" + std::to_string(i);
    const Page page(FromUtf8("<input" + junk + " value=kept name=q><a" + junk + " href=go.html>go</a>"), kUrl);
    ASSERT_EQ(page.ElementCount(), 5u);
    EXPECT_THAT(page.Value(3), Optional(Text(u"kept")));
    EXPECT_EQ(page.Elements()[3].name, u"q");
    EXPECT_THAT(LinksOf(page), ElementsAre(LinkSeen{"http://films.example/list/go.html", ""}));
}

// Laid out a part at a time, a page gives the lines it gives in one go, and in between only whole
// lines of them.
TEST(PageLayout, InStepsTheSameLinesAndOnlyWholeOnes) {
    const Page page(
        u"<title>Title of it</title>aaaa bbbb cccc dddd eeee<p>一二三四五六七八九十，一二<br><br>"
        u"abcdefghijklmnopqrstuvwxyz <a href=x>link one two three</a> <input value=v size=3><p>end",
        kUrl);
    FixedMeasurer measurer;
    const PageLayout whole = LayoutPage(page, 136, measurer);
    ASSERT_GT(whole.boxes.size(), 10u);
    const auto same = [](const LayoutBox& a, const LayoutBox& b) {
        return a.text == b.text && a.x == b.x && a.y == b.y && a.width == b.width && a.link == b.link;
    };
    for (const std::size_t step : {std::size_t{1}, std::size_t{2}, std::size_t{7}, std::size_t{1000}}) {
        PageLayout out;
        PageLayouter layouter(page, 136, measurer, out);
        int calls = 0;
        for (bool done = false; !done && calls < 1000; ++calls) {
            done = layouter.Continue(step);
            ASSERT_LE(out.boxes.size(), whole.boxes.size()) << step;
            for (std::size_t i = 0; i < out.boxes.size(); ++i) ASSERT_TRUE(same(out.boxes[i], whole.boxes[i])) << step;
            if (!done && !out.boxes.empty() && out.boxes.size() < whole.boxes.size()) {
                // Whole lines: the next box starts a line below them.
                EXPECT_LT(out.boxes.back().y, whole.boxes[out.boxes.size()].y) << step;
                EXPECT_GE(out.height, out.boxes.back().y + out.boxes.back().height + 8) << step;
                EXPECT_LE(out.height, whole.height) << step;
            }
        }
        EXPECT_TRUE(layouter.Done()) << step;
        EXPECT_EQ(out.boxes.size(), whole.boxes.size()) << step;
        EXPECT_EQ(out.height, whole.height) << step;
        if (step == 1) {
            EXPECT_GE(calls, static_cast<int>(whole.boxes.size())) << "a step places one box";
        }
    }
}

TEST(PageLayout, EndsAtTwoMillionBoxesWithTheNotice) {
    // One letter a line in a view one pixel wide.
    const Page page = Page::FromBytes(std::string(2000100, 'a'), "text/plain", kUrl, test::IconvDecoder());
    FixedMeasurer measurer;
    const PageLayout layout = LayoutPage(page, 1, measurer);
    ASSERT_GT(layout.boxes.size(), 2000000u);
    EXPECT_EQ(layout.boxes[1999999].text, u"a");
    Text after;
    for (std::size_t i = 2000000; i < layout.boxes.size(); ++i) after += layout.boxes[i].text;
    EXPECT_EQ(ToUtf8(after), "（网页太长，后面的内容没有显示。）");
    EXPECT_EQ(layout.height, layout.boxes.back().y + layout.boxes.back().height + 8);
}

}  // namespace
}  // namespace ferrik
