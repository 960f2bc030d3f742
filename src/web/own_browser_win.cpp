#include "web/own_browser_win.h"

#include <windowsx.h>

#include <algorithm>
#include <utility>

#include "platform/handles_win.h"
#include "web/page_painter_win.h"

namespace ferrik {

namespace {

// A long page is laid out in steps of this much work (runs or boxes, a few milliseconds each),
// one per tick of a timer: WM_TIMER comes only when no input, paint or posted message waits, so
// the window answers between the steps (a chain of posted messages would go before all input). A
// call that needs lines not yet laid out waits for at most kLayoutStepsAtOnce steps.
constexpr UINT_PTR kLayoutTimer = 2;
static_assert(kLayoutTimer != PageLoader::kDeadlineTimer);
constexpr std::size_t kLayoutStep = 20000;
constexpr int kLayoutStepsAtOnce = 4;

// The scroll bar's and the keys' moves.
struct ScrollCode {
    WPARAM code;
    ScrollMove move;
};
constexpr ScrollCode kScrollBarMoves[] = {
    {SB_LINEUP, ScrollMove::LineUp},     {SB_LINEDOWN, ScrollMove::LineDown}, {SB_PAGEUP, ScrollMove::PageUp},
    {SB_PAGEDOWN, ScrollMove::PageDown}, {SB_TOP, ScrollMove::Top},           {SB_BOTTOM, ScrollMove::Bottom},
    {SB_THUMBTRACK, ScrollMove::To},     {SB_THUMBPOSITION, ScrollMove::To},
};
constexpr ScrollCode kScrollKeys[] = {
    {VK_UP, ScrollMove::LineUp},     {VK_DOWN, ScrollMove::LineDown},  {VK_PRIOR, ScrollMove::PageUp},
    {VK_NEXT, ScrollMove::PageDown}, {VK_SPACE, ScrollMove::PageDown}, {VK_HOME, ScrollMove::Top},
    {VK_END, ScrollMove::Bottom},
};

template <std::size_t N>
std::optional<ScrollMove> MoveOf(const ScrollCode (&table)[N], WPARAM code) {
    for (const ScrollCode& row : table)
        if (row.code == code) return row.move;
    return std::nullopt;
}

// Fields whose box is as wide as their text: a new value moves what follows.
bool SizedByValue(const PageElement& element) {
    const TextView type = element.type ? TextView(*element.type) : TextView();
    return type == u"submit" || type == u"reset" || type == u"button";
}

bool IsEditable(const PageElement& element) {
    const TextView type = element.type ? TextView(*element.type) : TextView();
    return element.tagName == u"INPUT" ? type == u"text" || type == u"password" : element.tagName == u"TEXTAREA";
}

}  // namespace

// A layout under way, with the fonts and the device context it measures with (a memory DC: a
// window's DC is not held from one message to the next).
struct OwnBrowser::LayoutJob {
    LayoutJob(const Page& page, int width, std::shared_ptr<const PageFonts> pageFonts, PageLayout& out)
        : dc(CreateCompatibleDC(nullptr)),
          fonts(std::move(pageFonts)),
          measurer(dc.get(), *fonts),
          layouter(page, width, measurer, out) {}
    UniqueDc dc;
    std::shared_ptr<const PageFonts> fonts;
    GdiMeasurer measurer;
    PageLayouter layouter;
};

OwnBrowser::OwnBrowser(HWND parent, BrowserEvents& events, const HttpOptions& options)
    : m_events(events), m_loader(options), m_navigation(events, *this) {
    RegisterRoutedClass(kOwnBrowserClass);
    CreateRouted(kOwnBrowserClass, L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | WS_CLIPSIBLINGS,
                 WS_EX_CLIENTEDGE, 0, 0, 0, 0, parent);
    m_loader.SetWindow(Hwnd());
}

OwnBrowser::~OwnBrowser() {
    m_layoutJob.reset();  // before the page it reads
    m_loader.Cancel();
}

std::unique_ptr<Browser> CreateOwnBrowser(HWND parent, BrowserEvents& events, const HttpOptions& options) {
    auto browser = std::make_unique<OwnBrowser>(parent, events, options);
    if (!browser->Hwnd()) return nullptr;
    return browser;
}

// ---- Loads ----

void OwnBrowser::BeginLoad(std::uint64_t id, const Text& url, const Text& charset, std::optional<LoadResult> known) {
    m_loader.Begin(id, url, charset, std::move(known));
}

void OwnBrowser::OnLoadDone(std::uint64_t id) {
    if (std::optional<LoadResult> result = m_loader.Take(id)) m_navigation.Finished(id, std::move(*result));
}

// The request outlasted its deadline: the page could not be had, as when the host is unreachable.
void OwnBrowser::OnLoadDeadline() {
    if (const std::optional<std::uint64_t> id = m_loader.Expire())
        m_navigation.Finished(*id, {nullptr, kInetResourceNotFound});
}

void OwnBrowser::Show(Page& page) {
    m_layoutJob.reset();  // it reads the page that goes
    page.SetChangeHandler([this](std::size_t element) { OnPageChanged(element); });
    m_hover.reset();
    m_pressed.reset();
    m_focusField = kNoIndex;
    m_layoutDirty = true;
    m_scrollTop = 0;
    Layout();
    UpdateScrollBar();
    InvalidateRect(Hwnd(), nullptr, FALSE);
}

// A value written to a field changes only that field's boxes (typing stays quick on a long page);
// anything else is laid out again.
void OwnBrowser::OnPageChanged(std::size_t element) {
    const Page* page = m_navigation.CurrentPage();
    // A layout under way may hold the field in the line it builds: it starts again.
    if (element == kNoIndex || SizedByValue(page->Elements()[element]) || m_layoutDirty || m_layoutJob) {
        if (element == kNoIndex) m_focusField = kNoIndex;
        m_layoutJob.reset();
        m_layoutDirty = true;
    } else {
        for (LayoutBox& box : m_layout.boxes)
            if (box.element == element) box.text = page->FieldText(element);
    }
    InvalidateRect(Hwnd(), nullptr, FALSE);
}

// Typing into the focused text field: characters at its end, Backspace, Enter sends its form,
// Escape leaves it.
void OwnBrowser::OnChar(wchar_t c) {
    Page* page = m_navigation.CurrentPage();
    if (!page || m_focusField == kNoIndex) return;
    const std::size_t field = m_focusField;
    Text value = page->Elements()[field].value.value_or(Text());
    if (c == L'\r') {
        m_navigation.Submit(field);
        return;
    }
    if (c == 0x1B) {
        m_focusField = kNoIndex;
        InvalidateRect(Hwnd(), nullptr, FALSE);
        return;
    }
    if (c == L'\b') {
        if (value.empty()) return;
        value.pop_back();
        if (!value.empty() && value.back() >= 0xD800 && value.back() <= 0xDBFF) value.pop_back();
    } else if (c >= 0x20 && c != 0x7F) {
        value += static_cast<char16_t>(c);
    } else {
        return;
    }
    page->SetValue(field, value);
}

// ---- View ----

void OwnBrowser::SetBounds(int x, int y, int width, int height) {
    MoveWindow(Hwnd(), x, y, width, height, TRUE);
}

const PageLayout& OwnBrowser::Layout() {
    return LayoutTo(m_scrollTop + ClientHeight());
}

// Laid out again when the page, the width or the scale changed; then on until the lines reach
// `bottom` (within kLayoutStepsAtOnce steps), the rest step by step from a timer.
const PageLayout& OwnBrowser::LayoutTo(int bottom) {
    RECT rc{};
    GetClientRect(Hwnd(), &rc);
    const int width = rc.right - rc.left;
    const int dpi = WindowDpi(Hwnd());
    if (m_layoutDirty || width != m_layoutWidth || dpi != m_layoutDpi) {
        m_layoutDirty = false;
        m_layoutWidth = width;
        m_layoutDpi = dpi;
        m_layoutJob.reset();
        m_layout = {};
        const Page* page = m_navigation.CurrentPage();
        if (page && width > 0) m_layoutJob = std::make_unique<LayoutJob>(*page, width, m_fonts.For(dpi), m_layout);
        if (m_layoutJob) ContinueLayout();
    }
    for (int step = 1; m_layoutJob && m_layout.height < bottom && step < kLayoutStepsAtOnce; ++step) ContinueLayout();
    return m_layout;
}

void OwnBrowser::ContinueLayout() {
    if (!m_layoutJob->layouter.Continue(kLayoutStep)) {
        SetTimer(Hwnd(), kLayoutTimer, USER_TIMER_MINIMUM, nullptr);
    } else {
        m_layoutJob.reset();
        KillTimer(Hwnd(), kLayoutTimer);
    }
}

void OwnBrowser::OnLayoutTimer() {
    if (!m_layoutJob) {
        KillTimer(Hwnd(), kLayoutTimer);
        return;
    }
    const int before = m_layout.height;
    ContinueLayout();
    UpdateScrollBar();
    // New lines show where the view reached past the lines there were.
    if (before < m_scrollTop + ClientHeight()) InvalidateRect(Hwnd(), nullptr, FALSE);
}

int OwnBrowser::ClientHeight() const {
    RECT rc{};
    GetClientRect(Hwnd(), &rc);
    return rc.bottom - rc.top;
}

ScrollView OwnBrowser::View() {
    return {m_scrollTop, ClientHeight(), m_fonts.LineHeight(WindowDpi(Hwnd())), m_layout.height};
}

void OwnBrowser::UpdateScrollBar() {
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    si.nMin = 0;
    si.nMax = std::max(m_layout.height - 1, 0);
    si.nPage = static_cast<UINT>(std::max(ClientHeight(), 0));
    si.nPos = m_scrollTop;
    SetScrollInfo(Hwnd(), SB_VERT, &si, TRUE);
}

void OwnBrowser::Scroll(ScrollMove move, int amount) {
    if (move == ScrollMove::To) {
        SCROLLINFO si{};
        si.cbSize = sizeof si;
        si.fMask = SIF_TRACKPOS;
        GetScrollInfo(Hwnd(), SB_VERT, &si);
        amount = si.nTrackPos;
    }
    ScrollTo(ScrollWanted(move, View(), amount));
}

void OwnBrowser::ScrollTo(int top) {
    LayoutTo(top + ClientHeight());
    top = ScrollHeld(top, View());
    if (top == m_scrollTop) return;
    m_scrollTop = top;
    UpdateScrollBar();
    InvalidateRect(Hwnd(), nullptr, FALSE);
}

void OwnBrowser::OnSize() {
    Layout();
    ScrollTo(m_scrollTop);
    UpdateScrollBar();
    InvalidateRect(Hwnd(), nullptr, FALSE);
}

void OwnBrowser::OnPaint() {
    PaintDc paint(Hwnd());
    Draw(paint.get(), paint.area());
}

void OwnBrowser::Draw(HDC target, const RECT& area) {
    RECT rc{};
    GetClientRect(Hwnd(), &rc);
    if (rc.right <= 0 || rc.bottom <= 0) return;
    const PageLayout& layout = Layout();
    const std::shared_ptr<const PageFonts> fonts = m_fonts.For(WindowDpi(Hwnd()));
    DrawPage(target, rc, area,
             {m_navigation.CurrentPage(), &layout, fonts.get(), m_scrollTop, m_focusField, GetFocus() == Hwnd()});
}

void OwnBrowser::SetHover(std::optional<std::size_t> link) {
    if (link == m_hover) return;
    m_hover = link;
    SetCursor(LoadCursorW(nullptr, m_hover ? IDC_HAND : IDC_ARROW));
    const Page* page = m_navigation.CurrentPage();
    const Text text = m_hover && page ? page->Links()[*m_hover].href : Text();
    m_events.StatusTextChange(text);
}

void OwnBrowser::OnMouseMove(int x, int y) {
    if (!m_trackingLeave) {
        TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, Hwnd(), 0};
        m_trackingLeave = TrackMouseEvent(&tme) != FALSE;
    }
    SetHover(LinkAt(Layout(), x, y + m_scrollTop));
}

