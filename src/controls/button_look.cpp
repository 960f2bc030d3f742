// What a repaint draws: the button's state and colours, translated, at one size.
#include "controls/button_paint.h"
#include "controls/tesselbutton.h"

namespace ferrik {

ButtonLook LookOf(const TesselButton& button, const SystemColors& system, int width, int height, bool runTime) {
    auto tc = [&](OleColor colour) { return static_cast<std::uint32_t>(TranslateColor(colour, system)); };
    ButtonLook look;
    look.style = button.ButtonStyle();
    look.state = button.State();
    look.width = width;
    look.height = height;
    look.scheme = button.ColorScheme();
    look.enabled = button.Enabled();
    look.on = button.Mode() != kNormal && button.Value();
    look.hasFocus = button.HasFocus();
    look.displayAsDefault = button.DisplayAsDefault();
    look.parentActive = button.ParentActive();
    look.mouseOver = button.MouseOver();
    look.mouseHeld = button.MouseHeld();
    look.showFocusRect = button.ShowFocusRect();
    look.runTime = runTime;
    look.back = tc(button.BackColor());
    look.face = tc(SystemColorCode(kColorBtnFace));
    look.grayText = tc(SystemColorCode(kColorGrayText));
    look.buttonText = tc(SystemColorCode(kColorBtnText));
    look.workspace = tc(SystemColorCode(kColorAppWorkspace));
    return look;
}

}  // namespace ferrik
