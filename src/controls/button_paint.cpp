#include "controls/button_paint.h"

#include <array>

#include "controls/tesselbutton.h"

namespace ferrik {

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kBlack = 0x000000;

std::uint32_t Shift(std::uint32_t colour, double amount) {
    return ShiftColor(colour, amount);
}

std::uint32_t Rgb(int r, int g, int b) {
    return static_cast<std::uint32_t>(r | (g << 8) | (b << 16));
}

// The drawing state shared by every style routine.
class Painter {
public:
    Painter(ButtonCanvas& canvas, const ButtonLook& look)
        : c(canvas), l(look), W(look.width), H(look.height), back(look.back), h2(HalfOf(look.height)) {}

    void Run() {
        switch (l.style) {
            case kRaised3D:
            case kThinEdge:
            case kHoverRaised:
            case kHoverThin:
                return EdgeStyle();
            case kCurvedGradient:
                return CurvedGradient();
            case kGlassGradient:
                return GlassGradient();
            case kFlatHighlight:
                return FlatHighlight();
            case kToolbarGradient:
                return ToolbarGradient();
            case kSoftGradient:
                return SoftGradient();
            case kPaleRounded:
                return PaleRounded();
            case kWarmGlow:
                return WarmGlow();
            case kGlossy:
                return Glossy();
            case kCurvedPanel:
                return CurvedPanel();
            case kThemed:
                return Themed();
            default:
                // An unknown style draws the content on the cleared background.
                return c.DrawContent(S());
        }
    }

private:
    int S() const { return l.state; }
    bool Focused() const { return l.hasFocus || l.displayAsDefault; }
    PaintRect Whole() const { return {0, 0, W, H}; }
    void Fill(std::uint32_t colour) { c.FillArea(colour, Whole()); }
    void Border(std::uint32_t colour) { c.DrawRectangle(0, 0, W, H, colour); }
    void Corners(std::uint32_t colour) {
        c.SetPixel(1, 1, colour);
        c.SetPixel(1, H - 2, colour);
        c.SetPixel(W - 2, 1, colour);
        c.SetPixel(W - 2, H - 2, colour);
    }
    void Vertical(int x, int y, int w, int h, std::uint32_t from, std::uint32_t to) {
        c.DrawGradient(x, y, w, h, from, to, 1);
    }
    void Horizontal(int x, int y, int w, int h, std::uint32_t from, std::uint32_t to) {
        c.DrawGradient(x, y, w, h, from, to, 0);
    }
    void Content() { c.DrawContent(S()); }

    // Styles 0, 1, 11 and 12: the platform's 3-D edges.
    void EdgeStyle() {
        const int style = l.style;
        auto edge = [&](EdgeKind kind) { c.DrawEdge(Whole(), kind); };
        if (!l.enabled) {
            if (style == kRaised3D) edge(EdgeKind::Raised);
            if (style == kThinEdge) edge(EdgeKind::Thin);
            return Content();
        }
        if (l.on) {
            Fill(Shift(back, 0.02));
            Content();
            if (style == kHoverThin) return;
            edge(EdgeKind::Sunken);
            if (style == kRaised3D && l.showFocusRect && l.hasFocus) c.DrawRectangle(4, 4, W - 7, H - 7, l.workspace);
            return;
        }
        if (S() == kStateNormal) {
            c.BuildRegion();
            Fill(back);
            Content();
            if (style == kRaised3D) edge(EdgeKind::Raised);
            if (style == kThinEdge) edge(EdgeKind::Thin);
        } else if (S() == kStateHot) {
            Fill(back);
            Content();
            edge(style == kThinEdge || style == kHoverThin ? EdgeKind::Thin : EdgeKind::Raised);
        } else {
            Fill(back);
            Content();
            if (style == kRaised3D) {
                c.DrawRectangle(1, 1, W - 2, H - 2, 0x99A8AC);
                c.DrawRectangle(0, 0, W, H, kBlack);
            } else if (style == kThinEdge || style == kHoverThin) {
                c.DrawRectangle(0, 0, W, H, kWhite);
                c.DrawRectangle(0, 0, W + 1, H + 1, l.grayText);
            } else {
                edge(EdgeKind::Sunken);
            }
        }
        if (Focused() && l.runTime && l.showFocusRect && l.parentActive) {
            const int inset = style == kRaised3D || style == kHoverRaised ? 4 : 3;
            c.DrawFocusRect({inset, inset, W - inset, H - inset});
        }
        if (style == kRaised3D && S() != kStateDown && Focused()) {
            c.DrawEdge({0, 0, W - 1, H - 1}, EdgeKind::Raised);
            c.DrawRectangle(0, 0, W - 1, H - 1, l.workspace);
            c.DrawRectangle(0, 0, W, H, kBlack);
        }
    }

