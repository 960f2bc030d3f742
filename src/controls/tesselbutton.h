#pragma once
// tesselbutton, the image button: its properties with their defaults, side effects and
// persistence, and its reaction to mouse, keys, focus, parent activation and its popup menu.
// The window half (tesselbutton_win.cpp) implements ButtonHost and feeds the inputs in; this half
// decides every state change, event and repaint.
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "common/text.h"
#include "controls/button_color.h"
#include "controls/button_properties.h"
#include "controls/property_bag.h"

namespace ferrik {

class TesselButton;

enum ButtonStyle : std::int32_t {
    kRaised3D = 0,
    kThinEdge,
    kCurvedGradient,
    kGlassGradient,
    kFlatHighlight,
    kToolbarGradient,
    kSoftGradient,
    kPaleRounded,
    kWarmGlow,
    kGlossy,
    kCurvedPanel,
    kHoverRaised,
    kHoverThin,
    kThemed,
};
enum ColorSchemeId : std::int32_t { kBlue = 0, kOliveGreen, kSilver, kCustom };
enum ButtonMode : std::int32_t { kNormal = 0, kCheck, kOption };
enum VisualState : int { kStateNormal = 0, kStateHot = 1, kStateDown = 2 };

// Mouse buttons and shift state as the events carry them.
inline constexpr int kLeftButton = 1;
inline constexpr int kRightButton = 2;
inline constexpr int kShiftAlt = 4;

// A menu of the host; 0 is not a menu.
using MenuHandle = std::uintptr_t;

// What a container may offer beyond the window; a host without it gets these harmless answers.
class ButtonContainerHooks {
public:
    virtual ~ButtonContainerHooks() = default;
    virtual bool UserMode() const { return true; }  // run time, not a designer
    virtual bool AmbientDisplayAsDefault() const { return false; }
    // "Every setter notifies the container" (the names the container knows the properties by).
    virtual void PropertyChanged(std::string_view /*name*/) {}
    // The container's own tooltip text for the control.
    virtual void SetContainerToolTip(TextView /*text*/) {}
    // The parent's handle and the message hooks on it (activation, system colours, theme).
    virtual void RememberParent() {}
    virtual void InstallHooks() {}
};

// The window and its container as the button sees them. Everything here must be implemented.
class ButtonHost : public SystemColors, public ButtonContainerHooks {
public:
    // Container ambient values.
    virtual Text AmbientDisplayName() const = 0;
    virtual ButtonFont AmbientFont() const = 0;

    // Drawing: one full repaint; the region of the current style; the resize handling (size limits,
    // region, repaint).
    virtual void Redraw() = 0;
    virtual void BuildRegion() = 0;
    virtual void ResizeHandling() = 0;
    virtual bool IsAppThemed() const = 0;
    // Client area in pixels.
    virtual int ClientWidth() const = 0;
    virtual int ClientHeight() const = 0;

    // The host window.
    virtual void SetWindowEnabled(bool enabled) = 0;
    virtual void SetMousePointer(std::int32_t pointer) = 0;
    virtual void SetMouseIcon(const std::optional<Picture>& icon) = 0;  // errors ignored
    virtual void AdoptFont(const ButtonFont& font) = 0;                 // adopt and refresh
    virtual void SetHostTextColor(OleColor colour) = 0;
    virtual bool LoadHandCursor() = 0;
    virtual void ShowHandCursor() = 0;
    virtual void SetAccessKey(std::optional<char16_t> key) = 0;  // nullopt clears the keys
    // A modal message box with an information icon.
    virtual void ShowMessageBox(TextView text, TextView title) = 0;

