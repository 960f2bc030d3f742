// The image button's property rows, and the reading, writing and storing they drive.
#include "controls/button_properties.h"

#include <algorithm>
#include <array>

#include "controls/tesselbutton.h"

namespace ferrik {

struct ButtonPropertyTable {
    using T = TesselButton;
    using P = ButtonProperty;
    using Y = PropertyType;
    using R = SetRepaint;
    static constexpr std::int64_t kFace = SystemColorCode(kColorBtnFace);
    static constexpr std::int64_t kText = SystemColorCode(kColorBtnText);
    static constexpr std::int64_t kInfoBk = SystemColorCode(kColorInfoBk);
    // The caption's default of both loading and saving. (Saving with a different default than
    // loading would drop a caption equal to the saving default and bring it back as the loading one.)
    static constexpr std::u16string_view kCaption = u"tesselbutton";

    // clang-format off
    static constexpr ButtonPropertyRow kRows[] = {
        // id, name, stored key, notified, type, new instance, on load, text on load, member, on set, repaint, on load
        {P::ButtonStyle, "ButtonStyle", "ButtonStyle", "ButtonStyle", Y::Long, kThemed, kThinEdge, {}, &T::m_style, &T::RestyleForStyle, R::Always, nullptr},
        {P::ShowFocusRect, "ShowFocusRect", "ShowFocusRect", "ShowFocusRect", Y::Boolean, false, false, {}, &T::m_showFocusRect, nullptr, R::Never, nullptr},
        {P::Enabled, "Enabled", "Enabled", "Enabled", Y::Boolean, true, true, {}, &T::m_enabled, &T::PassEnabled, R::Always, nullptr},
        {P::Font, "Font", "Font", "Font", Y::Font, 0, 0, {}, &T::m_font, &T::PassFont, R::Always, &T::PassFont},
        {P::BackColor, "BackColor", "BackColor", "BackColor", Y::Colour, kFace, kFace, {}, &T::m_backColor, &T::TakeCustomScheme, R::Always, nullptr},
        {P::Caption, "Caption", "Caption", "Caption", Y::String, 0, 0, kCaption, &T::m_caption, &T::PassAccessKey, R::Always, nullptr},
        {P::ForeColor, "ForeColor", "ForeColor", "ForeColor", Y::Colour, kText, kText, {}, &T::m_foreColor, nullptr, R::Always, &T::PassTextColor},
        {P::ForeColorHover, "ForeColorHover", "ForeColorHover", "ForeColorHover", Y::Colour, 0, kText, {}, &T::m_foreColorHover, nullptr, R::Always, nullptr},
        {P::Mode, "Mode", "Mode", "Value Mode", Y::Long, kNormal, kNormal, {}, &T::m_mode, &T::LeaveStateForNormal, R::Always, nullptr},
        {P::Value, "Value", "Value", "Value", Y::Boolean, false, false, {}, &T::m_value, nullptr, R::OwnRules, nullptr},
        {P::MousePointer, "MousePointer", "MousePointer", "MousePointer", Y::Long, 0, 0, {}, &T::m_mousePointer, &T::PassPointer, R::Never, &T::PassPointer},
        {P::HandPointer, "HandPointer", "HandPointer", "HandPointer", Y::Boolean, false, false, {}, &T::m_handPointer, &T::ResetPointerForHand, R::Always, nullptr},
        {P::MouseIcon, "MouseIcon", "MouseIcon", "MouseIcon", Y::Picture, 0, 0, {}, &T::m_mouseIcon, nullptr, R::OwnRules, &T::PassMouseIcon},
        {P::PictureNormal, "PictureNormal", "PictureNormal", "PictureNormal", Y::Picture, 0, 0, {}, &T::m_pictureNormal, nullptr, R::OwnRules, nullptr},
        {P::PictureHot, "PictureHot", "PictureHot", "PictureHot", Y::Picture, 0, 0, {}, &T::m_pictureHot, nullptr, R::OwnRules, nullptr},
        {P::PictureDown, "PictureDown", "PictureDown", "PictureDown", Y::Picture, 0, 0, {}, &T::m_pictureDown, nullptr, R::OwnRules, nullptr},
        {P::PictureAlign, "PictureAlign", "PictureAlign", "PictureAlign", Y::Long, 1, 1, {}, &T::m_pictureAlign, nullptr, R::WithPicture, nullptr},
        {P::PictureEffectOnOver, "PictureEffectOnOver", "PictureEffectOnOver", "PictureEffectOnOver", Y::Long, 0, 1, {}, &T::m_effectOnOver, nullptr, R::Always, nullptr},
        {P::PictureEffectOnDown, "PictureEffectOnDown", "PictureEffectOnDown", "PictureEffectOnDown", Y::Long, 0, 2, {}, &T::m_effectOnDown, nullptr, R::Always, nullptr},
        {P::PicturePushOnHover, "PicturePushOnHover", "PicturePushOnHover", "PicturePushOnHover", Y::Boolean, false, false, {}, &T::m_pushOnHover, nullptr, R::Always, nullptr},
        {P::PictureShadow, "PictureShadow", "PictureShadow", "PictureShadow", Y::Boolean, false, false, {}, &T::m_pictureShadow, nullptr, R::Always, nullptr},
        {P::PictureOpacity, "PictureOpacity", "PictureOpacity", "PictureOpacity", Y::Byte, 255, 255, {}, &T::m_opacity, nullptr, R::Always, nullptr},
        {P::PictureOpacityOnOver, "PictureOpacityOnOver", "PictureOpacityOnOver", "PictureOpacityOnOver", Y::Byte, 255, 255, {}, &T::m_opacityOnOver, nullptr, R::Always, nullptr},
        {P::DisabledPictureMode, "DisabledPictureMode", "DisabledPictureMode", "DisabledPictureMode", Y::Long, 0, 0, {}, &T::m_disabledPictureMode, nullptr, R::Always, nullptr},
        {P::CaptionEffects, "CaptionEffects", "CaptionEffects", "CaptionEffects", Y::Long, 0, 0, {}, &T::m_captionEffects, nullptr, R::Always, nullptr},
        {P::UseMaskColor, "UseMaskColor", "UseMaskColor", "UseMaskColor", Y::Boolean, true, true, {}, &T::m_useMaskColor, nullptr, R::WithPicture, nullptr},
        {P::MaskColor, "MaskColor", "MaskColor", "MaskColor", Y::Colour, 0xE0E0E0, 0xE0E0E0, {}, &T::m_maskColor, nullptr, R::Always, nullptr},
        {P::CaptionAlign, "CaptionAlign", "CaptionAlign", "CaptionAlign", Y::Long, 1, 1, {}, &T::m_captionAlign, nullptr, R::Always, nullptr},
        {P::ToolTip, "ToolTip", "ToolTip", "ToolTip", Y::String, 0, 0, u"", &T::m_toolTip, nullptr, R::Always, nullptr},
        // The stored keys spell "tip" in lower case; the type's notification keeps the property's case.
        {P::ToolTipType, "ToolTipType", "TooltipType", "ToolTipType", Y::Long, 0, 0, {}, &T::m_toolTipType, nullptr, R::Always, nullptr},
        {P::ToolTipIcon, "ToolTipIcon", "TooltipIcon", "TooltipIcon", Y::Long, 0, 0, {}, &T::m_toolTipIcon, nullptr, R::Always, nullptr},
        {P::TooltipTitle, "TooltipTitle", "TooltipTitle", "TooltipTitle", Y::String, 0, 0, u"", &T::m_tooltipTitle, nullptr, R::Always, nullptr},
        // Notified with a lower-case "c", as containers have always been told.
        {P::TooltipBackColor, "TooltipBackColor", "TooltipBackColor", "TooltipBackcolor", Y::Colour, 0, kInfoBk, {}, &T::m_tooltipBackColor, nullptr, R::Always, nullptr},
        {P::RightToLeft, "RightToLeft", "RightToLeft", "RightToLeft", Y::Boolean, false, false, {}, &T::m_rightToLeft, &T::CopyRightToLeftToTooltip, R::Always, &T::CopyRightToLeftToTooltip},
        {P::DropDownSymbol, "DropDownSymbol", "DropDownSymbol", "DropDownSymbol", Y::Long, 0, 0, {}, &T::m_dropDownSymbol, nullptr, R::Always, nullptr},
        {P::DropDownSeparator, "DropDownSeparator", "DropDownSeparator", "DropDownSeparator", Y::Boolean, false, false, {}, &T::m_dropDownSeparator, nullptr, R::Always, nullptr},
        {P::ColorScheme, "ColorScheme", "ColorScheme", "ColorScheme", Y::Long, kBlue, kBlue, {}, &T::m_scheme, &T::ApplySchemeColors, R::Always, nullptr},
    };

