#include "controls/button_accessible.h"

namespace ferrik {

Text CaptionWithoutMarker(TextView caption) {
    Text name;
    name.reserve(caption.size());
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&' && i + 1 < caption.size()) ++i;  // the marker goes; "&&" leaves one "&"
        name += caption[i];
    }
    return name;
}

Text AccessKeyShortcut(std::optional<char16_t> key) {
    if (!key) return {};
    const char16_t c = *key >= u'a' && *key <= u'z' ? static_cast<char16_t>(*key - u'a' + u'A') : *key;
    return u"Alt+" + Text(1, c);
}

ButtonAccessibleFacts AccessibleFactsOf(const TesselButton& button, bool visible) {
    ButtonAccessibleFacts facts;
    facts.name = CaptionWithoutMarker(button.Caption());
    if (facts.name.empty()) facts.name = button.ToolTip();
    const std::int32_t mode = button.Mode();
    facts.role = mode == kCheck ? kRoleCheckButton : mode == kOption ? kRoleRadioButton : kRolePushButton;
    std::uint32_t state = button.Enabled() ? kStateFocusable : kStateUnavailable;
    if (button.HasFocus()) state |= kStateFocused;
    if (mode == kNormal && button.State() == kStateDown) state |= kStatePressed;
    if (mode != kNormal && button.Value()) state |= kStateChecked;
    if (button.DisplayAsDefault()) state |= kStateDefault;
    if (!visible) state |= kStateInvisible;
    facts.state = state;
    return facts;
}

}  // namespace ferrik
