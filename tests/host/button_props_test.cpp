#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "controls/button_color.h"
#include "controls/button_tooltip.h"
#include "controls/property_bag.h"
#include "controls/tesselbutton.h"
#include "support/fake_button_host.h"

namespace ferrik {
namespace {

using test::FakeButtonHost;
using test::kFakeBtnFace;
using test::kFakeBtnText;
using test::kFakeInfoBk;

struct Button {
    FakeButtonHost host;
    TesselButton button{host, host};
    Button() { button.InitProperties(); }
};

TEST(ButtonProperties, ColourArithmetic) {
    FakeButtonHost system;
    struct Shift {
        std::uint32_t colour;
        double amount;
        std::uint32_t expected;
    };
    const Shift shifts[] = {
        {0xD4D4D4, 0.06, 0xE3E3E3},                             // the silver glass face
        {0xBA9EA0, 0.15, 0xE0C4C6}, {0x00C9C8, 0.1, 0x1AE2E2},  // 225.5 -> 226, 226.5 -> 226, 25.5 -> 26
        {0xE61F1E, -0.1, 0xCC0604},                             // 4.5 -> 4, 5.5 -> 6, 204.5 -> 204
        {0xF0F0F0, 0.1, 0xFFFFFF},  {0x0A140A, -0.1, 0x000000}, {0x123456, 0, 0x123456},
    };
    for (const Shift& s : shifts) {
        EXPECT_EQ(ShiftColor(s.colour, s.amount), s.expected) << std::hex << s.colour << " " << s.amount;
    }
    EXPECT_EQ(MidColor(0xFFFFFF, 0x000000), 0x808080u);  // 127.5 -> 128
    EXPECT_EQ(MidColor(0x010103, 0x000000), 0x000002u);  // 1.5 -> 2, 0.5 -> 0

    const EffectTables tables = MakeEffectTables();
    EXPECT_EQ(tables.lighter[200], 229);
    EXPECT_EQ(tables.lighter[230], 255);
    EXPECT_EQ(tables.lighter[0], 0);
    EXPECT_EQ(tables.darker[200], 170);
    EXPECT_EQ(tables.darker[255], 217);

    EXPECT_EQ(TranslateColor(0x00123456, system), 0x123456);
    EXPECT_EQ(TranslateColor(0x8000000F, system), static_cast<std::int32_t>(kFakeBtnFace));
    EXPECT_EQ(TranslateColor(0x80000018, system), static_cast<std::int32_t>(kFakeInfoBk));
    EXPECT_EQ(TranslateColor(0x80000063, system), -1);  // no such system colour
    EXPECT_EQ(TranslateColor(0x01000005, system), -1);
    EXPECT_EQ(TranslateColor(0xFFFFFFFF, system), -1);
}

TEST(ButtonProperties, StyleSchemeAndSchemeColours) {
    // Setting the style on a button whose scheme is `scheme`.
    struct Case {
        std::int32_t scheme;
        std::int32_t style;
        std::int32_t schemeAfter;
        std::uint32_t back;
        bool focusRect;
        bool pushOnHover;
    };
    const std::uint32_t kUnchanged = 0x8000000F;  // a new instance's face colour code
    const Case cases[] = {
        {1, 0, 0, kFakeBtnFace, true, false},   {1, 1, 0, kFakeBtnFace, true, false},
        {1, 2, 0, 0xE7EBEC, false, false},      {1, 3, 2, 0xE3E3E3, false, false},
        {1, 4, 0, kFakeBtnFace, false, true},   {1, 5, 1, 0xBAD6D4, false, false},
        {2, 5, 2, 0xE0C4C6, false, false},      {0, 5, 0, 0xFCE1CA, false, false},
        {1, 6, 0, kFakeBtnFace, false, false},  {1, 7, 0, kFakeBtnFace, false, false},
        {1, 8, 0, 0xFFD1AD, false, false},      {1, 9, 2, 0xE1D6D5, true, false},
        {1, 10, 0, 0xFFD1AD, false, false},     {1, 11, 1, kFakeBtnFace, false, false},
        {1, 12, 1, kFakeBtnFace, false, false}, {1, 13, 1, kUnchanged, false, false},
        {2, 2, 0, 0xE7EBEC, false, false},      {3, 11, 3, kUnchanged, false, false},
    };
    for (const Case& c : cases) {
        Button b;
        b.button.SetColorScheme(c.scheme);
        b.button.SetButtonStyle(c.style);
        SCOPED_TRACE("scheme " + std::to_string(c.scheme) + " style " + std::to_string(c.style));
        EXPECT_EQ(b.button.ColorScheme(), c.schemeAfter);
        EXPECT_EQ(b.button.BackColor(), c.back);
        EXPECT_EQ(b.button.ShowFocusRect(), c.focusRect);
        EXPECT_EQ(b.button.PicturePushOnHover(), c.pushOnHover);
        EXPECT_EQ(b.button.ForeColor(), kFakeBtnText);
    }
    // A custom colour: style 4 keeps its scheme, any other style turns Custom and keeps the colour.
    Button flat;
    flat.button.SetButtonStyle(4);
    flat.button.SetBackColor(0x123456);
    EXPECT_EQ(flat.button.ColorScheme(), 0);
    Button curved;
    curved.button.SetButtonStyle(2);
    curved.button.SetBackColor(0x123456);
    EXPECT_EQ(curved.button.ColorScheme(), 3);
    curved.button.ApplySchemeColors();
    EXPECT_EQ(curved.button.BackColor(), 0x123456u);
    // Without visual styles a themed button becomes a blue curved-gradient one at its first repaint.
    Button unthemed;
    unthemed.host.themed = false;
    unthemed.button.SetColorScheme(1);
    EXPECT_EQ(unthemed.button.ButtonStyle(), 2);
    EXPECT_EQ(unthemed.button.ColorScheme(), 0);
    EXPECT_EQ(unthemed.button.BackColor(), 0xE7EBECu);
}

// One row per property: its stored key, the names a change is told by, its value in a new
// instance and after a load without the key, and a change: what it repaints, that it is saved
// under its key and that it comes back from the bag.
TEST(ButtonProperties, EveryPropertyByItsRow) {
    using V = PropertyValue;
    auto L = [](std::int32_t n) { return V{n}; };
    auto C = [](std::uint32_t c) { return V{ColorValue{c}}; };
    auto B = [](bool b) { return V{b}; };
    auto T = [](const char16_t* t) { return V{Text(t)}; };
    const V none{std::monostate{}};
    const Picture pic{{1, 2, 3}};
    const Picture other{{4}};
    struct Row {
        const char* name;
        const char* key;
        std::vector<std::string> notified;
        V fresh;
        V loaded;
        std::function<void(TesselButton&)> change;
        int repaints;
    };
    // clang-format off
    const Row rows[] = {
        {"ButtonStyle", "ButtonStyle", {"ButtonStyle"}, L(13), L(1), [](TesselButton& t) { t.SetButtonStyle(3); }, 1},
        {"ColorScheme", "ColorScheme", {"ColorScheme"}, L(0), L(0), [](TesselButton& t) { t.SetColorScheme(1); }, 1},
        {"BackColor", "BackColor", {"BackColor"}, C(0x8000000F), C(kFakeBtnFace), [](TesselButton& t) { t.SetBackColor(0x123456); }, 1},
        {"ForeColor", "ForeColor", {"ForeColor"}, C(kFakeBtnText), C(kFakeBtnText), [](TesselButton& t) { t.SetForeColor(0xFF); }, 1},
        {"ForeColorHover", "ForeColorHover", {"ForeColorHover"}, C(0), C(kFakeBtnText), [](TesselButton& t) { t.SetForeColorHover(0xFF); }, 1},
        {"Caption", "Caption", {"Caption"}, T(u"tesselbutton1"), T(u"tesselbutton"), [](TesselButton& t) { t.SetCaption(u"打开 \"a&&b&c\"\\\n\t\xD800x"); }, 1},
        {"CaptionAlign", "CaptionAlign", {"CaptionAlign"}, L(1), L(1), [](TesselButton& t) { t.SetCaptionAlign(2); }, 1},
        {"CaptionEffects", "CaptionEffects", {"CaptionEffects"}, L(0), L(0), [](TesselButton& t) { t.SetCaptionEffects(5); }, 1},
        {"Font", "Font", {"Font"}, V{ButtonFont{u"Tahoma", 90000, 400, false, false, false, 134}}, V{ButtonFont{u"宋体", 90000, 400, false, false, false, 134}},
         [](TesselButton& t) { t.SetFont(ButtonFont{u"微软雅黑", 105000, 700, true, true, true, 134}); }, 1},
        {"Enabled", "Enabled", {"Enabled"}, B(true), B(true), [](TesselButton& t) { t.SetEnabled(false); }, 1},
        {"Mode", "Mode", {"Value", "Mode"}, L(0), L(0), [](TesselButton& t) { t.SetMode(1); }, 1},
        {"Value", "Value", {"Value", "Mode", "Value"}, B(false), B(false), [](TesselButton& t) { t.SetMode(2), t.SetValue(true); }, 2},
        {"ShowFocusRect", "ShowFocusRect", {"ShowFocusRect"}, B(false), B(false), [](TesselButton& t) { t.SetShowFocusRect(true); }, 0},
        {"DropDownSymbol", "DropDownSymbol", {"DropDownSymbol"}, L(0), L(0), [](TesselButton& t) { t.SetDropDownSymbol(6); }, 1},
        {"DropDownSeparator", "DropDownSeparator", {"DropDownSeparator"}, B(false), B(false), [](TesselButton& t) { t.SetDropDownSeparator(true); }, 1},
        {"MouseIcon", "MouseIcon", {"HandPointer", "MouseIcon"}, none, none, [&](TesselButton& t) { t.SetMouseIcon(pic); }, 0},
        {"HandPointer", "HandPointer", {"HandPointer"}, B(false), B(false), [](TesselButton& t) { t.SetHandPointer(true); }, 1},
        {"MousePointer", "MousePointer", {"MousePointer"}, L(0), L(0), [](TesselButton& t) { t.SetMousePointer(11); }, 0},
        {"PictureNormal", "PictureNormal", {"PictureNormal"}, none, none, [&](TesselButton& t) { t.SetPictureNormal(pic); }, 1},
        {"PictureHot", "PictureHot", {"PictureNormal", "PictureHot"}, none, none, [&](TesselButton& t) { t.SetPictureNormal(pic), t.SetPictureHot(other); }, 2},
        {"PictureDown", "PictureDown", {"PictureNormal", "PictureDown"}, none, none, [&](TesselButton& t) { t.SetPictureNormal(pic), t.SetPictureDown(other); }, 2},
        {"PictureAlign", "PictureAlign", {"PictureAlign"}, L(1), L(1), [](TesselButton& t) { t.SetPictureAlign(4); }, 0},  // no picture
        {"PictureShadow", "PictureShadow", {"PictureShadow"}, B(false), B(false), [](TesselButton& t) { t.SetPictureShadow(true); }, 1},
        {"PictureEffectOnOver", "PictureEffectOnOver", {"PictureEffectOnOver"}, L(0), L(1), [](TesselButton& t) { t.SetPictureEffectOnOver(2); }, 1},
        {"PictureEffectOnDown", "PictureEffectOnDown", {"PictureEffectOnDown"}, L(0), L(2), [](TesselButton& t) { t.SetPictureEffectOnDown(1); }, 1},
        {"PicturePushOnHover", "PicturePushOnHover", {"PicturePushOnHover"}, B(false), B(false), [](TesselButton& t) { t.SetPicturePushOnHover(true); }, 1},
        {"PictureOpacity", "PictureOpacity", {"PictureOpacity"}, L(255), L(255), [](TesselButton& t) { t.SetPictureOpacity(0); }, 1},
        {"PictureOpacityOnOver", "PictureOpacityOnOver", {"PictureOpacityOnOver"}, L(255), L(255), [](TesselButton& t) { t.SetPictureOpacityOnOver(128); }, 1},
        {"DisabledPictureMode", "DisabledPictureMode", {"DisabledPictureMode"}, L(0), L(0), [](TesselButton& t) { t.SetDisabledPictureMode(1); }, 1},
        {"UseMaskColor", "UseMaskColor", {"UseMaskColor"}, B(true), B(true), [](TesselButton& t) { t.SetUseMaskColor(false); }, 0},  // no picture
        {"MaskColor", "MaskColor", {"MaskColor"}, C(0xE0E0E0), C(0xE0E0E0), [](TesselButton& t) { t.SetMaskColor(0xFF00FF); }, 1},
        {"RightToLeft", "RightToLeft", {"RightToLeft"}, B(false), B(false), [](TesselButton& t) { t.SetRightToLeft(true); }, 1},
        {"ToolTip", "ToolTip", {"ToolTip"}, T(u""), T(u""), [](TesselButton& t) { t.SetToolTip(u"提示"); }, 1},
        {"TooltipTitle", "TooltipTitle", {"TooltipTitle"}, T(u""), T(u""), [](TesselButton& t) { t.SetTooltipTitle(u"Title"); }, 1},
        {"ToolTipType", "TooltipType", {"ToolTipType"}, L(0), L(0), [](TesselButton& t) { t.SetToolTipType(1); }, 1},
        {"ToolTipIcon", "TooltipIcon", {"TooltipIcon"}, L(0), L(0), [](TesselButton& t) { t.SetToolTipIcon(2); }, 1},
        {"TooltipBackColor", "TooltipBackColor", {"TooltipBackcolor"}, C(0), C(kFakeInfoBk), [](TesselButton& t) { t.SetTooltipBackColor(0xC0FFFF); }, 1},
    };
    // clang-format on
    EXPECT_EQ(std::size(rows), ButtonPropertyRows().size());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::optional<ButtonProperty> id = ButtonPropertyNamed(row.name);
        ASSERT_TRUE(id);
        Button fresh;
        EXPECT_EQ(fresh.button.Get(*id), row.fresh);
        FakeButtonHost host;
        TesselButton loaded(host, host);
        loaded.ReadProperties(PropertyBag{});
        EXPECT_EQ(loaded.Get(*id), row.loaded);

        fresh.host.repaints = 0;
        row.change(fresh.button);
        EXPECT_EQ(fresh.host.notified, row.notified);
        EXPECT_EQ(fresh.host.repaints, row.repaints);
        PropertyBag bag;
        fresh.button.WriteProperties(bag);
        EXPECT_TRUE(bag.Contains(row.key));
        FakeButtonHost host2;
        TesselButton back(host2, host2);
        back.ReadProperties(bag);
        EXPECT_EQ(back.Get(*id), fresh.button.Get(*id));
    }
    EXPECT_FALSE(ButtonPropertyNamed("hWnd"));  // read-only, not stored

