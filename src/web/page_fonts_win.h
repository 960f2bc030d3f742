#pragma once
// The own browser's page fonts and the measurer that lays pages out with them. The fonts are made
// once per DPI and shared: a layout under way keeps the set it started with.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/handles_win.h"
#include "web/page.h"

namespace ferrik {

// The page's fonts, 14 and 20 pixels high at 96 DPI, in proportion on a monitor of another scale.
class PageFonts {
public:
    explicit PageFonts(int dpi);
    HFONT Get(FontRole role, bool underline) const { return m_fonts[static_cast<int>(role)][underline ? 1 : 0].get(); }

private:
    UniqueGdi<HFONT> m_fonts[3][2];
};

// The fonts for the DPI last asked for, and the height of a line of normal text in them; a new
// DPI drops both.
class PageFontCache {
public:
    std::shared_ptr<const PageFonts> For(int dpi);
    int LineHeight(int dpi);

private:
    std::shared_ptr<const PageFonts> m_fonts;
    int m_dpi = 0;
    int m_lineHeight = 0;  // 0: not measured yet
};

// Widths from a per-character cache: one GDI call per distinct character and font instead of one
// per piece of text (a page of 25,000 links lays out in a fraction of the time). GDI lays a line
// out as the sum of its characters' advances, so the sum is the extent; text with surrogate pairs
// is measured whole.
class GdiMeasurer final : public TextMeasurer {
public:
    GdiMeasurer(HDC dc, const PageFonts& fonts) : m_dc(dc), m_fonts(fonts) {}
    ~GdiMeasurer() override;
    GdiMeasurer(const GdiMeasurer&) = delete;
    GdiMeasurer& operator=(const GdiMeasurer&) = delete;

    int Width(TextView text, FontRole font) override;
    int LineHeight(FontRole font) override;

private:
    void Use(FontRole font);
    int WholeWidth(TextView text, FontRole font);

    HDC m_dc;
    const PageFonts& m_fonts;
    HFONT m_current = nullptr;
    HGDIOBJ m_oldFont = nullptr;
    std::vector<std::int16_t> m_widths[3];
    int m_heights[3] = {};
};

}  // namespace ferrik
