// A header click over 100,000 rows (a page far larger than any film site's) beside the anchor of
// the same run: a stable sort of the same names by plain code units, the least such a sort costs.
// Goal: a click on a film page's list (hundreds of rows) without a pause; at this size, well under
// half a second and within a few times the anchor.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "tasks/task_list.h"

namespace ferrik {
namespace {

constexpr std::size_t kRows = 100000;

std::vector<Text> Names() {
    static const char* const kShapes[] = {"笑傲江湖第%zu集.rmvb", "天龙八部第%zu集.RMVB", "射雕英雄传%zu.mp4",
                                          "花絮%zu[高清].rmvb"};
    std::vector<Text> names;
    char name[96];
    // Shuffled episode numbers: a page lists them in any order.
    for (std::size_t i = 0; i < kRows; ++i) {
        std::snprintf(name, sizeof name, kShapes[i % std::size(kShapes)], (i * 7919) % kRows);
        names.push_back(FromUtf8(name));
    }
    return names;
}

// Each round sorts the other way, so that every round moves the rows.
void BM_SortRowsByName(benchmark::State& state) {
    TaskList tasks;
    for (const Text& name : Names()) tasks.AddTask(name, u"qvod://" + name, u"SS0", u"", u"qvod://" + name);
    bool descending = false;
    for (auto _ : state) {
        tasks.SortRows(TaskOrder{TaskColumn::Name, descending});
        descending = !descending;
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kRows));
}
BENCHMARK(BM_SortRowsByName)->Unit(benchmark::kMillisecond);

void BM_AnchorStableSortCodeUnits(benchmark::State& state) {
    const std::vector<Text> names = Names();
    std::vector<std::size_t> order(names.size());
    bool descending = false;
    for (auto _ : state) {
        for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return descending ? names[b] < names[a] : names[a] < names[b];
        });
        benchmark::DoNotOptimize(order.data());
        descending = !descending;
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kRows));
}
BENCHMARK(BM_AnchorStableSortCodeUnits)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ferrik
