#include "controls/button_tooltip.h"

namespace ferrik {

TooltipSetup MakeTooltipSetup(const TesselButton& button, const SystemColors& system, bool unicode) {
    constexpr std::uint32_t kAlwaysTip = 0x01;
    constexpr std::uint32_t kNoPrefix = 0x02;
    constexpr std::uint32_t kBalloon = 0x40;
    constexpr std::uint32_t kLayoutRtl = 0x00400000;
    constexpr std::uint32_t kDropShadow = 0x00020000;
    constexpr std::uint32_t kIdIsHwnd = 0x01;
    constexpr std::uint32_t kSubclass = 0x10;

    TooltipSetup setup;
    setup.style = kAlwaysTip | kNoPrefix | (button.ToolTipType() == 1 ? kBalloon : 0);
    setup.exStyle = button.TooltipRightToLeft() ? kLayoutRtl : 0;
    setup.classStyleAdd = kDropShadow;
    // The ANSI path identifies the tool by its rectangle only.
    setup.toolFlags = unicode ? kIdIsHwnd | kSubclass : kSubclass;
    setup.addToolMessage = unicode ? 0x0432 : 0x0404;  // TTM_ADDTOOLW, TTM_ADDTOOLA
    if (!button.TooltipTitle().empty() || button.ToolTipIcon() != 0) {
        setup.setTitleMessage = unicode ? 0x0421 : 0x0420;  // TTM_SETTITLEW, TTM_SETTITLEA
    }
    setup.maxWidth = 240;
    if (button.TooltipBackColor() != 0) setup.backColor = TranslateColor(button.TooltipBackColor(), system);
    return setup;
}

}  // namespace ferrik
