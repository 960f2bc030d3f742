// Link extraction on a 20 MB film-site page, each measured next to an anchor run on the same
// page from a temp file: grep + awk for the plain scan, Python for unescaping plus the scan.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "analysis/qvod.h"
#include "common/text_fields.h"
#include "film_page.h"
#include "host/support/iconv_decoder.h"

namespace ferrik::bench {
namespace {

// A Python reader of the escaped page (the same reader as the Windows benchmark's anchor).
constexpr char kPythonAnchor[] = FERRIK_SOURCE_DIR "/bench/anchors/qvod_reader.py";

class Pages {
public:
    static Pages& Get() {
        static Pages pages;
        return pages;
    }
    Text plainText;
    Text escapedText;
    std::string plainFile;
    std::string escapedFile;

private:
    Pages() : m_dir(std::filesystem::temp_directory_path() / ("ferrik-bench-" + std::to_string(getpid()))) {
        std::filesystem::create_directories(m_dir);
        const test::IconvDecoder decoder;
        const std::string plain = MakeFilmPage(false);
        const std::string escaped = MakeFilmPage(true);
        plainText = decoder.Decode(plain, u"GB2312");
        escapedText = decoder.Decode(escaped, u"GB2312");
        plainFile = Write("plain.html", plain);
        escapedFile = Write("escaped.html", escaped);
    }
    ~Pages() { std::filesystem::remove_all(m_dir); }
    std::string Write(const char* name, const std::string& bytes) {
        const std::filesystem::path path = m_dir / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }
    std::filesystem::path m_dir;
};

// Runs a shell command and returns the number it prints (the anchors print their link count).
long RunAnchor(const std::string& command) {
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    long count = -1;
    if (std::fscanf(pipe, "%ld", &count) != 1) count = -1;
    pclose(pipe);
    return count;
}

void CheckCount(benchmark::State& state, long count) {
    state.counters["links"] = static_cast<double>(count);
    if (count != kFilmPageDistinctLinks) state.SkipWithError("wrong number of distinct links");
}

// Times a shell command per iteration (wall clock: the work is in child processes).
void TimeAnchor(benchmark::State& state, const std::string& command) {
    long count = -1;
    for (auto _ : state) count = RunAnchor(command);
    CheckCount(state, count);
}

// (a) GetAllQvodUrl's scan and de-duplication of the decoded page, into a list without a view.
void BM_ScanPlainPage(benchmark::State& state) {
    const Pages& pages = Pages::Get();
    TaskList tasks;
    for (auto _ : state) {
        tasks.ClearTasks();
        AddQvodUrls(pages.plainText, tasks);
    }
    CheckCount(state, static_cast<long>(tasks.Count()));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kFilmPageBytes));
}
BENCHMARK(BM_ScanPlainPage)->Unit(benchmark::kMillisecond);

void BM_ScanPlainPage_AnchorGrepAwk(benchmark::State& state) {
    const Pages& pages = Pages::Get();
    const std::string command = "LC_ALL=C grep -aoE 'qvod://[^|]*\\|[^|]*\\|[^|]*\\|' '" + pages.plainFile +
                                "' | LC_ALL=C awk '!seen[$0]++' | wc -l";
    TimeAnchor(state, command);
}
BENCHMARK(BM_ScanPlainPage_AnchorGrepAwk)->Unit(benchmark::kMillisecond)->UseRealTime();

// (b) Unescaping the decoded escaped page, then the same scan, as GetAllQvodUrl does with the
// text it fetched (in place; refilling the buffer between runs is not timed).
void BM_UnescapeAndScanEscapedPage(benchmark::State& state) {
    const Pages& pages = Pages::Get();
    TaskList tasks;
    Text text;
    for (auto _ : state) {
        state.PauseTiming();
        text = pages.escapedText;
        state.ResumeTiming();
        tasks.ClearTasks();
        UnEscapeInPlace(text);
        AddQvodUrls(text, tasks);
    }
    CheckCount(state, static_cast<long>(tasks.Count()));
}
BENCHMARK(BM_UnescapeAndScanEscapedPage)->Unit(benchmark::kMillisecond);

void BM_UnescapeAndScanEscapedPage_AnchorPython(benchmark::State& state) {
    const Pages& pages = Pages::Get();
    const std::string command = "python3 '" + std::string(kPythonAnchor) + "' '" + pages.escapedFile + "'";
    TimeAnchor(state, command);
}
BENCHMARK(BM_UnescapeAndScanEscapedPage_AnchorPython)->Unit(benchmark::kMillisecond)->UseRealTime();

// vbUnEscape alone, with its copy of the page.
void BM_vbUnEscapeEscapedPage(benchmark::State& state) {
    const Pages& pages = Pages::Get();
    for (auto _ : state) benchmark::DoNotOptimize(vbUnEscape(pages.escapedText));
}
BENCHMARK(BM_vbUnEscapeEscapedPage)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ferrik::bench
