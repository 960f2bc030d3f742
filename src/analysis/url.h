#pragma once
// URL parsing and resolution as browsers do it (the URL Standard).
#include <optional>

#include "common/text.h"

namespace ferrik {

// `input` parsed against `base` (itself an absolute URL), serialized; nullopt when either fails
// to parse.
std::optional<Text> ResolveUrl(TextView input, TextView base);

}  // namespace ferrik
