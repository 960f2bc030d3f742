#include "web/web_form.h"

#include <stdexcept>

namespace ferrik {

const ControlLayout& WebControl(int id) {
    for (const ControlLayout& c : kWebControls)
        if (c.id == id) return c;
    throw std::out_of_range("no such control");
}

WebResizeResult ResizeWebForm(const WebResizeInput& in) {
    WebResizeResult r;
    TwipsRect pic = in.picAddress;
    const int picWidth = in.windowWidth - in.cmbSearch.width - 500;
    if (picWidth >= 0) {
        r.picAddressWidth = picWidth;
        pic.width = picWidth;
    }
    r.cmbSearchLeft = pic.left + pic.width + 80;
    TwipsRect cbo = in.cboAddress;
    const int cboWidth = in.innerWidth - 3000;
    if (cboWidth >= 0) {
        r.cboAddressWidth = cboWidth;
        cbo.width = cboWidth;
    }
    TwipsRect list = in.listView2;
    const int listHeight = in.innerHeight - (pic.top + pic.height) - 350;
    if (listHeight >= 0) {
        r.listView2Height = listHeight;
        list.height = listHeight;
    }
    r.command1Left = cbo.left + cbo.width + 100;
    const int browserWidth = in.innerWidth - 220 - list.left - list.width;
    if (browserWidth >= 0 && listHeight >= 0)
        r.browser = TwipsRect{list.left + list.width + 80, list.top, browserWidth, list.height};
    return r;
}

}  // namespace ferrik
