#pragma once
// Pieces of the URL parser shared by url.cpp and url_host.cpp.
#include <array>
#include <string_view>

#include "analysis/url.h"
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

// A base URL prepared for resolving plain references by concatenation. Usable only for a base
// of a special scheme other than file: (one with a host and a path list).
struct PlainBase {
    const Url* url = nullptr;
    bool usable = false;
    Text origin;     // "scheme://userinfo@host:port": the serialization before the path
    Text directory;  // the base's path without its last segment
};
PlainBase PreparePlainBase(const Url& base);
// The common references of a page resolved without the parser: printable ASCII without escapes,
// backslashes or characters any percent-encode set holds, as a path ("a/b", "../a", "/a"), a
// query or fragment ("?q", "#f"), or "http://", "https://" or "//" with a plain lower-case
// domain. Writes what the parser's serialization would be and returns true; returns false
// (leaving `out` unspecified) for anything else.
bool ResolvePlainReference(TextView input, const PlainBase& base, Text& out);

}  // namespace ferrik::url_detail
