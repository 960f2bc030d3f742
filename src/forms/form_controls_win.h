#pragma once
// Building a form's controls from its layout table at the display's DPI.
#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "controls/tesselbutton_win.h"
#include "forms/forms.h"
#include "platform/handles_win.h"
#include "platform/text_win.h"

namespace ferrik {

// The forms' text font: 宋体, 9 points.
UniqueGdi<HFONT> CreateFormFont(int dpi);

// Creates one control of `layout` inside `parent` (coordinates of the parent's client area).
// Not for ControlKind::TesselButton (null): FormButtons places those.
HWND CreateFormControl(const ControlLayout& layout, HWND parent, int dpi, HFONT font);

// Puts a control made by CreateFormControl at the twips place of `layout` at `dpi` (after a DPI change).
void PlaceFormControl(HWND control, const ControlLayout& layout, int dpi);

// A form's controls at a new DPI: `font` (made for that DPI) to each control that `control` finds
// for an id of `layouts`, then each at its twips place. Fonts go first: the skin draws a push
// button's faces when its size changes.
void RelayoutFormControls(std::span<const ControlLayout> layouts, const std::function<HWND(int)>& control, int dpi,
                          HFONT font);

// WM_DPICHANGED: the new DPI (wParam) and the window rectangle Windows suggests for it (lParam).
struct DpiChange {
    int dpi;
    RECT suggested;
};
DpiChange DecodeDpiChanged(WPARAM wParam, LPARAM lParam);

// Sizes a one-line label to its design size or, when its text or font needs more, to the text:
// the substitute fonts of some systems (and long status texts) would otherwise be clipped.
void FitLabelToText(HWND label, const ControlLayout& layout, int dpi);

// The window rectangle that gives a client area of the given size in twips, on a monitor of `dpi`.
SIZE FormWindowSize(int clientWidthTwips, int clientHeightTwips, DWORD style, DWORD exStyle, int dpi);

// A form just created for `builtFor` and centred on `area`: Windows sends no WM_DPICHANGED for the
// monitor a window is created on, so once placed it is asked its DPI. When that is another, the
// change to lay it out for: that DPI, and its rectangle there centred on `area` as before.
std::optional<DpiChange> PlacedDpiChange(HWND form, int builtFor, const RECT& area, int clientWidthTwips,
                                         int clientHeightTwips, DWORD style, DWORD exStyle);

// The text of a window.
Text WindowText(HWND hwnd);

// The tesselbuttons of one form. The form keeps one FormButtons beside its window, creates each
// tesselbutton of its layout table with Create (in WM_CREATE, like its other controls) and names
// its default and cancel buttons. The buttons' stored properties are the form's design text
// (WriteDesignText's form, compiled in), one "Begin tesselbutton <designer name>" block each.
//
//     FormButtons m_buttons{kWebButtonsDesign};
//     for (const ControlLayout& c : kWebControls)
//         if (c.kind == ControlKind::TesselButton && !m_buttons.Create(c, Hwnd(), m_dpi, &m_events, m_font.get()))
//             return false;
//     m_buttons.SetDefault(kCommand7);
//     ... case WM_COMMAND: LOWORD(wParam) == kCommand5 && HIWORD(wParam) == BN_CLICKED → go back
//
// The message loop lets TranslateFormButtonKey see each message before IsDialogMessage.
class FormButtons {
public:
    // Bad design text throws DesignTextError (the text is part of the program: its tests find it).
    explicit FormButtons(std::string_view designText);
    FormButtons(const FormButtons&) = delete;
    FormButtons& operator=(const FormButtons&) = delete;
    ~FormButtons();

    // Creates the tesselbutton of `layout` in `parent` (the form, or the container control the
    // form made for layout.container) at its twips rectangle, with control id layout.id, from the
    // stored properties of the control named layout.name, or as a new instance of that name when
    // the design text has none. Its events go to `events` (null: none; it must outlive the
    // button), and Click also to `parent` as WM_COMMAND BN_CLICKED with the id. `font` is the
    // form's font (CreateFormFont), which a button without a stored Font takes; null: the parent's
    // WM_GETFONT. Null on failure.
    TesselButtonWindow* Create(const ControlLayout& layout, HWND parent, int dpi, ButtonEvents* events = nullptr,
                               HFONT font = nullptr);

    TesselButtonWindow* Find(int id) const;  // null when there is none
    // The default button takes Enter and displays as default, the cancel button takes Escape
    // (0: none).
    void SetDefault(int id);
    void SetCancel(int id);
    // The form's tooltip window for its controls: each button's container tooltip text goes to it.
    void SetContainerTooltips(HWND tooltips);
    // After a DPI change: every button at its twips rectangle at `dpi`, its font made for that DPI,
    // `font` as its ambient font.
    void SetDpi(int dpi, HFONT font);
    // Whether a handler of one of the buttons is on the stack (HandlerOnStack).
    bool HandlerRunning() const noexcept;

private:
    struct Placed {
        std::unique_ptr<TesselButtonWindow> button;
        ControlLayout layout;
    };
    std::vector<StoredControl> m_design;
    std::vector<Placed> m_buttons;
    HWND m_tooltips = nullptr;
};

// The keys a form gives its tesselbuttons, for the message loop before IsDialogMessage: Alt+key
// (WM_SYSCHAR) focuses and presses the enabled, visible button of the form whose caption has that
// access key; Enter presses the form's default button unless the focus is on a button or wants
// the key itself (DLGC_WANTMESSAGE); Escape presses its cancel button unless the focus (not a
// tesselbutton) wants the key. True when used; otherwise the message goes on as usual.
bool TranslateFormButtonKey(const MSG& msg);

}  // namespace ferrik
