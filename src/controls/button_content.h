#pragma once
// What every style of tesselbutton draws after its background, as numbers: which picture shows,
// where caption, picture and drop-down symbol go, and with which opacity and effect the picture
// is drawn. The window half (button_content_win.cpp) measures the caption and draws.
#include <cstdint>
#include <optional>

#include "controls/button_picture.h"
#include "controls/tesselbutton.h"

namespace ferrik {

struct ContentBox {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    void Offset(int dx, int dy) {
        left += dx, right += dx;
        top += dy, bottom += dy;
    }
    bool operator==(const ContentBox&) const = default;
};

struct ContentLayoutInput {
    int width = 0;   // W
    int height = 0;  // H
    int style = 0;
    int state = kStateNormal;
    std::int32_t captionAlign = 1;
    std::int32_t pictureAlign = 1;
    bool hasPicture = false;   // PictureNormal is set
    bool captionBlank = true;  // the caption is empty once its spaces are trimmed
    bool dropDownSymbol = false;
    bool dropDownSeparator = false;
    int pictureWidth = 0;   // Pw of the current picture (0 without one)
    int pictureHeight = 0;  // Ph
    int textWidth = 0;      // the measured caption, Tw x Th
    int textHeight = 0;
};

struct ContentLayout {
    ContentBox caption;
    ContentBox picture;   // empty without PictureNormal
    ContentBox dropDown;  // where the symbol is drawn; empty without a symbol
    bool separator = false;
    bool operator==(const ContentLayout&) const = default;
};

// The layout input of `button` in visual state `state`, without the measured sizes.
ContentLayoutInput LayoutInputOf(const TesselButton& button, int state, int width, int height);

// The width of the box the caption is measured in: W less 8, or with a drop-down symbol or
// separator less 24 for pictures at the right (PictureAlign 2, 3) and 16 otherwise.
int CaptionMeasureWidth(const ContentLayoutInput& in);

// Caption, picture and drop-down rectangles, the separator decision (taken before the pressed
// offset) and the pressed offsets of the pressing styles.
ContentLayout LayOutContent(const ContentLayoutInput& in);

// The picture shown in `state`: down (also for a checked or selected button), hot or normal,
// each falling back to the next one that is set. Null without any.
const Picture* CurrentPicture(const TesselButton& button, int state);

// Opacity, effect and greyed look of the picture in `state` (mask and silhouette are the caller's).
PictureInk PictureInkOf(const TesselButton& button, int state);

}  // namespace ferrik
