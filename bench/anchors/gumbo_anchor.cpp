// The native anchor of the Windows link benchmark: gumbo's parse and walk of a page file, timed
// here on the build machine. Prints "<median seconds of the runs> <links> <peak bytes>", the peak
// being the most that gumbo's allocations held at once.
// Built and run by bench/win/core_bench_anchors.sh.
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "../gumbo_links.h"

namespace {

long long g_current = 0;
long long g_peak = 0;

void* Allocate(void*, std::size_t size) {
    void* p = std::malloc(size ? size : 1);
    g_current += static_cast<long long>(malloc_usable_size(p));
    g_peak = std::max(g_peak, g_current);
    return p;
}

void Free(void*, void* p) {
    if (p) g_current -= static_cast<long long>(malloc_usable_size(p));
    std::free(p);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    std::ifstream in(argv[1], std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    const std::string page = bytes.str();
    std::vector<double> seconds;
    std::size_t links = 0;
    for (int run = 0; run < std::atoi(argv[2]); ++run) {
        g_current = g_peak = 0;
        const auto start = std::chrono::steady_clock::now();
        links = ferrik::bench::GumboLinks(page, Allocate, Free);
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    if (seconds.empty()) return 2;
    std::sort(seconds.begin(), seconds.end());
    std::printf("%.6f %zu %lld\n", seconds[seconds.size() / 2], links, g_peak);
    return 0;
}