    // Style 2, also what style 13 becomes without visual styles. The eight frame lines P1..P8.
    void FrameLines(const std::array<std::uint32_t, 8>& colours) {
        const int lines[8][4] = {
            {1, 2, W - 2, 2}, {1, 1, W - 2, 1},         {1, 1, 1, H - 2},         {W - 2, 2, W - 2, H - 2},
            {2, 2, 2, H - 3}, {W - 3, 3, W - 3, H - 3}, {2, H - 3, W - 2, H - 3}, {2, H - 2, W - 2, H - 2},
        };
        for (int i = 0; i < 8; ++i) c.DrawLine(lines[i][0], lines[i][1], lines[i][2], lines[i][3], colours[i]);
    }

    void CurvedGradient() {
        const int scheme = l.scheme;
        if (!l.enabled) {
            c.BuildRegion();
            Fill(MidColor(l.face, Shift(back, 0.1)));
            Content();
            Border(Shift(back, -0.1));
            Corners(Shift(back, -0.1));
            return;
        }
        if (S() == kStateNormal || S() == kStateHot) {
            if (S() == kStateNormal) c.BuildRegion();
            if (scheme == kSilver) {
                Vertical(0, 0, W, h2, Shift(back, 0.22), back);
                Vertical(0, h2, W, h2, Shift(back, -0.01), Shift(back, -0.15));
            } else {
                Vertical(0, 0, W, H, Shift(back, 0.07), back);
                Vertical(0, 0, W, 4, Shift(back, 0.1), Shift(back, 0.08));
            }
            Content();
            if (S() == kStateNormal) {
                if (scheme == kSilver) {
                    c.DrawLine(W - 2, 2, W - 2, H - 2, kWhite);
                    c.DrawLine(1, 1, 1, H - 2, kWhite);
                } else {
                    c.DrawLine(1, H - 2, W - 2, H - 2, Shift(back, -0.09));
                    c.DrawLine(1, H - 3, W - 2, H - 3, Shift(back, -0.05));
                    c.DrawLine(1, H - 4, W - 2, H - 4, Shift(back, -0.01));
                    c.DrawLine(W - 2, 2, W - 2, H - 2, Shift(back, -0.08));
                    c.DrawLine(1, 1, 1, H - 2, MidColor(kWhite, back));
                }
            } else {
                FrameLines({0x89D8FD, 0xCFF0FF, 0x49BDF9, 0x49BDF9, 0x7AD2FC, 0x7AD2FC, 0x30B3F8, 0x0097E5});
            }
        } else if (scheme == kSilver) {
            Vertical(0, 0, W, H - 6, Shift(back, -0.2), Shift(back, 0.05));
            Vertical(0, H - 6, W, H - 1, Shift(back, 0.08), kWhite);
            Content();
            c.DrawRectangle(1, 1, W - 2, H - 2, kWhite);
        } else {
            Fill(Shift(back, -0.05));
            Content();
            c.DrawLine(1, 1, W - 2, 1, Shift(back, -0.16));
            c.DrawLine(1, 2, W - 2, 2, Shift(back, -0.1));
            c.DrawLine(1, H - 2, W - 2, H - 2, Shift(back, 0.01));
            c.DrawLine(1, 1, 1, H - 2, Shift(back, -0.16));
            c.DrawLine(2, 2, 2, H - 2, Shift(back, -0.1));
            c.DrawLine(W - 2, 2, W - 2, H - 2, Shift(back, 0.04));
        }
        if (S() == kStateNormal && l.parentActive && Focused()) {
            if (scheme == kOliveGreen) {
                FrameLines({0x8FD1C2, 0x80CBB1, 0x68C8A0, 0x68C8A0, 0x68C8A0, 0x68C8A0, 0x68C8A0, 0x66A7A8});
            } else if (scheme == kSilver) {
                FrameLines({0xF6D4BC, 0xFFE7CE, 0xE6AF8E, 0xE6AF8E, kWhite, kWhite, 0xE4AD89, 0xEE8269});
            } else {
                FrameLines({0xF6D4BC, 0xFFE7CE, 0xE6AF8E, 0xE6AF8E, 0xF4D1B8, 0xF4D1B8, 0xE4AD89, 0xEE8269});
            }
        }
        if (l.parentActive && l.showFocusRect && Focused()) c.DrawFocusRect({2, 2, W - 2, H - 2});
        const std::uint32_t border = scheme == kOliveGreen ? Rgb(55, 98, 6) : 0x743C00;
        Border(border);
        Corners(Shift(border, 0.3));
    }