    // Input plumbing.
    virtual bool CursorOverSelf() const = 0;  // the window under the cursor is ours
    virtual void TrackMouseLeave() = 0;
    virtual bool HasCapture() const = 0;
    virtual void CaptureMouse() = 0;
    virtual void ReleaseMouse() = 0;
    virtual void FocusPrevious() = 0;
    virtual void FocusNext() = 0;
    virtual void PumpEvents() = 0;
    virtual void ShowTooltip() = 0;
    // Whether `menu` is a menu object (SetPopupMenu ignores anything else).
    virtual bool IsMenu(MenuHandle menu) const = 0;
    // Modal; returns when the menu is closed. A default item is the default for this showing only.
    virtual void ShowPopupMenu(MenuHandle menu, int x, int y, std::uint32_t flags, MenuHandle defaultItem) = 0;
    // The buttons in the same container window as this one (this one may be among them).
    virtual std::vector<TesselButton*> ButtonsInContainer() = 0;
};

// The container's handlers.
class ButtonEvents {
public:
    virtual ~ButtonEvents() = default;
    virtual void Click() {}
    virtual void DblClick() {}
    virtual void MouseEnter() {}
    virtual void MouseLeave() {}
    virtual void MouseMove(int /*button*/, int /*shift*/, float /*x*/, float /*y*/) {}
    virtual void MouseDown(int /*button*/, int /*shift*/, float /*x*/, float /*y*/) {}
    virtual void MouseUp(int /*button*/, int /*shift*/, float /*x*/, float /*y*/) {}
    virtual void KeyDown(int /*keyCode*/, int /*shift*/) {}
    virtual void KeyUp(int /*keyCode*/, int /*shift*/) {}
    virtual void KeyPress(int /*charCode*/) {}
};

// Popup-menu placement for an alignment 0..7: position in the button's pixels and the menu flags
// (0x8 right-align, 0x20 bottom-align). Nothing for any other alignment.
struct PopupPlacement {
    int x = 0;
    int y = 0;
    std::uint32_t flags = 0;
    bool operator==(const PopupPlacement&) const = default;
};
std::optional<PopupPlacement> PlacePopupMenu(std::int32_t align, int width, int height, std::uint32_t flags);

// The access key of a caption ("&Open" -> 'o'); "&&" is a literal ampersand.
std::optional<char16_t> AccessKeyOf(TextView caption);

// Size limit of the resize handling: neither side below 220 twips.
inline constexpr int kMinimumSizeTwips = 220;
constexpr int LimitSizeTwips(int twips) {
    return twips < kMinimumSizeTwips ? kMinimumSizeTwips : twips;
}

class TesselButton {
public:
    // Every property starts at its new-instance value.
    TesselButton(ButtonHost& host, ButtonEvents& events);

    // ---- creation and persistence ----
    void InitProperties();                        // a freshly dropped instance
    void ReadProperties(const PropertyBag& bag);  // load; no style scheme, no scheme colours
    void WriteProperties(PropertyBag& bag) const;
    // A property as the bag holds it, and its default on load (a system colour as RGB now).
    PropertyValue Get(ButtonProperty id) const;
    PropertyValue LoadDefault(ButtonProperty id) const;

