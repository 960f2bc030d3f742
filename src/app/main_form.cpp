#include "app/main_form.h"

#include <stdexcept>

namespace ferrik {

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
