// Choosing rows by name over 100,000 rows (a page far larger than any film site's) beside the
// anchor of the same run: 反选 (InvertChecks) over the same list, the cheapest whole-list choice.
// Goal: no noticeable pause, i.e. well under 100 ms for the whole list, mask compile included.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "app/choose_by_name.h"

namespace ferrik {
namespace {

constexpr std::size_t kRows = 100000;

TaskList MakeList() {
    static const char* const kShapes[] = {"笑傲江湖第%05zu集.rmvb", "天龙八部第%05zu集.RMVB", "射雕英雄传%05zu.mp4",
                                          "花絮%05zu[高清].rmvb"};
    TaskList tasks;
    char name[96];
    for (std::size_t i = 0; i < kRows; ++i) {
        std::snprintf(name, sizeof name, kShapes[i % std::size(kShapes)], i);
        const Text text = FromUtf8(name);
        tasks.AddTask(text, text, u"SS0", u"", text);
    }
    return tasks;
}

TaskList& List() {
    static TaskList tasks = MakeList();
    return tasks;
}

void BM_ChooseByName(benchmark::State& state, const char16_t* mask) {
    TaskList& tasks = List();
    for (auto _ : state) benchmark::DoNotOptimize(ChooseByName(tasks, mask));
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kRows));
}
BENCHMARK_CAPTURE(BM_ChooseByName, Extension, u"*.rmvb")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ChooseByName, Episodes, u"*第000[01]#集*")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ChooseByName, ManyStars, u"*江*湖*第*1*集*")->Unit(benchmark::kMillisecond);

void BM_InvertChecks(benchmark::State& state) {
    TaskList& tasks = List();
    for (auto _ : state) tasks.InvertChecks();
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kRows));
}
BENCHMARK(BM_InvertChecks)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ferrik
