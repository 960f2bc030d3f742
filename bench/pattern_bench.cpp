// The wildcard pattern against glibc fnmatch(FNM_CASEFOLD) in the C locale, on the same addresses
// (UTF-16 for the pattern, UTF-8 for fnmatch). Goal: no slower than fnmatch on realistic links,
// and a many-star pattern as quick as a simple one.
#include <benchmark/benchmark.h>
#include <fnmatch.h>

#include <clocale>
#include <random>
#include <string>
#include <vector>

#include "analysis/pattern.h"

namespace ferrik {
namespace {

constexpr char kPlayPattern[] = "*/play/*.html";
constexpr char kManyStars[] = "*a*a*a*a*a*a*a*a*a*a*a*a*a*b";  // 14 stars

// Links as a film site's list page has them: mostly episode and list pages, some with upper-case
// paths, some with Chinese or %-escaped names, query strings, scripts and mail links.
std::vector<std::string> MakeUrls(std::size_t count) {
    static const char* const kHosts[] = {"http://www.qvodfilm.com", "http://v.dy2018.cn", "http://www.kuaibo88.net",
                                         "https://movie.example.com.cn", "http://192.168.1.20:8080"};
    static const char* const kShapes[] = {
        "/play/%d.html",        "/PLAY/%d.HTML",         "/list/%d.html",           "/vod/%d/index.html",
        "/play/%d/ep%02d.htm",  "/html/play/%d_%d.html", "/search.asp?key=%d&p=%d", "/电影/第%d集.html",
        "/%%E7%%94%%B5/%d.htm", "/play/%d.html?from=%d", "javascript:void(%d)",     "/detail/%d-%d/play.shtml",
    };
    std::mt19937 rng(7);
    std::vector<std::string> urls;
    urls.reserve(count);
    char path[128];
    for (std::size_t i = 0; i < count; ++i) {
        const char* shape = kShapes[rng() % std::size(kShapes)];
        const int a = static_cast<int>(rng() % 100000);
        const int b = static_cast<int>(rng() % 100);
        std::snprintf(path, sizeof path, shape, a, b);
        urls.push_back(path[0] == 'j' ? std::string(path) : kHosts[rng() % std::size(kHosts)] + std::string(path));
    }
    return urls;
}

const std::vector<std::string>& Urls() {
    static const std::vector<std::string> urls = MakeUrls(20000);
    return urls;
}

void BM_Pattern_PlayLinks(benchmark::State& state) {
    std::vector<Text> urls;
    for (const std::string& u : Urls()) urls.push_back(FromUtf8(u));
    const Pattern pattern = *Pattern::Compile(FromUtf8(kPlayPattern));
    for (auto _ : state) {
        int hits = 0;
        for (const Text& u : urls) hits += pattern.Matches(u);
        benchmark::DoNotOptimize(hits);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(urls.size()));
}
BENCHMARK(BM_Pattern_PlayLinks);

// The compile step included, as a caller that does not keep the compiled pattern would pay it.
void BM_Pattern_PlayLinksCompileEach(benchmark::State& state) {
    std::vector<Text> urls;
    for (const std::string& u : Urls()) urls.push_back(FromUtf8(u));
    const Text source = FromUtf8(kPlayPattern);
    for (auto _ : state) {
        int hits = 0;
        for (const Text& u : urls) hits += Pattern::Compile(source)->Matches(u);
        benchmark::DoNotOptimize(hits);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(urls.size()));
}
BENCHMARK(BM_Pattern_PlayLinksCompileEach);

void BM_Fnmatch_PlayLinks(benchmark::State& state) {
    std::setlocale(LC_ALL, "C");
    const std::vector<std::string>& urls = Urls();
    for (auto _ : state) {
        int hits = 0;
        for (const std::string& u : urls) hits += fnmatch(kPlayPattern, u.c_str(), FNM_CASEFOLD) == 0;
        benchmark::DoNotOptimize(hits);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(urls.size()));
}
BENCHMARK(BM_Fnmatch_PlayLinks);

// 14 stars against a run of "a" that never ends in "b" (the last segment fails at once) and one
// whose "b" is missing from the middle (every star segment is placed before failing).
void BM_Pattern_ManyStars(benchmark::State& state) {
    const Text address(static_cast<std::size_t>(state.range(0)), u'a');
    const Pattern endFails = *Pattern::Compile(FromUtf8(kManyStars));
    const Pattern middleFails = *Pattern::Compile(u"a*a*a*a*a*a*a*a*a*a*a*a*a*b*a");
    for (auto _ : state) {
        benchmark::DoNotOptimize(endFails.Matches(address));
        benchmark::DoNotOptimize(middleFails.Matches(address));
    }
}
BENCHMARK(BM_Pattern_ManyStars)->Arg(80)->Arg(2000);

// A one-star-pair pattern over the same long address, for scale.
void BM_Pattern_SimpleLong(benchmark::State& state) {
    const Text address = Text(static_cast<std::size_t>(state.range(0)), u'a') + u".html";
    const Pattern simple = *Pattern::Compile(FromUtf8(kPlayPattern));
    for (auto _ : state) benchmark::DoNotOptimize(simple.Matches(address));
}
BENCHMARK(BM_Pattern_SimpleLong)->Arg(2000);

void BM_Fnmatch_ManyStars(benchmark::State& state) {
    std::setlocale(LC_ALL, "C");
    const std::string address(static_cast<std::size_t>(state.range(0)), 'a');
    for (auto _ : state) {
        benchmark::DoNotOptimize(fnmatch(kManyStars, address.c_str(), FNM_CASEFOLD));
        benchmark::DoNotOptimize(fnmatch("a*a*a*a*a*a*a*a*a*a*a*a*a*b*a", address.c_str(), FNM_CASEFOLD));
    }
}
BENCHMARK(BM_Fnmatch_ManyStars)->Arg(80)->Arg(2000);

}  // namespace
}  // namespace ferrik
