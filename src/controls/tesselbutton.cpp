// tesselbutton: properties, their side effects, the style scheme and scheme colours, persistence.
#include "controls/tesselbutton.h"

#include <algorithm>

namespace ferrik {

namespace {

// The caption default of both loading and saving. (Saving with a different default than loading
// would drop a caption equal to the saving default and bring it back as the loading one.)
constexpr std::u16string_view kCaptionDefault = u"tesselbutton";

constexpr std::int32_t kHandPointerReset = 0;
constexpr std::int32_t kCustomPointer = 99;

bool IsOneOf(std::int32_t value, std::initializer_list<std::int32_t> set) {
    return std::find(set.begin(), set.end(), value) != set.end();
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

Text ReadText(const PropertyBag& bag, std::string_view key, TextView def) {
    const PropertyValue v = bag.ReadProperty(key, Text(def));
    if (const auto* t = std::get_if<Text>(&v)) return *t;
    return Text(def);
}

std::optional<Picture> ReadPicture(const PropertyBag& bag, std::string_view key) {
    const PropertyValue v = bag.ReadProperty(key, std::monostate{});
    if (const auto* p = std::get_if<Picture>(&v)) return *p;
    return std::nullopt;
}

ButtonFont ReadFont(const PropertyBag& bag, std::string_view key, const ButtonFont& def) {
    const PropertyValue v = bag.ReadProperty(key, def);
    if (const auto* f = std::get_if<ButtonFont>(&v)) return *f;
    return def;
}

PropertyValue PictureValue(const std::optional<Picture>& picture) {
    return picture ? PropertyValue{*picture} : PropertyValue{std::monostate{}};
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

void TesselButton::InitProperties() {
    m_showFocusRect = true;
    m_enabled = true;
    m_style = kThemed;
    m_caption = m_host.AmbientDisplayName();
    m_font = m_host.AmbientFont();
    m_font.name = u"Tahoma";
    m_host.AdoptFont(m_font);
    m_opacity = 255;
    m_opacityOnOver = 255;
    m_pictureAlign = 1;
    m_captionAlign = 1;
    m_useMaskColor = true;
    m_maskColor = 0xE0E0E0;
    m_displayAsDefault = m_host.AmbientDisplayAsDefault();
    ApplyStyleScheme();
    ApplySchemeColors();
    m_host.SetAccessKey(AccessKeyOf(m_caption));
    Repaint();
}

void TesselButton::ReadProperties(const PropertyBag& bag) {
    const OleColor face = SystemRgb(m_host, kColorBtnFace);
    const OleColor text = SystemRgb(m_host, kColorBtnText);
    const ButtonFont ambientFont = m_host.AmbientFont();

    m_style = ReadLong(bag, "ButtonStyle", kThinEdge);
    m_showFocusRect = ReadBool(bag, "ShowFocusRect", false);
    m_font = ReadFont(bag, "Font", ambientFont);
    m_host.AdoptFont(m_font);
    m_backColor = ReadColor(bag, "BackColor", face);
    m_enabled = ReadBool(bag, "Enabled", true);
    m_caption = ReadText(bag, "Caption", kCaptionDefault);
    m_value = ReadBool(bag, "Value", false);
    m_mousePointer = ReadLong(bag, "MousePointer", 0);
    m_host.SetMousePointer(m_mousePointer);
    m_handPointer = ReadBool(bag, "HandPointer", false);
    m_mouseIcon = ReadPicture(bag, "MouseIcon");
    m_host.SetMouseIcon(m_mouseIcon);
    m_pictureNormal = ReadPicture(bag, "PictureNormal");
    m_pictureHot = ReadPicture(bag, "PictureHot");
    m_pictureDown = ReadPicture(bag, "PictureDown");
    m_pictureShadow = ReadBool(bag, "PictureShadow", false);
    m_opacity = ReadByte(bag, "PictureOpacity", 255);
    m_opacityOnOver = ReadByte(bag, "PictureOpacityOnOver", 255);
    m_disabledPictureMode = ReadLong(bag, "DisabledPictureMode", 0);
    m_pushOnHover = ReadBool(bag, "PicturePushOnHover", false);
    m_effectOnOver = ReadLong(bag, "PictureEffectOnOver", 1);
    m_effectOnDown = ReadLong(bag, "PictureEffectOnDown", 2);
    m_maskColor = ReadColor(bag, "MaskColor", 0xE0E0E0);
    m_useMaskColor = ReadBool(bag, "UseMaskColor", true);
    m_captionEffects = ReadLong(bag, "CaptionEffects", 0);
    m_mode = ReadLong(bag, "Mode", kNormal);
    m_pictureAlign = ReadLong(bag, "PictureAlign", 1);
    m_captionAlign = ReadLong(bag, "CaptionAlign", 1);
    m_foreColor = ReadColor(bag, "ForeColor", text);
    m_foreColorHover = ReadColor(bag, "ForeColorHover", text);
    m_host.SetHostTextColor(m_foreColor);
    m_dropDownSeparator = ReadBool(bag, "DropDownSeparator", false);
    m_tooltipTitle = ReadText(bag, "TooltipTitle", u"");
    m_toolTip = ReadText(bag, "ToolTip", u"");
    m_toolTipIcon = ReadLong(bag, "TooltipIcon", 0);
    m_toolTipType = ReadLong(bag, "TooltipType", 0);
    m_tooltipBackColor = ReadColor(bag, "TooltipBackColor", SystemRgb(m_host, kColorInfoBk));
    m_rightToLeft = ReadBool(bag, "RightToLeft", false);
    m_tooltipRtl = m_rightToLeft;
    m_dropDownSymbol = ReadLong(bag, "DropDownSymbol", 0);
    m_scheme = ReadLong(bag, "ColorScheme", kBlue);

    m_host.SetWindowEnabled(m_enabled);
    m_host.SetAccessKey(AccessKeyOf(m_caption));
    m_displayAsDefault = m_host.AmbientDisplayAsDefault();
    m_host.RememberParent();
    if (m_handPointer) m_handPointer = m_host.LoadHandCursor();
    m_host.ResizeHandling();
    if (m_host.UserMode()) m_host.InstallHooks();
}

void TesselButton::WriteProperties(PropertyBag& bag) const {
    const OleColor face = SystemRgb(m_host, kColorBtnFace);
    const OleColor text = SystemRgb(m_host, kColorBtnText);
    auto color = [](OleColor c) { return PropertyValue{ColorValue{c}}; };

    bag.WriteProperty("ButtonStyle", m_style, std::int32_t{kThinEdge});
    bag.WriteProperty("ShowFocusRect", m_showFocusRect, false);
    bag.WriteProperty("Enabled", m_enabled, true);
    bag.WriteProperty("Font", m_font, m_host.AmbientFont());
    bag.WriteProperty("BackColor", color(m_backColor), color(face));
    bag.WriteProperty("Caption", m_caption, Text(kCaptionDefault));
    bag.WriteProperty("ForeColor", color(m_foreColor), color(text));
    bag.WriteProperty("ForeColorHover", color(m_foreColorHover), color(text));
    bag.WriteProperty("Mode", m_mode, std::int32_t{kNormal});
    bag.WriteProperty("Value", m_value, false);
    bag.WriteProperty("MousePointer", m_mousePointer, std::int32_t{0});
    bag.WriteProperty("HandPointer", m_handPointer, false);
    bag.WriteProperty("MouseIcon", PictureValue(m_mouseIcon), std::monostate{});
    bag.WriteProperty("PictureNormal", PictureValue(m_pictureNormal), std::monostate{});
    bag.WriteProperty("PictureHot", PictureValue(m_pictureHot), std::monostate{});
    bag.WriteProperty("PictureDown", PictureValue(m_pictureDown), std::monostate{});
    bag.WriteProperty("PictureAlign", m_pictureAlign, std::int32_t{1});
    bag.WriteProperty("PictureEffectOnOver", m_effectOnOver, std::int32_t{1});
    bag.WriteProperty("PictureEffectOnDown", m_effectOnDown, std::int32_t{2});
    bag.WriteProperty("PicturePushOnHover", m_pushOnHover, false);
    bag.WriteProperty("PictureShadow", m_pictureShadow, false);
    bag.WriteProperty("PictureOpacity", std::int32_t{m_opacity}, std::int32_t{255});
    bag.WriteProperty("PictureOpacityOnOver", std::int32_t{m_opacityOnOver}, std::int32_t{255});
    bag.WriteProperty("DisabledPictureMode", m_disabledPictureMode, std::int32_t{0});
    bag.WriteProperty("CaptionEffects", m_captionEffects, std::int32_t{0});
    bag.WriteProperty("UseMaskColor", m_useMaskColor, true);
    bag.WriteProperty("MaskColor", color(m_maskColor), color(0xE0E0E0));
    bag.WriteProperty("CaptionAlign", m_captionAlign, std::int32_t{1});
    bag.WriteProperty("ToolTip", m_toolTip, Text());
    bag.WriteProperty("TooltipType", m_toolTipType, std::int32_t{0});
    bag.WriteProperty("TooltipIcon", m_toolTipIcon, std::int32_t{0});
    bag.WriteProperty("TooltipTitle", m_tooltipTitle, Text());
    bag.WriteProperty("TooltipBackColor", color(m_tooltipBackColor), color(SystemRgb(m_host, kColorInfoBk)));
    bag.WriteProperty("RightToLeft", m_rightToLeft, false);
    bag.WriteProperty("DropDownSymbol", m_dropDownSymbol, std::int32_t{0});
    bag.WriteProperty("DropDownSeparator", m_dropDownSeparator, false);
    bag.WriteProperty("ColorScheme", m_scheme, std::int32_t{kBlue});
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

void TesselButton::SetButtonStyle(std::int32_t style) {
    m_style = style;
    ApplyStyleScheme();
    ApplySchemeColors();
    m_host.BuildRegion();
    Repaint();
    Notify("ButtonStyle");
}

void TesselButton::SetColorScheme(std::int32_t scheme) {
    m_scheme = scheme;
    ApplySchemeColors();
    Repaint();
    Notify("ColorScheme");
}

void TesselButton::SetBackColor(OleColor colour) {
    m_backColor = colour;
    if (m_style != kFlatHighlight) m_scheme = kCustom;
    Repaint();
    Notify("BackColor");
}

void TesselButton::SetForeColor(OleColor colour) {
    m_foreColor = colour;
    Repaint();
    Notify("ForeColor");
}

void TesselButton::SetForeColorHover(OleColor colour) {
    m_foreColorHover = colour;
    Repaint();
    Notify("ForeColorHover");
}

void TesselButton::SetCaption(TextView caption) {
    m_caption = Text(caption);
    m_host.SetAccessKey(AccessKeyOf(m_caption));
    Repaint();
    Notify("Caption");
}

void TesselButton::SetCaptionAlign(std::int32_t align) {
    m_captionAlign = align;
    Repaint();
    Notify("CaptionAlign");
}

void TesselButton::SetCaptionEffects(std::int32_t effects) {
    m_captionEffects = effects;
    Repaint();
    Notify("CaptionEffects");
}

void TesselButton::SetFont(const ButtonFont& font) {
    m_font = font;
    m_host.AdoptFont(m_font);
    Repaint();
    Notify("Font");
}

void TesselButton::SetEnabled(bool enabled) {
    m_enabled = enabled;
    m_host.SetWindowEnabled(enabled);
    Repaint();
    Notify("Enabled");
}

void TesselButton::SetMode(std::int32_t mode) {
    m_mode = mode;
    if (mode == kNormal) m_state = kStateNormal;
    Repaint();
    Notify("Value");
    Notify("Mode");
}

void TesselButton::SetValue(bool value) {
    if (m_mode != kNormal) {
        m_value = value;
        if (!value) m_state = kStateNormal;
        Repaint();
        Notify("Value");
    } else {
        m_state = kStateNormal;
        Repaint();
    }
}

void TesselButton::SetShowFocusRect(bool show) {
    m_showFocusRect = show;
    Notify("ShowFocusRect");
}

void TesselButton::SetDropDownSymbol(std::int32_t symbol) {
    m_dropDownSymbol = symbol;
    Repaint();
    Notify("DropDownSymbol");
}

void TesselButton::SetDropDownSeparator(bool separator) {
    m_dropDownSeparator = separator;
    Repaint();
    Notify("DropDownSeparator");
}

void TesselButton::SetHandPointer(bool hand) {
    m_handPointer = hand;
    if (hand) {
        m_mousePointer = kHandPointerReset;
        m_host.SetMousePointer(m_mousePointer);
    }
    Repaint();
    Notify("HandPointer");
}

void TesselButton::SetMousePointer(std::int32_t pointer) {
    m_mousePointer = pointer;
    m_host.SetMousePointer(pointer);
    Notify("MousePointer");
}

void TesselButton::SetMouseIcon(std::optional<Picture> icon) {
    m_mouseIcon = std::move(icon);
    m_host.SetMouseIcon(m_mouseIcon);
    if (m_mouseIcon) {
        m_handPointer = false;
        Notify("HandPointer");
        m_mousePointer = kCustomPointer;
    } else {
        m_mousePointer = 0;
    }
    m_host.SetMousePointer(m_mousePointer);
    Notify("MouseIcon");
}

void TesselButton::SetPictureNormal(std::optional<Picture> picture) {
    m_pictureNormal = std::move(picture);
    if (m_pictureNormal) {
        Repaint();
    } else {
        m_pictureHot.reset();
        m_pictureDown.reset();
        Notify("PictureHot");
        Notify("PictureDown");
        m_host.ResizeHandling();
    }
    Notify("PictureNormal");
}

// A hover or press picture without a normal one becomes the normal one.
void TesselButton::SetPictureHot(std::optional<Picture> picture) {
    if (!m_pictureNormal) {
        m_pictureNormal = std::move(picture);
        Repaint();
        Notify("PictureNormal");
        return;
    }
    m_pictureHot = std::move(picture);
    Repaint();
    Notify("PictureHot");
}

void TesselButton::SetPictureDown(std::optional<Picture> picture) {
    if (!m_pictureNormal) {
        m_pictureNormal = std::move(picture);
        Repaint();
        Notify("PictureNormal");
        return;
    }
    m_pictureDown = std::move(picture);
    Repaint();
    Notify("PictureDown");
}

void TesselButton::SetPictureAlign(std::int32_t align) {
    m_pictureAlign = align;
    if (m_pictureNormal) Repaint();
    Notify("PictureAlign");
}

void TesselButton::SetPictureShadow(bool shadow) {
    m_pictureShadow = shadow;
    Repaint();
    Notify("PictureShadow");
}

void TesselButton::SetPictureEffectOnOver(std::int32_t effect) {
    m_effectOnOver = effect;
    Repaint();
    Notify("PictureEffectOnOver");
}

void TesselButton::SetPictureEffectOnDown(std::int32_t effect) {
    m_effectOnDown = effect;
    Repaint();
    Notify("PictureEffectOnDown");
}

void TesselButton::SetPicturePushOnHover(bool push) {
    m_pushOnHover = push;
    Repaint();
    Notify("PicturePushOnHover");
}

void TesselButton::SetPictureOpacity(std::uint8_t opacity) {
    m_opacity = opacity;
    Repaint();
    Notify("PictureOpacity");
}

void TesselButton::SetPictureOpacityOnOver(std::uint8_t opacity) {
    m_opacityOnOver = opacity;
    Repaint();
    Notify("PictureOpacityOnOver");
}

void TesselButton::SetDisabledPictureMode(std::int32_t mode) {
    m_disabledPictureMode = mode;
    Repaint();
    Notify("DisabledPictureMode");
}

void TesselButton::SetUseMaskColor(bool use) {
    m_useMaskColor = use;
    if (m_pictureNormal) Repaint();
    Notify("UseMaskColor");
}

void TesselButton::SetMaskColor(OleColor colour) {
    m_maskColor = colour;
    Repaint();
    Notify("MaskColor");
}

void TesselButton::SetRightToLeft(bool rtl) {
    m_rightToLeft = rtl;
    m_tooltipRtl = rtl;
    Repaint();
    Notify("RightToLeft");
}

void TesselButton::SetToolTip(TextView text) {
    m_toolTip = Text(text);
    Repaint();
    Notify("ToolTip");
}

void TesselButton::SetTooltipTitle(TextView title) {
    m_tooltipTitle = Text(title);
    Repaint();
    Notify("TooltipTitle");
}

void TesselButton::SetToolTipType(std::int32_t type) {
    m_toolTipType = type;
    Repaint();
    Notify("ToolTipType");
}

void TesselButton::SetToolTipIcon(std::int32_t icon) {
    m_toolTipIcon = icon;
    Repaint();
    Notify("TooltipIcon");
}

void TesselButton::SetTooltipBackColor(OleColor colour) {
    m_tooltipBackColor = colour;
    Repaint();
    Notify("TooltipBackcolor");
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
