#include "analysis/html_entities.h"

#include <algorithm>
#include <string_view>

namespace ferrik {

namespace {

struct Entity {
    std::string_view name;
    char32_t first;
    char32_t second;
    bool legacy;  // also recognised without the ';'
};

constexpr Entity kEntities[] = {
#include "analysis/html_entities.inc"
};

// Compares ASCII `a` with UTF-16 `b` code unit by code unit.
int Compare(std::string_view a, TextView b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto ca = static_cast<unsigned char>(a[i]);
        if (ca != b[i]) return ca < b[i] ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

const Entity* Find(TextView name) {
    const auto* it = std::lower_bound(std::begin(kEntities), std::end(kEntities), name,
                                      [](const Entity& e, TextView n) { return Compare(e.name, n) < 0; });
    return it != std::end(kEntities) && Compare(it->name, name) == 0 ? it : nullptr;
}

// The longest name usable without ';': they are all short.
constexpr std::size_t kMaxLegacyName = 6;

}  // namespace

NamedReference MatchNamedReference(TextView name, char16_t next) {
    // Names are letters and digits only, so a match with ';' must span every letter and digit.
    if (next == u';') {
        if (const Entity* e = Find(name)) return {name.size() + 1, e->first, e->second, true};
    }
    for (std::size_t n = std::min(name.size(), kMaxLegacyName); n > 0; --n) {
        const Entity* e = Find(name.substr(0, n));
        if (e && e->legacy) return {n, e->first, e->second, false};
    }
    return {};
}

}  // namespace ferrik
