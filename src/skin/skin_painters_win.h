#pragma once
// The control painters: drop-down buttons, check boxes, option buttons, header items and headers,
// progress bars, flat frames and the flattened client edge. A painter that takes a device context
// or none draws on the window's own device context when it gets none.
#include <windows.h>

#include "platform/window_win.h"
#include "skin/skinned_window_win.h"

namespace ferrik::MSkinner {

constexpr COLORREF kFrameBlue = RGB(84, 165, 213);
constexpr COLORREF kPaleFrameBlue = RGB(164, 207, 233);
constexpr COLORREF kPressedFrameBlue = RGB(57, 134, 196);
constexpr COLORREF kBarCyan = RGB(76, 214, 246);
constexpr COLORREF kDisabledCaptionGrey = RGB(121, 138, 150);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kKeyMagenta = RGB(255, 0, 255);
constexpr COLORREF kSortMarkColour = RGB(25, 85, 95);  // as the drop-down arrow
// DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS
constexpr UINT kCaptionFormat = 0x8025;

// The window's font (WM_GETFONT).
HFONT WindowFont(HWND hWnd);

// The three state painters draw nothing when the state asked for is "OLDSTATE" and `force` is
// false; otherwise they store it there.
void PaintComboButton(SkinnedWindow& window, HDC dc, int state, bool force);
int PaintCheckBox(SkinnedWindow& window, int state, bool force);
int PaintOptionButton(SkinnedWindow& window, int state, bool force);
void PaintHeaderItem(HWND hWnd, HDC dc, int index, int look);
// The whole header, items pressed ("HDINDEX") and hot ("HMINDEX") as they are.
void PaintHeader(const SkinnedWindow& window, HDC paintDc);
void PaintProgressClient(HWND hWnd, HDC paintDc);
void PaintProgressFrame(HWND hWnd);
void FlattenBorder(HWND hWnd);
// Frame (0, 0, w, h) in frame blue (pale when disabled) and, when `inner`, (1, 1, w - 2, h - 2) white.
void PaintFlatFrame(HWND hWnd, HDC windowDc, bool inner);

}  // namespace ferrik::MSkinner
