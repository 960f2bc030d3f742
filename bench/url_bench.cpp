// Resolution of one page's hyperlinks: 20,000 hrefs of the kinds film-site pages carry, against
// the page's address. The anchor is the floor any resolver pays: building each result text by
// plain concatenation of the base directory and the href.
#include <benchmark/benchmark.h>

#include <vector>

#include "analysis/url.h"

namespace ferrik {
namespace {

constexpr TextView kBase = u"http://www.dianying.example.com/movie/list/index_2.html?type=1";
constexpr int kLinks = 20000;

std::vector<Text> MakeHrefs() {
    std::vector<Text> hrefs;
    hrefs.reserve(kLinks);
    for (int i = 0; i < kLinks; ++i) {
        const Text n = ToText(i);
        switch (i % 16) {
            case 0:
            case 1:
            case 2:
            case 3:
                hrefs.push_back(u"/movie/" + n + u".html");
                break;
            case 4:
            case 5:
                hrefs.push_back(u"play/" + n + u"-1-1.html");
                break;
            case 6:
                hrefs.push_back(u"../detail/" + n + u"/index.html");
                break;
            case 7:
                hrefs.push_back(u"http://www.dianying.example.com/vod/" + n + u".html");
                break;
            case 8:
                hrefs.push_back(u"https://img" + ToText(i % 4) + u".cdn.example.net/pic/" + n + u".jpg");
                break;
            case 9:
                hrefs.push_back(u"index_" + n + u".html");
                break;
            case 10:
                hrefs.push_back(u"?type=1&page=" + n);
                break;
            case 11:
                hrefs.push_back(u"#top");
                break;
            case 12:
                hrefs.push_back(u"javascript:void(0)");
                break;
            case 13:
                hrefs.push_back(u"//bbs.example.org/thread-" + n + u".html");
                break;
            case 14:
                hrefs.push_back(u"/search.php?key=%E7%94%B5%E5%BD%B1&id=" + n);
                break;
            default:
                hrefs.push_back(u"/电影/第" + n + u"集.html");
                break;
        }
    }
    return hrefs;
}

void BM_ResolveUrl(benchmark::State& state) {
    const std::vector<Text> hrefs = MakeHrefs();
    for (auto _ : state) {
        for (const Text& href : hrefs) benchmark::DoNotOptimize(ResolveUrl(href, kBase));
    }
    state.SetItemsProcessed(state.iterations() * kLinks);
}
BENCHMARK(BM_ResolveUrl)->Unit(benchmark::kMillisecond);

void BM_ConcatenationAnchor(benchmark::State& state) {
    const std::vector<Text> hrefs = MakeHrefs();
    const TextView directory = kBase.substr(0, kBase.rfind(u'/') + 1);
    for (auto _ : state) {
        for (const Text& href : hrefs) {
            Text out;
            out.reserve(directory.size() + href.size());
            out += directory;
            out += href;
            benchmark::DoNotOptimize(out);
        }
    }
    state.SetItemsProcessed(state.iterations() * kLinks);
}
BENCHMARK(BM_ConcatenationAnchor)->Unit(benchmark::kMillisecond);

// Each link against a base of its own: what a resolver without the per-thread base cache pays.
void BM_ResolveUrlChangingBase(benchmark::State& state) {
    const std::vector<Text> hrefs = MakeHrefs();
    const Text bases[2] = {Text(kBase), Text(kBase) + u"&x"};
    for (auto _ : state) {
        for (int i = 0; i < kLinks; ++i) benchmark::DoNotOptimize(ResolveUrl(hrefs[i], bases[i & 1]));
    }
    state.SetItemsProcessed(state.iterations() * kLinks);
}
BENCHMARK(BM_ResolveUrlChangingBase)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ferrik
