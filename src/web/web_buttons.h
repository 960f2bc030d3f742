#pragma once
// The web window's six tesselbuttons as stored properties: a design text with their styles,
// captions, tooltips and picture effects, and the five navigation pictures, which are drawn here
// (24 x 24 pixels at 96 DPI, larger for the display's scale; anti-aliased, on the buttons' mask
// colour) rather than shipped as files.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "controls/property_bag.h"

namespace ferrik {

enum class WebGlyph { Back, Forward, Home, Refresh, Stop };

inline constexpr int kGlyphSize = 24;
// The pictures' background, which the buttons leave out (their MaskColor).
inline constexpr std::uint32_t kGlyphMaskColor = 0xE0E0E0;

// The glyphs' side in pixels at `dpi`: 24 at 96 DPI, in proportion above it.
int GlyphSizeForDpi(int dpi);

// A 24-bit bottom-up bitmap file image of the glyph, `size` pixels square.
Picture WebGlyphPicture(WebGlyph glyph, int size = kGlyphSize);

// The navigation buttons by control name and their glyphs.
inline constexpr std::pair<std::string_view, WebGlyph> kWebButtonGlyphs[] = {
    {"Command5", WebGlyph::Back},    {"Command6", WebGlyph::Forward}, {"Command2", WebGlyph::Home},
    {"Command3", WebGlyph::Refresh}, {"Command4", WebGlyph::Stop},
};

// The buttons' stored properties, by control name (Command5, Command6, Command2, Command3, Command4,
// Command7), the pictures included.
std::vector<StoredControl> WebButtonStore();
// The same as the form's design text.
std::string WebButtonDesignText();

}  // namespace ferrik
