#pragma once
// What a screen reader learns of a tesselbutton: the facts its accessible object (IAccessible,
// button_accessible_win.h) reports, computed from the button's state. Roles and state bits are
// the accessibility interface's own values.
#include <cstdint>
#include <optional>

#include "common/text.h"
#include "controls/tesselbutton.h"

namespace ferrik {

inline constexpr std::int32_t kRolePushButton = 0x2B;
inline constexpr std::int32_t kRoleCheckButton = 0x2C;
inline constexpr std::int32_t kRoleRadioButton = 0x2D;

inline constexpr std::uint32_t kStateUnavailable = 0x1;
inline constexpr std::uint32_t kStateFocused = 0x4;
inline constexpr std::uint32_t kStatePressed = 0x8;
inline constexpr std::uint32_t kStateChecked = 0x10;
inline constexpr std::uint32_t kStateDefault = 0x100;
inline constexpr std::uint32_t kStateInvisible = 0x8000;
inline constexpr std::uint32_t kStateFocusable = 0x100000;

// The default action's name ("Press").
inline constexpr std::u16string_view kButtonDefaultAction = u"按下";

// The caption as read aloud: without the access-key marker ("&Open" reads "Open", "&&" reads "&").
Text CaptionWithoutMarker(TextView caption);

// "Alt+" and the access key (letters in upper case); empty without one.
Text AccessKeyShortcut(std::optional<char16_t> key);

struct ButtonAccessibleFacts {
    Text name;  // the caption without its marker, or the ToolTip when that is empty
    std::int32_t role = kRolePushButton;
    std::uint32_t state = 0;
    bool operator==(const ButtonAccessibleFacts&) const = default;
};

// Push button for Mode Normal, check button for Check, radio button for Option. States:
// unavailable when disabled (else focusable), focused, pressed while a Normal button is down,
// checked while a Check or Option button's Value is on, default while it displays as the
// default button, invisible when its window is hidden.
ButtonAccessibleFacts AccessibleFactsOf(const TesselButton& button, bool visible);

}  // namespace ferrik
