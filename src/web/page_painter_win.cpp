#include "web/page_painter_win.h"

#include "platform/handles_win.h"
#include "platform/text_win.h"

namespace ferrik {

namespace {

constexpr COLORREF kTextColor = RGB(0, 0, 0);
constexpr COLORREF kLinkColor = RGB(0, 0, 204);
constexpr COLORREF kAltColor = RGB(96, 96, 96);
constexpr COLORREF kFrameColor = RGB(128, 128, 128);
constexpr COLORREF kButtonFace = RGB(236, 236, 236);

struct Brushes {
    UniqueGdi<HBRUSH> white{CreateSolidBrush(RGB(255, 255, 255))};
    UniqueGdi<HPEN> framePen{CreatePen(PS_SOLID, 1, kFrameColor)};
    UniqueGdi<HBRUSH> buttonFace{CreateSolidBrush(kButtonFace)};
};

void DrawWords(HDC dc, const LayoutBox& box, const RECT& r, const PageFonts& fonts) {
    const bool isLink = box.link != kNoIndex;
    SelectGuard font(dc, fonts.Get(box.font, isLink));
    SetTextColor(dc, isLink ? kLinkColor : box.kind == LayoutBox::Kind::AltText ? kAltColor : kTextColor);
    ExtTextOutW(dc, r.left, r.top + 1, 0, nullptr, Wide(box.text), static_cast<UINT>(box.text.size()), nullptr);
}

void DrawField(HDC dc, const LayoutBox& box, const RECT& r, const PageScene& scene, const Brushes& brushes) {
    const PageElement& element = scene.page->Elements()[box.element];
    const Text type = element.type.value_or(Text());
    const bool button = type == u"submit" || type == u"reset" || type == u"button";
    SelectGuard pen(dc, brushes.framePen.get());
    SelectGuard brush(dc, button ? brushes.buttonFace.get() : brushes.white.get());
    if (type == u"radio") {
        Ellipse(dc, r.left + 2, r.top + 2, r.right - 2, r.bottom - 2);
    } else {
        Rectangle(dc, r.left, r.top, r.right, r.bottom);
    }
    if ((type == u"checkbox" || type == u"radio") && element.checked) {
        RECT mark{r.left + 5, r.top + 5, r.right - 5, r.bottom - 5};
        UniqueGdi<HBRUSH> black(CreateSolidBrush(kTextColor));
        FillRect(dc, &mark, black.get());
    }
    SelectGuard font(dc, scene.fonts->Get(FontRole::Normal, false));
    SetTextColor(dc, kTextColor);
    RECT inner{r.left + kFieldPadding, r.top + kFieldPadding, r.right - kFieldPadding, r.bottom - kFieldPadding};
    const Text shown = scene.page->FieldText(box.element);
    const bool focused = box.element == scene.focusField;
    UINT format = DT_SINGLELINE | DT_NOPREFIX | (button ? DT_CENTER | DT_VCENTER : DT_TOP);
    SIZE extent{};
    GetTextExtentPoint32W(dc, Wide(shown), static_cast<int>(shown.size()), &extent);
    // While typing, the end of a value too long for its box shows, with the caret.
    const bool overflows = extent.cx > inner.right - inner.left;
    format |= focused && overflows ? DT_RIGHT : DT_END_ELLIPSIS;
    DrawTextW(dc, Wide(shown), static_cast<int>(shown.size()), &inner, format);
    if (!focused) return;
    UniqueGdi<HPEN> focusPen(CreatePen(PS_SOLID, 1, kLinkColor));
    SelectGuard blue(dc, focusPen.get());
    SelectGuard hollow(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, r.left, r.top, r.right, r.bottom);
    if (scene.caret) {
        const int caret = overflows ? inner.right - 1 : inner.left + extent.cx;
        MoveToEx(dc, caret, inner.top, nullptr);
        LineTo(dc, caret, inner.bottom);
    }
}

// An image is framed, so that its alt text reads as a picture's place.
void FrameImage(HDC dc, const RECT& r) {
    UniqueGdi<HPEN> dotted(CreatePen(PS_DOT, 1, kFrameColor));
    SelectGuard pen(dc, dotted.get());
    SelectGuard brush(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, r.left, r.top, r.right, r.bottom);
}

}  // namespace

void DrawPage(HDC target, const RECT& client, const RECT& area, const PageScene& scene) {
    UniqueDc memory(CreateCompatibleDC(target));
    UniqueGdi<HBITMAP> bitmap(CreateCompatibleBitmap(target, client.right, client.bottom));
    SelectGuard selectBitmap(memory.get(), bitmap.get());
    const HDC dc = memory.get();
    const Brushes brushes;
    FillRect(dc, &client, brushes.white.get());
    SetBkMode(dc, TRANSPARENT);
    for (const LayoutBox& box : scene.layout->boxes) {
        const int y = box.y - scene.top;
        if (y + box.height < area.top || y >= area.bottom) continue;
        const RECT r{box.x, y, box.x + box.width, y + box.height};
        switch (box.kind) {
            case LayoutBox::Kind::Words:
                DrawWords(dc, box, r, *scene.fonts);
                break;
            case LayoutBox::Kind::AltText:
                DrawWords(dc, box, r, *scene.fonts);
                FrameImage(dc, r);
                break;
            case LayoutBox::Kind::Field:
                DrawField(dc, box, r, scene, brushes);
                break;
        }
    }
    BitBlt(target, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
}

}  // namespace ferrik
