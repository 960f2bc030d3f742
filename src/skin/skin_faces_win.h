#pragma once
// A push button's four faces, drawn once per skinning, size change or focus change, and what a
// running fade keeps at hand to blend them onto the button.
#include <windows.h>

#include <array>
#include <cstdint>

#include "platform/handles_win.h"
#include "skin/fade.h"
#include "skin/skin_blits_win.h"

namespace ferrik::MSkinner {

// The state surfaces of the four faces ("HDC0".."HDC3") and their bitmaps ("BMP0".."BMP3"), as
// large as the button's window and compatible with its window DC.
class ButtonFaces {
public:
    ButtonFaces(HDC windowDc, SIZE size);
    HDC Surface(int face) const { return m_faces[static_cast<std::size_t>(face)].dc(); }
    HBITMAP Bitmap(int face) const { return m_faces[static_cast<std::size_t>(face)].bitmap(); }
    // A new bitmap of the new size in the face's surface; false when there was nothing to replace.
    bool Resize(int face, HDC windowDc, SIZE size);
    // Draws the faces: the button tile of each state, the caption, and the focus rectangle while
    // the button has the focus.
    void Render(HWND button) const;

private:
    std::array<MemorySurface, skin::kFaceCount> m_faces;
};

// The face of `state` over (0, 0, size) of `target` at constant alpha `level`.
void BlendFace(HDC target, HDC face, SIZE size, std::intptr_t level);

// What a running fade works with, fetched once when it starts instead of on every 15 ms step
// (under Wine a window DC and each property read cost a round trip to the server): the button's
// window DC, its faces, its size, whether the engine paints it, and copies of its "OLDSTATE" and
// "ALPHALEVEL". The properties stay the truth: every write of those two goes to the property and,
// while the fade runs, to the copy here, and each step writes the level it moves to.
struct RunningFade {
    RunningFade(HWND button, const ButtonFaces& faces, bool paints, std::intptr_t state, std::intptr_t level);
    // The face of the copied state at the copied level; nothing when the engine does not paint the button.
    void Blend() const;

    WindowDc window;
    SIZE size;
    std::array<HDC, skin::kFaceCount> faces{};
    bool painted = false;
    std::intptr_t state = 0;
    std::intptr_t level = 0;
};

}  // namespace ferrik::MSkinner
