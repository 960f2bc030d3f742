// The site list on any text: the scheme named is field 1 of a line, and only a match names one.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz/fuzz_text.h"
#include "rules/site_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ferrik::Text text = ferrik::fuzz::TextFromBytes(data, size);
    if (text.empty()) return 0;
    // The first character tells how many of the next ones form an address; the rest is the list.
    const ferrik::TextView view(text);
    const std::size_t cut = std::min<std::size_t>(text[0] % 24, view.size() - 1);
    const ferrik::TextView addresses[] = {view.substr(1, cut), u"http://a.example/", u"   "};
    for (ferrik::TextView address : addresses) {
        bool found = false;
        const ferrik::Text scheme = ferrik::MatchSiteList(view.substr(1 + cut), address, found);
        if (!found && !scheme.empty()) std::abort();
        if (scheme.find(u'\r') != ferrik::Text::npos || scheme.find(u'|') != ferrik::Text::npos) std::abort();
    }
    return 0;
}