void OwnBrowser::OnMouseLeave() {
    m_trackingLeave = false;
    SetHover(std::nullopt);
}

// What a click at a point acts on: a link, else a field (its element); none when neither.
std::optional<OwnBrowser::ClickTarget> OwnBrowser::TargetAt(int x, int y) {
    const LayoutBox* box = BoxAt(Layout(), x, y + m_scrollTop);
    if (!box || (box->link == kNoIndex && box->element == kNoIndex)) return std::nullopt;
    return ClickTarget{box->link, box->link == kNoIndex ? box->element : kNoIndex};
}

void OwnBrowser::OnClick(int x, int y) {
    const Page* page = m_navigation.CurrentPage();
    const std::optional<ClickTarget> target = TargetAt(x, y);
    const std::size_t focus =
        target && target->element != kNoIndex && page && IsEditable(page->Elements()[target->element]) ? target->element
                                                                                                       : kNoIndex;
    if (focus != m_focusField) {
        m_focusField = focus;
        InvalidateRect(Hwnd(), nullptr, FALSE);
    }
    const bool same = target && m_pressed && target->link == m_pressed->link && target->element == m_pressed->element;
    m_pressed.reset();
    if (!same) return;
    if (target->link != kNoIndex) {
        m_navigation.FollowLink(target->link);
    } else if (page && page->Elements()[target->element].type == u"submit") {
        m_navigation.Submit(target->element);  // a submit button sends its form
    }
}

