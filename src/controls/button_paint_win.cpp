#include "controls/button_paint_win.h"

#include <utility>
#include <vector>

#include "controls/tesselbutton.h"
#include "platform/handles_win.h"

namespace ferrik {

namespace {
constexpr int kPushButtonPart = 1;  // the visual style's push button
}  // namespace

void SetWindowRegionOnce(HWND hwnd, HRGN region) {
    if (!region) return;
    UniqueGdi<HRGN> fresh(region);
    UniqueGdi<HRGN> current(CreateRectRgn(0, 0, 0, 0));
    if (current && GetWindowRgn(hwnd, current.get()) != ERROR && EqualRgn(current.get(), fresh.get())) return;
    if (SetWindowRgn(hwnd, fresh.get(), TRUE)) static_cast<void>(fresh.release());  // the window owns it now
}

BackBuffer::~BackBuffer() {
    if (m_dc && m_old) SelectObject(m_dc.get(), m_old);
}

HDC BackBuffer::Prepare(int width, int height) {
    if (m_dc && m_bitmap && width == m_width && height == m_height) return m_dc.get();
    if (!m_dc) m_dc.reset(CreateCompatibleDC(nullptr));
    if (!m_dc) return nullptr;
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = -height;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueGdi<HBITMAP> bitmap(CreateDIBSection(m_dc.get(), &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap) return nullptr;
    const HGDIOBJ previous = SelectObject(m_dc.get(), bitmap.get());
    if (!m_old) m_old = previous;
    m_bitmap = std::move(bitmap);  // the previous bitmap is no longer selected
    m_width = width;
    m_height = height;
    return m_dc.get();
}

GdiButtonCanvas::GdiButtonCanvas(HDC dc, HWND hwnd, TesselButton& button, HFONT font, bool unicode, int width,
                                 int height, ButtonPaintCache& cache, std::function<void()> buildRegion)
    : m_dc(dc),
      m_hwnd(hwnd),
      m_button(button),
      m_font(font),
      m_unicode(unicode),
      m_width(width),
      m_height(height),
      m_cache(cache),
      m_buildRegion(std::move(buildRegion)) {}

void GdiButtonCanvas::DrawLine(int x1, int y1, int x2, int y2, std::uint32_t colour) {
    UniqueGdi<HPEN> pen(CreatePen(PS_SOLID, 1, colour));
    SelectGuard select(m_dc, pen.get());
    MoveToEx(m_dc, x1, y1, nullptr);
    LineTo(m_dc, x2, y2);  // the last point is not drawn
}

void GdiButtonCanvas::DrawRectangle(int x, int y, int w, int h, std::uint32_t colour) {
    UniqueGdi<HPEN> pen(CreatePen(PS_SOLID, 1, colour));
    SelectGuard selectPen(m_dc, pen.get());
    SelectGuard selectBrush(m_dc, GetStockObject(NULL_BRUSH));
    Rectangle(m_dc, x, y, x + w, y + h);
}

void GdiButtonCanvas::FillArea(std::uint32_t colour, PaintRect area) {
    UniqueGdi<HBRUSH> brush(CreateSolidBrush(colour));
    const RECT rc{area.left, area.top, area.right, area.bottom};
    FillRect(m_dc, &rc, brush.get());
}

void GdiButtonCanvas::DrawGradient(int x, int y, int w, int h, std::uint32_t from, std::uint32_t to, int direction) {
    if (w <= 0 || h <= 0) return;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(w) * h);
    RenderGradient(pixels.data(), w, h, from, to, direction);
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
    bmi.bmiHeader.biWidth = w;
    bmi.bmiHeader.biHeight = h;  // bottom-up
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    SetDIBitsToDevice(m_dc, x, y, static_cast<DWORD>(w), static_cast<DWORD>(h), 0, 0, 0, static_cast<UINT>(h),
                      pixels.data(), &bmi, DIB_RGB_COLORS);
}

void GdiButtonCanvas::SetPixel(int x, int y, std::uint32_t colour) {
    SetPixelV(m_dc, x, y, colour);
}

void GdiButtonCanvas::DrawEdge(PaintRect area, EdgeKind edge) {
    RECT rc{area.left, area.top, area.right, area.bottom};
    const UINT kind = edge == EdgeKind::Raised ? EDGE_RAISED : edge == EdgeKind::Thin ? BDR_RAISEDINNER : EDGE_SUNKEN;
    ::DrawEdge(m_dc, &rc, kind, BF_RECT);
}

void GdiButtonCanvas::DrawFocusRect(PaintRect area) {
    const RECT rc{area.left, area.top, area.right, area.bottom};
    // The dotted rectangle is drawn by XOR, over what the background left there.
    const COLORREF oldText = SetTextColor(m_dc, RGB(0, 0, 0));
    const COLORREF oldBack = SetBkColor(m_dc, RGB(255, 255, 255));
    ::DrawFocusRect(m_dc, &rc);
    SetBkColor(m_dc, oldBack);
    SetTextColor(m_dc, oldText);
}

void GdiButtonCanvas::BuildRegion() {
    if (m_buildRegion) m_buildRegion();
}

void GdiButtonCanvas::DrawContent(int state) {
    m_content = DrawButtonContent(m_dc, m_button, state, m_width, m_height, m_font, m_unicode);
}

void GdiButtonCanvas::DrawThemedBackground(int themedState) {
    if (!m_cache.theme && m_hwnd) m_cache.theme.reset(late::OpenThemeData(m_hwnd, L"Button"));
    const HTHEME theme = m_cache.theme.get();
    if (!theme) return;
    const RECT button{0, 0, m_width, m_height};
    // The region is taken one pixel wider left, top and right and two at the bottom.
    const std::uint64_t key = (std::uint64_t{0x80} << 56) | (static_cast<std::uint64_t>(themedState & 0xFF) << 48) |
                              (static_cast<std::uint64_t>(m_width & 0xFFFFFF) << 24) | (m_height & 0xFFFFFF);
    if (key != m_cache.regionKey) {
        const RECT widened{-1, -1, m_width + 1, m_height + 2};
        HRGN region = nullptr;
        if (SUCCEEDED(late::GetThemeBackgroundRegion(theme, m_dc, kPushButtonPart, themedState, &widened, &region)) &&
            region) {
            SetWindowRegionOnce(m_hwnd, region);
            m_cache.regionKey = key;
        }
    }
    late::DrawThemeBackground(theme, m_dc, kPushButtonPart, themedState, &button, nullptr);
}

void GdiButtonCanvas::SetForeColor(std::uint32_t colour) {
    m_button.StoreForeColor(colour);
}

}  // namespace ferrik
