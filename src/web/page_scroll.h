#pragma once
// Where the page view scrolls to: the moves of its scroll bar, keys and wheel, in pixels of the
// laid-out page. No window needed.
namespace ferrik {

inline constexpr int kWheelLines = 3;  // lines a notch of the wheel scrolls

enum class ScrollMove { LineUp, LineDown, PageUp, PageDown, Top, Bottom, To, Wheel };

struct ScrollView {
    int top = 0;         // the page's line at the view's top
    int height = 0;      // of the view
    int line = 0;        // a line of normal text
    int pageHeight = 0;  // of the page laid out so far
};

// The top a move asks for (To: the line `amount`; Wheel: `amount` notches, away from the reader
// when positive), before the page is laid out that far and the top held within it.
int ScrollWanted(ScrollMove move, const ScrollView& view, int amount = 0);
// The top held within the page: never above it, never past its last full view.
int ScrollHeld(int top, const ScrollView& view);

}  // namespace ferrik
