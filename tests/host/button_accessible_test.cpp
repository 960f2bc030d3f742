// What a screen reader reads of a tesselbutton, from the button's own state.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "controls/button_accessible.h"
#include "support/fake_button_host.h"

namespace ferrik {
namespace {

TEST(ButtonAccessible, NameRoleStateAndShortcut) {
    struct Case {
        const char* what;
        std::function<void(TesselButton&)> setUp;
        const char16_t* name;
        std::int32_t role;
        std::uint32_t state;
    };
    // Roles: push button 0x2B, check button 0x2C, radio button 0x2D. States: unavailable 0x1,
    // focused 0x4, pressed 0x8, checked 0x10, default 0x100, focusable 0x100000.
    const Case cases[] = {
        {"caption", [](TesselButton& b) { b.SetCaption(u"添加当前页"); }, u"添加当前页", 0x2B, 0x100000},
        {"marker", [](TesselButton& b) { b.SetCaption(u"打开(&O)"); }, u"打开(O)", 0x2B, 0x100000},
        {"escaped ampersand", [](TesselButton& b) { b.SetCaption(u"A && &B"); }, u"A & B", 0x2B, 0x100000},
        {"tooltip for an empty caption",
         [](TesselButton& b) {
             b.SetCaption(u"");
             b.SetToolTip(u"后退");
         },
         u"后退", 0x2B, 0x100000},
        {"caption wins over tooltip",
         [](TesselButton& b) {
             b.SetCaption(u"主页");
             b.SetToolTip(u"回到首页");
         },
         u"主页", 0x2B, 0x100000},
        {"disabled", [](TesselButton& b) { b.SetEnabled(false); }, u"tesselbutton1", 0x2B, 0x1},
        {"focused", [](TesselButton& b) { b.OnGotFocus(); }, u"tesselbutton1", 0x2B, 0x100004},
        {"pressed", [](TesselButton& b) { b.OnMouseDown(kLeftButton, 0, 5, 5); }, u"tesselbutton1", 0x2B, 0x10000C},
        {"check, off", [](TesselButton& b) { b.SetMode(kCheck); }, u"tesselbutton1", 0x2C, 0x100000},
        {"check, on",
         [](TesselButton& b) {
             b.SetMode(kCheck);
             b.SetValue(true);
         },
         u"tesselbutton1", 0x2C, 0x100010},
        {"option, on",
         [](TesselButton& b) {
             b.SetMode(kOption);
             b.SetValue(true);
         },
         u"tesselbutton1", 0x2D, 0x100010},
    };
    for (const Case& c : cases) {
        test::FakeButtonHost host;
        TesselButton button(host, host);
        button.InitProperties();
        c.setUp(button);
        const ButtonAccessibleFacts facts = AccessibleFactsOf(button, true);
        EXPECT_EQ(facts.name, c.name) << c.what;
        EXPECT_EQ(facts.role, c.role) << c.what;
        EXPECT_EQ(facts.state, c.state) << c.what;
    }

    test::FakeButtonHost host;
    host.displayAsDefault = true;
    TesselButton button(host, host);
    button.InitProperties();
    button.OnAmbientChanged();
    EXPECT_EQ(AccessibleFactsOf(button, false).state, 0x100000u | 0x100 | 0x8000);

    EXPECT_EQ(AccessKeyShortcut(AccessKeyOf(u"打开(&o)")), u"Alt+O");
    EXPECT_EQ(AccessKeyShortcut(AccessKeyOf(u"&7 天")), u"Alt+7");
    EXPECT_EQ(AccessKeyShortcut(AccessKeyOf(u"后退")), u"");
}

}  // namespace
}  // namespace ferrik
