#include "controls/button_color.h"

#include <algorithm>
#include <cmath>

namespace ferrik {

std::int32_t TranslateColor(OleColor colour, const SystemColors& system) {
    const OleColor form = colour & 0xFF000000u;
    if (form == 0) return static_cast<std::int32_t>(colour);
    if (form != kSystemColorFlag) return -1;
    const std::optional<std::uint32_t> rgb = system.SysColor(static_cast<int>(colour & 0x00FFFFFFu));
    if (!rgb) return -1;
    return static_cast<std::int32_t>(*rgb & 0x00FFFFFFu);
}

long RoundHalfEven(double value) {
    const double floor = std::floor(value);
    const double diff = value - floor;
    long result = static_cast<long>(floor);
    if (diff > 0.5 || (diff == 0.5 && (result & 1) != 0)) ++result;
    return result;
}

std::uint32_t ShiftColor(std::uint32_t colour, double amount) {
    std::uint32_t result = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        long channel = RoundHalfEven(static_cast<double>((colour >> shift) & 0xFF) + amount * 255.0);
        channel = amount > 0 ? std::min(channel, 255L) : std::max(channel, 0L);
        // A zero amount leaves the channel as it was; only a positive one can pass 255 and only a
        // negative one can go below 0, so the one-sided clamp keeps every channel in a byte.
        result |= static_cast<std::uint32_t>(std::clamp(channel, 0L, 255L)) << shift;
    }
    return result;
}

std::uint32_t MidColor(std::uint32_t a, std::uint32_t b) {
    std::uint32_t result = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const double sum = static_cast<double>(((a >> shift) & 0xFF) + ((b >> shift) & 0xFF));
        result |= static_cast<std::uint32_t>(RoundHalfEven(sum / 2.0)) << shift;
    }
    return result;
}

EffectTables MakeEffectTables() {
    EffectTables tables{};
    for (int i = 0; i < 256; ++i) {
        tables.lighter[i] = static_cast<std::uint8_t>(std::min(255, i * 293 / 255));
        tables.darker[i] = static_cast<std::uint8_t>(i * 217 / 255);
    }
    return tables;
}

}  // namespace ferrik
