#pragma once
// Punycode (RFC 3492), the coder behind the "xn--" labels of international domain names.
#include <cstddef>
#include <string>
#include <string_view>

#include "common/text.h"

namespace ferrik::url_detail {

// Appends the code points' Punycode form (without the "xn--" prefix); false where the coder's
// 32-bit bounds overflow.
bool PunycodeEncode(std::u32string_view input, Text& out);
// The code points of a Punycode label; fails as soon as the output would pass `maxLength`, which
// bounds the quadratic insertion.
bool PunycodeDecode(std::u32string_view input, std::u32string& out, std::size_t maxLength);

}  // namespace ferrik::url_detail
