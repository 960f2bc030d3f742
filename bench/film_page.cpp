#include "film_page.h"

#include <cstdint>
#include <cstdio>
#include <iterator>
#include <string>

#include "common/text.h"
#include "host/support/iconv_decoder.h"

namespace ferrik::bench {

namespace {

constexpr const char16_t* kTitles[] = {u"天龙八部",   u"射雕英雄传", u"神雕侠侣", u"笑傲江湖", u"鹿鼎记",
                                       u"倚天屠龙记", u"西游记",     u"红楼梦",   u"水浒传",   u"三国演义"};

// The page's ordinary markup: navigation with "|" separators, percent signs in styles and
// escaped query strings, and Chinese text, as list pages of the time had.
constexpr const char16_t* kMarkup[] = {
    u"<div class=\"nav\"><a href=\"/\">首页</a> | <a href=\"/dy/\">电影</a> | <a href=\"/tv/\">电视剧</a> | "
    u"<a href=\"/dm/\">动漫</a></div>\r\n",
    u"<table width=\"100%\" border=\"0\"><tr><td style=\"width:50%\">主演：</td><td>更新至第%d集</td></tr>"
    u"</table>\r\n",
    u"<p class=\"intro\">剧情简介：本片讲述了一段荡气回肠的江湖故事，画面清晰，支持快播(qvod)在线观看。</p>\r\n",
    u"<a href=\"/search.asp?key=%C9%E4%B5%F1&page=%d\" title=\"搜索\">相关影片</a>\r\n",
    u"<li><span class=\"date\">2010-08-%d</span><a href=\"/html/%d.html\" target=\"_blank\">最新更新</a></li>\r\n",
    u"<script type=\"text/javascript\">var pv=%d;document.write('<img src=\"/count.gif\" />');</script>\r\n",
};

std::string Gbk(const char16_t* text) {
    return test::EncodeGbk(text);
}

std::string Hex(std::uint32_t value, int digits) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string s(static_cast<std::size_t>(digits), '0');
    for (int i = digits - 1; i >= 0; --i, value >>= 4) s[static_cast<std::size_t>(i)] = kDigits[value & 15];
    return s;
}

std::string Replace(std::string text, const std::string& mark, const std::string& with) {
    for (std::size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at + with.size())) {
        text.replace(at, mark.size(), with);
    }
    return text;
}

struct Link {
    std::string size;  // F1
    std::string hash;  // F2
    int title = 0;     // F3: title + 第n集.rmvb
    int episode = 0;
};

Link MakeLink(int id) {
    std::uint32_t x = static_cast<std::uint32_t>(id) * 2654435761u + 97;
    Link link;
    link.size = std::to_string(100000000 + x % 900000000);
    for (int i = 0; i < 5; ++i) {
        x = x * 1664525u + 1013904223u;
        link.hash += Hex(x, 8);
    }
    link.title = id % static_cast<int>(std::size(kTitles));
    link.episode = id / static_cast<int>(std::size(kTitles)) + 1;
    return link;
}

std::string PlainLink(const Link& link) {
    return "qvod://" + link.size + "|" + link.hash + "|" + Gbk(kTitles[link.title]) + Gbk(u"第") +
           std::to_string(link.episode) + Gbk(u"集") + ".rmvb|";
}

// escape() of the link: ':' '/' '|' as %XX, every Chinese character as %uXXXX.
std::string EscapedLink(const Link& link) {
    std::string name;
    auto unicode = [&name](const char16_t* text) {
        for (const char16_t* p = text; *p; ++p) name += "%u" + Hex(*p, 4);
    };
    unicode(kTitles[link.title]);
    unicode(u"第");
    name += std::to_string(link.episode);
    unicode(u"集");
    return "qvod%3A%2F%2F" + link.size + "%7C" + link.hash + "%7C" + name + ".rmvb%7C";
}

}  // namespace

std::string MakeFilmPage(bool escaped) {
    std::string markup[std::size(kMarkup)];
    for (std::size_t i = 0; i < std::size(kMarkup); ++i) markup[i] = Gbk(kMarkup[i]);
    std::string page =
        Gbk(u"<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\" />"
            u"<title>快播电影网 - 最新电视剧</title></head><body>\r\n");
    page.reserve(kFilmPageBytes + (8u << 20));
    std::uint32_t filler = 1;
    for (int i = 0; i < kFilmPageLinks; ++i) {
        // i and i + 25,000 name the same link: each distinct link occurs twice, far apart.
        const Link link = MakeLink(static_cast<int>((static_cast<std::uint32_t>(i) * 7919u) % kFilmPageDistinctLinks));
        const std::string text = escaped ? EscapedLink(link) : PlainLink(link);
        if (i % 2 == 0) {
            page += "<li><a href=\"" + (escaped ? "javascript:play(unescape('" + text + "'))" : text) + "\">" +
                    Gbk(kTitles[link.title]) + std::to_string(link.episode) + "</a></li>\r\n";
        } else {
            page += "<script>var url" + std::to_string(i) + (escaped ? "=unescape(\"" : "=\"") + text +
                    (escaped ? "\");" : "\";") + "QvodPlayer.Play(url" + std::to_string(i) + ");</script>\r\n";
        }
        // Ordinary markup up to this link's share of the page.
        const std::size_t share = kFilmPageBytes / kFilmPageLinks * static_cast<std::size_t>(i + 1);
        while (page.size() < share) {
            filler = filler * 1103515245u + 12345u;
            page += Replace(markup[(filler >> 16) % std::size(kMarkup)], "%d", std::to_string((filler >> 8) % 31 + 1));
        }
    }
    page += "</body></html>\r\n";
    return page;
}

}  // namespace ferrik::bench
