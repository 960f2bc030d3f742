#include "skin/skin_blits_win.h"

#include <ole2.h>
#include <olectl.h>

#include <vector>

#include "skin/skin_geometry.h"

namespace ferrik::MSkinner {

namespace {

// One display DC for every scratch surface and key-colour blit, made on first use and kept for the
// life of the process: making one is the dearest part of a surface (under Wine, milliseconds).
HDC DisplayDc() {
    static HDC display = CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr);
    return display;
}

}  // namespace

MemorySurface::MemorySurface(HDC like, int width, int height) noexcept
    : m_bitmap(CreateCompatibleBitmap(like, width, height)), m_dc(CreateCompatibleDC(like)) {
    if (m_dc && m_bitmap) SelectObject(m_dc.get(), m_bitmap.get());
}

MemorySurface& MemorySurface::operator=(MemorySurface&& other) noexcept {
    if (this != &other) {
        m_dc.reset();  // lets go of the bitmap before it is replaced
        m_bitmap = std::move(other.m_bitmap);
        m_dc = std::move(other.m_dc);
    }
    return *this;
}

void MemorySurface::ReplaceBitmap(UniqueGdi<HBITMAP> bitmap) noexcept {
    if (!m_dc || !bitmap) return;
    SelectObject(m_dc.get(), bitmap.get());
    m_bitmap = std::move(bitmap);
}

MemorySurface CreateScratchSurface(int width, int height) {
    HDC display = DisplayDc();
    if (!display) return {};
    MemorySurface surface(display, width, height);
    if (!surface) return {};
    return surface;
}

void NineSliceBlt(HDC target, int x, int y, int w, int h, HDC source, int sx, int sy, int sw, int sh, int l, int t,
                  int r, int b, std::optional<COLORREF> key) {
    const std::vector<skin::SliceBlit> plan = skin::NineSlicePlan(w, h, {sx, sy, sw, sh}, l, t, r, b);
    if (plan.empty()) return;
    // The slices onto `into`, the picture's top left corner at (ox, oy).
    const auto slices = [&](HDC into, int ox, int oy) {
        const int oldMode = SetStretchBltMode(into, COLORONCOLOR);
        for (const skin::SliceBlit& s : plan) {
            if (s.target.width <= 0 || s.target.height <= 0) continue;
            if (s.stretched)
                StretchBlt(into, ox + s.target.x, oy + s.target.y, s.target.width, s.target.height, source, s.source.x,
                           s.source.y, s.source.width, s.source.height, SRCCOPY);
            else
                BitBlt(into, ox + s.target.x, oy + s.target.y, s.target.width, s.target.height, source, s.source.x,
                       s.source.y, SRCCOPY);
        }
        if (oldMode) SetStretchBltMode(into, oldMode);
    };
    // Onto a surface of memory (a button's face, say) the slices go straight: nobody sees it being
    // drawn, so there is no need to put the picture together elsewhere first.
    if (!key && GetObjectType(target) == OBJ_MEMDC) {
        slices(target, x, y);
        return;
    }
    const MemorySurface scratch = CreateScratchSurface(w, h);
    if (!scratch) return;
    slices(scratch.dc(), 0, 0);
    if (key)
        KeyColorBlt(target, x, y, w, h, scratch.dc(), 0, 0, *key);
    else
        BitBlt(target, x, y, w, h, scratch.dc(), 0, 0, SRCCOPY);
}

void KeyColorBlt(HDC target, int x, int y, int w, int h, HDC source, int sx, int sy, COLORREF key, HPALETTE palette) {
    if (w <= 0 || h <= 0) return;
    HDC display = DisplayDc();
    if (!display) return;
    // A plain RGB value translates to itself; a palette is only needed (and only made) for the
    // palette-relative and system colour forms.
    COLORREF rgb = key;
    if (key & 0xFF000000) {
        UniqueGdi<HPALETTE> halftone(palette ? nullptr : CreateHalftonePalette(display));
        OleTranslateColor(key, palette ? palette : halftone.get(), &rgb);
    }
    UniqueDc work(CreateCompatibleDC(display)), cutout(CreateCompatibleDC(display)),
        maskDc(CreateCompatibleDC(display));
    UniqueGdi<HBITMAP> workBmp(CreateCompatibleBitmap(display, w, h));
    UniqueGdi<HBITMAP> cutoutBmp(CreateCompatibleBitmap(display, w, h));
    UniqueGdi<HBITMAP> maskBmp(CreateBitmap(w, h, 1, 1, nullptr));
    if (!(work && cutout && maskDc && workBmp && cutoutBmp && maskBmp)) return;
    SelectGuard s1(work.get(), workBmp.get()), s2(cutout.get(), cutoutBmp.get()), s3(maskDc.get(), maskBmp.get());
    BitBlt(work.get(), 0, 0, w, h, target, x, y, SRCCOPY);
    BitBlt(cutout.get(), 0, 0, w, h, source, sx, sy, SRCCOPY);
    // Key pixels become 1 in the mask.
    SetBkColor(cutout.get(), rgb);
    BitBlt(maskDc.get(), 0, 0, w, h, cutout.get(), 0, 0, SRCCOPY);
    // Monochrome to colour: 1 -> background (white), 0 -> text colour (black).
    for (HDC dc : {cutout.get(), work.get()}) {
        SetBkColor(dc, RGB(255, 255, 255));
        SetTextColor(dc, RGB(0, 0, 0));
    }
    BitBlt(cutout.get(), 0, 0, w, h, maskDc.get(), 0, 0, 0x00220326);  // DSna: clear the key pixels
    BitBlt(work.get(), 0, 0, w, h, maskDc.get(), 0, 0, SRCAND);
    BitBlt(work.get(), 0, 0, w, h, cutout.get(), 0, 0, SRCPAINT);
    BitBlt(target, x, y, w, h, work.get(), 0, 0, SRCCOPY);
}

}  // namespace ferrik::MSkinner