    // Every property changed at once: saved in the save order and read in the load order, the
    // same through the text form, and saved again to the same text.
    const std::vector<std::string> kSaveOrder = {"ButtonStyle",
                                                 "ShowFocusRect",
                                                 "Enabled",
                                                 "Font",
                                                 "BackColor",
                                                 "Caption",
                                                 "ForeColor",
                                                 "ForeColorHover",
                                                 "Mode",
                                                 "Value",
                                                 "MousePointer",
                                                 "HandPointer",
                                                 "MouseIcon",
                                                 "PictureNormal",
                                                 "PictureHot",
                                                 "PictureDown",
                                                 "PictureAlign",
                                                 "PictureEffectOnOver",
                                                 "PictureEffectOnDown",
                                                 "PicturePushOnHover",
                                                 "PictureShadow",
                                                 "PictureOpacity",
                                                 "PictureOpacityOnOver",
                                                 "DisabledPictureMode",
                                                 "CaptionEffects",
                                                 "UseMaskColor",
                                                 "MaskColor",
                                                 "CaptionAlign",
                                                 "ToolTip",
                                                 "TooltipType",
                                                 "TooltipIcon",
                                                 "TooltipTitle",
                                                 "TooltipBackColor",
                                                 "RightToLeft",
                                                 "DropDownSymbol",
                                                 "DropDownSeparator",
                                                 "ColorScheme"};
    const std::vector<std::string> kLoadOrder = {"ButtonStyle",
                                                 "ShowFocusRect",
                                                 "Font",
                                                 "BackColor",
                                                 "Enabled",
                                                 "Caption",
                                                 "Value",
                                                 "MousePointer",
                                                 "HandPointer",
                                                 "MouseIcon",
                                                 "PictureNormal",
                                                 "PictureHot",
                                                 "PictureDown",
                                                 "PictureShadow",
                                                 "PictureOpacity",
                                                 "PictureOpacityOnOver",
                                                 "DisabledPictureMode",
                                                 "PicturePushOnHover",
                                                 "PictureEffectOnOver",
                                                 "PictureEffectOnDown",
                                                 "MaskColor",
                                                 "UseMaskColor",
                                                 "CaptionEffects",
                                                 "Mode",
                                                 "PictureAlign",
                                                 "CaptionAlign",
                                                 "ForeColor",
                                                 "ForeColorHover",
                                                 "DropDownSeparator",
                                                 "TooltipTitle",
                                                 "ToolTip",
                                                 "TooltipIcon",
                                                 "TooltipType",
                                                 "TooltipBackColor",
                                                 "RightToLeft",
                                                 "DropDownSymbol",
                                                 "ColorScheme"};
    Button all;
    for (const Row& row : rows) row.change(all.button);
    StoredControl stored{"Command1", {}};
    all.button.WriteProperties(stored.bag);
    std::vector<std::string> keys;
    for (const auto& entry : stored.bag.Entries()) keys.push_back(entry.first);
    EXPECT_EQ(keys, kSaveOrder);
    const std::string text = WriteDesignText({&stored, 1});
    const std::vector<StoredControl> parsed = ParseDesignText(text);
    ASSERT_EQ(parsed.size(), 1u);
    EXPECT_TRUE(parsed[0].bag == stored.bag);
    FakeButtonHost host;
    TesselButton loaded(host, host);
    loaded.ReadProperties(parsed[0].bag);
    EXPECT_EQ(parsed[0].bag.ReadLog(), kLoadOrder);
    for (const Row& row : rows)
        EXPECT_EQ(loaded.Get(*ButtonPropertyNamed(row.name)), all.button.Get(*ButtonPropertyNamed(row.name)))
            << row.name;
    EXPECT_EQ(loaded.ColorScheme(), 3);  // stored Custom, not the style scheme's Silver
    EXPECT_EQ(host.accessKey, u'c');
    EXPECT_TRUE(loaded.TooltipRightToLeft());
    EXPECT_EQ(host.resizes, 1);
    StoredControl again{"Command1", {}};
    loaded.WriteProperties(again.bag);
    EXPECT_EQ(WriteDesignText({&again, 1}), text);
}

// The setters whose rules go beyond their row.
TEST(ButtonProperties, SetterSideEffects) {
    const Picture pic{{1, 2, 3}};
    struct Case {
        const char* name;
        std::function<void(TesselButton&)> set;
        int repaints;
        int regions;
        int resizes;
        std::vector<std::string> notified;
    };
    const Case cases[] = {
        {"ButtonStyle", [](TesselButton& t) { t.SetButtonStyle(3); }, 1, 1, 0, {"ButtonStyle"}},
        {"Value in Normal mode", [](TesselButton& t) { t.SetValue(true); }, 1, 0, 0, {}},
        {"PictureAlign with picture",
         [&](TesselButton& t) {
             t.SetPictureNormal(pic);
             t.SetPictureAlign(4);
         },
         2,
         0,
         0,
         {"PictureNormal", "PictureAlign"}},
        {"PictureHot without normal", [&](TesselButton& t) { t.SetPictureHot(pic); }, 1, 0, 0, {"PictureNormal"}},
        {"PictureDown without normal", [&](TesselButton& t) { t.SetPictureDown(pic); }, 1, 0, 0, {"PictureNormal"}},
        {"clearing PictureNormal",
         [&](TesselButton& t) {
             t.SetPictureNormal(pic);
             t.SetPictureHot(pic);
             t.SetPictureDown(pic);
             t.SetPictureNormal(std::nullopt);
         },
         3,
         0,
         1,
         {"PictureNormal", "PictureHot", "PictureDown", "PictureHot", "PictureDown", "PictureNormal"}},
    };
    for (const Case& c : cases) {
        Button b;
        b.host.repaints = 0;
        c.set(b.button);
        SCOPED_TRACE(c.name);
        EXPECT_EQ(b.host.repaints, c.repaints);
        EXPECT_EQ(b.host.regions, c.regions);
        EXPECT_EQ(b.host.resizes, c.resizes);
        EXPECT_EQ(b.host.notified, c.notified);
    }

    Button b;
    b.button.SetPictureHot(pic);
    EXPECT_EQ(b.button.PictureNormal(), pic);
    EXPECT_FALSE(b.button.PictureHot());
    b.button.SetPictureDown(Picture{{9}});
    EXPECT_EQ(b.button.PictureDown(), Picture{{9}});
    b.button.SetPictureNormal(std::nullopt);
    EXPECT_FALSE(b.button.PictureDown());

    b.button.SetHandPointer(true);
    b.button.SetMouseIcon(pic);
    EXPECT_FALSE(b.button.HandPointer());
    EXPECT_EQ(b.host.pointer, 99);
    b.button.SetMouseIcon(std::nullopt);
    EXPECT_EQ(b.host.pointer, 0);
    b.button.SetMousePointer(11);
    b.button.SetHandPointer(true);
    EXPECT_EQ(b.host.pointer, 0);
    b.button.SetEnabled(false);
    EXPECT_FALSE(b.host.windowEnabled);
    b.button.SetCaption(u"&Open");
    EXPECT_EQ(b.host.accessKey, u'o');
    b.button.SetRightToLeft(true);
    EXPECT_TRUE(b.button.TooltipRightToLeft());
    EXPECT_EQ(LimitSizeTwips(100), 220);
    EXPECT_EQ(LimitSizeTwips(221), 221);
}

TEST(ButtonProperties, TooltipSetup) {
    struct Case {
        std::int32_t type;
        std::int32_t icon;
        const char16_t* title;
        bool rtl;
        OleColor back;
        bool unicode;
        TooltipSetup expected;
    };
    const Case cases[] = {
        {0, 0, u"", false, 0, true, {0x03, 0, 0x00020000, 17, 0x0432, std::nullopt, 240, std::nullopt}},
        {1, 2, u"Title", false, 0, true, {0x43, 0, 0x00020000, 17, 0x0432, 0x0421, 240, std::nullopt}},
        {0, 1, u"", true, 0x8000000F, true, {0x03, 0x00400000, 0x00020000, 17, 0x0432, 0x0421, 240, kFakeBtnFace}},
        {0, 0, u"T", false, 0x80000063, false, {0x03, 0, 0x00020000, 0x10, 0x0404, 0x0420, 240, -1}},
    };
    for (const Case& c : cases) {
        Button b;
        b.button.SetToolTipType(c.type);
        b.button.SetToolTipIcon(c.icon);
        b.button.SetTooltipTitle(c.title);
        b.button.SetRightToLeft(c.rtl);
        b.button.SetTooltipBackColor(c.back);
        const TooltipSetup got = MakeTooltipSetup(b.button, b.host, c.unicode);
        EXPECT_EQ(got.style, c.expected.style);
        EXPECT_EQ(got.exStyle, c.expected.exStyle);
        EXPECT_EQ(got.classStyleAdd, c.expected.classStyleAdd);
        EXPECT_EQ(got.toolFlags, c.expected.toolFlags);
        EXPECT_EQ(got.addToolMessage, c.expected.addToolMessage);
        EXPECT_EQ(got.setTitleMessage, c.expected.setTitleMessage);
        EXPECT_EQ(got.maxWidth, c.expected.maxWidth);
        EXPECT_EQ(got.backColor, c.expected.backColor);
    }
}

// The container's tooltip text is cleared while the button shows its own; About tells the version.
TEST(ButtonProperties, ContainerTooltipWhileShownAndAbout) {
    struct Step {
        std::function<void(TesselButton&)> action;
        const char16_t* containerTip;
    };
    const Step steps[] = {
        {[](TesselButton& b) { b.OnShown(); }, u""},
        {[](TesselButton& b) { b.SetToolTip(u"后退"); }, u""},  // stays cleared while shown
        {[](TesselButton& b) { b.OnHidden(); }, u"后退"},
        {[](TesselButton& b) { b.OnShown(); }, u""},
    };
    Button b;
    for (const Step& step : steps) {
        step.action(b.button);
        EXPECT_EQ(b.host.containerTip, Text(step.containerTip));
    }
    b.button.About();
    ASSERT_EQ(b.host.messages.size(), 1u);
    EXPECT_TRUE(b.host.messages[0].starts_with(u"About|Tesselbutton v 1.02")) << ToUtf8(b.host.messages[0]);
}

std::string SaveText(const TesselButton& button) {
    StoredControl stored{"Command1", {}};
    button.WriteProperties(stored.bag);
    return WriteDesignText({&stored, 1});
}

TEST(ButtonProperties, SaveAndLoadThroughTheTextForm) {
    // A new instance stores only what differs from the loading defaults.
    Button fresh;
    EXPECT_EQ(SaveText(fresh.button),
              "Begin tesselbutton Command1\n"
              "    ButtonStyle = 13\n"
              "    Font = Font(\"Tahoma\", 90000, 400, False, False, False, 134)\n"
              "    BackColor = &H8000000F&\n"
              "    Caption = \"tesselbutton1\"\n"
              "    ForeColorHover = &H00000000&\n"
              "    PictureEffectOnOver = 0\n"
              "    PictureEffectOnDown = 0\n"
              "    TooltipBackColor = &H00000000&\n"
              "End\n");

    // Captions equal to either default, a disabled button and a failed hand cursor survive or
    // behave as stored.
    for (const char16_t* caption : {u"tesselbutton1", u"tesselbutton", u""}) {
        Button b;
        b.button.SetCaption(caption);
        b.button.SetEnabled(false);
        FakeButtonHost h;
        TesselButton back(h, h);
        back.ReadProperties(ParseDesignText(SaveText(b.button))[0].bag);
        EXPECT_EQ(back.Caption(), caption);
        EXPECT_FALSE(back.Enabled());
        EXPECT_FALSE(h.windowEnabled);
    }
}

TEST(ButtonProperties, DesignTextRejectsBadInputWithItsLine) {
    struct Case {
        const char* text;
        const char* error;
    };
    const Case cases[] = {
        {"Begin tesselbutton A\n    Caption = \"open\nEnd\n", "line 2: unterminated text"},
        {"Begin tesselbutton A\n    X = &H123456789&\nEnd\n", "line 2: colour has more than 8 hex digits"},
        {"Begin tesselbutton A\n    X = 2147483648\nEnd\n", "line 2: number out of range"},
        {"Begin tesselbutton A\n    X = Picture(ABC)\nEnd\n", "line 2: picture bytes must be pairs of hex digits"},
        {"Begin tesselbutton A\n    X = \"\\u12G4\"\nEnd\n", "line 2: bad \\u escape"},
        {"Begin tesselbutton A\n    X = 1\n    X = 2\nEnd\n", "line 3: property X appears twice"},
        {"Begin tesselbutton A\n    X = 1 2\nEnd\n", "line 2: unexpected text after the value"},
        {"Begin tesselbutton A\n    X = Font(\"T\", 0, 400, False, False, False, 0)\nEnd\n",
         "line 2: number out of range"},
        {"Begin tesselbutton A\n    X = maybe\nEnd\n", "line 2: unknown value"},
        {"Begin tesselbutton A\n    X 1\nEnd\n", "line 2: expected \"=\""},
        {"Begin CommandButton A\nEnd\n", "line 1: only tesselbutton controls are kept here"},
        {"Begin tesselbutton A\nEnd\nBegin tesselbutton A\nEnd\n", "line 3: control A appears twice"},
        {"Begin tesselbutton A\n    X = 1\n", "line 2: missing \"End\""},
        {"X = 1\n", "line 1: expected \"Begin tesselbutton <name>\""},
    };
    for (const Case& c : cases) {
        try {
            ParseDesignText(c.text);
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const DesignTextError& e) {
            EXPECT_EQ(std::string(e.what()), c.error) << c.text;
        }
    }
    EXPECT_EQ(ParseDesignText("\xEF\xBB\xBF' comment\r\n\r\nBegin tesselbutton B\r\n  Value = True\r\nEnd\r\n")[0]
                  .bag.Entries()
                  .size(),
              1u);

    // Mutated valid text either parses or is rejected cleanly.
    const std::string valid = SaveText(Button().button);
    std::mt19937 random(7);
    for (int i = 0; i < 3000; ++i) {
        std::string mutated = valid;
        for (int k = 0; k < 3; ++k) mutated[random() % mutated.size()] = static_cast<char>(random() % 256);
        try {
            ParseDesignText(mutated);
        } catch (const DesignTextError&) {
        }
    }
}

TEST(ButtonProperties, DesignFileKeepsEveryButton) {
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() /
        ("ferrik_buttons_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + ".frm");
    std::vector<StoredControl> form(2);
    form[0].name = "cmdAdd";
    form[1].name = "cmdGo";
    Button a;
    a.button.SetCaption(u"添加当前页");
    a.button.WriteProperties(form[0].bag);
    Button b;
    b.button.SetPictureNormal(Picture{{0x42, 0x4D}});
    b.button.WriteProperties(form[1].bag);
    SaveDesignFile(path, form);
    const std::vector<StoredControl> back = LoadDesignFile(path);
    std::filesystem::remove(path);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].name, "cmdAdd");
    EXPECT_TRUE(back[0].bag == form[0].bag);
    EXPECT_TRUE(back[1].bag == form[1].bag);
    EXPECT_THROW(LoadDesignFile(path), DesignTextError);
}

}  // namespace
}  // namespace ferrik
