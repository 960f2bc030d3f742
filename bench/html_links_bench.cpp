// The HTML link engine against gumbo (parse + tree walk collecting the same links) on a 5 MB list
// page with 20,000 <a href> and 100 <area href>. Both start from the page's bytes; the engine's
// figure includes sniffing the charset and decoding (glibc iconv, UTF-8 -> UTF-16) in pieces.
// Peak memory is counted by the global allocation functions of this binary (allocation_count.h).
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "allocation_count.h"
#include "analysis/html_links.h"
#include "host/support/iconv_decoder.h"
#include "html_page_generator.h"

#ifdef FERRIK_HAVE_GUMBO
#include "gumbo_links.h"
#endif

namespace ferrik {
namespace {

using bench::CountAllocation;
using bench::StartCounting;
using bench::StopCounting;

const bench::ListPage& Page() {
    static const bench::ListPage page = bench::GenerateListPage(5 * 1000 * 1000, 20000, 100);
    return page;
}

const std::string& GbkPage() {
    static const std::string page = [] {
        std::string html = Page().html;
        const std::string utf8Meta = "<meta charset=\"utf-8\">";
        html.replace(html.find(utf8Meta), utf8Meta.size(), "<meta charset=\"gb2312\">");
        return test::EncodeGbk(FromUtf8(html));
    }();
    return page;
}

const Text& PageUrl() {
    static const Text url = FromUtf8(bench::kListPageUrl);
    return url;
}

void Report(benchmark::State& state, std::size_t bytes, std::size_t links) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["links"] = static_cast<double>(links);
    state.counters["page_MB"] = static_cast<double>(bytes) / 1e6;
}

void BM_LinkEngine(benchmark::State& state, const std::string& page) {
    const test::IconvDecoder decoder;
    std::size_t links = 0;
    for (auto _ : state) {
        std::vector<Hyperlink> found = ExtractLinks(page, {}, PageUrl(), decoder);
        links = found.size();
        benchmark::DoNotOptimize(found.data());
    }
    Report(state, page.size(), links);
    StartCounting();
    (void)ExtractLinks(page, {}, PageUrl(), decoder);
    const long long peak = StopCounting();
    state.counters["peak_MB"] = static_cast<double>(peak) / 1e6;
    state.counters["peak_per_page_byte"] = static_cast<double>(peak) / static_cast<double>(page.size());
}

void BM_LinkEngineUtf8(benchmark::State& state) {
    BM_LinkEngine(state, Page().html);
}
BENCHMARK(BM_LinkEngineUtf8)->Unit(benchmark::kMillisecond);

void BM_LinkEngineGbk(benchmark::State& state) {
    BM_LinkEngine(state, GbkPage());
}
BENCHMARK(BM_LinkEngineGbk)->Unit(benchmark::kMillisecond);

// iconv decoding the same page, for scale (the engine decodes well-formed UTF-8 itself).
void BM_DecodeOnlyUtf8(benchmark::State& state) {
    const test::IconvDecoder decoder;
    for (auto _ : state) {
        const Text text = decoder.Decode(Page().html, u"UTF-8");
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Page().html.size()));
}
BENCHMARK(BM_DecodeOnlyUtf8)->Unit(benchmark::kMillisecond);

#ifdef FERRIK_HAVE_GUMBO

// gumbo's allocations, counted through its allocator hooks.
void* GumboAllocate(void*, std::size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (bench::Counting()) CountAllocation(static_cast<long long>(malloc_usable_size(p)));
    return p;
}
void GumboFree(void*, void* p) {
    if (p && bench::Counting()) CountAllocation(-static_cast<long long>(malloc_usable_size(p)));
    std::free(p);
}

std::size_t GumboLinks(const std::string& page) {
    return bench::GumboLinks(page, GumboAllocate, GumboFree);
}

void BM_GumboParseAndWalkUtf8(benchmark::State& state) {
    const std::string& page = Page().html;
    std::size_t links = 0;
    for (auto _ : state) links = GumboLinks(page);
    Report(state, page.size(), links);
    StartCounting();
    (void)GumboLinks(page);
    const long long peak = StopCounting();
    state.counters["peak_MB"] = static_cast<double>(peak) / 1e6;
    state.counters["peak_per_page_byte"] = static_cast<double>(peak) / static_cast<double>(page.size());
}
BENCHMARK(BM_GumboParseAndWalkUtf8)->Unit(benchmark::kMillisecond);

#endif

}  // namespace
}  // namespace ferrik
