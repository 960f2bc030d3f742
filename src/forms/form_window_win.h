#pragma once
// The base of the program's forms: one window class "Form" (how the skin engine tells forms from
// other windows), a client area sized in twips, created for its owner's DPI and centred on it, its
// controls built from its layout table in WM_CREATE, and laid out again when the DPI changes.
//
//     constexpr FormShape kAboutShape{kAboutClientWidth, kAboutClientHeight, kStyle, kExStyle, kAboutControls};
//     class AboutWindow final : public FormWindow<AboutWindow> { ... AboutWindow() : FormWindow(kAboutShape) {} };
//     Create:          CreateForm(owner, caption)
//     HandleMessage:   if (const auto handled = FormMessage(msg, wParam, lParam)) return *handled;
//
// What a form does differently it says by declaring, under the same name, one of the steps below
// marked "a form may declare its own".
#include <windows.h>

#include <optional>
#include <span>

#include "forms/form_controls_win.h"
#include "forms/forms.h"
#include "platform/handles_win.h"
#include "platform/text_win.h"
#include "platform/window_win.h"

namespace ferrik {

// A form's client size in twips, its window styles and its controls.
struct FormShape {
    int clientWidthTwips;
    int clientHeightTwips;
    DWORD style;
    DWORD exStyle;
    std::span<const ControlLayout> controls;
};

inline constexpr wchar_t kFormClass[] = L"Form";
// A small form over its owner, framed as a dialog (About, the prompts).
inline constexpr DWORD kDialogFormStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
inline constexpr DWORD kDialogFormExStyle = WS_EX_DLGMODALFRAME;

template <class Derived>
class FormWindow : public Window<Derived> {
public:
    int Dpi() const noexcept { return m_dpi; }

protected:
    explicit FormWindow(const FormShape& shape) noexcept : m_shape(shape) {}

    // Creates the form for the DPI of `owner`'s monitor (the screen's without an owner) and centres
    // it on the owner where the owner is shown, else on the work area. `systemPlaced`: created where
    // Windows places a new window, before it is centred. Windows sends no WM_DPICHANGED for the
    // monitor a window is created on: a form that lands on a monitor of another DPI is laid out
    // for it at once.
    bool CreateForm(HWND owner, const Text& caption, bool systemPlaced = false) {
        if (!RegisterRoutedClass(kFormClass)) return false;
        m_dpi = owner ? WindowDpi(owner) : ScreenDpi();
        const SIZE size =
            FormWindowSize(m_shape.clientWidthTwips, m_shape.clientHeightTwips, m_shape.style, m_shape.exStyle, m_dpi);
        const int at = systemPlaced ? CW_USEDEFAULT : 0;
        if (!this->CreateRouted(kFormClass, Wide(caption), m_shape.style, m_shape.exStyle, at, at, size.cx, size.cy,
                                owner))
            return false;
        RECT area{};
        if (!owner || !IsWindowVisible(owner) || !GetWindowRect(owner, &area))
            SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
        CenterWindowOn(this->Hwnd(), area);
        if (const auto change = PlacedDpiChange(this->Hwnd(), m_dpi, area, m_shape.clientWidthTwips,
                                                m_shape.clientHeightTwips, m_shape.style, m_shape.exStyle))
            OnDpiChanged(change->dpi, change->suggested);
        return true;
    }

    // In WM_CREATE: the form's font, then each control of the table inside the form or the
    // container control the table names.
    bool BuildControls() {
        m_font = CreateFormFont(m_dpi);
        for (const ControlLayout& layout : m_shape.controls) {
            HWND parent = layout.container ? Self().Control(layout.container) : this->Hwnd();
            HWND hwnd = Self().MakeControl(layout, parent);
            if (!hwnd) return false;
            Self().ControlMade(layout, hwnd);
        }
        return true;
    }

    // The messages every form handles alike, first in its HandleMessage: WM_CREATE (OnCreate) and
    // WM_DPICHANGED. Nothing for the others.
    std::optional<LRESULT> FormMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == WM_CREATE) return Self().OnCreate() ? 0 : -1;
        if (msg != WM_DPICHANGED) return std::nullopt;
        const DpiChange change = DecodeDpiChanged(wParam, lParam);
        OnDpiChanged(change.dpi, change.suggested);
        return 0;
    }

    // The same form at a new DPI: a font made for it (the old one deleted once no control uses it),
    // the controls at their twips places, then the form's own steps (RelayoutForDpi). A form
    // already laid out for that DPI (made for its owner's monitor, then moved there) keeps its size.
    void OnDpiChanged(int dpi, const RECT& suggested) {
        if (dpi == m_dpi || dpi <= 0) return;
        const int old = m_dpi;
        const UniqueGdi<HFONT> oldFont = std::move(m_font);
        m_dpi = dpi;
        m_font = CreateFormFont(dpi);
        RelayoutFormControls(
            m_shape.controls, [this](int id) { return Self().Control(id); }, dpi, m_font.get());
        Self().RelayoutForDpi(old, suggested);
    }

    // A form may declare its own: WM_CREATE, false to fail the creation.
    bool OnCreate() { return BuildControls(); }
    // A form may declare its own: the control of an id, found in the container the table names.
    HWND Control(int id) const {
        for (const ControlLayout& layout : m_shape.controls)
            if (layout.id == id && layout.container) return GetDlgItem(Self().Control(layout.container), id);
        return GetDlgItem(this->Hwnd(), id);
    }
    // A form may declare its own: makes the control of `layout` in `parent`.
    HWND MakeControl(const ControlLayout& layout, HWND parent) {
        return CreateFormControl(layout, parent, m_dpi, m_font.get());
    }
    // A form may declare its own: what is done with each control made.
    void ControlMade(const ControlLayout&, HWND) {}
    // A form may declare its own: the rest of a DPI change, once the controls are placed; `old` is
    // the DPI before. A form of plain controls only takes the suggested rectangle and repaints.
    void RelayoutForDpi(int, const RECT& suggested) {
        PlaceWindow(this->Hwnd(), suggested);
        InvalidateRect(this->Hwnd(), nullptr, TRUE);
    }

    // The icons of `owner` (none without one) as the form's.
    void TakeOwnerIcons(HWND owner) {
        for (WPARAM which : {ICON_BIG, ICON_SMALL}) {
            const LRESULT icon = owner ? SendMessageW(owner, WM_GETICON, which, 0) : 0;
            if (icon) SendMessageW(this->Hwnd(), WM_SETICON, which, icon);
        }
    }

    // Shows the form, in front.
    void ShowInFront() {
        if (!this->Hwnd()) return;
        ShowWindow(this->Hwnd(), SW_SHOW);
        SetForegroundWindow(this->Hwnd());
    }

    int Px(int twips) const { return TwipsToPixels(twips, m_dpi); }
    int Twips(int pixels) const { return PixelsToTwips(pixels, m_dpi); }
    // A control's rectangle in its parent, in twips at the form's DPI.
    TwipsRect ControlTwips(HWND control) const {
        const RECT rc = RectInParent(control);
        return TwipsRect{Twips(rc.left), Twips(rc.top), Twips(rc.right - rc.left), Twips(rc.bottom - rc.top)};
    }

    UniqueGdi<HFONT> m_font;
    int m_dpi = 96;

private:
    Derived& Self() { return static_cast<Derived&>(*this); }
    const Derived& Self() const { return static_cast<const Derived&>(*this); }

    FormShape m_shape;
};

}  // namespace ferrik
