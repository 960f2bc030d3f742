#include "controls/button_content.h"

#include "controls/button_color.h"

namespace ferrik {
namespace {

bool DropDownPart(const ContentLayoutInput& in) {
    return in.dropDownSymbol || in.dropDownSeparator;
}

bool IsBlank(const Text& text) {
    return text.find_first_not_of(u' ') == Text::npos;
}

}  // namespace

ContentLayoutInput LayoutInputOf(const TesselButton& button, int state, int width, int height) {
    ContentLayoutInput in;
    in.width = width;
    in.height = height;
    in.style = button.ButtonStyle();
    in.state = state;
    in.captionAlign = button.CaptionAlign();
    in.pictureAlign = button.PictureAlign();
    in.hasPicture = button.PictureNormal().has_value();
    in.captionBlank = IsBlank(button.Caption());
    in.dropDownSymbol = button.DropDownSymbol() != 0;
    in.dropDownSeparator = button.DropDownSeparator();
    return in;
}

int CaptionMeasureWidth(const ContentLayoutInput& in) {
    int k = 8;
    if (DropDownPart(in)) k = in.pictureAlign == 2 || in.pictureAlign == 3 ? 24 : 16;
    return in.width - k;
}

ContentLayout LayOutContent(const ContentLayoutInput& in) {
    const int W = in.width, H = in.height, Pw = in.pictureWidth, Ph = in.pictureHeight;
    const int Tw = in.textWidth, Th = in.textHeight;
    const bool dropPart = DropDownPart(in);
    const bool centred = in.captionAlign == 1;
    const std::int32_t align = in.pictureAlign;
    ContentLayout out;

    ContentBox& c = out.caption;
    c = {0, 0, Tw, Th};
    switch (in.captionAlign) {
        case 0:
            c.Offset(2, (H - Th) / 2);
            break;
        case 1:
            c.Offset((W - Tw + Pw) / 2, (H - Th) / 2);
            if (dropPart) c.Offset(-8, 0);
            if (align >= 5 && align <= 8) c.Offset(-(Pw / 2), 0);
            break;
        case 2:
            c.Offset(W - Tw - 4, (H - Th) / 2);
            break;
        default:
            break;
    }

    if (in.hasPicture) {
        switch (align) {
            case 0:
            case 1:
                if (!centred && c.left < Pw + 4) {
                    c.left = Pw + 4;
                    c.right += Pw + 4;
                }
                break;
            case 2:
            case 3:
                if (c.right > W - Pw - 4) {
                    c.right = W - Pw - 4;
                    c.left -= Pw + 4;
                }
                if (centred) c.Offset(-12, 0);
                break;
            case 4:
                if (centred) c.Offset(-16, 0);
                break;
            case 5:
            case 6:
                c.Offset(0, Ph / 2);
                break;
            case 7:
            case 8:
                c.Offset(0, -(Ph / 2));
                break;
            default:
                break;
        }
    }
    // Applies with or without a picture: a right-aligned caption would otherwise run under the arrow.
    if (in.captionAlign == 2 && dropPart) c.Offset(-16, 0);

    if (in.hasPicture) {
        ContentBox& p = out.picture;
        const int middleTop = (H - Ph) / 2, centreLeft = (W - Pw) / 2;
        int left = centreLeft, top = middleTop;
        if (in.captionBlank || align == 4) {
            if (dropPart) left -= 8;
        } else {
            switch (align) {
                case 0:
                    left = 3;
                    break;
                case 1:
                    left = c.left - Pw - 4;
                    break;
                case 2:
                case 3:
                    left = align == 2 ? W - Pw - 3 : c.right + 4;
                    if (dropPart) left -= 16;
                    if (left < c.right + 2) left = c.right + 2;
                    break;
                case 5:
                case 6:
                case 7:
                case 8:
                    top = align == 5 ? 4 : align == 6 ? c.top - Ph - 2 : align == 7 ? H - Ph - 4 : c.bottom + 2;
                    if (dropPart) left -= 8;
                    break;
                default:
                    break;
            }
        }
        p = {left, top, left + Pw, top + Ph};
    }

    if (in.dropDownSymbol) {
        const double half = static_cast<double>(H) / 2.0;
        out.dropDown = {W - 15, static_cast<int>(RoundHalfEven(half - 7)), W,
                        static_cast<int>(RoundHalfEven(half + 8))};
    }
    out.separator = in.dropDownSeparator && W - 8 > c.right;

    if (in.state == kStateDown) {
        switch (in.style) {
            case kRaised3D:
            case kThinEdge:
            case kToolbarGradient:
            case kSoftGradient:
            case kPaleRounded:
            case kCurvedPanel:
            case kHoverRaised:
            case kHoverThin:
                c.Offset(1, 1);
                if (in.hasPicture) out.picture.Offset(1, 1);
                if (in.dropDownSymbol) out.dropDown.Offset(1, 1);
                break;
            default:
                break;
        }
        // The symbol of these styles sinks one pixel further than the caption.
        switch (in.style) {
            case kRaised3D:
            case kThinEdge:
            case kSoftGradient:
            case kPaleRounded:
            case kHoverRaised:
            case kHoverThin:
                if (in.dropDownSymbol) out.dropDown.Offset(1, 1);
                break;
            default:
                break;
        }
    }
    return out;
}

const Picture* CurrentPicture(const TesselButton& button, int state) {
    const auto first = [](const std::optional<Picture>& a, const std::optional<Picture>& b,
                          const std::optional<Picture>& c) -> const Picture* {
        if (a) return &*a;
        if (b) return &*b;
        if (c) return &*c;
        return nullptr;
    };
    static const std::optional<Picture> none;
    if (state == kStateDown || (button.Mode() != kNormal && button.Value())) {
        return first(button.PictureDown(), button.PictureHot(), button.PictureNormal());
    }
    if (state == kStateHot) return first(button.PictureHot(), button.PictureNormal(), none);
    return first(button.PictureNormal(), none, none);
}

PictureInk PictureInkOf(const TesselButton& button, int state) {
    PictureInk ink;
    if (!button.Enabled()) {
        switch (button.DisabledPictureMode()) {
            case 0:
                ink.opacity = 52;
                break;
            case 1:
                ink.opacity = static_cast<int>(RoundHalfEven(button.PictureOpacity() * 0.75));
                ink.greyed = true;
                break;
            default:
                ink.opacity = 0;
                break;
        }
    } else {
        ink.opacity = state == kStateHot ? button.PictureOpacityOnOver() : button.PictureOpacity();
    }
    ink.effect = state == kStateHot    ? button.PictureEffectOnOver()
                 : state == kStateDown ? button.PictureEffectOnDown()
                                       : 0;
    return ink;
}

}  // namespace ferrik
