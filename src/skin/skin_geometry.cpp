#include "skin/skin_geometry.h"

#include <cmath>

namespace ferrik::skin {

int Nearest(double value) {
    const double down = std::floor(value);
    const double diff = value - down;
    if (diff < 0.5) return static_cast<int>(down);
    if (diff > 0.5) return static_cast<int>(down) + 1;
    const auto even = static_cast<long long>(down);
    return static_cast<int>(even % 2 == 0 ? even : even + 1);
}

std::vector<SliceBlit> NineSlicePlan(int w, int h, Rect s, int l, int t, int r, int b) {
    std::vector<SliceBlit> plan;
    if (w == 0 || h == 0 || s.width == 0 || s.height == 0) return plan;
    if (l <= 0 && t <= 0 && r <= 0 && b <= 0) {
        plan.push_back({{0, 0, w, h}, {s.x + l, s.y + t, s.width - r, s.height - b}, true});
        return plan;
    }
    const int sx = s.x, sy = s.y, sw = s.width, sh = s.height;
    if (l > 0 && t > 0) plan.push_back({{0, 0, l, t}, {sx, sy, l, t}, false});
    if (r > 0 && t > 0) plan.push_back({{w - r, 0, r, t}, {sx + sw - r, sy, r, t}, false});
    if (l > 0 && b > 0) plan.push_back({{0, h - b, l, b}, {sx, sy + sh - b, l, b}, false});
    if (r > 0 && b > 0) plan.push_back({{w - r, h - b, r, b}, {sx + sw - r, sy + sh - b, r, b}, false});
    if (l > 0) plan.push_back({{0, t, l, h - t - b}, {sx, sy + t, l, sh - t - b}, true});
    if (r > 0) plan.push_back({{w - r, t, r, h - t - b}, {sx + sw - r, sy + t, r, sh - t - b}, true});
    if (t > 0) plan.push_back({{l, 0, w - l - r, t}, {sx + l, sy, sw - l - r, t}, true});
    if (b > 0) plan.push_back({{l, h - b, w - l - r, b}, {sx + l, sy + sh - b, sw - l - r, b}, true});
    plan.push_back({{l, t, w - l - r, h - t - b}, {sx + l, sy + t, sw - l - r, sh - t - b}, true});
    return plan;
}

ComboButtonLayout ComboButtonGeometry(int w, int h, int cxv) {
    const int cbw = cxv + 1, cbh = h - 2;
    return {cbw, cbh, Nearest((cbw - 7) / 2.0), Nearest((h - 6) / 2.0), {w - cbw - 1, 1, cbw, cbh}};
}

bool OverComboButton(int x, int y, int w, int h, int cxv) {
    return w - cxv - 2 <= x && x <= w - 2 && 2 <= y && y <= h - 2;
}

BoxGeometry BoxPieces(int bw, int bh, int h) {
    const int y0 = Nearest((h - bh) / 2.0);
    return {y0,
            Nearest((bw - 9) / 2.0),
            Nearest((bh - 8) / 2.0),
            Nearest((bw - 7) / 2.0),
            Nearest((bh - 7) / 2.0),
            Nearest((bw - 5) / 2.0),
            Nearest((bh - 5) / 2.0 + y0)};
}

float ProgressFraction(std::int32_t position) {
    return static_cast<float>(position) / 30000.0f;
}

Rect ProgressClientFill(float f, int cw, int ch, bool vertical) {
    if (f == 0.0f) return {};
    if (vertical) return {0, Nearest(ch - ch * f), cw, Nearest(f * ch)};
    return {0, 0, Nearest(f * cw), ch};
}

int BorderHalf(int outer, int inner, int scrollBar) {
    return Nearest((outer - inner - scrollBar) / 2.0);
}

int HeaderHit(std::span<const ItemSpan> items, int x) {
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i].left <= x && x <= items[i].right) return static_cast<int>(i);
    return -1;
}

HeaderLook HeaderItemLook(int index, int pressedIndex, int hotIndex) {
    if (index == pressedIndex) return HeaderLook::Pressed;
    if (index == hotIndex) return HeaderLook::Hot;
    return HeaderLook::Normal;
}

std::vector<Rect> SortMarkRows(int left, int right, int height, bool ascending) {
    constexpr int kWidth = 7, kRows = 4, kInset = 6;
    if (right - left < kSortMarkMinWidth) return {};
    const int x = right - kInset - kWidth, top = (height - kRows) / 2;
    std::vector<Rect> rows;
    for (int row = 0; row < kRows; ++row) {
        const int indent = ascending ? kRows - 1 - row : row;
        rows.push_back(Rect{x + indent, top + row, kWidth - 2 * indent, 1});
    }
    return rows;
}

}  // namespace ferrik::skin
