#pragma once
// Colour arithmetic of the image button. Colours are COLORREF values (0x00BBGGRR) or system-colour
// codes (0x80000000 plus a system colour index), as the button's colour properties hold them.
#include <cstdint>
#include <optional>

namespace ferrik {

using OleColor = std::uint32_t;

inline constexpr OleColor kSystemColorFlag = 0x80000000u;
// System colour indexes the button uses.
inline constexpr int kColorAppWorkspace = 12;
inline constexpr int kColorBtnFace = 15;
inline constexpr int kColorGrayText = 17;
inline constexpr int kColorBtnText = 18;
inline constexpr int kColorInfoBk = 24;

constexpr OleColor SystemColorCode(int index) {
    return kSystemColorFlag | static_cast<OleColor>(index);
}

// The platform's table of system colours: the RGB value of an index, nothing for an index the
// platform does not know.
class SystemColors {
public:
    virtual ~SystemColors() = default;
    virtual std::optional<std::uint32_t> SysColor(int index) const = 0;
};

// OLE colour to RGB: a COLORREF passes unchanged, a system-colour code is looked up; any other
// form, or an unknown index, fails and yields -1 (which the drawing then uses as a colour).
std::int32_t TranslateColor(OleColor colour, const SystemColors& system);

// Adds amount x 255 to each of red, green and blue, rounds to the nearest integer (halves to even)
// and clamps at 255 for a positive amount, at 0 otherwise.
std::uint32_t ShiftColor(std::uint32_t colour, double amount);

// Per-channel mean, halves to even.
std::uint32_t MidColor(std::uint32_t a, std::uint32_t b);

// The picture effects' channel tables: lighter[i] = min(255, i x 293 / 255), darker[i] = i x 217 / 255
// (both truncating).
struct EffectTables {
    std::uint8_t lighter[256];
    std::uint8_t darker[256];
};
EffectTables MakeEffectTables();

// Nearest integer with halves to even (the host language's conversion of a Double to a Long).
long RoundHalfEven(double value);

}  // namespace ferrik