// Keys that scroll, go back and reload; false for the others (those that type into a focused
// field among them), left to the default.
bool OwnBrowser::OnKeyDown(WPARAM key) {
    if (m_focusField != kNoIndex && key != VK_PRIOR && key != VK_NEXT) return false;
    if (const std::optional<ScrollMove> move = MoveOf(kScrollKeys, key)) {
        Scroll(*move);
    } else if (key == VK_BACK) {
        GoBack();
    } else if (key == VK_F5) {
        Refresh();
    } else {
        return false;
    }
    return true;
}

LRESULT OwnBrowser::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case PageLoader::kMsgStarted:
            m_navigation.Started(static_cast<std::uint64_t>(wParam));
            return 0;
        case PageLoader::kMsgDone:
            OnLoadDone(static_cast<std::uint64_t>(wParam));
            return 0;
        case WM_TIMER:
            if (wParam == PageLoader::kDeadlineTimer) OnLoadDeadline();
            if (wParam == kLayoutTimer) OnLayoutTimer();
            return 0;
        case WM_PAINT:
            OnPaint();
            return 0;
        case WM_PRINTCLIENT: {
            RECT rc{};
            GetClientRect(Hwnd(), &rc);
            Draw(reinterpret_cast<HDC>(wParam), rc);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_SIZE:
            OnSize();
            return 0;
        case WM_MOUSEMOVE:
            OnMouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            return 0;
        case WM_MOUSELEAVE:
            OnMouseLeave();
            return 0;
        case WM_SETCURSOR:
            if (LOWORD(lParam) == HTCLIENT) {
                SetCursor(LoadCursorW(nullptr, m_hover ? IDC_HAND : IDC_ARROW));
                return TRUE;
            }
            break;
        case WM_LBUTTONDOWN:
            SetFocus(Hwnd());
            m_pressed = TargetAt(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            return 0;
        case WM_LBUTTONUP:
            OnClick(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            return 0;
        case WM_MOUSEWHEEL:
            Scroll(ScrollMove::Wheel, GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA);
            return 0;
        case WM_VSCROLL:
            if (const std::optional<ScrollMove> move = MoveOf(kScrollBarMoves, LOWORD(wParam))) Scroll(*move);
            return 0;
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS | DLGC_WANTCHARS | (m_focusField != kNoIndex ? DLGC_WANTALLKEYS : 0);
        case WM_CHAR:
            OnChar(static_cast<wchar_t>(wParam));
            return 0;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            if (m_focusField != kNoIndex) InvalidateRect(Hwnd(), nullptr, FALSE);
            break;
        case WM_KEYDOWN:
            if (OnKeyDown(wParam)) return 0;
            break;
        default:
            break;
    }
    return DefaultProc(msg, wParam, lParam);
}

}  // namespace ferrik
