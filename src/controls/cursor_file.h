#pragma once
// The first image of an icon (.ico) or cursor (.cur) file, in the form the system makes a pointer
// from (the resource of one image). Anything else, a truncated or inconsistent file included,
// gives nothing.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace ferrik {

struct CursorImage {
    bool icon = false;  // an icon's pointer has its hot spot at the centre
    int width = 0;
    int height = 0;
    // The image's bytes; a cursor's are preceded by its hot spot (x, y, 16 bits each).
    std::vector<std::uint8_t> resource;
    bool operator==(const CursorImage&) const = default;
};

std::optional<CursorImage> CursorImageOf(std::span<const std::uint8_t> file);

}  // namespace ferrik
