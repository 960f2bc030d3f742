#pragma once
// Searching UTF-16 text fast enough for whole film-site pages (tens of megabytes): SSE2 where the
// target has it, a plain loop elsewhere.
#include <cstddef>

#include "common/text.h"

namespace ferrik {

// First `unit` at or after `from`, or TextView::npos.
std::size_t FindUnit(TextView text, char16_t unit, std::size_t from);

// First of the units `a`, `b` and `c` at or after `from`, or TextView::npos (repeat one to look
// for fewer).
std::size_t FindFirstOf(TextView text, char16_t a, char16_t b, char16_t c, std::size_t from);

// First unit at or after `from` that is `a` or `b` or not ASCII (U+0080 and up), or
// TextView::npos: the places where a case-folded ASCII letter may stand.
std::size_t FindPairOrNonAscii(TextView text, char16_t a, char16_t b, std::size_t from);

// First occurrence of `needle` at or after `from`, or TextView::npos; an empty needle is found at
// `from` when `from` is inside the text or at its end. Linear in the text for a needle of fixed
// length.
std::size_t FindText(TextView text, TextView needle, std::size_t from);

}  // namespace ferrik