    static constexpr ButtonProperty kLoadOrder[] = {
        P::ButtonStyle, P::ShowFocusRect, P::Font, P::BackColor, P::Enabled, P::Caption, P::Value, P::MousePointer,
        P::HandPointer, P::MouseIcon, P::PictureNormal, P::PictureHot, P::PictureDown, P::PictureShadow,
        P::PictureOpacity, P::PictureOpacityOnOver, P::DisabledPictureMode, P::PicturePushOnHover,
        P::PictureEffectOnOver, P::PictureEffectOnDown, P::MaskColor, P::UseMaskColor, P::CaptionEffects, P::Mode,
        P::PictureAlign, P::CaptionAlign, P::ForeColor, P::ForeColorHover, P::DropDownSeparator, P::TooltipTitle,
        P::ToolTip, P::ToolTipIcon, P::ToolTipType, P::TooltipBackColor, P::RightToLeft, P::DropDownSymbol,
        P::ColorScheme,
    };
    // clang-format on

    // Each row sits at its id, and its member has the row's type.
    static constexpr bool Consistent() {
        for (std::size_t i = 0; i < std::size(kRows); ++i) {
            const ButtonPropertyRow& row = kRows[i];
            if (static_cast<std::size_t>(row.id) != i) return false;
            // The types are listed in the order of the member alternatives.
            if (row.member.index() != static_cast<std::size_t>(row.type)) return false;
        }
        return std::size(kRows) == kButtonPropertyCount && std::size(kLoadOrder) == kButtonPropertyCount;
    }
};
static_assert(ButtonPropertyTable::Consistent());

std::span<const ButtonPropertyRow> ButtonPropertyRows() {
    return ButtonPropertyTable::kRows;
}

const ButtonPropertyRow& RowOf(ButtonProperty id) {
    return ButtonPropertyTable::kRows[static_cast<std::size_t>(id)];
}

std::span<const ButtonProperty> ButtonLoadOrder() {
    return ButtonPropertyTable::kLoadOrder;
}

std::optional<ButtonProperty> ButtonPropertyNamed(std::string_view name) {
    for (const ButtonPropertyRow& row : ButtonPropertyTable::kRows) {
        if (row.name == name) return row.id;
    }
    return std::nullopt;
}

namespace {

using B = TesselButton;

OleColor SystemRgb(const SystemColors& system, int index) {
    return static_cast<OleColor>(TranslateColor(SystemColorCode(index), system));
}

// A loading colour default: a system-colour code is that colour of the system now.
OleColor LoadedColour(const ButtonPropertyRow& row, const SystemColors& system) {
    const auto colour = static_cast<OleColor>(row.loaded);
    return colour & kSystemColorFlag ? SystemRgb(system, static_cast<int>(colour & ~kSystemColorFlag)) : colour;
}

// Typed reads that accept what the text form may hold for a property of that type; anything
// else counts as missing.
std::int32_t ReadLong(const PropertyBag& bag, std::string_view key, std::int32_t def) {
    const PropertyValue v = bag.ReadProperty(key, def);
    if (const auto* n = std::get_if<std::int32_t>(&v)) return *n;
    if (const auto* b = std::get_if<bool>(&v)) return *b ? -1 : 0;
    if (const auto* c = std::get_if<ColorValue>(&v)) return static_cast<std::int32_t>(c->value);
    return def;
}

bool ReadBool(const PropertyBag& bag, std::string_view key, bool def) {
    const PropertyValue v = bag.ReadProperty(key, def);
    if (const auto* b = std::get_if<bool>(&v)) return *b;
    if (const auto* n = std::get_if<std::int32_t>(&v)) return *n != 0;
    return def;
}

OleColor ReadColor(const PropertyBag& bag, std::string_view key, OleColor def) {
    const PropertyValue v = bag.ReadProperty(key, ColorValue{def});
    if (const auto* c = std::get_if<ColorValue>(&v)) return c->value;
    if (const auto* n = std::get_if<std::int32_t>(&v)) return static_cast<OleColor>(*n);
    return def;
}

std::uint8_t ReadByte(const PropertyBag& bag, std::string_view key, std::uint8_t def) {
    const std::int32_t n = ReadLong(bag, key, def);
    return n >= 0 && n <= 255 ? static_cast<std::uint8_t>(n) : def;
}

// Texts and fonts: the stored value when it has the type, else the default.
template <class V>
V ReadAs(const PropertyBag& bag, std::string_view key, const V& def) {
    const PropertyValue v = bag.ReadProperty(key, def);
    if (const auto* got = std::get_if<V>(&v)) return *got;
    return def;
}

}  // namespace

PropertyValue TesselButton::Get(ButtonProperty id) const {
    const ButtonPropertyRow& row = RowOf(id);
    switch (row.type) {
        case PropertyType::Long:
            return this->*std::get<std::int32_t B::*>(row.member);
        case PropertyType::Boolean:
            return this->*std::get<bool B::*>(row.member);
        case PropertyType::Colour:
            return ColorValue{this->*std::get<std::uint32_t B::*>(row.member)};
        case PropertyType::Byte:
            return std::int32_t{this->*std::get<std::uint8_t B::*>(row.member)};
        case PropertyType::String:
            return this->*std::get<Text B::*>(row.member);
        case PropertyType::Font:
            return this->*std::get<ButtonFont B::*>(row.member);
        case PropertyType::Picture:
            if (const auto& picture = this->*std::get<std::optional<Picture> B::*>(row.member)) return *picture;
            return std::monostate{};
    }
    return std::monostate{};
}

PropertyValue TesselButton::LoadDefault(ButtonProperty id) const {
    const ButtonPropertyRow& row = RowOf(id);
    switch (row.type) {
        case PropertyType::Long:
        case PropertyType::Byte:
            return static_cast<std::int32_t>(row.loaded);
        case PropertyType::Boolean:
            return row.loaded != 0;
        case PropertyType::Colour:
            return ColorValue{LoadedColour(row, m_host)};
        case PropertyType::String:
            return Text(row.loadedText);
        case PropertyType::Font:
            return m_host.AmbientFont();
        case PropertyType::Picture:
            return std::monostate{};
    }
    return std::monostate{};
}

void TesselButton::StoreFresh(const ButtonPropertyRow& row) {
    switch (row.type) {
        case PropertyType::Long:
            this->*std::get<std::int32_t B::*>(row.member) = static_cast<std::int32_t>(row.fresh);
            break;
        case PropertyType::Boolean:
            this->*std::get<bool B::*>(row.member) = row.fresh != 0;
            break;
        case PropertyType::Colour:
            this->*std::get<std::uint32_t B::*>(row.member) = static_cast<std::uint32_t>(row.fresh);
            break;
        case PropertyType::Byte:
            this->*std::get<std::uint8_t B::*>(row.member) = static_cast<std::uint8_t>(row.fresh);
            break;
        case PropertyType::String:
        case PropertyType::Font:
        case PropertyType::Picture:
            break;  // empty, the default font, none
    }
}

void TesselButton::ReadRow(const PropertyBag& bag, const ButtonPropertyRow& row) {
    const std::string_view key = row.key;
    switch (row.type) {
        case PropertyType::Long:
            this->*std::get<std::int32_t B::*>(row.member) = ReadLong(bag, key, static_cast<std::int32_t>(row.loaded));
            break;
        case PropertyType::Boolean:
            this->*std::get<bool B::*>(row.member) = ReadBool(bag, key, row.loaded != 0);
            break;
        case PropertyType::Colour:
            this->*std::get<std::uint32_t B::*>(row.member) = ReadColor(bag, key, LoadedColour(row, m_host));
            break;
        case PropertyType::Byte:
            this->*std::get<std::uint8_t B::*>(row.member) = ReadByte(bag, key, static_cast<std::uint8_t>(row.loaded));
            break;
        case PropertyType::String:
            this->*std::get<Text B::*>(row.member) = ReadAs(bag, key, Text(row.loadedText));
            break;
        case PropertyType::Font:
            this->*std::get<ButtonFont B::*>(row.member) = ReadAs(bag, key, m_host.AmbientFont());
            break;
        case PropertyType::Picture: {
            const PropertyValue v = bag.ReadProperty(key, std::monostate{});
            const auto* picture = std::get_if<Picture>(&v);
            this->*std::get<std::optional<Picture> B::*>(row.member) =
                picture ? std::optional<Picture>(*picture) : std::nullopt;
            break;
        }
    }
    if (row.onLoad) (this->*row.onLoad)();
}

}  // namespace ferrik