    // Style 3: side gradients 5 pixels wide at x = 1 and x = W - 6, upper and lower.
    void SideGradients(std::uint32_t leftUpperFrom, std::uint32_t leftUpperTo, std::uint32_t leftLowerFrom,
                       std::uint32_t leftLowerTo, std::uint32_t rightUpperFrom, std::uint32_t rightUpperTo,
                       std::uint32_t rightLowerFrom, std::uint32_t rightLowerTo) {
        Horizontal(1, 3, 5, h2 - 2, leftUpperFrom, leftUpperTo);
        Horizontal(1, h2, 5, H - h2 - 1, leftLowerFrom, leftLowerTo);
        Horizontal(W - 6, 3, 5, h2 - 2, rightUpperFrom, rightUpperTo);
        Horizontal(W - 6, h2, 5, H - h2 - 1, rightLowerFrom, rightLowerTo);
    }

    void GlassGradient() {
        if (!l.enabled) {
            c.BuildRegion();
            Fill(Shift(back, 0.03));
            Content();
            Border(Shift(back, -0.25));
            c.DrawRectangle(1, 1, W - 2, H - 2, Shift(back, 0.25));
            Corners(Shift(back, -0.03));
            return;
        }
        if (S() == kStateNormal) {
            c.BuildRegion();
            Vertical(1, 1, W - 1, H, Shift(back, 0.05), back);
            Vertical(1, h2, W - 2, H - 2, Shift(back, -0.02), Shift(back, -0.15));
            Content();
            Border(0x707070);
            c.DrawRectangle(1, 1, W - 2, H - 2, kWhite);
        } else if (S() == kStateHot) {
            Vertical(1, 1, W - 2, h2, 0xFFF7E4, 0xFFF3DA);
            Vertical(1, h2, W - 2, H - 2, 0xFFE9C1, 0xFDE1AE);
            const std::uint32_t lowerInner = Shift(0xFDE1AC, 0.01);
            SideGradients(0xFFEECD, 0xFFF7E4, 0xFAD68F, lowerInner, 0xFFF7E4, 0xFFEECD, lowerInner, 0xFAD68F);
            Content();
            Border(0xA77532);
            c.DrawRectangle(1, 1, W - 2, H - 2, kWhite);
        } else {
            Vertical(1, 1, W - 1, H, 0xF6E4C2, 0xF6E4C2);
            Vertical(1, h2, W - 2, H - 2, 0xF0D29A, 0xF0D29A);
            Border(0x5C411D);
            c.DrawLine(1, 1, W - 1, 1, 0xB39C71);
            c.DrawLine(1, 2, W - 1, 2, 0xD6C6A9);
            c.DrawLine(1, 3, W - 1, 3, 0xECD9B9);
            c.DrawLine(1, 1, 1, h2 - 1, 0xCFB073);
            c.DrawLine(1, h2, 1, H - h2 - 1, 0xC5912B);
            const std::uint32_t upperOuter = Shift(0xE6C891, 0.02), upperInner = Shift(0xF6E4C2, -0.01);
            const std::uint32_t lowerOuter = Shift(0xDCAB4E, 0.02), lowerInner = Shift(0xF0D29A, -0.01);
            SideGradients(upperOuter, upperInner, lowerOuter, lowerInner, upperInner, upperOuter, lowerInner,
                          lowerOuter);
            Content();
        }
        if (l.parentActive) {
            if (S() == kStateNormal && Focused()) {
                Border(0xA77532);
                c.DrawRectangle(1, 1, W - 2, H - 2, 0xFBD848);
            }
            if (l.showFocusRect && l.hasFocus) c.DrawFocusRect({2, 2, W - 2, H - 2});
        }
        Corners(0xBE965F);
    }

    void FlatHighlight() {
        static constexpr std::uint32_t kHighlight[3] = {0xEED2C1, 0xBAD6D4, 0xE3DFE0};
        static constexpr std::uint32_t kBorder[3] = {0xC56A31, 0x70A093, 0xBFB4B2};
        const bool preset = l.scheme >= 0 && l.scheme <= 2;
        const std::uint32_t f = preset ? kHighlight[l.scheme] : back;
        const std::uint32_t b = preset ? kBorder[l.scheme] : Shift(back, -0.12);
        if (l.on) {
            Fill(Shift(f, -0.05));
            Border(b);
            if (l.mouseOver) {
                Fill(Shift(f, -0.01));
                Border(b);
            }
            return Content();
        }
        Fill(S() == kStateNormal ? back : S() == kStateHot ? Shift(f, 0.03) : Shift(f, -0.08));
        Content();
        if (S() != kStateNormal) Border(b);
    }

