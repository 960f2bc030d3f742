#pragma once
// The frame of tesselbutton's repaint: each style's background, lines, borders, corners, focus
// marks and region, drawn on a canvas through the button's primitives. The window half supplies a
// GDI canvas; tests supply a recorder. Caption, picture and drop-down part are the canvas's
// DrawContent.
#include <cstdint>

#include "controls/button_color.h"

namespace ferrik {

class TesselButton;

struct PaintRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const PaintRect&) const = default;
};

// The platform's 3-D edges over a rectangle: raised (outer and inner raised), thin (inner raised
// only), sunken (outer and inner sunken).
enum class EdgeKind { Raised, Thin, Sunken };

// Push-button states of the visual style.
enum ThemedState : int {
    kThemedNormal = 1,
    kThemedHot = 2,
    kThemedPressed = 3,
    kThemedDisabled = 4,
    kThemedDefault = 5
};

// Colours are RGB (0x00BBGGRR), already translated.
class ButtonCanvas {
public:
    virtual ~ButtonCanvas() = default;
    // From (x1, y1) up to, but not including, (x2, y2).
    virtual void DrawLine(int x1, int y1, int x2, int y2, std::uint32_t colour) = 0;
    // The 1-pixel frame from (x, y) to (x + w, y + h), right and bottom exclusive.
    virtual void DrawRectangle(int x, int y, int w, int h, std::uint32_t colour) = 0;
    virtual void FillArea(std::uint32_t colour, PaintRect area) = 0;
    // Direction 0 left to right, 1 top to bottom; nothing when w or h is not positive.
    virtual void DrawGradient(int x, int y, int w, int h, std::uint32_t from, std::uint32_t to, int direction) = 0;
    virtual void SetPixel(int x, int y, std::uint32_t colour) = 0;
    virtual void DrawEdge(PaintRect area, EdgeKind edge) = 0;
    virtual void DrawFocusRect(PaintRect area) = 0;
    // The style's window region (elliptic corners or a rectangle), given to the window.
    virtual void BuildRegion() = 0;
    // Picture, caption and drop-down part for visual state `state`.
    virtual void DrawContent(int state) = 0;
    // The visual style's push-button background (part 1) in `themedState`, its region made the window
    // region; nothing without visual-style data for "Button".
    virtual void DrawThemedBackground(int themedState) = 0;
    // The button's ForeColor property changed by the painting itself (style 6).
    virtual void SetForeColor(std::uint32_t colour) = 0;
};

// Everything one repaint reads, with the colours already translated.
struct ButtonLook {
    int style = 0;
    int state = 0;  // after the on-state rule
    int width = 0;
    int height = 0;
    int scheme = 0;
    bool enabled = true;
    bool on = false;  // Mode is not Normal and Value is on
    bool hasFocus = false;
    bool displayAsDefault = false;
    bool parentActive = false;
    bool mouseOver = false;
    bool mouseHeld = false;
    bool showFocusRect = false;
    bool runTime = true;
    std::uint32_t back = 0;        // BackColor
    std::uint32_t face = 0;        // system button face
    std::uint32_t grayText = 0;    // system grey text
    std::uint32_t buttonText = 0;  // system button text
    std::uint32_t workspace = 0;   // system application workspace
};

ButtonLook LookOf(const TesselButton& button, const SystemColors& system, int width, int height, bool runTime);

// The style routine of `look.style` (0..13): background, DrawContent, border, corners, focus.
void PaintButtonStyle(ButtonCanvas& canvas, const ButtonLook& look);

// The colour of step `step` of a gradient of `steps` steps: per channel from + (to - from) x step /
// (steps - 1), truncating toward zero; a single step is the per-channel sum of the halves.
std::uint32_t GradientStep(std::uint32_t from, std::uint32_t to, int step, int steps);

// The gradient's pixels as a 32-bit bottom-up device-independent bitmap of w x h (0x00RRGGBB per
// pixel, the last row first); `pixels` holds w x h values.
void RenderGradient(std::uint32_t* pixels, int w, int h, std::uint32_t from, std::uint32_t to, int direction);

// H / 2 and the like, to the nearest integer with halves to even.
int HalfOf(int height);

}  // namespace ferrik
