// The parsers of addresses from outside (a page, a drop, the command line, an address box) take
// any text, and what they let through is a web address: http or https with a host, also as the
// URL parser reads it, with nothing around it that a browser would drop.
// Input: UTF-8 text (fuzz_text.h's spelling for the command line, so that quotes and backslashes
// come up often).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "analysis/url.h"
#include "app/command_line.h"
#include "common/web_address.h"
#include "forms/address_drop.h"
#include "fuzz/fuzz_text.h"
#include "web/page.h"

namespace {

bool Blank(char16_t c) {
    return c <= 0x20;
}

void CheckWebAddress(ferrik::TextView address) {
    if (address.empty()) return;
    if (Blank(address.front()) || Blank(address.back())) std::abort();
    for (char16_t c : address)
        if (c < 0x20 || c == 0x7F) std::abort();
    if (ferrik::WebAddress(address) != address) std::abort();
    if (const std::optional<ferrik::Url> url = ferrik::ParseUrl(address)) {
        const ferrik::Text protocol = url->Protocol();
        if (protocol != u"http:" && protocol != u"https:") std::abort();
        if (url->HostAndPort().empty()) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ferrik::Text text = ferrik::FromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
    CheckWebAddress(ferrik::WebAddress(text));

    const ferrik::Text raw = ferrik::fuzz::TextFromBytes(data, size);
    (void)ferrik::SplitCommandLine(raw);
    const ferrik::Text start = ferrik::StartAddress(raw);
    if (!start.empty() && !ferrik::IsWebAddress(start)) std::abort();
    CheckWebAddress(ferrik::WebAddress(start));

    const ferrik::Text dropped = ferrik::AddressFromDroppedText(text);
    if (dropped.find_first_of(u"\r\n") != ferrik::Text::npos) std::abort();
    if (!dropped.empty() && (dropped.front() == u' ' || dropped.front() == u'\t' || dropped.back() == u' ' ||
                             dropped.back() == u'\t'))
        std::abort();
    CheckWebAddress(ferrik::WebAddress(dropped));

    if (ferrik::IsDriveLetterPath(text)) {
        const char16_t drive = text.size() > 2 ? text[0] : 0;
        if (!((drive >= u'A' && drive <= u'Z') || (drive >= u'a' && drive <= u'z')) || text[1] != u':') std::abort();
    }
    (void)ferrik::IsShortcutFileName(text);

    // An address box drops the HTML white space and NULs around what was typed.
    const ferrik::Text typed = ferrik::BrowserAddress(text);
    const auto space = [](char16_t c) { return ferrik::TextView(u" \t\n\f\r", 6).find(c) != ferrik::TextView::npos; };
    if (!typed.empty() && (space(typed.front()) || space(typed.back()))) std::abort();
    CheckWebAddress(ferrik::WebAddress(typed));
    return 0;
}
