#pragma once
// Where the skin's pieces go: nine-slice rectangles, the painters' places and the header's hit
// test. No drawing here.
#include <cstdint>
#include <span>
#include <vector>

namespace ferrik::skin {

// ---- numbers ----

// Nearest integer, halves to the even neighbour.
int Nearest(double value);

struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

// ---- nine-slice ----

struct SliceBlit {
    Rect target;
    Rect source;
    bool stretched = false;  // StretchBlt; else a 1:1 BitBlt
    friend bool operator==(const SliceBlit&, const SliceBlit&) = default;
};

// The blits that draw source (sx, sy, sw, sh) over a w x h surface with borders l, t, r, b:
// corners copied, edges and centre stretched; all borders 0 or less stretch the whole tile.
// Empty when w, h, sw or sh is 0.
std::vector<SliceBlit> NineSlicePlan(int w, int h, Rect source, int l, int t, int r, int b);

// ---- painter geometry ----

struct ComboButtonLayout {
    int width, height;  // the scratch surface: cxv + 1 by h - 2
    int arrowX, arrowY;
    Rect target;  // inside the 1-pixel frame, against the right edge
};
ComboButtonLayout ComboButtonGeometry(int w, int h, int cxv);

// Mouse position (client coordinates) over the drop-down button of an editable combo box.
bool OverComboButton(int x, int y, int w, int h, int cxv);

// Where a check box's or option button's pieces go, for a bw x bh box in a window h high.
struct BoxGeometry {
    int boxY;              // the box against the left edge, centred vertically
    int checkX, checkY;    // 9 x 8 check mark inside the box
    int squareX, squareY;  // 7 x 7 indeterminate square inside the box
    int dotX, dotY;        // 5 x 5 option dot, in window coordinates
};
BoxGeometry BoxPieces(int bw, int bh, int h);

// Progress bar fill: f = position / 30000 in single precision.
float ProgressFraction(std::int32_t position);
// The bar-cyan rectangle of the client painter on a cw x ch surface; empty when f is 0.
Rect ProgressClientFill(float f, int cw, int ch, bool vertical);

// Half the non-client border: nearest((outer - inner - scrollBar) / 2).
int BorderHalf(int outer, int inner, int scrollBar);

// ---- header ----

struct ItemSpan {
    int left, right;
};
// The first item whose left <= x <= right, or -1.
int HeaderHit(std::span<const ItemSpan> items, int x);

enum class HeaderLook { Normal = 0, Hot = 1, Pressed = 2 };
// Pressed for the held item, else hot for the item under the mouse, else normal.
HeaderLook HeaderItemLook(int index, int pressedIndex, int hotIndex);

// The sort mark of a header item from `left` to `right`, `height` high: a triangle of four rows 7,
// 5, 3 and 1 pixels wide (ascending: 1 to 7, pointing up), centred vertically with its right end 6
// pixels inside the item. None for an item narrower than kSortMarkMinWidth.
inline constexpr int kSortMarkMinWidth = 24;
std::vector<Rect> SortMarkRows(int left, int right, int height, bool ascending);

}  // namespace ferrik::skin
