#pragma once
// What every Windows benchmark prints: rows of one table, each figure beside a reference
// measured in the same run. scripts/bench-win prints the header once and the rows of every
// benchmark program under it.
//
//   | measurement | Ferrik | reference (same run) | ratio |
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace ferrik::bench {

inline double SecondsSince(LARGE_INTEGER from) {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

inline LARGE_INTEGER Now() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t;
}

inline double Median(std::vector<double> values) {
    if (values.empty()) return -1;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// A time as people read it: microseconds, milliseconds or seconds.
inline std::string Time(double seconds) {
    char text[32];
    if (seconds < 0) return "FAILED";
    if (seconds < 1e-3) {
        std::snprintf(text, sizeof text, "%.1f us", seconds * 1e6);
    } else if (seconds < 1) {
        std::snprintf(text, sizeof text, "%.1f ms", seconds * 1e3);
    } else {
        std::snprintf(text, sizeof text, "%.2f s", seconds);
    }
    return text;
}

// One row; `ratio` is Ferrik's figure over the reference's (none when either failed).
inline void Row(const std::string& what, const std::string& ferrik, const std::string& reference, double ratio) {
    char r[32] = "";
    if (ratio > 0) std::snprintf(r, sizeof r, ratio < 0.1 ? "%.4fx" : "%.2fx", ratio);
    std::printf("| %s | %s | %s | %s |\n", what.c_str(), ferrik.c_str(), reference.c_str(), r);
    std::fflush(stdout);
}

}  // namespace ferrik::bench