    // ---- properties ----
    std::int32_t ButtonStyle() const { return m_style; }
    void SetButtonStyle(std::int32_t style);
    std::int32_t ColorScheme() const { return m_scheme; }
    void SetColorScheme(std::int32_t scheme);
    OleColor BackColor() const { return m_backColor; }
    void SetBackColor(OleColor colour);
    OleColor ForeColor() const { return m_foreColor; }
    void SetForeColor(OleColor colour);
    // The painting's own change of the caption colour (style 6): stored without a repaint.
    void StoreForeColor(OleColor colour) { m_foreColor = colour; }
    OleColor ForeColorHover() const { return m_foreColorHover; }
    void SetForeColorHover(OleColor colour);
    const Text& Caption() const { return m_caption; }
    void SetCaption(TextView caption);
    std::int32_t CaptionAlign() const { return m_captionAlign; }
    void SetCaptionAlign(std::int32_t align);
    std::int32_t CaptionEffects() const { return m_captionEffects; }
    void SetCaptionEffects(std::int32_t effects);
    const ButtonFont& Font() const { return m_font; }
    void SetFont(const ButtonFont& font);
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool enabled);
    std::int32_t Mode() const { return m_mode; }
    void SetMode(std::int32_t mode);
    bool Value() const { return m_value; }
    void SetValue(bool value);
    bool ShowFocusRect() const { return m_showFocusRect; }
    void SetShowFocusRect(bool show);
    std::int32_t DropDownSymbol() const { return m_dropDownSymbol; }
    void SetDropDownSymbol(std::int32_t symbol);
    bool DropDownSeparator() const { return m_dropDownSeparator; }
    void SetDropDownSeparator(bool separator);
    bool HandPointer() const { return m_handPointer; }
    void SetHandPointer(bool hand);
    std::int32_t MousePointer() const { return m_mousePointer; }
    void SetMousePointer(std::int32_t pointer);
    const std::optional<Picture>& MouseIcon() const { return m_mouseIcon; }
    void SetMouseIcon(std::optional<Picture> icon);
    const std::optional<Picture>& PictureNormal() const { return m_pictureNormal; }
    void SetPictureNormal(std::optional<Picture> picture);
    const std::optional<Picture>& PictureHot() const { return m_pictureHot; }
    void SetPictureHot(std::optional<Picture> picture);
    const std::optional<Picture>& PictureDown() const { return m_pictureDown; }
    void SetPictureDown(std::optional<Picture> picture);
    std::int32_t PictureAlign() const { return m_pictureAlign; }
    void SetPictureAlign(std::int32_t align);
    bool PictureShadow() const { return m_pictureShadow; }
    void SetPictureShadow(bool shadow);
    std::int32_t PictureEffectOnOver() const { return m_effectOnOver; }
    void SetPictureEffectOnOver(std::int32_t effect);
    std::int32_t PictureEffectOnDown() const { return m_effectOnDown; }
    void SetPictureEffectOnDown(std::int32_t effect);
    bool PicturePushOnHover() const { return m_pushOnHover; }
    void SetPicturePushOnHover(bool push);
    std::uint8_t PictureOpacity() const { return m_opacity; }
    void SetPictureOpacity(std::uint8_t opacity);
    std::uint8_t PictureOpacityOnOver() const { return m_opacityOnOver; }
    void SetPictureOpacityOnOver(std::uint8_t opacity);
    std::int32_t DisabledPictureMode() const { return m_disabledPictureMode; }
    void SetDisabledPictureMode(std::int32_t mode);
    bool UseMaskColor() const { return m_useMaskColor; }
    void SetUseMaskColor(bool use);
    OleColor MaskColor() const { return m_maskColor; }
    void SetMaskColor(OleColor colour);
    bool RightToLeft() const { return m_rightToLeft; }
    void SetRightToLeft(bool rtl);
    const Text& ToolTip() const { return m_toolTip; }
    void SetToolTip(TextView text);
    const Text& TooltipTitle() const { return m_tooltipTitle; }
    void SetTooltipTitle(TextView title);
    std::int32_t ToolTipType() const { return m_toolTipType; }
    void SetToolTipType(std::int32_t type);
    std::int32_t ToolTipIcon() const { return m_toolTipIcon; }
    void SetToolTipIcon(std::int32_t icon);
    OleColor TooltipBackColor() const { return m_tooltipBackColor; }
    void SetTooltipBackColor(OleColor colour);
    bool TooltipRightToLeft() const { return m_tooltipRtl; }

    // ---- methods ----
    // A menu of 0 is "not a menu" and is ignored.
    void SetPopupMenu(MenuHandle menu, std::int32_t align, std::uint32_t flags = 0, MenuHandle defaultItem = 0);
    void UnsetPopupMenu();
    void About();  // "Tesselbutton v 1.02" ..., titled "About"
    bool MenuSet() const { return m_menuSet; }
    std::uint32_t MenuFlags() const { return m_menuFlags; }

    // Style scheme and scheme colours (also run by the setters above).
    void ApplyStyleScheme();
    void ApplySchemeColors();

    // ---- interaction ----
    void OnMouseDown(int button, int shift, float x, float y);
    void OnMouseMove(int button, int shift, float x, float y);
    void OnMouseUp(int button, int shift, float x, float y);
    void OnDblClick();
    void OnMouseLeave();
    void OnKeyDown(int keyCode, int shift);
    void OnKeyUp(int keyCode, int shift);
    void OnKeyPress(int charCode);
    void OnAccessKeyPress(int charCode);
    void OnGotFocus();
    void OnLostFocus();
    void OnParentActivate(bool active);
    void OnSysColorChange();  // also the theme change
    void OnAmbientChanged();  // re-reads display-as-default, repaints
    // The control shows its own tooltip: the container's is cleared while it is shown and set to
    // ToolTip while it is hidden.
    void OnShown();
    void OnHidden();

