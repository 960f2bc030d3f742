#include "analysis/html_links.h"

namespace ferrik {

// Placeholder until the tokenizer lands: no links.
std::vector<Hyperlink> ExtractLinks(std::string_view, std::string_view, TextView, const ByteDecoder&) { return {}; }

}  // namespace ferrik
