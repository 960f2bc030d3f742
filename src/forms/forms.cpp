#include "forms/forms.h"

#include <cstdint>
#include <stdexcept>

namespace ferrik {

namespace {

int RoundedRatio(std::int64_t value, std::int64_t multiplier, std::int64_t divisor) {
    if (divisor <= 0) return 0;
    const std::int64_t scaled = value * multiplier;
    const std::int64_t half = divisor / 2;
    return static_cast<int>(scaled >= 0 ? (scaled + half) / divisor : -((-scaled + half) / divisor));
}

}  // namespace

int TwipsToPixels(int twips, int dpi) {
    return RoundedRatio(twips, dpi, 1440);
}

int PixelsToTwips(int pixels, int dpi) {
    return RoundedRatio(pixels, 1440, dpi);
}

const ControlLayout& MainControl(int id) {
    for (const ControlLayout& c : kMainControls)
        if (c.id == id) return c;
    throw std::out_of_range("no such control");
}

Text MainCaption(int major, int minor, int revision) {
    return u"Ferrik V" + ToText(major) + u"." + ToText(minor) + u"." + ToText(revision);
}

MainResizeResult ResizeMainForm(int windowWidth, int windowHeight, const TwipsRect& listView1,
                                const TwipsRect& picture1) {
    MainResizeResult result;
    const int listWidth = windowWidth - 2 * listView1.left - 120;
    const int listHeight = windowHeight - 1600;
    if (listWidth >= 0 && listHeight >= 0) result.listView1 = TwipsRect{120, 960, listWidth, listHeight};
    const int pictureWidth = windowWidth - picture1.left - 240;
    if (pictureWidth >= 0) result.picture1Width = pictureWidth;
    result.command3Top = picture1.top;
    return result;
}

}  // namespace ferrik