    // One repaint: the on-state rule (a checked or selected button shows down, except styles 0 and 6,
    // which draw that look themselves), the unthemed fallback of style 13, then the host's Redraw.
    void Repaint();

    int State() const { return m_state; }
    bool MouseHeld() const { return m_mouseHeld; }
    bool MouseOver() const { return m_mouseOver; }
    bool SpaceHeld() const { return m_spaceHeld; }
    bool HasFocus() const { return m_hasFocus; }
    bool ParentActive() const { return m_parentActive; }
    bool DisplayAsDefault() const { return m_displayAsDefault; }
    bool MenuOpen() const { return m_menuOpen; }
    bool RePress() const { return m_rePress; }

private:
    void SetState(int state);  // repaints only on change
    void ClearOptionGroup();
    void OpenPopupMenu();
    // Tells the container every name the row notifies.
    void Notify(ButtonProperty id);
    // Stores the value and does what the row says a setter does.
    template <class V>
    void Set(ButtonProperty id, V value);
    void StoreFresh(const ButtonPropertyRow& row);
    void ReadRow(const PropertyBag& bag, const ButtonPropertyRow& row);

    // The rows' steps on setting and loading.
    void RestyleForStyle();
    void PassEnabled();
    void PassFont();
    void TakeCustomScheme();
    void PassAccessKey();
    void PassTextColor();
    void LeaveStateForNormal();
    void PassPointer();
    void ResetPointerForHand();
    void PassMouseIcon();
    void CopyRightToLeftToTooltip();
    void StoreOtherPicture(std::optional<Picture> TesselButton::*slot, ButtonProperty id,
                           std::optional<Picture> picture);

    friend struct ButtonPropertyTable;

    ButtonHost& m_host;
    ButtonEvents& m_events;

    // The properties; their new-instance values are the rows' (button_properties.cpp).
    std::int32_t m_style{};
    std::int32_t m_scheme{};
    OleColor m_backColor{};
    OleColor m_foreColor{};
    OleColor m_foreColorHover{};
    Text m_caption;
    std::int32_t m_captionAlign{};
    std::int32_t m_captionEffects{};
    ButtonFont m_font;
    bool m_enabled{};
    std::int32_t m_mode{};
    bool m_value{};
    bool m_showFocusRect{};
    std::int32_t m_dropDownSymbol{};
    bool m_dropDownSeparator{};
    bool m_handPointer{};
    std::int32_t m_mousePointer{};
    std::optional<Picture> m_mouseIcon;
    std::optional<Picture> m_pictureNormal;
    std::optional<Picture> m_pictureHot;
    std::optional<Picture> m_pictureDown;
    std::int32_t m_pictureAlign{};
    bool m_pictureShadow{};
    std::int32_t m_effectOnOver{};
    std::int32_t m_effectOnDown{};
    bool m_pushOnHover{};
    std::uint8_t m_opacity{};
    std::uint8_t m_opacityOnOver{};
    std::int32_t m_disabledPictureMode{};
    bool m_useMaskColor{};
    OleColor m_maskColor{};
    bool m_rightToLeft{};
    bool m_tooltipRtl{};
    Text m_toolTip;
    Text m_tooltipTitle;
    std::int32_t m_toolTipType{};
    std::int32_t m_toolTipIcon{};
    OleColor m_tooltipBackColor{};

    int m_state = kStateNormal;
    bool m_mouseHeld = false;
    bool m_mouseOver = false;
    bool m_spaceHeld = false;
    bool m_hasFocus = false;
    bool m_parentActive = false;
    bool m_displayAsDefault = false;
    int m_lastButton = 0;
    int m_lastShift = 0;
    float m_lastX = 0;
    float m_lastY = 0;

    MenuHandle m_menu = 0;
    MenuHandle m_defaultItem = 0;
    std::int32_t m_menuAlign = 0;
    std::uint32_t m_menuFlags = 0;
    bool m_menuSet = false;
    bool m_menuOpen = false;
    bool m_rePress = false;
};

}  // namespace ferrik
