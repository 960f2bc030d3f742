// tesselbutton: reaction to mouse, keys, focus, parent activation and the popup menu.
#include "controls/tesselbutton.h"

namespace ferrik {

namespace {
constexpr int kKeyEnter = 13;
constexpr int kKeyEscape = 27;
constexpr int kKeySpace = 32;
constexpr int kKeyLeft = 37;
constexpr int kKeyUp = 38;
constexpr int kKeyRight = 39;
constexpr int kKeyDown = 40;
}  // namespace

void TesselButton::Repaint() {
    if (m_mode != kNormal && m_value && m_style != kRaised3D && m_style != kSoftGradient) m_state = kStateDown;
    if (m_style == kThemed && !m_host.IsAppThemed()) {
        // Without visual styles the themed look is not available; the button stays curved-gradient.
        m_style = kCurvedGradient;
        m_scheme = kBlue;
        ApplySchemeColors();
    }
    m_host.Redraw();
}

void TesselButton::SetState(int state) {
    if (m_state == state) return;
    m_state = state;
    Repaint();
}

void TesselButton::ClearOptionGroup() {
    for (TesselButton* other : m_host.ButtonsInContainer()) {
        if (other != this && other->m_mode == kOption) other->SetValue(false);
    }
}

void TesselButton::OpenPopupMenu() {
    const int width = m_host.ClientWidth();
    const int height = m_host.ClientHeight();
    m_menuOpen = true;
    const std::optional<PopupPlacement> place = PlacePopupMenu(m_menuAlign, width, height, m_menuFlags);
    if (!place) {
        m_menuOpen = false;
        return;
    }
    m_menuFlags = place->flags;
    m_host.ShowPopupMenu(m_menu, place->x, place->y, place->flags, m_defaultItem);
    if (m_host.CursorOverSelf()) {
        // Closed by a click on the button itself: that press must not open the menu again.
        m_rePress = true;
    } else {
        m_mouseHeld = false;
        m_mouseOver = false;
        m_spaceHeld = false;
        m_rePress = false;
        m_menuOpen = false;
        m_state = kStateNormal;
        Repaint();
    }
}

void TesselButton::OnMouseDown(int button, int shift, float x, float y) {
    m_lastButton = button;
    m_lastShift = shift;
    m_lastX = x;
    m_lastY = y;
    if (m_handPointer) m_host.ShowHandCursor();
    if (button != kLeftButton && !m_rePress) return;
    m_hasFocus = true;
    m_mouseHeld = true;
    if (!m_spaceHeld && m_state != kStateDown) {
        m_state = kStateDown;
        Repaint();
    }
    if (!m_menuSet) {
        m_events.MouseDown(button, shift, x, y);
    } else if (!m_rePress) {
        OpenPopupMenu();
    }
}

void TesselButton::OnMouseMove(int button, int shift, float x, float y) {
    if (m_handPointer) m_host.ShowHandCursor();
    if (m_host.CursorOverSelf()) {
        m_mouseOver = true;
        m_host.TrackMouseLeave();
        m_events.MouseEnter();
    } else {
        m_mouseOver = false;
    }
    if (!m_spaceHeld) {
        if (m_mouseOver && !m_mouseHeld && m_state != kStateHot) {
            m_state = kStateHot;
            Repaint();
            if (m_state == kStateHot && m_enabled && !m_rePress) m_host.ShowTooltip();
        } else if (m_mouseOver && m_mouseHeld && m_state != kStateDown) {
            m_state = kStateDown;
            Repaint();
        } else if (!m_mouseOver && m_state != kStateNormal) {
            m_state = kStateNormal;
            Repaint();
        }
    }
    m_events.MouseMove(button, shift, x, y);
}

void TesselButton::OnMouseUp(int button, int shift, float x, float y) {
    if (m_handPointer) m_host.ShowHandCursor();
    if (m_menuSet) {
        m_mouseHeld = false;
        m_rePress = false;
        m_state = kStateNormal;
        Repaint();
        return;
    }
    if (button == kLeftButton) {
        m_mouseHeld = false;
        const bool inside = x > 0 && x < m_host.ClientWidth() && y > 0 && y < m_host.ClientHeight();
        if (inside) {
            if (m_mode == kCheck) {
                SetValue(!m_value);
            } else if (m_mode == kOption) {
                ClearOptionGroup();
                SetValue(true);
            }
            m_state = kStateNormal;
            Repaint();
            m_events.Click();
        } else {
            // Released off the button (or on its first row or column): no click, but the button
            // must not stay drawn pressed.
            SetState(kStateNormal);
        }
    }
    m_events.MouseUp(button, shift, x, y);
}

void TesselButton::OnDblClick() {
    if (m_handPointer) m_host.ShowHandCursor();
    if (m_lastButton != kLeftButton) return;
    m_host.CaptureMouse();
    m_state = kStateDown;
    Repaint();
    OnMouseDown(m_lastButton, m_lastShift, m_lastX, m_lastY);
    if (!m_menuSet) {
        m_events.DblClick();
    } else if (!m_rePress) {
        OpenPopupMenu();
    }
}

void TesselButton::OnMouseLeave() {
    m_mouseOver = false;
    if (m_menuSet) {
        if (m_menuOpen) {
            // The menu has taken the mouse; the button keeps its look while the menu is up.
            m_menuOpen = false;
            m_rePress = true;
            return;
        }
        m_rePress = false;
    }
    if (m_spaceHeld) return;
    if (m_state != kStateNormal) {
        m_state = kStateNormal;
        Repaint();
    }
    m_events.MouseLeave();
}

void TesselButton::OnKeyDown(int keyCode, int shift) {
    switch (keyCode) {
        case kKeyEnter:
            m_events.Click();
            break;
        case kKeySpace:
            if (shift == kShiftAlt) return;  // Alt+Space belongs to the window's system menu
            if (m_mouseHeld) {
                SetState(m_mouseOver ? kStateDown : kStateNormal);
            } else {
                m_spaceHeld = true;
                if (m_mode == kCheck) {
                    SetValue(!m_value);  // on every key-down, auto-repeat included
                } else if (m_mode == kOption) {
                    ClearOptionGroup();
                    SetValue(true);
                }
                SetState(kStateDown);
            }
            if (!m_host.HasCapture()) {
                m_host.ReleaseMouse();
                m_host.CaptureMouse();
            }
            break;
        case kKeyLeft:
        case kKeyUp:
            m_host.FocusPrevious();
            break;
        case kKeyRight:
        case kKeyDown:
            m_host.FocusNext();
            break;
        default:
            if (m_spaceHeld) {
                m_spaceHeld = false;
                m_state = kStateNormal;
                Repaint();
            }
            break;
    }
    m_events.KeyDown(keyCode, shift);
}

void TesselButton::OnKeyUp(int keyCode, int shift) {
    if (keyCode != kKeySpace) return;
    m_host.ReleaseMouse();
    if (m_mouseOver && m_mouseHeld) {
        SetState(kStateDown);
    } else {
        SetState(m_mouseOver ? kStateHot : kStateNormal);
        if (!m_mouseHeld && m_spaceHeld) m_events.Click();
    }
    m_events.KeyUp(keyCode, shift);
    m_spaceHeld = false;
    m_mouseHeld = false;
}

void TesselButton::OnKeyPress(int charCode) {
    m_events.KeyPress(charCode);
}

void TesselButton::OnAccessKeyPress(int charCode) {
    if (!m_enabled) return;
    if (m_spaceHeld) {
        m_spaceHeld = false;
        m_mouseHeld = false;
    }
    if (m_mode == kCheck || m_mode == kOption) {
        // As the default or cancel button a check or option button only takes the focus.
        if (charCode == kKeyEscape || charCode == kKeyEnter) return;
        if (m_mode == kCheck) {
            SetValue(!m_value);
        } else {
            ClearOptionGroup();
            SetValue(true);
        }
        Repaint();
    }
    m_host.PumpEvents();
    m_events.Click();
}

void TesselButton::OnGotFocus() {
    m_hasFocus = true;
}

void TesselButton::OnLostFocus() {
    m_hasFocus = false;
    m_mouseHeld = false;
    m_spaceHeld = false;
    m_state = m_parentActive && m_mouseOver ? kStateHot : kStateNormal;
    Repaint();
    if (m_displayAsDefault) Repaint();
}

void TesselButton::OnParentActivate(bool active) {
    if (active) {
        m_parentActive = true;
        m_state = kStateNormal;
        Repaint();
        if (m_displayAsDefault) Repaint();
    } else {
        m_mouseHeld = false;
        m_spaceHeld = false;
        m_hasFocus = false;
        m_parentActive = false;
        m_state = kStateNormal;
        Repaint();
    }
}

void TesselButton::OnSysColorChange() {
    Repaint();
}

void TesselButton::OnShown() {
    m_host.SetContainerToolTip(u"");
}

void TesselButton::OnHidden() {
    m_host.SetContainerToolTip(m_toolTip);
}

void TesselButton::OnAmbientChanged() {
    m_displayAsDefault = m_host.AmbientDisplayAsDefault();
    Repaint();
}

}  // namespace ferrik
