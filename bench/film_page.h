#pragma once
// A deterministic 20 MB film-site page in GBK for the link-extraction benchmarks: ordinary list
// markup with 50,000 qvod:// links (25,000 distinct, each twice), in anchors and in player scripts.
#include <cstddef>
#include <string>

namespace ferrik::bench {

inline constexpr std::size_t kFilmPageBytes = 20u << 20;
inline constexpr int kFilmPageLinks = 50000;
inline constexpr int kFilmPageDistinctLinks = 25000;

// `escaped`: the links written as the sites' escape() output ("qvod%3A%2F%2F...%7C", names as
// %uXXXX) instead of plain text; the markup around them is the same.
std::string MakeFilmPage(bool escaped);

}  // namespace ferrik::bench
