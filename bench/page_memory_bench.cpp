// What Ferrik's own browser keeps of a hostile body: the page read from its bytes and laid out
// 800 pixels wide, as the bytes held at the peak (allocation_count.h), the body itself not
// counted. Bodies of 8 and 64 MiB: line feeds as text/plain, and "<b>" as HTML. One run each;
// the figure is the memory, not the time.
#include <benchmark/benchmark.h>

#include <string>

#include "allocation_count.h"
#include "host/support/iconv_decoder.h"
#include "web/page.h"

namespace ferrik {
namespace {

class FixedMeasurer final : public TextMeasurer {
public:
    int Width(TextView text, FontRole) override { return static_cast<int>(text.size()) * 7; }
    int LineHeight(FontRole) override { return 16; }
};

std::string Repeated(std::string_view piece, std::size_t bytes) {
    std::string out;
    out.reserve(bytes);
    while (out.size() + piece.size() <= bytes) out += piece;
    return out;
}

void BM_HostilePage(benchmark::State& state, std::string_view piece, std::string_view contentType) {
    const std::string body = Repeated(piece, static_cast<std::size_t>(state.range(0)) << 20);
    const test::IconvDecoder decoder;
    long long peak = 0;
    std::size_t runs = 0, boxes = 0;
    for (auto _ : state) {
        bench::StartCounting();
        {
            const Page page = Page::FromBytes(body, contentType, u"http://films.example/x", decoder);
            FixedMeasurer measurer;
            const PageLayout layout = LayoutPage(page, 800, measurer);
            runs = page.Runs().size();
            boxes = layout.boxes.size();
            benchmark::DoNotOptimize(layout.boxes.data());
        }
        peak = bench::StopCounting();
    }
    state.counters["body_MiB"] = static_cast<double>(state.range(0));
    state.counters["peak_MB"] = static_cast<double>(peak) / 1e6;
    state.counters["runs"] = static_cast<double>(runs);
    state.counters["boxes"] = static_cast<double>(boxes);
}

BENCHMARK_CAPTURE(BM_HostilePage, line_feeds_as_text, "\n", "text/plain")
    ->Arg(8)
    ->Arg(64)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_HostilePage, bold_tags, "<b>", "text/html")
    ->Arg(8)
    ->Arg(64)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ferrik
