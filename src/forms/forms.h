#pragma once
// The forms kit's data: twips, control kinds and layout rows. Each form is a table of these,
// built into Win32 windows at the display's DPI (form_controls_win.h).
#include "common/text.h"

namespace ferrik {

// Twips are 1/1440 inch; rounded to the nearest pixel (halves away from zero).
int TwipsToPixels(int twips, int dpi);
int PixelsToTwips(int pixels, int dpi);

struct TwipsRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const TwipsRect&) const = default;
};

// TesselButton is the image button: its properties come from the form's design text under the
// control's name (FormButtons in form_controls_win.h); `text` is not used for it.
enum class ControlKind { Label, ComboBox, Button, PictureBox, ListView, TesselButton };

// One control of a form, named as in the form designer. `id` is also its Win32 control id;
// `container` is the id of the control it sits in (0: the form itself).
struct ControlLayout {
    int id;
    const char* name;
    ControlKind kind;
    TwipsRect rect;
    std::u16string_view text;
    int container = 0;
};

// One column of a report list view: its header and width.
struct ListColumn {
    std::u16string_view header;
    int widthTwips;
};

// The forms' text font.
inline constexpr std::u16string_view kFormFontName = u"宋体";
inline constexpr int kFormFontPoints = 9;

}  // namespace ferrik
