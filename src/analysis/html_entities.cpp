#include "analysis/html_entities.h"

#include <algorithm>
#include <array>
#include <cstdint>
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

// Names are found through a hash table of indices into kEntities (open addressing, linear
// probing) instead of a binary search over the whole list: a reference costs one hash of its name
// and one or two compares.
template <typename Name>
constexpr std::uint32_t HashName(const Name& name) {
    std::uint32_t h = 2166136261u;
    for (const auto c : name) h = (h ^ static_cast<std::uint32_t>(c)) * 16777619u;
    return h;
}

constexpr std::size_t kSlotCount = 4096;  // a power of two, about twice the names
static_assert(std::size(kEntities) < kSlotCount / 3 * 2);

// Each slot holds an index into kEntities plus one, 0 where it is empty.
constexpr auto kSlots = [] {
    std::array<std::uint16_t, kSlotCount> slots{};
    for (std::size_t i = 0; i < std::size(kEntities); ++i) {
        std::size_t s = HashName(kEntities[i].name) & (kSlotCount - 1);
        while (slots[s] != 0) s = (s + 1) & (kSlotCount - 1);
        slots[s] = static_cast<std::uint16_t>(i + 1);
    }
    return slots;
}();

bool SameName(std::string_view a, TextView b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (static_cast<unsigned char>(a[i]) != b[i]) return false;
    return true;
}

const Entity* Find(TextView name) {
    for (std::size_t s = HashName(name) & (kSlotCount - 1); kSlots[s] != 0; s = (s + 1) & (kSlotCount - 1)) {
        const Entity& e = kEntities[kSlots[s] - 1];
        if (SameName(e.name, name)) return &e;
    }
    return nullptr;
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
