#include "skin/skin_faces_win.h"

#include <algorithm>
#include <string>

#include "skin/skin_images_win.h"
#include "skin/skin_painters_win.h"

namespace ferrik::MSkinner {

namespace {

std::wstring WindowCaption(HWND hWnd) {
    const int length = GetWindowTextLengthW(hWnd);
    if (length <= 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(std::max(0, GetWindowTextW(hWnd, text.data(), length + 1))));
    return text;
}

}  // namespace

ButtonFaces::ButtonFaces(HDC windowDc, SIZE size) {
    for (MemorySurface& face : m_faces) face = MemorySurface(windowDc, size.cx, size.cy);
}

bool ButtonFaces::Resize(int face, HDC windowDc, SIZE size) {
    MemorySurface& surface = m_faces[static_cast<std::size_t>(face)];
    if (!surface.dc()) return false;
    UniqueGdi<HBITMAP> bitmap(CreateCompatibleBitmap(windowDc, size.cx, size.cy));
    if (!bitmap) return false;
    surface.ReplaceBitmap(std::move(bitmap));
    return true;
}

void ButtonFaces::Render(HWND button) const {
    const SIZE size = WindowExtent(button);
    const std::wstring caption = WindowCaption(button);
    HFONT font = WindowFont(button);
    const bool focused = GetFocus() == button;
    for (int i = 0; i < skin::kFaceCount; ++i) {
        HDC face = Surface(i);
        if (!face) continue;
        // The window's font is selected out again, so that the surface never holds it when it goes.
        HGDIOBJ oldFont = font ? SelectObject(face, font) : nullptr;
        SetBkMode(face, TRANSPARENT);
        NineSliceBlt(face, 0, 0, size.cx, size.cy, Image(SkinImage::ButtonStrip), 0, 21 * i, 7, 21, 3, 3, 3, 3);
        SetTextColor(face, i == static_cast<int>(skin::FaceState::Disabled) ? kDisabledCaptionGrey : kBlack);
        RECT area{2, 2, size.cx - 2, size.cy - 2};
        DrawTextW(face, caption.c_str(), static_cast<int>(caption.size()), &area, kCaptionFormat);
        if (focused) DrawFocusRect(face, &area);
        if (oldFont) SelectObject(face, oldFont);
    }
}

void BlendFace(HDC target, HDC face, SIZE size, std::intptr_t level) {
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, static_cast<BYTE>(level), 0};
    GdiAlphaBlend(target, 0, 0, size.cx, size.cy, face, 0, 0, size.cx, size.cy, blend);
}

RunningFade::RunningFade(HWND button, const ButtonFaces& buttonFaces, bool paints, std::intptr_t faceState,
                         std::intptr_t fadeLevel)
    : window(button, WindowDc::Whole), size(WindowExtent(button)), painted(paints), state(faceState), level(fadeLevel) {
    for (int i = 0; i < skin::kFaceCount; ++i) faces[static_cast<std::size_t>(i)] = buttonFaces.Surface(i);
}

void RunningFade::Blend() const {
    if (!painted) return;
    if (state < 0 || state >= skin::kFaceCount || !faces[static_cast<std::size_t>(state)]) return;
    BlendFace(window.get(), faces[static_cast<std::size_t>(state)], size, level);
}

}  // namespace ferrik::MSkinner
