#include "analysis/url.h"

namespace ferrik {

// Placeholder until the full parser lands: absolute inputs stand, others are appended to the base.
std::optional<Text> ResolveUrl(TextView input, TextView base) {
    if (input.find(u"://") != TextView::npos) return Text(input);
    if (base.find(u"://") == TextView::npos) return std::nullopt;
    return Text(base.substr(0, base.rfind(u'/') + 1)) + Text(input);
}

}  // namespace ferrik