    void ToolbarGradient() {
        constexpr std::uint32_t kBorder = 0x800000;
        if (l.on) {
            if (l.mouseOver) {
                Vertical(0, 0, W, H, 0x4E91FE, 0x8ED3FF);
            } else {
                Vertical(0, 0, W, H, 0x8CD5FF, 0x55ADFF);
            }
            Content();
            return Border(kBorder);
        }
        if (S() == kStateNormal) {
            c.BuildRegion();
            Vertical(0, 0, W, h2, MidColor(kWhite, Shift(back, 0.08)), back);
            Vertical(0, h2, W, h2 + 1, back, Shift(back, -0.15));
        } else if (S() == kStateHot) {
            Vertical(0, 0, W, H, 0xCCF4FF, 0x91D0FF);
        } else {
            Vertical(0, 0, W, H, 0x4E91FE, 0x8ED3FF);
        }
        Content();
        if (S() != kStateNormal) Border(kBorder);
    }

    // Style 6 sets the caption colour itself: white while down, the button-text colour otherwise.
    void SoftGradient() {
        // A checked button counts as down while a mouse button is held on it.
        const int state = l.on && l.mouseHeld ? kStateDown : S();
        c.SetForeColor(state == kStateDown ? kWhite : l.buttonText);
        if (l.on) {
            if (state != kStateDown) {
                Fill(0xFEFEFE);
                c.SetForeColor(l.buttonText);
                c.DrawContent(state);
                Border(0xAF987A);
                Corners(Shift(0xC1B3A0, -0.2));
                if (state == kStateHot) {
                    c.DrawLine(W - 2, 2, W - 2, H - 2, 0xEDF0F2);
                    c.DrawLine(2, H - 2, W - 2, H - 2, 0xD8DEE4);
                    c.DrawLine(1, H - 3, W - 1, H - 3, 0xE8ECEF);
                    c.DrawLine(1, H - 4, W - 1, H - 4, 0xF8F9FA);
                }
                return;
            }
        }
        if (state == kStateNormal) {
            c.BuildRegion();
            Fill(back);
            c.DrawContent(state);
        } else if (state == kStateHot) {
            Vertical(0, 0, W, h2, 0xFDFEFE, 0xEEF4F4);
            Vertical(0, h2, W, h2, 0xEEF4F4, 0xEAF1F1);
            c.DrawContent(state);
            c.DrawLine(W - 2, 2, W - 2, H - 2, 0xE0E7EA);
            c.DrawLine(W - 3, 2, W - 3, H - 2, 0xEAF0F0);
            c.DrawLine(0, H - 4, W, H - 4, 0xE5EDEE);
            c.DrawLine(0, H - 3, W, H - 3, 0xD6E1E4);
            c.DrawLine(0, H - 2, W, H - 2, 0xC6D2D7);
            Border(0xC3CECE);
            Corners(Shift(0xC9D4D4, 0.05));
        } else {
            Fill(0xDDE4E5);
            c.DrawContent(state);
            c.DrawLine(1, 1, W - 2, 1, Shift(0xD1DADC, -0.02));
            c.DrawLine(1, 2, W - 2, 2, Shift(0xDAE1E3, -0.02));
            c.DrawLine(1, H - 3, W - 2, H - 3, Shift(0xDEE5E6, 0.02));
            c.DrawLine(1, H - 2, W - 2, H - 2, Shift(0xE5EAEB, 0.02));
            Border(0x929D9D);
            Corners(Shift(0xABB4B5, 0.2));
        }
    }

    void PaleRounded() {
        if (!l.enabled) {
            Fill(back);
            Content();
            return Corners(back);
        }
        if (S() == kStateNormal) {
            c.BuildRegion();
            Fill(back);
            return Content();
        }
        if (S() == kStateHot) {
            Vertical(1, 1, W - 2, H - 2, 0xFDF9F1, 0xF8ECD0);
            Vertical(1, static_cast<int>(RoundHalfEven(H / 1.7)), W - 2, H - 2, 0xF8ECD0, 0xF8ECD0);
        } else {
            Vertical(1, 1, W - 2, H - 2, 0xF1DEB0, 0xF9F1DB);
        }
        Content();
        Border(0xCA9E61);
        c.DrawRectangle(1, 1, W - 2, H - 2, kWhite);
        Corners(Shift(0xCA9E61, 0.3));
    }

