#pragma once
// The skin's drawing routines: memory surfaces that own their bitmap, the nine-slice blit and the
// key-colour blit.
#include <windows.h>

#include <optional>

#include "platform/handles_win.h"

namespace ferrik::MSkinner {

// A memory DC with a bitmap of its own selected into it; the DC goes first, then the bitmap, so
// that the bitmap is no longer selected anywhere when it is deleted.
class MemorySurface {
public:
    MemorySurface() noexcept = default;
    // A DC compatible with `like` and a compatible width x height bitmap, selected into it when
    // both were made. Either is 0 when its creation failed.
    MemorySurface(HDC like, int width, int height) noexcept;
    MemorySurface(MemorySurface&& other) noexcept = default;
    MemorySurface& operator=(MemorySurface&& other) noexcept;

    HDC dc() const noexcept { return m_dc.get(); }
    HBITMAP bitmap() const noexcept { return m_bitmap.get(); }
    explicit operator bool() const noexcept { return m_dc && m_bitmap; }
    // Selects `bitmap` into the DC and deletes the bitmap it replaces.
    void ReplaceBitmap(UniqueGdi<HBITMAP> bitmap) noexcept;

private:
    UniqueGdi<HBITMAP> m_bitmap;
    UniqueDc m_dc;
};

// A scratch surface: a memory surface compatible with the display, or an empty one (dc() 0) when
// the DC or the bitmap could not be made.
MemorySurface CreateScratchSurface(int width, int height);

void NineSliceBlt(HDC target, int x, int y, int w, int h, HDC source, int sx, int sy, int sw, int sh, int l, int t,
                  int r, int b, std::optional<COLORREF> key = std::nullopt);
void KeyColorBlt(HDC target, int x, int y, int w, int h, HDC source, int sx, int sy, COLORREF key,
                 HPALETTE palette = nullptr);

}  // namespace ferrik::MSkinner
