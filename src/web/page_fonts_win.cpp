#include "web/page_fonts_win.h"

namespace ferrik {

PageFonts::PageFonts(int dpi) {
    const auto make = [dpi](int height, int weight, bool underline) {
        return UniqueGdi<HFONT>(CreateFontW(-MulDiv(height, dpi, 96), 0, 0, 0, weight, FALSE, underline, FALSE,
                                            DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                            ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"宋体"));
    };
    for (int underline = 0; underline < 2; ++underline) {
        m_fonts[0][underline] = make(14, FW_NORMAL, underline);
        m_fonts[1][underline] = make(14, FW_BOLD, underline);
        m_fonts[2][underline] = make(20, FW_BOLD, underline);
    }
}

std::shared_ptr<const PageFonts> PageFontCache::For(int dpi) {
    if (!m_fonts || dpi != m_dpi) {
        m_fonts = std::make_shared<const PageFonts>(dpi);
        m_dpi = dpi;
        m_lineHeight = 0;
    }
    return m_fonts;
}

int PageFontCache::LineHeight(int dpi) {
    const std::shared_ptr<const PageFonts> fonts = For(dpi);
    if (m_lineHeight == 0) {
        // A screen-compatible memory DC measures as the screen does, as the layout's does.
        UniqueDc dc(CreateCompatibleDC(nullptr));
        m_lineHeight = GdiMeasurer(dc.get(), *fonts).LineHeight(FontRole::Normal);
    }
    return m_lineHeight;
}

GdiMeasurer::~GdiMeasurer() {
    if (m_oldFont) SelectObject(m_dc, m_oldFont);
}

int GdiMeasurer::Width(TextView text, FontRole font) {
    std::vector<std::int16_t>& widths = m_widths[static_cast<int>(font)];
    if (widths.empty()) widths.assign(0x10000, -1);
    int total = 0;
    for (char16_t c : text) {
        if (c >= 0xD800 && c <= 0xDFFF) return WholeWidth(text, font);
        std::int16_t& width = widths[c];
        if (width < 0) {
            Use(font);
            INT advance = 0;
            const UINT code = c;
            width = GetCharWidth32W(m_dc, code, code, &advance) ? static_cast<std::int16_t>(advance) : 0;
        }
        total += width;
    }
    return total;
}

int GdiMeasurer::LineHeight(FontRole font) {
    int& height = m_heights[static_cast<int>(font)];
    if (height == 0) {
        Use(font);
        TEXTMETRICW tm{};
        GetTextMetricsW(m_dc, &tm);
        height = tm.tmHeight + tm.tmExternalLeading + 2;
    }
    return height;
}

void GdiMeasurer::Use(FontRole font) {
    const HFONT wanted = m_fonts.Get(font, false);
    if (wanted == m_current) return;
    const HGDIOBJ old = SelectObject(m_dc, wanted);
    if (!m_oldFont) m_oldFont = old;
    m_current = wanted;
}

int GdiMeasurer::WholeWidth(TextView text, FontRole font) {
    Use(font);
    SIZE size{};
    GetTextExtentPoint32W(m_dc, reinterpret_cast<const wchar_t*>(text.data()), static_cast<int>(text.size()), &size);
    return size.cx;
}

}  // namespace ferrik
