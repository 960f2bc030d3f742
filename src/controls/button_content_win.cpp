// Until the full content layout exists: the caption centred on one line in the caption colour.
#include "controls/button_content_win.h"

#include "controls/tesselbutton.h"

namespace ferrik {

ButtonContentRects DrawButtonContent(HDC dc, const TesselButton& button, int state, int width, int height,
                                     HFONT font, bool /*unicode*/) {
    ButtonContentRects rects;
    rects.caption = RECT{0, 0, width, height};
    if (state == kStateDown) OffsetRect(&rects.caption, 1, 1);
    COLORREF text = button.ForeColor() & 0x80000000u ? GetSysColor(static_cast<int>(button.ForeColor() & 0xFF))
                                                     : button.ForeColor();
    if (!button.Enabled()) {
        text = GetSysColor(COLOR_GRAYTEXT);
    } else if (state == kStateHot) {
        text = button.ForeColorHover();
    }
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColor = SetTextColor(dc, text);
    HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
    const Text& caption = button.Caption();
    DrawTextW(dc, reinterpret_cast<const wchar_t*>(caption.c_str()), static_cast<int>(caption.size()), &rects.caption,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | (button.RightToLeft() ? DT_RTLREADING : 0));
    if (oldFont) SelectObject(dc, oldFont);
    SetTextColor(dc, oldColor);
    SetBkMode(dc, oldMode);
    return rects;
}

}  // namespace ferrik
