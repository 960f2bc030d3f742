#include "html_page_generator.h"

#include <cstdint>
#include <string_view>

namespace ferrik::bench {

namespace {

constexpr std::string_view kNames[] = {"天龙八部", "倚天屠龙记", "笑傲江湖", "射雕英雄传", "神雕侠侣",   "鹿鼎记",
                                       "西游记",   "水浒传",     "红楼梦",   "三国演义",   "仙剑奇侠传", "步步惊心"};
constexpr std::string_view kWords[] = {"高清", "国语", "粤语", "中字", "更新至", "完结", "热播", "经典", "推荐"};

// A fixed linear congruential generator: the page is the same on every run and machine.
class Random {
public:
    std::uint32_t Next(std::uint32_t bound) {
        m_state = m_state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::uint32_t>(m_state >> 33) % bound;
    }

private:
    std::uint64_t m_state = 20120501;
};

void Anchor(std::string& out, Random& random, int i) {
    const std::string id = std::to_string(10000 + i * 7 % 90000);
    const std::string ep = std::to_string(1 + i % 48);
    const std::string_view name = kNames[random.Next(std::size(kNames))];
    const std::string_view word = kWords[random.Next(std::size(kWords))];
    switch (i % 4) {
        case 0:
            out += "<a href=\"/play/" + id + "-1-" + ep + ".html\" title=\"" + std::string(name) + " 第" + ep +
                   "集\" target=\"_blank\"><span class=\"ep\">第<b>" + ep + "</b>集</span> " + std::string(name) +
                   " &amp; " + std::string(word) + "</a>";
            break;
        case 1:
            out += "<a href='http://cdn" + std::to_string(i % 4) + ".example.net/vod/" + id + "/" + ep +
                   ".html'><img src=\"/pic/" + id + ".jpg\" alt=\"" + std::string(name) + "\"> <em>" +
                   std::string(name) + "</em>&nbsp;HD</a>";
            break;
        case 2:
            out += "<a href=../detail/" + id + ".html?page=" + ep + "&amp;sort=new class=more>更多 &raquo; <i>" +
                   std::string(name) + "</i> &#8250;</a>";
            break;
        default:
            out += "<a href=\"//static.example.org/ep/" + id + "_" + ep + ".htm\" rel=nofollow><strong>" +
                   std::string(name) + "</strong> <small>[" + ep + "]</small>\n      " + std::string(word) + "</a>";
            break;
    }
}

std::string Build(int anchors, int areas, std::size_t paddingPerItem, ListPage& page) {
    Random random;
    std::string out;
    out.reserve(anchors * (300 + paddingPerItem));
    out +=
        "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>影视列表 - 第1页</title>\n"
        "<style>.item a{color:#06c} /* <a href=\"/decoy/style.html\"> */</style>\n"
        "<script>var ad = '<a href=\"/decoy/head.html\">广告</a>'; if (a < b && c > d) {}</script>\n"
        "</head><body><div id=\"nav\"><img src=\"/nav.png\" usemap=\"#nav\"><map name=\"nav\">\n";
    for (int i = 0; i < areas; ++i) {
        out += i % 2 ? "<area shape=\"rect\" coords=\"" + std::to_string(i * 10) + ",0,10,10\" href=\"/channel/" +
                           std::to_string(i) + ".html\" alt=\"频道" + std::to_string(i) + "\">\n"
                     : "<area shape=rect coords=\"0,0,1,1\" href=\"http://www.example.com/topic/" + std::to_string(i) +
                           "/\">\n";
    }
    out += "</map></div>\n<div class=\"list\">\n";
    for (int i = 0; i < anchors; ++i) {
        if (i % 40 == 0) {
            if (i) out += "</ul></div>\n";
            out += "<div class=\"group\"><h3>第" + std::to_string(i / 40 + 1) + "组 &middot; 最近更新</h3><ul>\n";
        }
        out += "  <li class=\"item item-" + std::to_string(i % 2) + "\" data-id=\"" + std::to_string(i) + "\">";
        Anchor(out, random, i);
        out += " <span class=\"date\">2012-0" + std::to_string(1 + i % 9) + "-1" + std::to_string(i % 10) + "</span>";
        if (paddingPerItem) {
            out += "<p class=\"desc\">";
            const std::size_t start = out.size();
            while (out.size() - start < paddingPerItem) {
                out += kWords[random.Next(std::size(kWords))];
                out += kNames[random.Next(std::size(kNames))];
                out += random.Next(4) ? "，" : ". ";
            }
            out += "</p>";
        }
        out += "</li>\n";
        if (i % 50 == 49) out += "  <!-- 旧版: <a href=\"/decoy/c" + std::to_string(i) + ".html\">已下线</a> -->\n";
        if (i % 100 == 99)
            out += "  <script>document.write('<a href=\"/decoy/s" + std::to_string(i) +
                   ".html\">x</a>'); var s = \"<b>\" + '<\\/a>';</script>\n";
    }
    out += "</ul></div>\n</div></body></html>\n";
    page.anchors = anchors;
    page.areas = areas;
    return out;
}

}  // namespace

ListPage GenerateListPage(std::size_t targetBytes, int anchors, int areas) {
    ListPage page;
    const std::size_t bare = Build(anchors, areas, 0, page).size();
    const std::size_t padding = targetBytes > bare ? (targetBytes - bare) / anchors : 0;
    page.html = Build(anchors, areas, padding > 30 ? padding - 30 : 0, page);
    return page;
}

}  // namespace ferrik::bench
