#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "controls/button_color.h"
#include "controls/button_paint.h"
#include "controls/tesselbutton.h"

namespace ferrik {
namespace {

std::string Hex(std::uint32_t colour) {
    char text[16];
    std::snprintf(text, sizeof text, "%06X", colour & 0xFFFFFFu);
    return text;
}

// Every drawing call as one line: "L x1,y1,x2,y2 BBGGRR", "R x,y,w,h c", "F l,t,r,b c",
// "G x,y,w,h from>to dir", "P x,y c", "E l,t,r,b kind", "focus l,t,r,b", "region", "content S",
// "themed N", "fore c".
class Recorder final : public ButtonCanvas {
public:
    void DrawLine(int x1, int y1, int x2, int y2, std::uint32_t c) override { Add("L", {x1, y1, x2, y2}, Hex(c)); }
    void DrawRectangle(int x, int y, int w, int h, std::uint32_t c) override { Add("R", {x, y, w, h}, Hex(c)); }
    void FillArea(std::uint32_t c, PaintRect r) override { Add("F", {r.left, r.top, r.right, r.bottom}, Hex(c)); }
    void DrawGradient(int x, int y, int w, int h, std::uint32_t a, std::uint32_t b, int d) override {
        Add("G", {x, y, w, h}, Hex(a) + ">" + Hex(b) + " " + std::to_string(d));
    }
    void SetPixel(int x, int y, std::uint32_t c) override { ops.push_back("P " + Nums({x, y}) + " " + Hex(c)); }
    void DrawEdge(PaintRect r, EdgeKind e) override {
        static const char* const kNames[] = {"raised", "thin", "sunken"};
        Add("E", {r.left, r.top, r.right, r.bottom}, kNames[static_cast<int>(e)]);
    }
    void DrawFocusRect(PaintRect r) override { ops.push_back("focus " + Nums({r.left, r.top, r.right, r.bottom})); }
    void BuildRegion() override { ops.push_back("region"); }
    void DrawContent(int state) override { ops.push_back("content " + std::to_string(state)); }
    void DrawThemedBackground(int state) override { ops.push_back("themed " + std::to_string(state)); }
    void SetForeColor(std::uint32_t c) override { ops.push_back("fore " + Hex(c)); }

