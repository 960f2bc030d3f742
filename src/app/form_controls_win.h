#pragma once
// Building a form's controls from its layout table at the display's DPI.
#include <windows.h>

#include "app/forms.h"
#include "platform/handles_win.h"

namespace ferrik {

inline const wchar_t* Wide(const Text& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

// The forms' text font: 宋体, 9 points.
UniqueGdi<HFONT> CreateFormFont(int dpi);

// Creates one control of `layout` inside `parent` (coordinates of the parent's client area).
HWND CreateFormControl(const ControlLayout& layout, HWND parent, int dpi, HFONT font);

// Sizes a one-line label to its design size or, when its text or font needs more, to the text:
// the substitute fonts of some systems (and long status texts) would otherwise be clipped.
void FitLabelToText(HWND label, const ControlLayout& layout, int dpi);

// The window rectangle that gives a client area of the given size in twips.
SIZE FormWindowSize(int clientWidthTwips, int clientHeightTwips, DWORD style, DWORD exStyle, int dpi);

// The text of a window.
Text WindowText(HWND hwnd);

}  // namespace ferrik
