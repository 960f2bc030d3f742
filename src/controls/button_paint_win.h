#pragma once
// The GDI canvas of tesselbutton's style routines: 1-pixel pens and brushes made and deleted per
// call, gradients as one device-independent bitmap, the platform's 3-D edges, dotted focus
// rectangles and visual styles.
#include <windows.h>

#include <cstdint>
#include <functional>

#include "controls/button_content_win.h"
#include "controls/button_paint.h"
#include "platform/handles_win.h"
#include "platform/system_dlls_win.h"

namespace ferrik {

class TesselButton;

// Gives `region` to `hwnd` as its window region unless the window has an equal one already (setting
// a region redraws the window, which from inside a repaint would repaint forever). Takes ownership.
void SetWindowRegionOnce(HWND hwnd, HRGN region);

// One 32-bit off-screen bitmap of the button's size, kept between repaints: making a memory DC and
// a bitmap costs more under Wine than all the drawing of a repaint.
class BackBuffer {
public:
    BackBuffer() = default;
    BackBuffer(const BackBuffer&) = delete;
    BackBuffer& operator=(const BackBuffer&) = delete;
    ~BackBuffer();
    // A memory DC holding a bitmap of exactly width x height; null on failure.
    HDC Prepare(int width, int height);

private:
    UniqueDc m_dc;
    UniqueGdi<HBITMAP> m_bitmap;
    HGDIOBJ m_old = nullptr;
    int m_width = 0;
    int m_height = 0;
};

namespace detail {
inline void CloseThemeHandle(HTHEME h) noexcept {
    late::CloseThemeData(h);
}
}  // namespace detail
using UniqueTheme = UniqueResource<HTHEME, detail::CloseThemeHandle>;

// What a button keeps between repaints: the off-screen bitmap, the visual style's data for
// "Button" (closed when the theme changes) and a key of the region last given to the window, so that
// an unchanged region is not computed and set again.
struct ButtonPaintCache {
    BackBuffer back;
    UniqueTheme theme;
    std::uint64_t regionKey = 0;
};

class GdiButtonCanvas final : public ButtonCanvas {
public:
    // `dc` shows the button's client area of `width` x `height`; `buildRegion` is the window's;
    // `unicode`: the Unicode text routines (NT-based systems).
    GdiButtonCanvas(HDC dc, HWND hwnd, TesselButton& button, HFONT font, bool unicode, int width, int height,
                    ButtonPaintCache& cache, std::function<void()> buildRegion);

    void DrawLine(int x1, int y1, int x2, int y2, std::uint32_t colour) override;
    void DrawRectangle(int x, int y, int w, int h, std::uint32_t colour) override;
    void FillArea(std::uint32_t colour, PaintRect area) override;
    void DrawGradient(int x, int y, int w, int h, std::uint32_t from, std::uint32_t to, int direction) override;
    void SetPixel(int x, int y, std::uint32_t colour) override;
    void DrawEdge(PaintRect area, EdgeKind edge) override;
    void DrawFocusRect(PaintRect area) override;
    void BuildRegion() override;
    void DrawContent(int state) override;
    void DrawThemedBackground(int themedState) override;
    void SetForeColor(std::uint32_t colour) override;

    const ButtonContentRects& Content() const { return m_content; }

private:
    HDC m_dc;
    HWND m_hwnd;
    TesselButton& m_button;
    HFONT m_font;
    bool m_unicode;
    int m_width;
    int m_height;
    ButtonPaintCache& m_cache;
    std::function<void()> m_buildRegion;
    ButtonContentRects m_content{};
};

}  // namespace ferrik
