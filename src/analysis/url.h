#pragma once
// URL parsing and resolution as browsers do it (the URL Standard).
#include <functional>
#include <optional>
#include <string>

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

// How a parsed URL writes its non-ASCII characters.
enum class UrlForm {
    // The Standard's: every non-ASCII character as percent-escaped UTF-8.
    Standard,
    // As an address bar shows it and as people write patterns: the query keeps its characters as
    // written (how they go out depends on the page they are sent for, see ParseRequestUrl), and in
    // the path and fragment escaped UTF-8 of non-ASCII characters reads as those characters.
    // Escapes of ASCII and of bytes that are not UTF-8 stay, as does the host (Punycode).
    // Parsing the result again with ParseUrl gives the Standard form of the same input.
    Display,
};

// ParseUrl in the given form.
std::optional<Url> ParseUrl(TextView input, const Url* base, UrlForm form);

// `input` parsed against `base` (itself an absolute URL), serialized; nullopt when either fails
// to parse. The last base parsed is kept per thread, so resolving many links of one page against
// the same base parses it once.
std::optional<Text> ResolveUrl(TextView input, TextView base, UrlForm form = UrlForm::Standard);

// The same into `out`, whose storage is reused; false (with `out` in no particular state) where
// ResolveUrl gives nullopt. `input` must not lie in `out`.
bool ResolveUrlInto(TextView input, TextView base, UrlForm form, Text& out);

// Appends one character of a query in some page's charset and returns true, or returns false
// (appending nothing) when the charset has no such character.
using QueryCharEncoder = std::function<bool(char32_t, std::string&)>;

// The URL an HTTP request for `input` goes to, as browsers build it for a link of a page in some
// charset: the path as UTF-8, the query of a special URL (but ws: and wss:) in the page's charset
// through `encodeQuery`, a character it lacks as "&#N;" (escaped). Escapes already written stay as
// they are. A null `encodeQuery` means UTF-8, which gives ParseUrl's record.
std::optional<Url> ParseRequestUrl(TextView input, const QueryCharEncoder& encodeQuery);

}  // namespace ferrik
