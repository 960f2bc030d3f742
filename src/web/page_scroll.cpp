#include "web/page_scroll.h"

#include <algorithm>

namespace ferrik {

int ScrollWanted(ScrollMove move, const ScrollView& view, int amount) {
    // A page keeps one line of the one before in view.
    const int page = std::max(view.height - view.line, view.line);
    switch (move) {
        case ScrollMove::LineUp:
            return view.top - view.line;
        case ScrollMove::LineDown:
            return view.top + view.line;
        case ScrollMove::PageUp:
            return view.top - page;
        case ScrollMove::PageDown:
            return view.top + page;
        case ScrollMove::Top:
            return 0;
        case ScrollMove::Bottom:
            return view.pageHeight;
        case ScrollMove::To:
            return amount;
        case ScrollMove::Wheel:
            return view.top - amount * kWheelLines * view.line;
    }
    return view.top;
}

int ScrollHeld(int top, const ScrollView& view) {
    return std::clamp(top, 0, std::max(view.pageHeight - view.height, 0));
}

}  // namespace ferrik
