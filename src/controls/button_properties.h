#pragma once
// The image button's properties, one row each: the name, the key it is stored under, the names the
// container is told on a change, its type, its value in a new instance and on a load without the
// key, the member that holds it and what setting and loading it do besides storing. Reading,
// writing and the setters' notifications all come from these rows.
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <variant>

#include "common/text.h"
#include "controls/property_bag.h"

namespace ferrik {

class TesselButton;

// In the order the properties are saved.
enum class ButtonProperty : std::uint8_t {
    ButtonStyle,
    ShowFocusRect,
    Enabled,
    Font,
    BackColor,
    Caption,
    ForeColor,
    ForeColorHover,
    Mode,
    Value,
    MousePointer,
    HandPointer,
    MouseIcon,
    PictureNormal,
    PictureHot,
    PictureDown,
    PictureAlign,
    PictureEffectOnOver,
    PictureEffectOnDown,
    PicturePushOnHover,
    PictureShadow,
    PictureOpacity,
    PictureOpacityOnOver,
    DisabledPictureMode,
    CaptionEffects,
    UseMaskColor,
    MaskColor,
    CaptionAlign,
    ToolTip,
    ToolTipType,
    ToolTipIcon,
    TooltipTitle,
    TooltipBackColor,
    RightToLeft,
    DropDownSymbol,
    DropDownSeparator,
    ColorScheme,
};
inline constexpr std::size_t kButtonPropertyCount = 37;

// Colours are stored as ColorValue, bytes as numbers.
enum class PropertyType : std::uint8_t { Long, Boolean, Colour, Byte, String, Font, Picture };

// What a setter does after storing the value and its own step (the row's effect): repaint always,
// only when a normal picture is set, or never. `OwnRules`: the setter is written out by hand
// (Value, MouseIcon and the three pictures), only its notified names come from the row.
enum class SetRepaint : std::uint8_t { Always, WithPicture, Never, OwnRules };

using ButtonMember = std::variant<std::int32_t TesselButton::*, bool TesselButton::*, std::uint32_t TesselButton::*,
                                  std::uint8_t TesselButton::*, Text TesselButton::*, ButtonFont TesselButton::*,
                                  std::optional<Picture> TesselButton::*>;
using ButtonStep = void (TesselButton::*)();

struct ButtonPropertyRow {
    ButtonProperty id;
    std::string_view name;
    std::string_view key;
    // Told in this order, separated by a blank ("Value Mode"). A name that differs from the key
    // is what containers have always been told.
    std::string_view notified;
    PropertyType type;
    // Numbers, flags, colours and bytes: in a new instance (before its own steps), and on a load
    // without the key. A loading colour that is a system-colour code stands for that system
    // colour translated to RGB at the time (of the load, or of the save that compares with it).
    std::int64_t fresh;
    std::int64_t loaded;
    // Texts; a font's default on load is the container's font, a picture's is none.
    std::u16string_view loadedText;
    ButtonMember member;
    ButtonStep onSet;  // after storing, before the repaint; null: nothing
    SetRepaint repaint;
    ButtonStep onLoad;  // right after the value is read; null: nothing
};

std::span<const ButtonPropertyRow> ButtonPropertyRows();
const ButtonPropertyRow& RowOf(ButtonProperty id);
// The properties in the order a load reads them.
std::span<const ButtonProperty> ButtonLoadOrder();
std::optional<ButtonProperty> ButtonPropertyNamed(std::string_view name);

}  // namespace ferrik
