#include "web/own_browser_win.h"

#include <windowsx.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>
#include <utility>

#include "analysis/codepage_win.h"
#include "platform/handles_win.h"
#include "platform/text_win.h"
#include "web/browsing_history.h"
#include "web/page_fonts_win.h"

namespace ferrik {

namespace {

constexpr UINT kMsgLoadStarted = WM_APP + 1;  // wParam: the load's number
constexpr UINT kMsgLoadDone = WM_APP + 2;
// A long page is laid out in steps of this much work (runs or boxes, a few milliseconds each),
// one per tick of a timer: WM_TIMER comes only when no input, paint or posted message waits, so
// the window answers between the steps (a chain of posted messages would go before all input). A
// call that needs lines not yet laid out waits for at most kLayoutStepsAtOnce steps.
constexpr UINT_PTR kLayoutTimer = 2;
constexpr std::size_t kLayoutStep = 20000;
constexpr int kLayoutStepsAtOnce = 4;
// The load's request has one deadline (HttpOptions::totalTimeoutMs); the wait ends there even when
// the worker's call stays blocked (as it does under Wine for a server trickling its headers).
constexpr UINT_PTR kLoadDeadlineTimer = 1;
constexpr char16_t kBlank[] = u"about:blank";
constexpr COLORREF kTextColor = RGB(0, 0, 0);
constexpr COLORREF kLinkColor = RGB(0, 0, 204);
constexpr COLORREF kAltColor = RGB(96, 96, 96);
constexpr COLORREF kFrameColor = RGB(128, 128, 128);
constexpr COLORREF kButtonFace = RGB(236, 236, 236);
constexpr int kWheelLines = 3;

Text HtmlEscaped(TextView text) {
    Text out;
    for (char16_t c : text) {
        switch (c) {
            case u'&':
                out += u"&amp;";
                break;
            case u'<':
                out += u"&lt;";
                break;
            case u'>':
                out += u"&gt;";
                break;
            case u'"':
                out += u"&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

// The page shown when a navigation fails: short, and with the address so that it can be tried again.
Text ErrorPageHtml(TextView url, std::int32_t status) {
    Text reason = status == kInetResourceNotFound
                      ? Text(u"找不到服务器，或无法与它建立连接。请检查地址是否正确，以及网络是否连通。")
                      : u"服务器返回错误 " + ToText(status) + u"。";
    return u"<title>无法打开网页</title><h1>无法打开网页</h1><p>" + HtmlEscaped(url) + u"</p><p>" + reason + u"</p>";
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

// What the worker and the browser share; the worker writes it once and then posts kMsgLoadDone.
struct OwnBrowser::LoadState {
    std::mutex mutex;
    std::unique_ptr<Page> page;  // the page read, when the server answered with a page
    std::int32_t error = 0;      // else the NavigateError status: an HTTP status or kInetResourceNotFound
};

struct OwnBrowser::Load {
    std::uint64_t id = 0;
    Text url;
    BrowsingHistory::Step step;
    std::shared_ptr<LoadState> state = std::make_shared<LoadState>();
    std::shared_ptr<CancelToken> cancel;  // the worker's, when one fetches the page
};

namespace {

// Runs on the worker: no windows but the one it posts its answer to.
void LoadPage(OwnBrowser::LoadState& state, const Text& url, const Text& charset, const HttpOptions& options, HWND hwnd,
              std::uint64_t id, CancelToken& cancel);

}  // namespace

OwnBrowser::OwnBrowser(HWND parent, BrowserEvents& events, const HttpOptions& options)
    : m_events(events), m_options(options) {
    RegisterRoutedClass(kOwnBrowserClass);
    CreateRouted(kOwnBrowserClass, L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | WS_CLIPSIBLINGS,
                 WS_EX_CLIENTEDGE, 0, 0, 0, 0, parent);
}

OwnBrowser::~OwnBrowser() {
    m_alive.reset();
    m_layoutJob.reset();
    CancelLoad();
}

std::unique_ptr<Browser> CreateOwnBrowser(HWND parent, BrowserEvents& events, const HttpOptions& options) {
    auto browser = std::make_unique<OwnBrowser>(parent, events, options);
    if (!browser->Hwnd()) return nullptr;
    return browser;
}

// ---- Navigation ----

bool OwnBrowser::Navigate(TextView url) {
    const Text address = BrowserAddress(url);
    if (address.empty()) return false;
    // A link of the page sends its query in the page's charset, as browsers do (a GBK film site's
    // search link); anything else goes as typed into an address bar, in UTF-8.
    Text charset = u"UTF-8";
    if (m_page) {
        const std::vector<PageLink>& links = m_page->Links();
        if (std::any_of(links.begin(), links.end(), [&](const PageLink& link) { return link.href == address; }))
            charset = m_page->Charset();
    }
    return StartNavigation({address}, charset);
}

bool OwnBrowser::GoBack() {
    const std::optional<BrowsingHistory::Step> step = m_history.Back();
    return step && StartNavigation(*step);
}

bool OwnBrowser::GoForward() {
    const std::optional<BrowsingHistory::Step> step = m_history.Forward();
    return step && StartNavigation(*step);
}

bool OwnBrowser::GoHome() {
    return StartNavigation(m_history.Home());
}

bool OwnBrowser::Refresh() {
    const std::optional<BrowsingHistory::Step> step = m_history.Reload();
    return step && StartNavigation(*step);
}

bool OwnBrowser::Stop() {
    if (!m_load) return true;
    CancelLoad();
    // The navigation halted: the system's control reports that as a finished download.
    m_events.DownloadComplete();
    return true;
}

Text OwnBrowser::LocationName() const {
    if (m_page && !m_page->Title().empty()) return m_page->Title();
    return m_history.Location();
}

void OwnBrowser::CancelLoad() {
    if (m_load && m_load->cancel) m_load->cancel->Request();
    m_load.reset();
    if (Hwnd()) KillTimer(Hwnd(), kLoadDeadlineTimer);
}

// The request outlasted its deadline: the page could not be had, as when the host is unreachable.
void OwnBrowser::OnLoadDeadline() {
    KillTimer(Hwnd(), kLoadDeadlineTimer);
    if (!m_load || !m_load->cancel) return;
    m_load->cancel->Request();
    {
        std::lock_guard lock(m_load->state->mutex);
        m_load->state->page.reset();
        m_load->state->error = kInetResourceNotFound;
    }
    OnLoadDone(m_load->id);
}

// A reload goes without BeforeNavigate2, as in the system's control; everything else may be cancelled.
bool OwnBrowser::StartNavigation(BrowsingHistory::Step step, Text charset) {
    const Text url = step.url;
    if (step.move != BrowsingHistory::Move::Reload) {
        const std::weak_ptr<bool> alive = m_alive;
        bool cancel = false;
        m_events.BeforeNavigate2(url, cancel);
        if (alive.expired()) return true;
        if (cancel) return true;
    }
    CancelLoad();
    m_history.Started(step);

    auto load = std::make_unique<Load>();
    // Numbered across all browsers: a window handle used again never takes another's answer.
    static std::atomic<std::uint64_t> loadCount{0};
    load->id = ++loadCount;
    load->url = url;
    load->step = std::move(step);
    PostMessageW(Hwnd(), kMsgLoadStarted, static_cast<WPARAM>(load->id), 0);
    if (IsBlankAddress(url)) {
        load->url = kBlank;
        load->state->page = std::make_unique<Page>(u"", kBlank);
        PostMessageW(Hwnd(), kMsgLoadDone, static_cast<WPARAM>(load->id), 0);
    } else {
        load->cancel = m_workers.Start(
            [state = load->state, url, charset = std::move(charset), options = m_options, hwnd = Hwnd(),
             id = load->id](CancelToken& cancel) { LoadPage(*state, url, charset, options, hwnd, id, cancel); },
            // Out of memory reading the page: as if the host could not be reached.
            [state = load->state, hwnd = Hwnd(), id = load->id] {
                {
                    std::lock_guard lock(state->mutex);
                    state->page.reset();
                    state->error = kInetResourceNotFound;
                }
                PostMessageW(hwnd, kMsgLoadDone, static_cast<WPARAM>(id), 0);
            });
        if (!load->cancel) {
            load->state->error = kInetResourceNotFound;  // no thread to fetch with: as if unreachable
            PostMessageW(Hwnd(), kMsgLoadDone, static_cast<WPARAM>(load->id), 0);
        } else {
            SetTimer(Hwnd(), kLoadDeadlineTimer, m_options.totalTimeoutMs, nullptr);
        }
    }
    m_load = std::move(load);
    return true;
}

namespace {

void LoadPage(OwnBrowser::LoadState& state, const Text& url, const Text& charset, const HttpOptions& options, HWND hwnd,
              std::uint64_t id, CancelToken& cancel) {
    std::unique_ptr<Page> page;
    std::int32_t error = 0;
    const HttpResult result = HttpGet(url, charset, options, cancel);
    if (!result.response) {
        // Not found, refused, timed out, not an http address: the host cannot be reached.
        error = kInetResourceNotFound;
    } else if (const HttpResponse& response = *result.response; response.status >= 400) {
        error = response.status;
    } else if (!cancel.Requested()) {
        const Win32Decoder decoder;
        page = std::make_unique<Page>(Page::FromBytes(response.body, response.contentType,
                                                      response.finalUrl.empty() ? url : response.finalUrl, decoder));
    }
    {
        std::lock_guard lock(state.mutex);
        state.page = std::move(page);
        state.error = error;
    }
    if (!cancel.Requested()) PostMessageW(hwnd, kMsgLoadDone, static_cast<WPARAM>(id), 0);
}

}  // namespace

void OwnBrowser::OnLoadStarted(std::uint64_t id) {
    if (!m_load || m_load->id != id) return;
    m_events.ProgressChange(0, 100);
}

void OwnBrowser::OnLoadDone(std::uint64_t id) {
    if (!m_load || m_load->id != id) return;
    KillTimer(Hwnd(), kLoadDeadlineTimer);
    std::unique_ptr<Load> load = std::move(m_load);
    std::unique_ptr<Page> page;
    std::int32_t error = 0;
    {
        std::lock_guard lock(load->state->mutex);
        page = std::move(load->state->page);
        error = load->state->error;
    }
    const std::weak_ptr<bool> alive = m_alive;
    if (!page) {
        bool cancel = false;
        m_events.NavigateError(load->url, error, cancel);
        if (alive.expired()) return;
        if (cancel) {
            m_events.DownloadComplete();
            return;
        }
        page = std::make_unique<Page>(ErrorPageHtml(load->url, error), load->url);
    }
    Commit(std::move(page), *load);

    m_events.ProgressChange(100, 100);
    if (alive.expired()) return;
    m_events.StatusTextChange(u"");
    if (alive.expired()) return;
    m_events.DownloadComplete();
    if (alive.expired()) return;
    m_events.DocumentComplete(m_history.Location());
}

void OwnBrowser::Commit(std::unique_ptr<Page> page, const Load& load) {
    m_layoutJob.reset();  // it reads the page that goes
    m_page = std::move(page);
    m_page->SetChangeHandler([this](std::size_t element) { OnPageChanged(element); });
    m_history.Committed(load.step, m_page->Url());
    m_hover.reset();
    m_pressed.reset();
    m_focusField = kNoIndex;
    m_layoutDirty = true;
    m_scrollTop = 0;
    Layout();
    UpdateScrollBar();
    InvalidateRect(Hwnd(), nullptr, FALSE);
}

namespace {

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

// A value written to a field changes only that field's boxes (typing stays quick on a long page);
// anything else is laid out again.
void OwnBrowser::OnPageChanged(std::size_t element) {
    // A layout under way may hold the field in the line it builds: it starts again.
    if (element == kNoIndex || SizedByValue(m_page->Elements()[element]) || m_layoutDirty || m_layoutJob) {
        if (element == kNoIndex) m_focusField = kNoIndex;
        m_layoutJob.reset();
        m_layoutDirty = true;
    } else {
        for (LayoutBox& box : m_layout.boxes)
            if (box.element == element) box.text = m_page->FieldText(element);
    }
    InvalidateRect(Hwnd(), nullptr, FALSE);
}

// Typing into the focused text field: characters at its end, Backspace, Enter sends its form,
// Escape leaves it.
void OwnBrowser::OnChar(wchar_t c) {
    if (!m_page || m_focusField == kNoIndex) return;
    const std::size_t field = m_focusField;
    Text value = m_page->Elements()[field].value.value_or(Text());
    if (c == L'\r') {
        if (std::optional<Text> address = m_page->SubmitAddress(field))
            StartNavigation({std::move(*address)}, m_page->Charset());
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
    m_page->SetValue(field, value);
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
        if (m_page && width > 0) m_layoutJob = std::make_unique<LayoutJob>(*m_page, width, m_fonts.For(dpi), m_layout);
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

int OwnBrowser::LineStep() {
    return m_fonts.LineHeight(WindowDpi(Hwnd()));
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

void OwnBrowser::ScrollTo(int top) {
    LayoutTo(top + ClientHeight());
    top = std::clamp(top, 0, std::max(m_layout.height - ClientHeight(), 0));
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

// The visible part of the page, drawn off screen and copied in one piece (no flicker while scrolling).
void OwnBrowser::Draw(HDC target, const RECT& area) {
    RECT rc{};
    GetClientRect(Hwnd(), &rc);
    if (rc.right <= 0 || rc.bottom <= 0) return;
    const PageLayout& layout = Layout();

    UniqueDc memory(CreateCompatibleDC(target));
    UniqueGdi<HBITMAP> bitmap(CreateCompatibleBitmap(target, rc.right, rc.bottom));
    SelectGuard selectBitmap(memory.get(), bitmap.get());
    const HDC dc = memory.get();
    UniqueGdi<HBRUSH> white(CreateSolidBrush(RGB(255, 255, 255)));
    FillRect(dc, &rc, white.get());
    SetBkMode(dc, TRANSPARENT);

    const std::shared_ptr<const PageFonts> fonts = m_fonts.For(WindowDpi(Hwnd()));
    UniqueGdi<HPEN> framePen(CreatePen(PS_SOLID, 1, kFrameColor));
    UniqueGdi<HBRUSH> buttonFace(CreateSolidBrush(kButtonFace));
    const int top = m_scrollTop;
    for (const LayoutBox& box : layout.boxes) {
        const int y = box.y - top;
        if (y + box.height < area.top || y >= area.bottom) continue;
        const bool isLink = box.link != kNoIndex;
        RECT r{box.x, y, box.x + box.width, y + box.height};
        switch (box.kind) {
            case LayoutBox::Kind::Words:
            case LayoutBox::Kind::AltText: {
                SelectGuard font(dc, fonts->Get(box.font, isLink));
                SetTextColor(dc, isLink ? kLinkColor : box.kind == LayoutBox::Kind::AltText ? kAltColor : kTextColor);
                ExtTextOutW(dc, r.left, r.top + 1, 0, nullptr, Wide(box.text), static_cast<UINT>(box.text.size()),
                            nullptr);
                break;
            }
            case LayoutBox::Kind::Field: {
                const PageElement& element = m_page->Elements()[box.element];
                const Text type = element.type.value_or(Text());
                const bool button = type == u"submit" || type == u"reset" || type == u"button";
                SelectGuard pen(dc, framePen.get());
                SelectGuard brush(dc, button ? buttonFace.get() : white.get());
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
                SelectGuard font(dc, fonts->Get(FontRole::Normal, false));
                SetTextColor(dc, kTextColor);
                RECT inner{r.left + kFieldPadding, r.top + kFieldPadding, r.right - kFieldPadding,
                           r.bottom - kFieldPadding};
                const Text shown = m_page->FieldText(box.element);
                const bool focused = box.element == m_focusField;
                UINT format = DT_SINGLELINE | DT_NOPREFIX | (button ? DT_CENTER | DT_VCENTER : DT_TOP);
                SIZE extent{};
                GetTextExtentPoint32W(dc, Wide(shown), static_cast<int>(shown.size()), &extent);
                // While typing, the end of a value too long for its box shows, with the caret.
                const bool overflows = extent.cx > inner.right - inner.left;
                format |= focused && overflows ? DT_RIGHT : DT_END_ELLIPSIS;
                DrawTextW(dc, Wide(shown), static_cast<int>(shown.size()), &inner, format);
                if (focused) {
                    UniqueGdi<HPEN> focusPen(CreatePen(PS_SOLID, 1, kLinkColor));
                    SelectGuard blue(dc, focusPen.get());
                    SelectGuard hollow(dc, GetStockObject(NULL_BRUSH));
                    Rectangle(dc, r.left, r.top, r.right, r.bottom);
                    if (GetFocus() == Hwnd()) {
                        const int caret = overflows ? inner.right - 1 : inner.left + extent.cx;
                        MoveToEx(dc, caret, inner.top, nullptr);
                        LineTo(dc, caret, inner.bottom);
                    }
                }
                break;
            }
        }
        if (box.kind == LayoutBox::Kind::AltText) {
            // An image is framed, so that its alt text reads as a picture's place.
            UniqueGdi<HPEN> dotted(CreatePen(PS_DOT, 1, kFrameColor));
            SelectGuard pen(dc, dotted.get());
            SelectGuard brush(dc, GetStockObject(NULL_BRUSH));
            Rectangle(dc, r.left, r.top, r.right, r.bottom);
        }
    }
    BitBlt(target, 0, 0, rc.right, rc.bottom, dc, 0, 0, SRCCOPY);
}

void OwnBrowser::SetHover(std::optional<std::size_t> link) {
    if (link == m_hover) return;
    m_hover = link;
    SetCursor(LoadCursorW(nullptr, m_hover ? IDC_HAND : IDC_ARROW));
    const Text text = m_hover && m_page ? m_page->Links()[*m_hover].href : Text();
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
    const std::optional<ClickTarget> target = TargetAt(x, y);
    const std::size_t focus =
        target && target->element != kNoIndex && m_page && IsEditable(m_page->Elements()[target->element])
            ? target->element
            : kNoIndex;
    if (focus != m_focusField) {
        m_focusField = focus;
        InvalidateRect(Hwnd(), nullptr, FALSE);
    }
    const bool same = target && m_pressed && target->link == m_pressed->link && target->element == m_pressed->element;
    m_pressed.reset();
    if (!same) return;
    if (target->link != kNoIndex) {
        FollowLink(target->link);
    } else {
        Submit(target->element);
    }
}

// A submit button sends its form (GET forms only: the HTTP client only gets).
void OwnBrowser::Submit(std::size_t element) {
    if (!m_page || m_page->Elements()[element].type != u"submit") return;
    if (std::optional<Text> address = m_page->SubmitAddress(element))
        StartNavigation({std::move(*address)}, m_page->Charset());
}

// A link with a target of its own asks for a new window; when the host lets it open one, the
// page loads here instead, since this browser has no windows of its own to open.
void OwnBrowser::FollowLink(std::size_t index) {
    if (!m_page || index >= m_page->Links().size()) return;
    const PageLink link = m_page->Links()[index];
    if (ToLower(link.href).starts_with(u"javascript:")) return;  // no scripts run here
    const Text target = ToLower(link.target);
    if (!target.empty() && target != u"_self" && target != u"_top" && target != u"_parent") {
        const std::weak_ptr<bool> alive = m_alive;
        bool cancel = false;
        m_events.NewWindow2(cancel);
        if (alive.expired() || cancel) return;
    }
    Navigate(link.href);
}

LRESULT OwnBrowser::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case kMsgLoadStarted:
            OnLoadStarted(static_cast<std::uint64_t>(wParam));
            return 0;
        case kMsgLoadDone:
            OnLoadDone(static_cast<std::uint64_t>(wParam));
            return 0;
        case WM_TIMER:
            if (wParam == kLoadDeadlineTimer) OnLoadDeadline();
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
        case WM_MOUSEWHEEL: {
            const int notches = GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA;
            ScrollTo(m_scrollTop - notches * kWheelLines * LineStep());
            return 0;
        }
        case WM_VSCROLL: {
            const int page = std::max(ClientHeight() - LineStep(), LineStep());
            switch (LOWORD(wParam)) {
                case SB_LINEUP:
                    ScrollTo(m_scrollTop - LineStep());
                    break;
                case SB_LINEDOWN:
                    ScrollTo(m_scrollTop + LineStep());
                    break;
                case SB_PAGEUP:
                    ScrollTo(m_scrollTop - page);
                    break;
                case SB_PAGEDOWN:
                    ScrollTo(m_scrollTop + page);
                    break;
                case SB_TOP:
                    ScrollTo(0);
                    break;
                case SB_BOTTOM:
                    ScrollTo(m_layout.height);
                    break;
                case SB_THUMBTRACK:
                case SB_THUMBPOSITION: {
                    SCROLLINFO si{};
                    si.cbSize = sizeof si;
                    si.fMask = SIF_TRACKPOS;
                    GetScrollInfo(Hwnd(), SB_VERT, &si);
                    ScrollTo(si.nTrackPos);
                    break;
                }
                default:
                    break;
            }
            return 0;
        }
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS | DLGC_WANTCHARS | (m_focusField != kNoIndex ? DLGC_WANTALLKEYS : 0);
        case WM_CHAR:
            OnChar(static_cast<wchar_t>(wParam));
            return 0;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            if (m_focusField != kNoIndex) InvalidateRect(Hwnd(), nullptr, FALSE);
            break;
        case WM_KEYDOWN: {
            const int page = std::max(ClientHeight() - LineStep(), LineStep());
            // Keys that type into a focused field do not scroll or go back.
            if (m_focusField != kNoIndex && wParam != VK_PRIOR && wParam != VK_NEXT) break;
            switch (wParam) {
                case VK_UP:
                    ScrollTo(m_scrollTop - LineStep());
                    return 0;
                case VK_DOWN:
                    ScrollTo(m_scrollTop + LineStep());
                    return 0;
                case VK_PRIOR:
                    ScrollTo(m_scrollTop - page);
                    return 0;
                case VK_NEXT:
                case VK_SPACE:
                    ScrollTo(m_scrollTop + page);
                    return 0;
                case VK_HOME:
                    ScrollTo(0);
                    return 0;
                case VK_END:
                    ScrollTo(m_layout.height);
                    return 0;
                case VK_BACK:
                    GoBack();
                    return 0;
                case VK_F5:
                    Refresh();
                    return 0;
                default:
                    break;
            }
            break;
        }
        default:
            break;
    }
    return DefaultProc(msg, wParam, lParam);
}

}  // namespace ferrik
