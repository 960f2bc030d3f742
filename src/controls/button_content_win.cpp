// The content of a tesselbutton: caption, current picture and drop-down part over the painted
// background. The layout and the picture arithmetic are portable (button_content.h,
// button_picture.h); this half measures and draws text and moves picture pixels.
#include "controls/button_content_win.h"

#include <memory>
#include <span>
#include <string>
#include <unordered_map>

#include "controls/button_color.h"
#include "controls/button_color_win.h"
#include "controls/button_content.h"
#include "controls/button_picture.h"
#include "controls/tesselbutton.h"
#include "platform/handles_win.h"

namespace ferrik {
namespace {

COLORREF Tc(OleColor colour) {
    return static_cast<COLORREF>(TranslateColor(colour, WindowsSystemColors()));
}

RECT ToRect(const ContentBox& box) {
    return RECT{box.left, box.top, box.right, box.bottom};
}

// Decoded pictures, shared by every button of the GUI thread: the same bytes decode once.
PictureCache& Pictures() {
    static PictureCache cache;
    return cache;
}

// One text routine for the caption and the symbol: Unicode on NT-based systems, ANSI elsewhere.
int DrawCaptionText(HDC dc, const Text& text, RECT* rect, UINT format, bool unicode) {
    if (unicode) {
        return DrawTextW(dc, reinterpret_cast<const wchar_t*>(text.c_str()), static_cast<int>(text.size()), rect,
                         format);
    }
    const auto* wide = reinterpret_cast<const wchar_t*>(text.c_str());
    const int length =
        WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    if (length > 0) {
        WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(text.size()), ansi.data(), length, nullptr, nullptr);
    }
    return DrawTextA(dc, ansi.data(), static_cast<int>(ansi.size()), rect, format);
}

void DrawLine(HDC dc, int x1, int y1, int x2, int y2, COLORREF colour) {
    UniqueGdi<HPEN> pen(CreatePen(PS_SOLID, 1, colour));
    HGDIOBJ old = SelectObject(dc, pen.get());
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);  // the end point is not drawn
    SelectObject(dc, old);
}

// The off-screen buffer of the picture passes, kept between passes of the same size: creating a
// DIB section and a memory DC costs a hundred times the pass itself.
struct PassBuffer {
    UniqueDc dc;
    UniqueGdi<HBITMAP> bitmap;
    HGDIOBJ old = nullptr;
    Pixel* bits = nullptr;
    int width = 0;
    int height = 0;

    bool Fit(int w, int h) {
        if (bits && w == width && h == height) return true;
        if (!dc) dc.reset(CreateCompatibleDC(nullptr));
        if (!dc) return false;
        if (old) SelectObject(dc.get(), old), old = nullptr;
        bits = nullptr;
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h;  // top-down, as the portable buffers are
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* raw = nullptr;
        bitmap.reset(CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &raw, nullptr, 0));
        if (!bitmap || !raw) return false;
        old = SelectObject(dc.get(), bitmap.get());
        bits = static_cast<Pixel*>(raw);
        width = w, height = h;
        return true;
    }
    ~PassBuffer() {
        if (old) SelectObject(dc.get(), old);
    }
};

}  // namespace

// The screen under the rectangle goes into a 32-bit buffer rather than the 24-bit one a picture
// pass could use: the same pixels, and the composition reads whole words.
void DrawButtonPicture(HDC dc, const PictureImage& image, int x, int y, int width, int height, const PictureInk& ink) {
    if (width <= 0 || height <= 0 || ink.opacity <= 0) return;
    static PassBuffer buffer;  // GUI thread only, like every button
    if (!buffer.Fit(width, height)) return;
    // On a device of fewer than 24 bits a picture colour is first taken to the nearest colour the
    // device shows (so that the mask test sees what the screen would); elsewhere that is the colour.
    const PictureImage* source = &image;
    PictureImage mapped;
    // The depth is read once: asking a window DC for it costs a hundred microseconds under Wine.
    static const int depth = [] {
        WindowDc screen(nullptr);
        return screen.get() ? GetDeviceCaps(screen.get(), BITSPIXEL) * GetDeviceCaps(screen.get(), PLANES) : 32;
    }();
    if (depth < 24) {
        mapped = image;
        std::unordered_map<Pixel, Pixel> nearest;
        for (Pixel& p : mapped.pixels) {
            const Pixel colour = p & 0xFFFFFF;
            auto it = nearest.find(colour);
            if (it == nearest.end()) {
                const COLORREF shown = GetNearestColor(dc, PixelFromColorref(colour));  // the swap is symmetric
                it = nearest.emplace(colour, shown == CLR_INVALID ? colour : PixelFromColorref(shown)).first;
            }
            p = (p & 0xFF000000u) | it->second;
        }
        source = &mapped;
    }
    BitBlt(buffer.dc.get(), 0, 0, width, height, dc, x, y, SRCCOPY);
    GdiFlush();
    ComposePicture(*source, ink, std::span<Pixel>(buffer.bits, static_cast<std::size_t>(width) * height), width,
                   height);
    BitBlt(dc, x, y, width, height, buffer.dc.get(), 0, 0, SRCCOPY);
}

