#pragma once
// What every style of tesselbutton draws after its background: the current picture, the caption
// and the drop-down part, and the rectangles they took (the window keeps them between repaints).
#include <windows.h>

#include "controls/button_picture.h"

namespace ferrik {

class TesselButton;

struct ButtonContentRects {
    RECT caption{};
    RECT picture{};
    RECT dropDown{};
};

// Draws the content of `button` in visual state `state` (0 normal, 1 hot, 2 down) onto `dc`, the
// button's client area of `width` x `height` pixels whose background is already painted. `font` is
// the caption font; `unicode` selects the Unicode text routines (NT-based systems).
ButtonContentRects DrawButtonContent(HDC dc, const TesselButton& button, int state, int width, int height, HFONT font,
                                     bool unicode);

// One picture pass: the pixels of `dc` under (x, y, width, height) read once, `image` composed
// over them with `ink`, the result written back once. The picture is never stretched.
void DrawButtonPicture(HDC dc, const PictureImage& image, int x, int y, int width, int height, const PictureInk& ink);

}  // namespace ferrik