    void WarmGlow() {
        const int k = static_cast<int>(RoundHalfEven(H / 2.7));
        const int rest = static_cast<int>(RoundHalfEven(H - H / 2.7));
        const std::uint32_t border = Shift(back, -0.34);
        auto rows = [&](std::uint32_t upperFrom, std::uint32_t upperTo, std::uint32_t lowerFrom,
                        std::uint32_t lowerTo) {
            Vertical(0, 0, W, k, upperFrom, upperTo);
            Vertical(0, k, W, rest, lowerFrom, lowerTo);
            Border(border);
        };
        if (l.on) {
            rows(0xA9D9FF, 0x6FC0FF, 0x3FABFF, 0x75E1FF);
            if (l.mouseOver) rows(0x58C1FF, 0x51AFFF, 0x468FFF, 0x5FD3FF);
        } else if (S() == kStateDown) {
            rows(0x58C1FF, 0x51AFFF, 0x468FFF, 0x5FD3FF);
        } else if (S() == kStateHot) {
            rows(0xE1FFFF, 0xACEAFF, 0x67D7FF, 0x99E4FF);
        } else {
            Fill(back);
            rows(MidColor(Shift(back, 0.09), kWhite), MidColor(Shift(back, 0.07), back), back, Shift(back, 0.03));
        }
        Content();
    }

    // Style 9; a disabled button looks like a normal one.
    void Glossy() {
        const int state = l.enabled ? S() : kStateNormal;
        std::uint32_t upper = back, lowerFrom = back, lowerTo = back;
        std::uint32_t border = Shift(back, -0.2), bottom = Shift(back, -0.25), corner = Shift(back, 0.05);
        if (state == kStateNormal) c.BuildRegion();
        if (state == kStateDown) {
            upper = Shift(back, -0.1);
            lowerFrom = Shift(back, -0.1);
            lowerTo = Shift(back, -0.05);
            border = Shift(back, -0.23);
            bottom = Shift(back, -0.4);
            corner = Shift(back, -0.1);
        }
        Vertical(0, 0, W, h2, kWhite, upper);
        Vertical(0, h2, W, H, lowerFrom, lowerTo);
        c.DrawContent(state);
        c.DrawRectangle(1, 1, W - 2, H, kWhite);
        Border(border);
        c.DrawLine(2, H - 1, W - 2, H - 1, bottom);
        Corners(corner);
        if (l.parentActive && l.showFocusRect && Focused()) c.DrawFocusRect({3, 3, W - 3, H - 3});
    }

    void CurvedPanel() {
        struct Row {
            double fill, t, a, b, r, corner;
        };
        // fill 0 stands for Back itself.
        static constexpr Row kDisabled{0, 0.05, -0.02, 0.08, -0.2, -0.23};
        static constexpr Row kRows[3] = {
            {-0.03, 0.1, -0.05, 0.1, -0.33, -0.36},
            {-0.03, 0.15, -0.05, 0.2, -0.28, -0.36},
            {-0.03, 0.1, -0.08, 0.05, -0.36, -0.36},
        };
        const Row& row = l.enabled ? kRows[S() >= 0 && S() <= 2 ? S() : 0] : kDisabled;
        if (l.enabled && S() == kStateNormal) c.BuildRegion();
        Fill(row.fill == 0 ? back : Shift(back, row.fill));
        Vertical(0, 0, W, 5, Shift(MidColor(back, kWhite), row.t), back);
        Vertical(0, 6, W, H - 1, Shift(back, row.a), MidColor(kWhite, Shift(back, row.b)));
        Content();
        Border(Shift(back, row.r));
        Corners(Shift(back, row.corner));
    }

    void Themed() {
        // The host's background (cleared by Redraw) is the face colour, which shows through the
        // visual style's transparent corners.
        int state = kThemedDisabled;
        if (l.enabled) {
            state = S() == kStateHot ? kThemedHot : S() == kStateDown ? kThemedPressed : kThemedNormal;
            if (S() == kStateNormal && Focused() && l.parentActive) state = kThemedDefault;
        }
        c.DrawThemedBackground(state);
        Content();
    }

    ButtonCanvas& c;
    const ButtonLook& l;
    const int W;
    const int H;
    const std::uint32_t back;
    const int h2;
};

}  // namespace

int HalfOf(int height) {
    return static_cast<int>(RoundHalfEven(height / 2.0));
}

void PaintButtonStyle(ButtonCanvas& canvas, const ButtonLook& look) {
    Painter(canvas, look).Run();
}

}  // namespace ferrik