    std::vector<std::string> ops;

private:
    static std::string Nums(std::initializer_list<int> values) {
        std::string text;
        for (int v : values) text += (text.empty() ? "" : ",") + std::to_string(v);
        return text;
    }
    void Add(const char* kind, std::initializer_list<int> values, const std::string& tail) {
        ops.push_back(std::string(kind) + " " + Nums(values) + " " + tail);
    }
};

TEST(ButtonPaint, GradientSteps) {
    struct Step {
        std::uint32_t from, to;
        int step, steps;
        std::uint32_t expected;
    };
    const Step steps[] = {
        {0x000000, 0xFFFFFF, 0, 3, 0x000000}, {0x000000, 0xFFFFFF, 2, 3, 0xFFFFFF},
        {0x000000, 0x0000FF, 1, 3, 0x00007F},  // 127.5 truncates
        {0x0000C8, 0x000000, 1, 4, 0x000086},  // 200 - 66.7: toward zero gives 134, not 133
        {0x0A14C8, 0x000000, 2, 4, 0x040743},  // 200, 20, 10 fall to 67, 7, 4 (not 66, 6, 3)
        {0xFFFFFF, 0xFFFFFF, 0, 1, 0xFEFEFE},  // one step: 127 + 127, not (255 + 255) / 2
        {0x010305, 0x000000, 0, 1, 0x000102},
    };
    for (const Step& s : steps) {
        EXPECT_EQ(Hex(GradientStep(s.from, s.to, s.step, s.steps)), Hex(s.expected)) << Hex(s.from) << " " << s.step;
    }

    // A 32-bit bottom-up bitmap: 0x00RRGGBB, the picture's last row first in memory.
    std::vector<std::uint32_t> px(2 * 3, 0xDEAD);
    RenderGradient(px.data(), 2, 3, 0x0000FF, 0xFF0000, 1);
    // The middle row: red falls 255 -> 128 (toward zero), blue rises 0 -> 127.
    EXPECT_EQ(px, (std::vector<std::uint32_t>{0x0000FF, 0x0000FF, 0x80007F, 0x80007F, 0xFF0000, 0xFF0000}));
    RenderGradient(px.data(), 3, 2, 0x000000, 0x0000C8, 0);
    EXPECT_EQ(px, (std::vector<std::uint32_t>{0x000000, 0x640000, 0xC80000, 0x000000, 0x640000, 0xC80000}));
    std::vector<std::uint32_t> untouched(4, 7);
    RenderGradient(untouched.data(), 0, 2, 0, 0xFFFFFF, 1);
    RenderGradient(untouched.data(), 2, -1, 0, 0xFFFFFF, 0);
    EXPECT_EQ(untouched, std::vector<std::uint32_t>(4, 7));
}

// One case: a look of a 75 x 23 button and the operations that must appear in that order, plus
// operations that must not appear at all.
struct StyleCase {
    const char* name;
    ButtonLook look;
    std::vector<std::string> inOrder;
    std::vector<std::string> absent;
};

ButtonLook Look(int style, int state, int scheme, std::uint32_t back) {
    ButtonLook look;
    look.style = style;
    look.state = state;
    look.scheme = scheme;
    look.back = back;
    look.width = 75;
    look.height = 23;
    look.face = 0xD8E9EC;
    look.grayText = 0x6D6D6D;
    look.buttonText = 0x102030;
    look.workspace = 0xABABAB;
    return look;
}

template <typename F>
ButtonLook With(ButtonLook look, F change) {
    change(look);
    return look;
}

std::string Sh(std::uint32_t back, double amount) {
    return Hex(ShiftColor(back, amount));
}

TEST(ButtonPaint, StyleRoutines) {
    const std::uint32_t blue2 = 0xE7EBEC, silver2 = 0xFCF1F0, green2 = 0xDBEEF3, face = 0xD8E9EC;
    auto focused = [](ButtonLook& l) {
        l.hasFocus = true;
        l.parentActive = true;
        l.showFocusRect = true;
    };
    const std::vector<StyleCase> cases = {
        {"2 hot frame P1..P8 inside the dark border",
         Look(2, 1, 0, blue2),
         {"G 0,0,75,23 " + Sh(blue2, 0.07) + ">E7EBEC 1", "G 0,0,75,4 " + Sh(blue2, 0.1) + ">" + Sh(blue2, 0.08) + " 1",
          "content 1", "L 1,2,73,2 89D8FD", "L 1,1,73,1 CFF0FF", "L 1,1,1,21 49BDF9", "L 73,2,73,21 49BDF9",
          "L 2,2,2,20 7AD2FC", "L 72,3,72,20 7AD2FC", "L 2,20,73,20 30B3F8", "L 2,21,73,21 0097E5",
          "R 0,0,75,23 743C00", "P 1,1 " + Sh(0x743C00, 0.3), "P 73,21 " + Sh(0x743C00, 0.3)},
         {"region"}},
        {"2 default frame, scheme 0",
         With(Look(2, 0, 0, blue2), focused),
         {"region", "content 0", "L 1,1,1,21 " + Hex(MidColor(0xFFFFFF, blue2)), "L 1,2,73,2 F6D4BC",
          "L 1,1,73,1 FFE7CE", "L 1,1,1,21 E6AF8E", "L 73,2,73,21 E6AF8E", "L 2,2,2,20 F4D1B8", "L 72,3,72,20 F4D1B8",
          "L 2,20,73,20 E4AD89", "L 2,21,73,21 EE8269", "focus 2,2,73,21", "R 0,0,75,23 743C00"},
         {}},
        {"2 default frame, scheme 1, olive border",
         With(Look(2, 0, 1, green2), focused),
         {"L 1,2,73,2 8FD1C2", "L 1,1,73,1 80CBB1", "L 1,1,1,21 68C8A0", "L 2,20,73,20 68C8A0", "L 2,21,73,21 66A7A8",
          "R 0,0,75,23 066237"},
         {}},
        {"2 silver: halves at H/2 = 12, white P5 and P6 in the default frame",
         With(Look(2, 0, 2, silver2), [](ButtonLook& l) { l.hasFocus = l.parentActive = true; }),
         {"G 0,0,75,12 " + Sh(silver2, 0.22) + ">FCF1F0 1",
          "G 0,12,75,12 " + Sh(silver2, -0.01) + ">" + Sh(silver2, -0.15) + " 1", "L 73,2,73,21 FFFFFF",
          "L 2,2,2,20 FFFFFF", "L 72,3,72,20 FFFFFF"},
         {"focus 2,2,73,21"}},
        {"2 default frame only while the parent is active",
         With(Look(2, 0, 0, blue2), [](ButtonLook& l) { l.hasFocus = true; }),
         {"R 0,0,75,23 743C00"},
         {"L 1,2,73,2 F6D4BC"}},
        {"2 down, scheme 0",
         Look(2, 2, 0, blue2),
         {"F 0,0,75,23 " + Sh(blue2, -0.05), "content 2", "L 1,1,73,1 " + Sh(blue2, -0.16),
          "L 2,2,2,21 " + Sh(blue2, -0.1), "L 73,2,73,21 " + Sh(blue2, 0.04)},
         {"region"}},
        {"2 disabled",
         With(Look(2, 0, 0, blue2), [](ButtonLook& l) { l.enabled = false; }),
         {"region", "F 0,0,75,23 " + Hex(MidColor(face, ShiftColor(blue2, 0.1))), "content 0",
          "R 0,0,75,23 " + Sh(blue2, -0.1), "P 1,1 " + Sh(blue2, -0.1)},
         {"R 0,0,75,23 743C00"}},
        {"3 normal borders",
         Look(3, 0, 2, 0xE3E3E3),
         {"region", "G 1,1,74,23 " + Sh(0xE3E3E3, 0.05) + ">E3E3E3 1",
          "G 1,12,73,21 " + Sh(0xE3E3E3, -0.02) + ">" + Sh(0xE3E3E3, -0.15) + " 1", "content 0", "R 0,0,75,23 707070",
          "R 1,1,73,21 FFFFFF", "P 1,1 BE965F"},
         {}},
        {"3 hot: side gradients and borders",
         Look(3, 1, 2, 0xE3E3E3),
         {"G 1,1,73,12 FFF7E4>FFF3DA 1", "G 1,12,73,21 FFE9C1>FDE1AE 1", "G 1,3,5,10 FFEECD>FFF7E4 0",
          "G 1,12,5,10 FAD68F>" + Sh(0xFDE1AC, 0.01) + " 0", "G 69,3,5,10 FFF7E4>FFEECD 0",
          "G 69,12,5,10 " + Sh(0xFDE1AC, 0.01) + ">FAD68F 0", "content 1", "R 0,0,75,23 A77532", "R 1,1,73,21 FFFFFF",
          "P 73,1 BE965F"},
         {}},
        {"3 down and focused",
         With(Look(3, 2, 2, 0xE3E3E3), focused),
         {"G 1,1,74,23 F6E4C2>F6E4C2 1", "R 0,0,75,23 5C411D", "L 1,1,74,1 B39C71", "L 1,3,74,3 ECD9B9",
          "L 1,1,1,11 CFB073", "L 1,12,1,10 C5912B", "content 2", "focus 2,2,73,21", "P 1,21 BE965F"},
         {"R 1,1,73,21 FBD848"}},
        {"3 focused normal: the highlight border",
         With(Look(3, 0, 2, 0xE3E3E3), focused),
         {"R 0,0,75,23 707070", "R 0,0,75,23 A77532", "R 1,1,73,21 FBD848", "focus 2,2,73,21"},
         {}},
        {"3 disabled",
         With(Look(3, 0, 2, 0xE3E3E3), [](ButtonLook& l) { l.enabled = false; }),
         {"region", "F 0,0,75,23 " + Sh(0xE3E3E3, 0.03), "R 0,0,75,23 " + Sh(0xE3E3E3, -0.25),
          "R 1,1,73,21 " + Sh(0xE3E3E3, 0.25), "P 1,1 " + Sh(0xE3E3E3, -0.03)},
         {"P 1,1 BE965F"}},
        {"4 on under the mouse",
         With(Look(4, 2, 0, face), [](ButtonLook& l) { l.on = l.mouseOver = true; }),
         {"F 0,0,75,23 " + Sh(0xEED2C1, -0.05), "R 0,0,75,23 C56A31", "F 0,0,75,23 " + Sh(0xEED2C1, -0.01),
          "R 0,0,75,23 C56A31", "content 2"},
         {}},
        {"4 hot, olive",
         Look(4, 1, 1, face),
         {"F 0,0,75,23 " + Sh(0xBAD6D4, 0.03), "content 1", "R 0,0,75,23 70A093"},
         {}},
        {"4 normal: no border", Look(4, 0, 3, 0x336699), {"F 0,0,75,23 336699", "content 0"}, {"R 0,0,75,23 "}},
        {"4 down, custom",
         Look(4, 2, 3, 0x336699),
         {"F 0,0,75,23 " + Sh(0x336699, -0.08), "R 0,0,75,23 " + Sh(0x336699, -0.12)},
         {}},
        {"5 on, mouse elsewhere",
         With(Look(5, 2, 0, 0xFCE1CA), [](ButtonLook& l) { l.on = true; }),
         {"G 0,0,75,23 8CD5FF>55ADFF 1", "content 2", "R 0,0,75,23 800000"},
         {"G 0,0,75,23 4E91FE>8ED3FF 1"}},
        {"5 normal",
         Look(5, 0, 0, 0xFCE1CA),
         {"region", "G 0,0,75,12 " + Hex(MidColor(0xFFFFFF, ShiftColor(0xFCE1CA, 0.08))) + ">FCE1CA 1",
          "G 0,12,75,13 FCE1CA>" + Sh(0xFCE1CA, -0.15) + " 1", "content 0"},
         {"R 0,0,75,23 800000"}},
        {"6 down: white caption",
         Look(6, 2, 0, face),
         {"fore FFFFFF", "F 0,0,75,23 DDE4E5", "content 2", "L 1,1,73,1 " + Sh(0xD1DADC, -0.02),
          "L 1,21,73,21 " + Sh(0xE5EAEB, 0.02), "R 0,0,75,23 929D9D", "P 1,1 " + Sh(0xABB4B5, 0.2)},
         {}},
        {"6 hot",
         Look(6, 1, 0, face),
         {"fore 102030", "G 0,0,75,12 FDFEFE>EEF4F4 1", "G 0,12,75,12 EEF4F4>EAF1F1 1", "content 1",
          "L 73,2,73,21 E0E7EA", "L 0,21,75,21 C6D2D7", "R 0,0,75,23 C3CECE", "P 1,1 " + Sh(0xC9D4D4, 0.05)},
         {}},
        {"6 on, hot",
         With(Look(6, 1, 0, face), [](ButtonLook& l) { l.on = l.mouseOver = true; }),
         {"fore 102030", "F 0,0,75,23 FEFEFE", "fore 102030", "content 1", "R 0,0,75,23 AF987A",
          "P 1,1 " + Sh(0xC1B3A0, -0.2), "L 73,2,73,21 EDF0F2", "L 1,19,74,19 F8F9FA"},
         {"fore FFFFFF"}},
        {"6 on, held: drawn down",
         With(Look(6, 0, 0, face), [](ButtonLook& l) { l.on = l.mouseHeld = true; }),
         {"fore FFFFFF", "F 0,0,75,23 DDE4E5", "content 2"},
         {"F 0,0,75,23 FEFEFE"}},
        {"7 hot: the lower part from y = 14",
         Look(7, 1, 0, face),
         {"G 1,1,73,21 FDF9F1>F8ECD0 1", "G 1,14,73,21 F8ECD0>F8ECD0 1", "content 1", "R 0,0,75,23 CA9E61",
          "R 1,1,73,21 FFFFFF", "P 1,1 " + Sh(0xCA9E61, 0.3)},
         {}},
        {"7 disabled",
         With(Look(7, 0, 0, face), [](ButtonLook& l) { l.enabled = false; }),
         {"F 0,0,75,23 D8E9EC", "content 0", "P 1,1 D8E9EC"},
         {"region"}},
        {"8 on under the mouse: both rows, k = 9",
         With(Look(8, 2, 0, 0xFFD1AD), [](ButtonLook& l) { l.on = l.mouseOver = true; }),
         {"G 0,0,75,9 A9D9FF>6FC0FF 1", "G 0,9,75,14 3FABFF>75E1FF 1", "R 0,0,75,23 " + Sh(0xFFD1AD, -0.34),
          "G 0,0,75,9 58C1FF>51AFFF 1", "G 0,9,75,14 468FFF>5FD3FF 1", "R 0,0,75,23 " + Sh(0xFFD1AD, -0.34),
          "content 2"},
         {}},
        {"8 on, mouse elsewhere",
         With(Look(8, 2, 0, 0xFFD1AD), [](ButtonLook& l) { l.on = true; }),
         {"G 0,0,75,9 A9D9FF>6FC0FF 1", "content 2"},
         {"G 0,0,75,9 58C1FF>51AFFF 1"}},
        {"8 normal",
         Look(8, 0, 0, 0xFFD1AD),
         {"F 0,0,75,23 FFD1AD",
          "G 0,0,75,9 " + Hex(MidColor(ShiftColor(0xFFD1AD, 0.09), 0xFFFFFF)) + ">" +
              Hex(MidColor(ShiftColor(0xFFD1AD, 0.07), 0xFFD1AD)) + " 1",
          "G 0,9,75,14 FFD1AD>" + Sh(0xFFD1AD, 0.03) + " 1"},
         {"region", "focus"}},
        {"8 hot", Look(8, 1, 0, 0xFFD1AD), {"G 0,0,75,9 E1FFFF>ACEAFF 1", "G 0,9,75,14 67D7FF>99E4FF 1"}, {}},
        {"9 down",
         With(Look(9, 2, 2, 0xE1D6D5), focused),
         {"G 0,0,75,12 FFFFFF>" + Sh(0xE1D6D5, -0.1) + " 1",
          "G 0,12,75,23 " + Sh(0xE1D6D5, -0.1) + ">" + Sh(0xE1D6D5, -0.05) + " 1", "content 2", "R 1,1,73,23 FFFFFF",
          "R 0,0,75,23 " + Sh(0xE1D6D5, -0.23), "L 2,22,73,22 " + Sh(0xE1D6D5, -0.4), "P 1,1 " + Sh(0xE1D6D5, -0.1),
          "focus 3,3,72,20"},
         {}},
        {"9 disabled looks normal",
         With(Look(9, 1, 2, 0xE1D6D5), [](ButtonLook& l) { l.enabled = false; }),
         {"region", "G 0,0,75,12 FFFFFF>E1D6D5 1", "content 0", "R 0,0,75,23 " + Sh(0xE1D6D5, -0.2)},
         {}},
        {"10 down: the band and the lower gradient leave row 5 to the fill",
         Look(10, 2, 0, 0xFFD1AD),
         {"F 0,0,75,23 " + Sh(0xFFD1AD, -0.03),
          "G 0,0,75,5 " + Hex(ShiftColor(MidColor(0xFFD1AD, 0xFFFFFF), 0.1)) + ">FFD1AD 1",
          "G 0,6,75,22 " + Sh(0xFFD1AD, -0.08) + ">" + Hex(MidColor(0xFFFFFF, ShiftColor(0xFFD1AD, 0.05))) + " 1",
          "content 2", "R 0,0,75,23 " + Sh(0xFFD1AD, -0.36), "P 1,1 " + Sh(0xFFD1AD, -0.36)},
         {"region"}},
        {"10 disabled",
         With(Look(10, 0, 0, 0xFFD1AD), [](ButtonLook& l) { l.enabled = false; }),
         {"F 0,0,75,23 FFD1AD", "G 0,0,75,5 " + Hex(ShiftColor(MidColor(0xFFD1AD, 0xFFFFFF), 0.05)) + ">FFD1AD 1",
          "R 0,0,75,23 " + Sh(0xFFD1AD, -0.2), "P 1,1 " + Sh(0xFFD1AD, -0.23)},
         {"region"}},
        {"0 focused normal: focus rectangle and the black default frame",
         With(Look(0, 0, 0, face), focused),
         {"region", "F 0,0,75,23 D8E9EC", "content 0", "E 0,0,75,23 raised", "focus 4,4,71,19", "E 0,0,74,22 raised",
          "R 0,0,74,22 ABABAB", "R 0,0,75,23 000000"},
         {}},
        {"0 down",
         With(Look(0, 2, 0, face), focused),
         {"F 0,0,75,23 D8E9EC", "content 2", "R 1,1,73,21 99A8AC", "R 0,0,75,23 000000", "focus 4,4,71,19"},
         {"E 0,0,74,22 raised"}},
        {"0 on with focus",
         With(Look(0, 0, 0, face),
              [&](ButtonLook& l) {
                  focused(l);
                  l.on = true;
              }),
         {"F 0,0,75,23 " + Sh(face, 0.02), "content 0", "E 0,0,75,23 sunken", "R 4,4,68,16 ABABAB"},
         {"focus 4,4,71,19", "R 0,0,75,23 000000"}},
        {"0 disabled: raised edge, no fill",
         With(Look(0, 0, 0, face), [](ButtonLook& l) { l.enabled = false; }),
         {"E 0,0,75,23 raised", "content 0"},
         {"F 0,0,75,23 D8E9EC", "region"}},
        {"1 down",
         Look(1, 2, 0, face),
         {"content 2", "R 0,0,75,23 FFFFFF", "R 0,0,76,24 6D6D6D"},
         {"E 0,0,75,23 sunken"}},
        {"11 hot and down", Look(11, 1, 0, face), {"content 1", "E 0,0,75,23 raised"}, {}},
        {"11 down, focused", With(Look(11, 2, 0, face), focused), {"E 0,0,75,23 sunken", "focus 4,4,71,19"}, {}},
        {"12 normal: no edge; focus at 3",
         With(Look(12, 0, 0, face), focused),
         {"region", "content 0", "focus 3,3,72,20"},
         {"E 0,0,75,23 thin"}},
        {"12 on: no edge",
         With(Look(12, 2, 0, face), [](ButtonLook& l) { l.on = true; }),
         {"content 2"},
         {"E 0,0,75,23 sunken"}},
        {"12 focus only at run time",
         With(Look(12, 1, 0, face),
              [&](ButtonLook& l) {
                  focused(l);
                  l.runTime = false;
              }),
         {"E 0,0,75,23 thin"},
         {"focus 3,3,72,20"}},
        {"13 default", With(Look(13, 0, 0, face), focused), {"themed 5", "content 0"}, {}},
        {"13 pressed", Look(13, 2, 0, face), {"themed 3", "content 2"}, {}},
        {"13 hot", With(Look(13, 1, 0, face), focused), {"themed 2"}, {}},
        {"13 focus without an active parent",
         With(Look(13, 0, 0, face), [](ButtonLook& l) { l.hasFocus = true; }),
         {"themed 1"},
         {}},
        {"13 disabled", With(Look(13, 1, 0, face), [](ButtonLook& l) { l.enabled = false; }), {"themed 4"}, {}},
    };
    for (const StyleCase& c : cases) {
        Recorder recorder;
        PaintButtonStyle(recorder, c.look);
        std::string all;
        for (const std::string& op : recorder.ops) all += "  " + op + "\n";
        std::size_t at = 0;
        for (const std::string& want : c.inOrder) {
            std::size_t i = at;
            while (i < recorder.ops.size() && recorder.ops[i].rfind(want, 0) != 0) ++i;
            EXPECT_LT(i, recorder.ops.size()) << c.name << ": missing or out of order: " << want << "\n" << all;
            if (i < recorder.ops.size()) at = i + 1;
        }
        for (const std::string& unwanted : c.absent) {
            for (const std::string& op : recorder.ops) {
                EXPECT_NE(op.rfind(unwanted, 0), 0u) << c.name << ": unexpected " << op;
            }
        }
        const auto contents = std::count_if(recorder.ops.begin(), recorder.ops.end(),
                                            [](const std::string& op) { return op.rfind("content ", 0) == 0; });
        EXPECT_EQ(contents, 1) << c.name << ": the content is drawn once\n" << all;
    }
}

}  // namespace
}  // namespace ferrik