ButtonContentRects DrawButtonContent(HDC dc, const TesselButton& button, int state, int width, int height, HFONT font,
                                     bool unicode) {
    ContentLayoutInput in = LayoutInputOf(button, state, width, height);

    // 1. The current picture and its size as the picture object reports it, in pixels.
    const Picture* picture = CurrentPicture(button, state);
    const std::shared_ptr<const PictureImage> image = picture ? Pictures().Get(picture->bytes) : nullptr;
    if (image) {
        const int dpiX = GetDeviceCaps(dc, LOGPIXELSX), dpiY = GetDeviceCaps(dc, LOGPIXELSY);
        in.pictureWidth = PixelsFromHimetric(HimetricFromPixels(image->width, dpiX), dpiX);
        in.pictureHeight = PixelsFromHimetric(HimetricFromPixels(image->height, dpiY), dpiY);
    }

    // 2. The caption measured word-broken in its box.
    const UINT rtl = button.RightToLeft() ? DT_RTLREADING : 0;
    HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
    RECT measured{0, 0, CaptionMeasureWidth(in), height};
    DrawCaptionText(dc, button.Caption(), &measured, DT_CALCRECT | DT_WORDBREAK | rtl, unicode);
    in.textWidth = measured.right - measured.left;
    in.textHeight = measured.bottom - measured.top;

    // 3-8. Rectangles; the separator goes on the background before anything else is drawn.
    const ContentLayout layout = LayOutContent(in);
    if (layout.separator) {
        const COLORREF under = GetPixel(dc, 7, 7);
        DrawLine(dc, width - 16, 3, width - 16, height - 3, ShiftColor(under, -0.1));
        DrawLine(dc, width - 15, 3, width - 15, height - 3, ShiftColor(under, 0.1));
    }
    const COLORREF back = Tc(button.BackColor());

    // 9. The picture, its push-on-hover ghost or its shadow.
    if (image && in.hasPicture) {
        PictureInk ink = PictureInkOf(button, state);
        if (image->kind == PictureKind::kIcon) {
            if (button.UseMaskColor()) ink.transparent = kIconTransparent;
        } else if (image->kind == PictureKind::kBitmap && button.UseMaskColor()) {
            const std::int32_t mask = TranslateColor(button.MaskColor(), WindowsSystemColors());
            if (mask != -1) ink.transparent = PixelFromColorref(static_cast<std::uint32_t>(mask));
        }
        const ContentBox& at = layout.picture;
        const int pw = in.pictureWidth, ph = in.pictureHeight;
        const auto silhouette = [&](int dx, int dy, COLORREF colour) {
            PictureInk one = ink;
            one.silhouette = PixelFromColorref(colour);
            DrawButtonPicture(dc, *image, at.left + dx, at.top + dy, pw, ph, one);
        };
        if (button.PicturePushOnHover() && state == kStateHot) {
            silhouette(0, 0, 0xC0C0C0);
            DrawButtonPicture(dc, *image, at.left - 2, at.top - 2, pw, ph, ink);
        } else {
            // The shadow goes under the picture; drawing the picture first as well would blend a
            // partly transparent picture twice.
            if (button.PictureShadow()) {
                const COLORREF base = MidColor(0x808080, back);
                silhouette(2, 2, ShiftColor(base, 0.05));
                silhouette(1, 1, ShiftColor(base, -0.1));
            }
            DrawButtonPicture(dc, *image, at.left, at.top, pw, ph, ink);
        }
    }

    // 10-11. Caption effects, then the caption.
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColor = GetTextColor(dc);
    const COLORREF grey = GetSysColor(COLOR_GRAYTEXT);
    const UINT captionFormat = DT_CENTER | DT_WORDBREAK | rtl;
    const auto drawCaption = [&](int dx, int dy, COLORREF colour) {
        RECT r = ToRect(layout.caption);
        OffsetRect(&r, dx, dy);
        SetTextColor(dc, colour);
        DrawCaptionText(dc, button.Caption(), &r, captionFormat, unicode);
    };
    const COLORREF fore = button.Enabled() ? Tc(button.ForeColor()) : grey;
    if (const std::int32_t effects = button.CaptionEffects(); effects >= 1 && effects <= 5) {
        switch (effects) {
            case 1:
                drawCaption(-1, -1, ShiftColor(back, 0.14));
                break;
            case 2:
                drawCaption(1, 1, ShiftColor(back, 0.14));
                break;
            case 3:
                drawCaption(1, 1, 0xC0C0C0);
                break;
            default: {
                const COLORREF copy = ShiftColor(back, effects == 4 ? 0.1 : -0.1);
                for (const int dy : {-1, 1}) {
                    for (const int dx : {-1, 1}) drawCaption(dx, dy, copy);
                }
                break;
            }
        }
        drawCaption(0, 0, fore);
    }
    drawCaption(0, 0, !button.Enabled() ? grey : state == kStateHot ? Tc(button.ForeColorHover()) : fore);
    if (oldFont) SelectObject(dc, oldFont);

    // 12. The drop-down symbol: the first character of its number in Marlett.
    if (button.DropDownSymbol() != 0) {
        LOGFONTW lf{};
        lf.lfHeight = 14;
        lf.lfCharSet = SYMBOL_CHARSET;
        lstrcpynW(lf.lfFaceName, L"Marlett", LF_FACESIZE);
        UniqueGdi<HFONT> marlett(CreateFontIndirectW(&lf));
        HGDIOBJ previous = SelectObject(dc, marlett.get());
        SetTextColor(dc, fore);
        const std::wstring number = std::to_wstring(button.DropDownSymbol());
        const Text symbol(1, static_cast<char16_t>(number[0]));
        RECT r = ToRect(layout.dropDown);
        DrawCaptionText(dc, symbol, &r, DT_WORDBREAK, unicode);
        SelectObject(dc, previous);
    }
    SetTextColor(dc, oldColor);
    SetBkMode(dc, oldMode);

    ButtonContentRects rects;
    rects.caption = ToRect(layout.caption);
    rects.picture = ToRect(layout.picture);
    rects.dropDown = ToRect(layout.dropDown);
    return rects;
}

}  // namespace ferrik
