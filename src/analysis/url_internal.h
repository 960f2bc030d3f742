#pragma once
// Pieces of the URL parser shared by url.cpp and url_host.cpp.
#include <array>
#include <string_view>

#include "common/text.h"

namespace ferrik::url_detail {

// The ASCII members of a percent-encode set; every set also holds all code points above '~'.
struct EncodeSet {
    std::array<bool, 128> ascii{};

    constexpr bool Has(char32_t c) const { return c >= 128 || ascii[c]; }
};

constexpr EncodeSet WithCharacters(EncodeSet set, std::string_view characters) {
    for (char c : characters) set.ascii[static_cast<unsigned char>(c)] = true;
    return set;
}

constexpr EncodeSet kC0ControlSet = [] {
    EncodeSet set;
    for (int c = 0; c < 0x20; ++c) set.ascii[c] = true;
    set.ascii[0x7F] = true;
    return set;
}();
constexpr EncodeSet kFragmentSet = WithCharacters(kC0ControlSet, " \"<>`");
constexpr EncodeSet kQuerySet = WithCharacters(kC0ControlSet, " \"#<>");
constexpr EncodeSet kSpecialQuerySet = WithCharacters(kQuerySet, "'");
constexpr EncodeSet kPathSet = WithCharacters(kQuerySet, "?^`{}");
constexpr EncodeSet kUserinfoSet = WithCharacters(kPathSet, "/:;=@[\\]|");

// Appends `text` with the members of `set` written as UTF-8 percent escapes (upper-case hex).
// A lone surrogate is written as U+FFFD. `keepNonAscii`: characters above '~' are appended as they
// are instead (a lone surrogate as U+FFFD).
void AppendPercentEncoded(Text& out, TextView text, const EncodeSet& set, bool keepNonAscii = false);

// Host parser. `special`: the host of a special scheme (a domain or an IP address) rather than
// an opaque host. Writes the serialized host to `out`; false on failure.
bool ParseHost(TextView input, bool special, Text& out);

}  // namespace ferrik::url_detail
