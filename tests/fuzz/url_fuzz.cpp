// The URL parser must take any input: no crash, no hang, no sanitizer report. A parsed URL must
// serialize to an href that parses again to the same href (the Standard's idempotence).
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "analysis/url.h"

namespace {

void CheckRoundTrip(const ferrik::Url& url) {
    const ferrik::Text href = url.Href();
    const std::optional<ferrik::Url> again = ferrik::ParseUrl(href);
    if (!again || again->Href() != href) std::abort();
}

}  // namespace

// Input: the first line is the base, the rest the input (so the fuzzer explores both).
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ferrik::Text text = ferrik::FromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
    const size_t newline = text.find(u'\n');
    const ferrik::TextView base = newline == ferrik::Text::npos ? ferrik::TextView(u"http://h/p/q?r#s")
                                                                : ferrik::TextView(text).substr(0, newline);
    const ferrik::TextView input =
        newline == ferrik::Text::npos ? ferrik::TextView(text) : ferrik::TextView(text).substr(newline + 1);

    const std::optional<ferrik::Url> alone = ferrik::ParseUrl(input);
    if (alone) CheckRoundTrip(*alone);
    const std::optional<ferrik::Url> parsedBase = ferrik::ParseUrl(base);
    if (parsedBase) {
        const std::optional<ferrik::Url> relative = ferrik::ParseUrl(input, &*parsedBase);
        if (relative) CheckRoundTrip(*relative);
        const std::optional<ferrik::Text> resolved = ferrik::ResolveUrl(input, base);
        if (resolved.has_value() != relative.has_value() || (resolved && *resolved != relative->Href())) std::abort();
    }
    return 0;
}
