#pragma once
// What the button's tooltip window is built with, as numbers the window half passes to the
// common tooltip control.
#include <cstdint>
#include <optional>

#include "controls/tesselbutton.h"

namespace ferrik {

struct TooltipSetup {
    std::uint32_t style = 0;          // window style of the "tooltips_class32" window
    std::uint32_t exStyle = 0;        // extended style
    std::uint32_t classStyleAdd = 0;  // added to the tooltip window class's style
    std::uint32_t toolFlags = 0;      // flags of the one tool (the button's client rectangle)
    std::uint32_t addToolMessage = 0;
    std::optional<std::uint32_t> setTitleMessage;  // with ToolTipIcon as the icon code
    std::uint32_t maxWidth = 0;
    std::optional<std::int32_t> backColor;  // translated; nothing keeps the platform's colour
};

// `unicode`: the platform is NT-based.
TooltipSetup MakeTooltipSetup(const TesselButton& button, const SystemColors& system, bool unicode);

}  // namespace ferrik
