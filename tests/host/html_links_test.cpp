#include "analysis/html_links.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "analysis/html_charset.h"
#include "analysis/pattern.h"
#include "host/support/iconv_decoder.h"

namespace ferrik {
namespace {

using Link = std::pair<std::string, std::string>;  // address, text (UTF-8, for readable failures)
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr char16_t kPage[] = u"http://example.com/dir/page.html";

std::vector<Link> Links(std::string_view body, std::string_view contentType = {}, TextView url = kPage) {
    std::vector<Link> out;
    for (const Hyperlink& h : ExtractLinks(body, contentType, url, test::IconvDecoder()))
        out.emplace_back(ToUtf8(h.address), ToUtf8(h.text));
    return out;
}

std::string Utf8Page(std::string_view html) {
    return "<meta charset=utf-8>" + std::string(html);
}

TEST(ExtractLinks, AnchorsAndAreasInDocumentOrderWithResolvedAddresses) {
    EXPECT_THAT(Links(Utf8Page("<p><a href='ep1.html'>one</a><map><area href=map.html><area nohref></map>"
                               "<a name=top>anchor without href</a><A HREF=\"http://other.example/x\">two</A>"
                               "<a href='ep1.html'>again</a>")),
                ElementsAre(Link{"http://example.com/dir/ep1.html", "one"}, Link{"http://example.com/dir/map.html", ""},
                            Link{"http://other.example/x", "two"}, Link{"http://example.com/dir/ep1.html", "again"}));
}

TEST(ExtractLinks, FirstBaseWithHrefAppliesToEveryLink) {
    EXPECT_THAT(Links(Utf8Page("<a href=a.html>before</a><base target=_blank><base href='http://cdn.example.net/v/'>"
                               "<base href='http://ignored.example/'><a href=b.html>after</a>")),
                ElementsAre(Link{"http://cdn.example.net/v/a.html", "before"},
                            Link{"http://cdn.example.net/v/b.html", "after"}));
    // A relative base is itself resolved against the page.
    EXPECT_THAT(Links(Utf8Page("<base href=sub/><a href=c.html>c</a>")),
                ElementsAre(Link{"http://example.com/dir/sub/c.html", "c"}));
    // Inside a template the base is not part of the document.
    EXPECT_THAT(Links(Utf8Page("<template><base href='http://t.example/'></template><a href=d.html>d</a>")),
                ElementsAre(Link{"http://example.com/dir/d.html", "d"}));
}

TEST(ExtractLinks, AddressesResolveAsBrowsersResolveThem) {
    EXPECT_THAT(Links(Utf8Page("<a href=/root.html>r</a><a href='../up.html'>u</a><a href=//cdn.example.net/x>c</a>"
                               "<a href=' ?page=2 '>q</a><a href=''>self</a>")),
                ElementsAre(Link{"http://example.com/root.html", "r"}, Link{"http://example.com/up.html", "u"},
                            Link{"http://cdn.example.net/x", "c"}, Link{"http://example.com/dir/page.html?page=2", "q"},
                            Link{"http://example.com/dir/page.html", "self"}));
    // A base that does not parse falls back to the page's address.
    EXPECT_THAT(Links(Utf8Page("<base href='http://[bad/'><a href=x.html>x</a>")),
                ElementsAre(Link{"http://example.com/dir/x.html", "x"}));
}

TEST(ExtractLinks, UnresolvableAddressStaysAsWritten) {
    EXPECT_THAT(Links(Utf8Page("<a href='x.html'>x</a>"), {}, u""), ElementsAre(Link{"x.html", "x"}));
    EXPECT_THAT(Links(Utf8Page("<a href='http://[::1'>v6</a>")), ElementsAre(Link{"http://[::1", "v6"}));
}

TEST(ExtractLinks, AttributeValuesAreDecodedWithTheAttributeRules) {
    EXPECT_THAT(Links(Utf8Page("<a href=\"list?id=1&amp;p=2&copy=3&lt4&lt&#x41;\" href=second>t</a>")),
                ElementsAre(Link{"http://example.com/dir/list?id=1&p=2&copy=3&lt4%3CA", "t"}));
}

TEST(ExtractLinks, InnerTextIsCollapsedVisibleText) {
    struct Case {
        const char* html;
        const char* text;
    };
    const Case cases[] = {
        {"<a href=x>\n  第 <b>1</b>\t集&nbsp;&amp; <i>高清</i>  </a>", "第 1 集\xC2\xA0& 高清"},
        {"<a href=x>line<br>break<div>block</div>end</a>", "line break block end"},
        {"<a href=x>A<script>var s = '<b>B</b>';</script>C<style>a{}</style>D</a>", "ACD"},
        {"<a href=x><img src=poster.jpg alt=poster></a>", ""},
        {"<a href=x>  </a>", ""},
        {"<a href=x><textarea>shown &amp; kept</textarea></a>", "shown & kept"},
        {"<a href=x>first<a href=y>", "first"},
        {"<a href=x>\t\tone  two\n\nthree four</a>", "one two three four"},
        {"<a href=x>ep<b>isode</b> 1&#49;<i>2</i> </a>", "episode 112"},
        {"<a href=x>line<br class=c>break<p id=p>block<b>end</b></a>", "line break blockend"},
        {"<a href=x>A<span class=s><script>B</script></span>C<b class=c>D</b><br>E</a>", "ACD E"},
    };
    for (const Case& c : cases) {
        const std::vector<Link> links = Links(Utf8Page(c.html));
        ASSERT_FALSE(links.empty()) << c.html;
        EXPECT_EQ(links[0].second, c.text) << c.html;
    }
    // A NUL inside the text: given with its length.
    const std::string withNul("<meta charset=utf-8><a href=x>a\r\nb\0c</a>", 40);
    EXPECT_THAT(Links(withNul), ElementsAre(Link{"http://example.com/dir/x", "a bc"}));
}

TEST(ExtractLinks, NestedAndStrayAnchors) {
    // A new <a> closes the open one; a stray </a> closes nothing; the end of the page closes the last.
    EXPECT_THAT(Links(Utf8Page("</a><a href=1>one<b>bold<a href=2>two</a>three</b></a><a href=3>open")),
                ElementsAre(Link{"http://example.com/dir/1", "onebold"}, Link{"http://example.com/dir/2", "two"},
                            Link{"http://example.com/dir/3", "open"}));
    // An <a> without href still closes the open link.
    EXPECT_THAT(Links(Utf8Page("<a href=1>one<a name=n>named</a>")),
                ElementsAre(Link{"http://example.com/dir/1", "one"}));
}

TEST(ExtractLinks, LinksInsideNonMarkupAreNotLinks) {
    const char* const pages[] = {
        "<!-- <a href=c1>in a comment</a> -->",
        "<!--x--!> <a href=ok>",  // "--!>" ends the comment
        "<script>document.write('<a href=\"s1\">x</a>');</script>",
        "<script><!-- <script> </script> <a href=s2> --></script>",
        "<style>/* <a href=st> */</style>",
        "<textarea><a href=ta></textarea>",
        "<title><a href=ti></title>",
        "<xmp><a href=xm></xmp>",
        "<iframe><a href=if></iframe>",
        "<noframes><a href=nf></noframes>",
        "<![CDATA[ <a href=cd> ]]>",
        "<template><a href=tp>in a template</a></template>",
        "<!DOCTYPE html <a href=dt>>",
        "<? <a href=pi> ?>",
        // The same elements written with attributes, and after a tag with attributes.
        "<script type=text/javascript><a href=s3></script>",
        "<style media=all><a href=st2></style>",
        "<title lang=zh><a href=ti2></title>",
        "<template id=t><a href=tp2></template>",
        "<div class=x><script><a href=s4></script>",
        "<div class=x><textarea><a href=ta2></textarea>",
    };
    for (const char* page : pages) {
        std::vector<Link> links = Links(Utf8Page(page));
        if (std::string_view(page).find("ok") != std::string_view::npos) {
            EXPECT_THAT(links, ElementsAre(Link{"http://example.com/dir/ok", ""})) << page;
        } else {
            EXPECT_THAT(links, IsEmpty()) << page;
        }
    }
    // "<!-->" is a whole (empty) comment, and raw text ends at its own end tag only.
    EXPECT_THAT(Links(Utf8Page("<!--><a href=a>a</a><script>'</scripty>'</script><a href=b>b</a>")),
                ElementsAre(Link{"http://example.com/dir/a", "a"}, Link{"http://example.com/dir/b", "b"}));
}

struct CharsetCase {
    const char* name;
    std::string body;
    std::string contentType;
    const char* expected;
};

TEST(SniffCharset, ByteOrderMarkThenHeaderThenMetaThenGbk) {
    const std::string padding(1100, ' ');
    const CharsetCase cases[] = {
        {"nothing declared", "<p>x", "", "GBK"},
        {"meta charset", "<meta charset=\"utf-8\">", "", "UTF-8"},
        {"meta charset label", "<META CHARSET=' Big5 '>", "", "Big5"},
        {"http-equiv", "<meta http-equiv=Content-Type content='text/html; charset=gb2312'>", "text/html", "GBK"},
        {"content without http-equiv", "<meta content='text/html; charset=utf-8'>", "", "GBK"},
        {"http-equiv after content", "<meta content='text/html;charset=\"EUC-KR\"' http-equiv='content-type'>", "",
         "EUC-KR"},
        {"unknown label, next meta", "<meta charset=nonsense><meta charset=shift_jis>", "", "Shift_JIS"},
        {"utf-16 in meta means utf-8", "<meta charset=utf-16le>", "", "UTF-8"},
        {"x-user-defined in meta", "<meta charset=x-user-defined>", "", "windows-1252"},
        {"latin1 is windows-1252", "<meta charset=iso-8859-1>", "", "windows-1252"},
        {"meta in a comment", "<!-- <meta charset=utf-8> --><p>", "", "GBK"},
        {"meta in an attribute", "<div title='<meta charset=utf-8>'>", "", "GBK"},
        {"meta past 1024 bytes", "<p>" + padding + "<meta charset=utf-8>", "", "GBK"},
        {"header wins over meta", "<meta charset=utf-8>", "text/html; charset=GBK", "GBK"},
        {"quoted header charset", "", "text/html; foo=\"a;b\"; charset=\"utf-8\"", "UTF-8"},
        {"unknown header charset", "<meta charset=big5>", "text/html; charset=bogus", "Big5"},
        {"BOM wins over header", "\xEF\xBB\xBF<p>", "text/html; charset=gbk", "UTF-8"},
        {"UTF-16LE BOM", "\xFF\xFE<\0p\0", "", "UTF-16LE"},
        {"UTF-16BE BOM", "\xFE\xFF\0<\0p", "", "UTF-16BE"},
        {"replacement", "<p>", "text/html; charset=hz-gb-2312", "replacement"},
    };
    for (const CharsetCase& c : cases) {
        const Encoding found = SniffCharset(c.body, c.contentType).encoding;
        const Encoding expected = *EncodingForLabel(c.expected);
        EXPECT_EQ(found.kind, expected.kind) << c.name;
        EXPECT_EQ(found.charset, expected.charset) << c.name;
    }
}

TEST(ExtractLinks, TextIsDecodedInTheCharsetFound) {
    const std::string gbk = test::EncodeGbk(u"<a href=x>第一集</a>");
    EXPECT_THAT(Links(gbk), ElementsAre(Link{"http://example.com/dir/x", "第一集"}));
    EXPECT_THAT(Links("<a href=x>第一集</a>", "text/html; charset=utf-8"),
                ElementsAre(Link{"http://example.com/dir/x", "第一集"}));
    EXPECT_THAT(Links("\xEF\xBB\xBF<a href=x>第一集</a>", "text/html; charset=gbk"),
                ElementsAre(Link{"http://example.com/dir/x", "第一集"}));
    const std::string utf16le("\xFF\xFE<\0a\0 \0h\0r\0e\0f\0=\0x\0>\0\x2c\x7b\0", 26);
    EXPECT_THAT(Links(utf16le), ElementsAre(Link{"http://example.com/dir/x", "第"}));
    EXPECT_THAT(Links("<a href=x>x</a>", "text/html; charset=iso-2022-kr"), IsEmpty());
}

// Pieces of a long page are cut where no character straddles the cut.
// Addresses keep their Chinese readable, as patterns are written: the page's own escaped path
// included. Escapes written in a query stay, since the request sends the query as it stands.
TEST(ExtractLinks, ChineseAddressesStayReadableForPatterns) {
    const std::string page =
        test::EncodeGbk(u"<a href='/电视剧/第1集.html?名=1'>第1集</a><a href='%E7%BB%BC%E8%89%BA.html?q=%C3%FB'>综艺</a>");
    const std::vector<Hyperlink> links =
        ExtractLinks(page, "text/html; charset=gb2312", u"http://tv.example/%E7%94%B5%E8%A7%86%E5%89%A7/list.html",
                     test::IconvDecoder());
    ASSERT_EQ(links.size(), 2u);
    EXPECT_EQ(links[0].address, u"http://tv.example/电视剧/第1集.html?名=1");
    EXPECT_EQ(links[1].address, u"http://tv.example/电视剧/综艺.html?q=%C3%FB");
    const std::optional<Pattern> series = Pattern::Compile(u"*/电视剧/*");
    const std::optional<Pattern> episode = Pattern::Compile(u"*/第#集.html?名=#");
    ASSERT_TRUE(series && episode);
    EXPECT_TRUE(series->Matches(links[0].address) && series->Matches(links[1].address));
    EXPECT_TRUE(episode->Matches(links[0].address));
    EXPECT_FALSE(episode->Matches(links[1].address));
}

TEST(ExtractLinks, LongPagesDecodeAcrossPieces) {
    Text html = u"<p>";
    html += Text(70000, u'集');  // no byte below 0x30 for more than one piece
    std::vector<Link> expected;
    for (int i = 0; i < 3000; ++i) {
        html += u"<a href=" + ToText(i) + u">第" + ToText(i) + u"集</a>";
        expected.emplace_back("http://example.com/dir/" + std::to_string(i), "第" + std::to_string(i) + "集");
    }
    EXPECT_EQ(Links(test::EncodeGbk(html)), expected);

    // UTF-16 with surrogate pairs at every even and odd offset.
    std::string utf16 = "\xFF\xFE";
    const auto put = [&](char16_t u) { utf16 += static_cast<char>(u & 0xFF), utf16 += static_cast<char>(u >> 8); };
    for (int i = 0; i < 40000; ++i) put(i % 3 ? u'a' : u'\xD83C'), put(i % 3 ? u'b' : u'\xDFAC');
    for (const char16_t c : TextView(u"<a href=z>🎬</a>")) put(c);
    EXPECT_THAT(Links(utf16), ElementsAre(Link{"http://example.com/dir/z", "🎬"}));
}

TEST(ExtractLinks, HostilePagesEndCleanly) {
    std::string nested;
    for (int i = 0; i < 50000; ++i) nested += "<div><span><b>";
    nested += "<a href=deep>deep</a>";
    EXPECT_THAT(Links(nested), ElementsAre(Link{"http://example.com/dir/deep", "deep"}));

    std::string anchors;
    for (int i = 0; i < 50000; ++i) anchors += "<a href=n>";
    EXPECT_EQ(Links(anchors).size(), 50000u);

    EXPECT_THAT(Links("<a href=1>one</a><!-- <a href=2>"), ElementsAre(Link{"http://example.com/dir/1", "one"}));
    EXPECT_THAT(Links("<a href=1>one</a><script> <a href=2>"), ElementsAre(Link{"http://example.com/dir/1", "one"}));
    EXPECT_THAT(Links("<a href=1>one</a><a href='2"), ElementsAre(Link{"http://example.com/dir/1", "one"}));

    const std::string huge(10 * 1024 * 1024, 'a');
    EXPECT_THAT(Links("<div title=\"" + huge + "\" " + huge + "><a href=x>x</a>"),
                ElementsAre(Link{"http://example.com/dir/x", "x"}));
    const std::vector<Link> big = Links("<a href=\"" + huge + "\">t</a>", {}, u"");
    ASSERT_EQ(big.size(), 1u);
    EXPECT_EQ(big[0].first.size(), huge.size());

    std::string tooMany;  // the first 200,000 links are listed, with their text
    for (int i = 0; i <= 200000; ++i) tooMany += "<a href=" + std::to_string(i) + ">" + std::to_string(i) + "</a>";
    const std::vector<Link> first = Links(tooMany);
    ASSERT_EQ(first.size(), 200000u);
    EXPECT_EQ(first.back(), (Link{"http://example.com/dir/199999", "199999"}));

    std::string manyAttributes = "<a";
    for (int i = 0; i < 100000; ++i) manyAttributes += " x" + std::to_string(i % 50000);
    EXPECT_EQ(Links(manyAttributes + " href=h>").size(), 1u);
}

TEST(ExtractLinks, InvalidBytesInEveryCharset) {
    const std::string garbage = "\x80\x81\xFE\xFF\xC0\xE0\x8F\xA1\x1B$B\x1B(J\x0E\x0F\x1B";
    const char* const labels[] = {"utf-8",    "gbk",         "gb18030",        "big5",         "shift_jis",
                                  "euc-jp",   "iso-2022-jp", "euc-kr",         "windows-1252", "koi8-r",
                                  "utf-16le", "utf-16be",    "x-user-defined", "replacement",  "iso-8859-8-i"};
    for (const char* label : labels) {
        const std::string page = "<p>" + garbage + " </p><a href=ok>ok</a>" + garbage;
        const std::vector<Link> links = Links(page, std::string("text/html; charset=") + label);
        const Encoding::Kind kind = EncodingForLabel(label)->kind;
        if (kind == Encoding::Kind::AsciiCompatible || kind == Encoding::Kind::UserDefined) {
            ASSERT_FALSE(links.empty()) << label;
            EXPECT_EQ(links[0].first, "http://example.com/dir/ok") << label;
        }
    }
}

}  // namespace
}  // namespace ferrik
