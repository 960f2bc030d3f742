#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "controls/tesselbutton.h"
#include "support/fake_button_host.h"

namespace ferrik {
namespace {

using test::FakeButtonHost;

struct Button {
    FakeButtonHost host;
    TesselButton button{host, host};
    explicit Button(std::int32_t mode = 0, std::int32_t style = 13) {
        button.InitProperties();
        button.SetButtonStyle(style);
        button.SetMode(mode);
        host.repaints = 0;
        host.log.clear();
    }

    // One input of a script; the cursor position follows "in" and "out".
    void Step(const std::string& input) {
        TesselButton& t = button;
        if (input == "in" || input == "out") {
            host.cursorOver = input == "in";
            t.OnMouseMove(0, 0, 10, 10);
        } else if (input == "dn") {
            t.OnMouseDown(kLeftButton, 0, 10, 10);
        } else if (input == "up") {
            t.OnMouseUp(kLeftButton, 0, 10, 10);
        } else if (input == "up@0") {
            t.OnMouseUp(kLeftButton, 0, 0, 10);
        } else if (input == "up@y0") {
            t.OnMouseUp(kLeftButton, 0, 10, 0);
        } else if (input == "up@80") {
            t.OnMouseUp(kLeftButton, 0, 80, 10);
        } else if (input == "rdn") {
            t.OnMouseDown(kRightButton, 0, 10, 10);
        } else if (input == "rup") {
            t.OnMouseUp(kRightButton, 0, 10, 10);
        } else if (input == "dbl") {
            t.OnDblClick();
        } else if (input == "leave") {
            t.OnMouseLeave();
        } else if (input == "space") {
            t.OnKeyDown(32, 0);
        } else if (input == "alt+space") {
            t.OnKeyDown(32, kShiftAlt);
        } else if (input == "space-up") {
            t.OnKeyUp(32, 0);
        } else if (input == "A") {
            t.OnKeyDown(65, 0);
        } else if (input == "A-up") {
            t.OnKeyUp(65, 0);
        } else if (input == "enter") {
            t.OnKeyDown(13, 0);
        } else if (input == "left" || input == "up-key") {
            t.OnKeyDown(input == "left" ? 37 : 38, 0);
        } else if (input == "right" || input == "down-key") {
            t.OnKeyDown(input == "right" ? 39 : 40, 0);
        } else if (input == "press") {
            t.OnKeyPress(97);
        } else if (input == "access-a" || input == "access-enter" || input == "access-esc") {
            t.OnAccessKeyPress(input == "access-a" ? 97 : input == "access-enter" ? 13 : 27);
        } else if (input == "focus") {
            t.OnGotFocus();
        } else if (input == "blur") {
            t.OnLostFocus();
        } else if (input == "act" || input == "deact") {
            t.OnParentActivate(input == "act");
        } else if (input == "syscolor") {
            t.OnSysColorChange();
        } else {
            ADD_FAILURE() << "unknown input " << input;
        }
    }
};

struct Script {
    const char* name;
    std::int32_t mode;
    std::int32_t style;
    const char* inputs;  // space-separated
    const char* states;  // visual state after each input
    const char* log;     // events and window requests, in order
    int repaints;
    bool value;
};

TEST(ButtonInteraction, TransitionTable) {
    const Script scripts[] = {
        {"hover, click, move off", 0, 13, "in dn up out", "1 2 0 0", "MouseEnter Tip MouseDown Click MouseUp", 3,
         false},
        {"double click", 0, 13, "dn up dbl up", "2 0 2 0", "MouseDown Click MouseUp MouseDown DblClick Click MouseUp",
         4, false},
        {"right button", 0, 13, "rdn rup", "0 0", "MouseUp", 0, false},
        {"release on column 0, row 0, right edge", 0, 13, "dn up@0 dn up@y0 dn up@80", "2 0 2 0 2 0",
         "MouseDown MouseUp MouseDown MouseUp MouseDown MouseUp", 6, false},
        {"drag off and back", 0, 13, "in dn out in up", "1 2 0 2 0",
         "MouseEnter Tip MouseDown MouseEnter Click MouseUp", 5, false},
        {"moves over a hot button", 0, 13, "in in", "1 1", "MouseEnter Tip MouseEnter", 1, false},
        {"mouse leave", 0, 13, "in leave leave", "1 0 0", "MouseEnter Tip MouseLeave MouseLeave", 2, false},
        {"space", 0, 13, "space space-up", "2 0", "KeyDown Click KeyUp", 2, false},
        {"space over the button", 0, 13, "in space space-up", "1 2 1", "MouseEnter Tip KeyDown Click KeyUp", 3, false},
        {"space while the mouse is held", 0, 13, "in dn space space-up up", "1 2 2 2 0",
         "MouseEnter Tip MouseDown KeyDown KeyUp Click MouseUp", 3, false},
        {"space holds against the mouse", 0, 13, "space in out leave space-up", "2 2 2 2 0",
         "KeyDown MouseEnter Click KeyUp", 2, false},
        {"Alt+Space", 0, 13, "alt+space space-up", "0 0", "KeyUp", 0, false},
        {"other key cancels space", 0, 13, "space A space-up A-up", "2 0 0 0", "KeyDown KeyDown KeyUp", 2, false},
        {"Enter, arrows, key press", 0, 13, "enter left up-key right down-key press", "0 0 0 0 0 0",
         "Click KeyDown Prev KeyDown Prev KeyDown Next KeyDown Next KeyDown KeyPress", 0, false},
        {"focus lost while hot", 0, 13, "act in focus blur", "0 1 1 1", "MouseEnter Tip", 3, false},
        {"focus lost, parent inactive", 0, 13, "in dn blur", "1 2 0", "MouseEnter Tip MouseDown", 3, false},
        {"deactivated while held", 0, 13, "act in dn deact up", "0 1 2 0 0", "MouseEnter Tip MouseDown Click MouseUp",
         5, false},
        {"system colours", 0, 13, "syscolor", "0", "", 1, false},
        {"access keys, normal", 0, 13, "access-enter access-esc access-a", "0 0 0", "Click Click Click", 0, false},
        {"check: two clicks", 1, 13, "dn up dn up", "2 2 2 0", "MouseDown Click MouseUp MouseDown Click MouseUp", 5,
         false},
        {"check: style 0 draws its own on look", 1, 0, "dn up", "2 0", "MouseDown Click MouseUp", 3, true},
        {"check: held space repeats", 1, 13, "space space space space-up", "2 2 2 2",
         "KeyDown KeyDown KeyDown Click KeyUp", 5, true},
        {"check: Enter and Escape as access keys", 1, 13, "access-enter access-esc", "0 0", "", 0, false},
        {"check: access key toggles", 1, 13, "access-a access-a", "2 0", "Click Click", 4, false},
        {"check: hover when on shows no tip", 1, 13, "dn up out in", "2 2 2 2", "MouseDown Click MouseUp MouseEnter", 5,
         true},
        {"check: access key turns on", 1, 13, "access-a", "2", "Click", 2, true},
    };
    for (const Script& s : scripts) {
        SCOPED_TRACE(s.name);
        Button b(s.mode, s.style);
        std::istringstream inputs(s.inputs);
        std::string input;
        std::string states;
        while (inputs >> input) {
            b.Step(input);
            states += (states.empty() ? "" : " ") + std::to_string(b.button.State());
        }
        EXPECT_EQ(states, s.states);
        EXPECT_EQ(b.host.log, s.log);
        EXPECT_EQ(b.host.repaints, s.repaints);
        EXPECT_EQ(b.button.Value(), s.value);
    }

    Button b(1);
    b.Step("access-a");
    b.button.SetMode(0);
    EXPECT_EQ(b.button.State(), 0);
    b.button.SetValue(false);  // ignored in Normal mode
    EXPECT_TRUE(b.button.Value());
    Button disabled;
    disabled.button.SetEnabled(false);
    disabled.host.log.clear();
    disabled.Step("in");
    disabled.Step("access-a");
    EXPECT_EQ(disabled.host.log, "MouseEnter");
}

TEST(ButtonInteraction, OptionGroupsStayInTheirContainer) {
    Button a1(2), a2(2), b1(2), a3(0);
    std::vector<TesselButton*> containerA = {&a1.button, &a2.button, &a3.button};
    std::vector<TesselButton*> containerB = {&b1.button};
    a1.host.group = a2.host.group = a3.host.group = &containerA;
    b1.host.group = &containerB;

    b1.Step("dn");
    b1.Step("up");
    a1.Step("dn");
    a1.Step("up");
    EXPECT_TRUE(a1.button.Value());
    a2.Step("space");
    EXPECT_TRUE(a2.button.Value());
    EXPECT_FALSE(a1.button.Value());
    EXPECT_EQ(a1.button.State(), 0);
    a1.Step("access-a");
    EXPECT_TRUE(a1.button.Value());
    EXPECT_FALSE(a2.button.Value());
    EXPECT_TRUE(b1.button.Value());
    a2.button.SetValue(true);  // from code: clears nobody
    EXPECT_TRUE(a1.button.Value());
    EXPECT_TRUE(a2.button.Value());
}

TEST(ButtonInteraction, PopupMenu) {
    struct Align {
        std::int32_t align;
        std::optional<PopupPlacement> placed;
    };
    // A button of 80 x 24 pixels whose flags are 0x2 (right button tracks).
    const Align aligns[] = {
        {0, PopupPlacement{0, 24, 0x2}},
        {1, PopupPlacement{0, 0, 0x20}},
        {2, PopupPlacement{0, 0, 0xA}},
        {3, PopupPlacement{80, 0, 0x2}},
        {4, PopupPlacement{0, 0, 0x28}},
        {5, PopupPlacement{0, 24, 0xA}},
        {6, PopupPlacement{80, 0, 0x20}},
        {7, PopupPlacement{80, 24, 0x2}},
        {8, std::nullopt},
        {-1, std::nullopt},
    };
    for (const Align& a : aligns) EXPECT_EQ(PlacePopupMenu(a.align, 80, 24, 0x2), a.placed) << a.align;

    // Dismissed elsewhere: the button returns to normal and raises nothing.
    Button away;
    away.button.SetPopupMenu(FakeButtonHost::kMenu, 5, 0x2);
    away.host.duringMenu = [&] {
        away.button.OnMouseLeave();
        away.host.cursorOver = false;
    };
    away.Step("in");
    away.Step("dn");
    EXPECT_EQ(away.button.State(), 0);
    EXPECT_EQ(away.button.MenuFlags(), 0xAu);  // stored back
    away.Step("up");
    EXPECT_EQ(away.host.log, "MouseEnter Tip Menu(0,24,10)");
    EXPECT_FALSE(away.button.MenuOpen());

    // Dismissed by a click on the button: the press that closed the menu does not reopen it, and
    // the button shows no tip while that press is held.
    Button again;
    again.button.SetPopupMenu(FakeButtonHost::kMenu, 0);
    again.host.duringMenu = [&] {
        again.button.OnMouseLeave();
        again.host.cursorOver = true;
    };
    again.Step("dn");
    EXPECT_TRUE(again.button.RePress());
    EXPECT_EQ(again.button.State(), 2);
    again.Step("dn");
    again.Step("in");
    again.Step("up");
    EXPECT_FALSE(again.button.RePress());
    again.Step("dbl");
    EXPECT_EQ(again.host.log, "Menu(0,24,0) MouseEnter Menu(0,24,0)");

    // Not a menu (no handle, or the handle of something else): ignored, presses go on raising
    // events. A menu with an alignment outside 0..7 shows nothing; unset, presses raise again.
    Button plain;
    plain.button.SetPopupMenu(0, 0);
    plain.button.SetPopupMenu(0x1, 0);
    EXPECT_FALSE(plain.button.MenuSet());
    plain.Step("dn");
    plain.Step("up");
    plain.button.SetPopupMenu(FakeButtonHost::kMenu, 9);
    EXPECT_TRUE(plain.button.MenuSet());
    plain.Step("dn");
    EXPECT_FALSE(plain.button.MenuOpen());
    plain.button.UnsetPopupMenu();
    plain.Step("up");
    plain.Step("dn");
    EXPECT_EQ(plain.host.log, "MouseDown Click MouseUp Click MouseUp MouseDown");
}

TEST(ButtonInteraction, AccessKeyOfCaption) {
    struct Case {
        const char16_t* caption;
        std::optional<char16_t> key;
    };
    const Case cases[] = {
        {u"&Open", u'o'},        {u"a&&b&c", u'c'},   {u"a&&b", std::nullopt}, {u"x&", std::nullopt},
        {u"&", std::nullopt},    {u"", std::nullopt}, {u"&&&x", u'x'},         {u"&&&&x", std::nullopt},
        {u"&&x&", std::nullopt}, {u"打开(&F)", u'f'}, {u"A&B", u'b'},          {u"Open", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AccessKeyOf(c.caption), c.key) << ToUtf8(c.caption);
    }
}

}  // namespace
}  // namespace ferrik
