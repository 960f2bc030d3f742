#pragma once
// URL parsing and resolution as browsers do it (the URL Standard).
#include <optional>

#include "common/text.h"

namespace ferrik {

// A parsed URL record. Components are kept as the parser leaves them: already percent-encoded,
// scheme and domain lower-cased. The "has" flags tell a null component from an empty one
// ("http://h/?" has an empty query, "http://h/" none); they are flags beside the text, not
// std::optional, so that a record reused for many parses keeps its buffers.
struct Url {
    Text scheme;  // without ':'
    Text username;
    Text password;
    Text host;  // serialized: domain, dotted IPv4 or bracketed IPv6; may be empty ("file:///")
    bool hasHost = false;
    int port = -1;  // -1 when null (absent or the scheme's default)
    // "/a/b" for a path list (one '/' before every segment, "" for an empty list), or the whole
    // opaque path ("mailto:x" -> "x").
    Text path;
    bool opaquePath = false;
    Text query;
    bool hasQuery = false;
    Text fragment;
    bool hasFragment = false;

    bool IsSpecial() const;

    Text Href() const;
    void AppendHref(Text& out) const;
    // The components as the URL API names them.
    Text Protocol() const;     // "http:"
    Text HostAndPort() const;  // the API's "host": "example.com:8080"
    Text Port() const;
    Text Search() const;  // "?q" or empty
    Text Hash() const;    // "#f" or empty
    Text Origin() const;  // "null" when opaque
};

// Parses `input`, relative to `base` when given. nullopt on failure (the Standard's "failure").
std::optional<Url> ParseUrl(TextView input, const Url* base = nullptr);

// `input` parsed against `base` (itself an absolute URL), serialized; nullopt when either fails
// to parse. The last base parsed is kept per thread, so resolving many links of one page against
// the same base parses it once.
std::optional<Text> ResolveUrl(TextView input, TextView base);

}  // namespace ferrik
