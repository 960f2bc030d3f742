#pragma once
// A film site's list page, generated deterministically for the link engine benchmark.
#include <cstddef>
#include <string>

namespace ferrik::bench {

struct ListPage {
    std::string html;  // UTF-8, declared with <meta charset="utf-8">
    int anchors = 0;   // <a href> outside comments and scripts
    int areas = 0;
};

// About `targetBytes` of HTML: `anchors` links with relative and absolute addresses, nested inline
// tags and character references in their texts, `areas` image-map links, and decoy links inside
// comments and scripts.
ListPage GenerateListPage(std::size_t targetBytes, int anchors, int areas);

constexpr char kListPageUrl[] = "http://www.example.com/vod/list/index.html";

}  // namespace ferrik::bench
