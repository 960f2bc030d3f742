#pragma once
// The own browser's drawing: the visible part of a laid-out page, drawn off screen and copied to
// the window's DC in one piece (no flicker while scrolling).
#include <windows.h>

#include <cstddef>

#include "web/page.h"
#include "web/page_fonts_win.h"

namespace ferrik {

struct PageScene {
    const Page* page = nullptr;  // null while there is none (its layout is empty)
    const PageLayout* layout = nullptr;
    const PageFonts* fonts = nullptr;
    int top = 0;                        // the page's line at the view's top
    std::size_t focusField = kNoIndex;  // the text field typed into, framed
    bool caret = false;                 // the view has the keyboard focus: the field shows a caret
};

// `client`: the view's client rectangle; only boxes that meet `area` are drawn.
void DrawPage(HDC target, const RECT& client, const RECT& area, const PageScene& scene);

}  // namespace ferrik
