#include "forms/forms.h"

#include <cstdint>

namespace ferrik {

namespace {

int RoundedRatio(std::int64_t value, std::int64_t multiplier, std::int64_t divisor) {
    if (divisor <= 0) return 0;
    const std::int64_t scaled = value * multiplier;
    const std::int64_t half = divisor / 2;
    return static_cast<int>(scaled >= 0 ? (scaled + half) / divisor : -((-scaled + half) / divisor));
}

}  // namespace

int TwipsToPixels(int twips, int dpi) {
    return RoundedRatio(twips, dpi, 1440);
}

int PixelsToTwips(int pixels, int dpi) {
    return RoundedRatio(pixels, 1440, dpi);
}

}  // namespace ferrik
