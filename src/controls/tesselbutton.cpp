// tesselbutton: properties, their side effects, the style scheme and scheme colours, persistence.
#include "controls/tesselbutton.h"

#include <algorithm>

namespace ferrik {

namespace {

constexpr std::int32_t kHandPointerReset = 0;
constexpr std::int32_t kCustomPointer = 99;

bool IsOneOf(std::int32_t value, std::initializer_list<std::int32_t> set) {
    return std::find(set.begin(), set.end(), value) != set.end();
}

OleColor SystemRgb(const SystemColors& system, int index) {
    return static_cast<OleColor>(TranslateColor(SystemColorCode(index), system));
}

}  // namespace

std::optional<PopupPlacement> PlacePopupMenu(std::int32_t align, int width, int height, std::uint32_t flags) {
    constexpr std::uint32_t kRightAlign = 0x8;
    constexpr std::uint32_t kBottomAlign = 0x20;
    switch (align) {
        case 0:
            return PopupPlacement{0, height, flags};
        case 1:
            return PopupPlacement{0, 0, kBottomAlign};
        case 2:
            return PopupPlacement{0, 0, flags | kRightAlign};
        case 3:
            return PopupPlacement{width, 0, flags};
        case 4:
            return PopupPlacement{0, 0, kBottomAlign | kRightAlign};
        case 5:
            return PopupPlacement{0, height, flags | kRightAlign};
        case 6:
            return PopupPlacement{width, 0, kBottomAlign};
        case 7:
            return PopupPlacement{width, height, flags};
        default:
            return std::nullopt;
    }
}

std::optional<char16_t> AccessKeyOf(TextView caption) {
    if (caption.size() <= 1) return std::nullopt;
    std::size_t amp = caption.find(u'&');
    if (amp == TextView::npos || amp + 1 == caption.size()) return std::nullopt;
    if (caption[amp + 1] != u'&') return LowerChar(caption[amp + 1]);
    // An escaped ampersand: the key can only come from the next single "&" after the pair.
    amp = caption.find(u'&', amp + 2);
    if (amp == TextView::npos || amp + 1 == caption.size() || caption[amp + 1] == u'&') return std::nullopt;
    return LowerChar(caption[amp + 1]);
}

// ---- creation and persistence ----

TesselButton::TesselButton(ButtonHost& host, ButtonEvents& events) : m_host(host), m_events(events) {
    for (const ButtonPropertyRow& row : ButtonPropertyRows()) StoreFresh(row);
}

// The rows give every other new-instance value.
void TesselButton::InitProperties() {
    m_showFocusRect = true;
    m_caption = m_host.AmbientDisplayName();
    m_font = m_host.AmbientFont();
    m_font.name = u"Tahoma";
    m_host.AdoptFont(m_font);
    m_displayAsDefault = m_host.AmbientDisplayAsDefault();
    ApplyStyleScheme();
    ApplySchemeColors();
    m_host.SetAccessKey(AccessKeyOf(m_caption));
    Repaint();
}

// Stored values as they are: no setter's side effects, no style scheme, no scheme colours.
void TesselButton::ReadProperties(const PropertyBag& bag) {
    for (const ButtonProperty id : ButtonLoadOrder()) ReadRow(bag, RowOf(id));
    m_host.SetWindowEnabled(m_enabled);
    m_host.SetAccessKey(AccessKeyOf(m_caption));
    m_displayAsDefault = m_host.AmbientDisplayAsDefault();
    m_host.RememberParent();
    if (m_handPointer) m_handPointer = m_host.LoadHandCursor();
    m_host.ResizeHandling();
    if (m_host.UserMode()) m_host.InstallHooks();
}

void TesselButton::WriteProperties(PropertyBag& bag) const {
    for (const ButtonPropertyRow& row : ButtonPropertyRows())
        bag.WriteProperty(row.key, Get(row.id), LoadDefault(row.id));
}

// ---- style scheme and scheme colours ----

void TesselButton::ApplyStyleScheme() {
    if (m_style == kGlassGradient || m_style == kGlossy) {
        m_scheme = kSilver;
    } else if (m_style >= kRaised3D && m_style <= kCurvedPanel && m_style != kToolbarGradient) {
        m_scheme = kBlue;
    }
}

void TesselButton::ApplySchemeColors() {
    if (m_scheme != kCustom && m_style != kThemed && m_scheme >= kBlue && m_scheme <= kSilver) {
        const int s = m_scheme;
        auto pick = [s](OleColor blue, OleColor olive, OleColor silver) {
            return s == 0 ? blue : s == 1 ? olive : silver;
        };
        switch (m_style) {
            case kCurvedGradient:
                m_backColor = pick(0xE7EBEC, 0xDBEEF3, 0xFCF1F0);
                break;
            case kGlassGradient:
                m_backColor = pick(0xFDECE0, 0xDEEDE8, ShiftColor(0xD4D4D4, 0.06));
                break;
            case kToolbarGradient:
                m_backColor = pick(0xFCE1CA, 0xBAD6D4, ShiftColor(0xBA9EA0, 0.15));
                break;
            case kWarmGlow:
            case kCurvedPanel:
                m_backColor = pick(0xFFD1AD, 0xBAD6D4, 0xE3DFE0);
                break;
            case kGlossy:
                m_backColor = pick(0xFFD1AD, 0xBAD6D4, 0xE1D6D5);
                break;
            case kRaised3D:
            case kThinEdge:
            case kFlatHighlight:
            case kSoftGradient:
            case kPaleRounded:
            case kHoverRaised:
            case kHoverThin:
                m_backColor = SystemRgb(m_host, kColorBtnFace);
                break;
            default:
                break;
        }
    }
    m_foreColor = SystemRgb(m_host, kColorBtnText);
    m_showFocusRect = IsOneOf(m_style, {kRaised3D, kThinEdge, kGlossy});
    if (m_style == kFlatHighlight) m_pushOnHover = true;
}

// ---- property setters ----

template <class V>
void TesselButton::Set(ButtonProperty id, V value) {
    const ButtonPropertyRow& row = RowOf(id);
    this->*std::get<V TesselButton::*>(row.member) = std::move(value);
    if (row.onSet) (this->*row.onSet)();
    if (row.repaint == SetRepaint::Always || (row.repaint == SetRepaint::WithPicture && m_pictureNormal)) Repaint();
    Notify(id);
}

void TesselButton::Notify(ButtonProperty id) {
    std::string_view names = RowOf(id).notified;
    while (!names.empty()) {
        const std::size_t blank = names.find(' ');
        m_host.PropertyChanged(names.substr(0, blank));
        names = blank == std::string_view::npos ? std::string_view{} : names.substr(blank + 1);
    }
}

void TesselButton::RestyleForStyle() {
    ApplyStyleScheme();
    ApplySchemeColors();
    m_host.BuildRegion();
}

void TesselButton::PassEnabled() {
    m_host.SetWindowEnabled(m_enabled);
}

void TesselButton::PassFont() {
    m_host.AdoptFont(m_font);
}

void TesselButton::TakeCustomScheme() {
    if (m_style != kFlatHighlight) m_scheme = kCustom;
}

void TesselButton::PassAccessKey() {
    m_host.SetAccessKey(AccessKeyOf(m_caption));
}

void TesselButton::PassTextColor() {
    m_host.SetHostTextColor(m_foreColor);
}

void TesselButton::LeaveStateForNormal() {
    if (m_mode == kNormal) m_state = kStateNormal;
}

void TesselButton::PassPointer() {
    m_host.SetMousePointer(m_mousePointer);
}

void TesselButton::ResetPointerForHand() {
    if (!m_handPointer) return;
    m_mousePointer = kHandPointerReset;
    m_host.SetMousePointer(m_mousePointer);
}

void TesselButton::PassMouseIcon() {
    m_host.SetMouseIcon(m_mouseIcon);
}

void TesselButton::CopyRightToLeftToTooltip() {
    m_tooltipRtl = m_rightToLeft;
}

// clang-format off
void TesselButton::SetButtonStyle(std::int32_t style) { Set(ButtonProperty::ButtonStyle, style); }
void TesselButton::SetColorScheme(std::int32_t scheme) { Set(ButtonProperty::ColorScheme, scheme); }
void TesselButton::SetBackColor(OleColor colour) { Set(ButtonProperty::BackColor, colour); }
void TesselButton::SetForeColor(OleColor colour) { Set(ButtonProperty::ForeColor, colour); }
void TesselButton::SetForeColorHover(OleColor colour) { Set(ButtonProperty::ForeColorHover, colour); }
void TesselButton::SetCaption(TextView caption) { Set(ButtonProperty::Caption, Text(caption)); }
void TesselButton::SetCaptionAlign(std::int32_t align) { Set(ButtonProperty::CaptionAlign, align); }
void TesselButton::SetCaptionEffects(std::int32_t effects) { Set(ButtonProperty::CaptionEffects, effects); }
void TesselButton::SetFont(const ButtonFont& font) { Set(ButtonProperty::Font, font); }
void TesselButton::SetEnabled(bool enabled) { Set(ButtonProperty::Enabled, enabled); }
void TesselButton::SetMode(std::int32_t mode) { Set(ButtonProperty::Mode, mode); }
void TesselButton::SetShowFocusRect(bool show) { Set(ButtonProperty::ShowFocusRect, show); }
void TesselButton::SetDropDownSymbol(std::int32_t symbol) { Set(ButtonProperty::DropDownSymbol, symbol); }
void TesselButton::SetDropDownSeparator(bool separator) { Set(ButtonProperty::DropDownSeparator, separator); }
void TesselButton::SetHandPointer(bool hand) { Set(ButtonProperty::HandPointer, hand); }
void TesselButton::SetMousePointer(std::int32_t pointer) { Set(ButtonProperty::MousePointer, pointer); }
void TesselButton::SetPictureAlign(std::int32_t align) { Set(ButtonProperty::PictureAlign, align); }
void TesselButton::SetPictureShadow(bool shadow) { Set(ButtonProperty::PictureShadow, shadow); }
void TesselButton::SetPictureEffectOnOver(std::int32_t effect) { Set(ButtonProperty::PictureEffectOnOver, effect); }
void TesselButton::SetPictureEffectOnDown(std::int32_t effect) { Set(ButtonProperty::PictureEffectOnDown, effect); }
void TesselButton::SetPicturePushOnHover(bool push) { Set(ButtonProperty::PicturePushOnHover, push); }
void TesselButton::SetPictureOpacity(std::uint8_t opacity) { Set(ButtonProperty::PictureOpacity, opacity); }
void TesselButton::SetPictureOpacityOnOver(std::uint8_t opacity) { Set(ButtonProperty::PictureOpacityOnOver, opacity); }
void TesselButton::SetDisabledPictureMode(std::int32_t mode) { Set(ButtonProperty::DisabledPictureMode, mode); }
void TesselButton::SetUseMaskColor(bool use) { Set(ButtonProperty::UseMaskColor, use); }
void TesselButton::SetMaskColor(OleColor colour) { Set(ButtonProperty::MaskColor, colour); }
void TesselButton::SetRightToLeft(bool rtl) { Set(ButtonProperty::RightToLeft, rtl); }
void TesselButton::SetToolTip(TextView text) { Set(ButtonProperty::ToolTip, Text(text)); }
void TesselButton::SetTooltipTitle(TextView title) { Set(ButtonProperty::TooltipTitle, Text(title)); }
void TesselButton::SetToolTipType(std::int32_t type) { Set(ButtonProperty::ToolTipType, type); }
void TesselButton::SetToolTipIcon(std::int32_t icon) { Set(ButtonProperty::ToolTipIcon, icon); }
void TesselButton::SetTooltipBackColor(OleColor colour) { Set(ButtonProperty::TooltipBackColor, colour); }
// clang-format on

// ---- setters with rules of their own ----

void TesselButton::SetValue(bool value) {
    if (m_mode != kNormal) {
        m_value = value;
        if (!value) m_state = kStateNormal;
        Repaint();
        Notify(ButtonProperty::Value);
    } else {
        m_state = kStateNormal;
        Repaint();
    }
}

void TesselButton::SetMouseIcon(std::optional<Picture> icon) {
    m_mouseIcon = std::move(icon);
    m_host.SetMouseIcon(m_mouseIcon);
    if (m_mouseIcon) {
        m_handPointer = false;
        Notify(ButtonProperty::HandPointer);
        m_mousePointer = kCustomPointer;
    } else {
        m_mousePointer = 0;
    }
    m_host.SetMousePointer(m_mousePointer);
    Notify(ButtonProperty::MouseIcon);
}

void TesselButton::SetPictureNormal(std::optional<Picture> picture) {
    m_pictureNormal = std::move(picture);
    if (m_pictureNormal) {
        Repaint();
    } else {
        m_pictureHot.reset();
        m_pictureDown.reset();
        Notify(ButtonProperty::PictureHot);
        Notify(ButtonProperty::PictureDown);
        m_host.ResizeHandling();
    }
    Notify(ButtonProperty::PictureNormal);
}

// A hover or press picture without a normal one becomes the normal one.
void TesselButton::StoreOtherPicture(std::optional<Picture> TesselButton::*slot, ButtonProperty id,
                                     std::optional<Picture> picture) {
    if (!m_pictureNormal) {
        slot = &TesselButton::m_pictureNormal;
        id = ButtonProperty::PictureNormal;
    }
    this->*slot = std::move(picture);
    Repaint();
    Notify(id);
}

void TesselButton::SetPictureHot(std::optional<Picture> picture) {
    StoreOtherPicture(&TesselButton::m_pictureHot, ButtonProperty::PictureHot, std::move(picture));
}

void TesselButton::SetPictureDown(std::optional<Picture> picture) {
    StoreOtherPicture(&TesselButton::m_pictureDown, ButtonProperty::PictureDown, std::move(picture));
}

// ---- popup menu ----

void TesselButton::SetPopupMenu(MenuHandle menu, std::int32_t align, std::uint32_t flags, MenuHandle defaultItem) {
    if (!m_host.IsMenu(menu)) return;
    m_menu = menu;
    m_menuAlign = align;
    m_menuFlags = flags;
    m_defaultItem = defaultItem;
    m_menuSet = true;
}

void TesselButton::UnsetPopupMenu() {
    m_menu = 0;
    m_defaultItem = 0;
    m_menuSet = false;
    // Both handshake flags: a re-press flag left behind would let the next right press act as a left one.
    m_menuOpen = false;
    m_rePress = false;
}

void TesselButton::About() {
    m_host.ShowMessageBox(
        u"Tesselbutton v 1.02\r\n\r\nAn image button: push, check or option, fourteen styles, "
        u"pictures with effects, a popup menu and a tooltip of its own.",
        u"About");
}

}  // namespace ferrik
