// The URL parser must take any input: no crash, no hang, no sanitizer report. A parsed URL must
// serialize to an href that parses again to the same href (the Standard's idempotence). The
// readable form parses exactly when the Standard's does and reads back to it (up to the case of
// escapes); a request in another charset is idempotent too.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "analysis/url.h"

namespace {

void CheckRoundTrip(const ferrik::Url& url) {
    const ferrik::Text href = url.Href();
    const std::optional<ferrik::Url> again = ferrik::ParseUrl(href);
    if (!again || again->Href() != href) std::abort();
}

ferrik::Text UpperCaseEscapes(ferrik::Text text) {
    for (size_t i = 0; i + 2 < text.size(); ++i) {
        if (text[i] != u'%') continue;
        for (size_t k = i + 1; k <= i + 2; ++k) {
            if (text[k] >= u'a' && text[k] <= u'f') text[k] = static_cast<char16_t>(text[k] - 0x20);
        }
    }
    return text;
}

// A single-byte stand-in charset: Latin-1, lacking everything above it.
bool EncodeLatin1(char32_t cp, std::string& out) {
    if (cp > 0xFF) return false;
    out += static_cast<char>(cp);
    return true;
}

void CheckForms(ferrik::TextView input, const ferrik::Url* base, const std::optional<ferrik::Url>& standard) {
    const std::optional<ferrik::Url> display = ferrik::ParseUrl(input, base, ferrik::UrlForm::Display);
    if (display.has_value() != standard.has_value()) std::abort();
    if (!display) return;
    const std::optional<ferrik::Url> again = ferrik::ParseUrl(display->Href());
    if (!again || UpperCaseEscapes(again->Href()) != UpperCaseEscapes(standard->Href())) std::abort();
    const std::optional<ferrik::Url> request = ferrik::ParseRequestUrl(display->Href(), EncodeLatin1);
    if (!request) std::abort();
    CheckRoundTrip(*request);
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
    CheckForms(input, nullptr, alone);
    const std::optional<ferrik::Url> parsedBase = ferrik::ParseUrl(base);
    if (parsedBase) {
        const std::optional<ferrik::Url> relative = ferrik::ParseUrl(input, &*parsedBase);
        if (relative) CheckRoundTrip(*relative);
        CheckForms(input, &*parsedBase, relative);
        const std::optional<ferrik::Text> resolved = ferrik::ResolveUrl(input, base);
        if (resolved.has_value() != relative.has_value() || (resolved && *resolved != relative->Href())) std::abort();
    }
    return 0;
}
