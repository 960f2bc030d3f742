#pragma once
// Named character references ("&amp;", "&eacute", ...) of HTML.
#include <cstddef>

#include "common/text.h"

namespace ferrik {

struct NamedReference {
    std::size_t length = 0;  // characters consumed after '&' (';' included); 0 when nothing matches
    char32_t first = 0;
    char32_t second = 0;  // 0 unless the reference stands for two code points
    bool semicolon = false;
};

// Longest name wanted: no name has more letters and digits than this.
constexpr std::size_t kMaxReferenceName = 32;

// The longest reference at the start of `name`, which holds the ASCII letters and digits after '&'
// (at most kMaxReferenceName of them); `next` is the character after them (0 at the end of input).
NamedReference MatchNamedReference(TextView name, char16_t next);

}  // namespace ferrik
