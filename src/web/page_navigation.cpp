#include "web/page_navigation.h"

#include <algorithm>
#include <atomic>
#include <utility>
#include <vector>

namespace ferrik {

namespace {

constexpr char16_t kBlank[] = u"about:blank";

struct Entity {
    char16_t c;
    TextView name;
};
constexpr Entity kEscapes[] = {{u'&', u"&amp;"}, {u'<', u"&lt;"}, {u'>', u"&gt;"}, {u'"', u"&quot;"}};

Text HtmlEscaped(TextView text) {
    Text out;
    for (char16_t c : text) {
        const auto* escape =
            std::find_if(std::begin(kEscapes), std::end(kEscapes), [c](const Entity& e) { return e.c == c; });
        if (escape != std::end(kEscapes)) {
            out += escape->name;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

Text ErrorPageHtml(TextView url, std::int32_t status) {
    Text reason = status == kInetResourceNotFound
                      ? Text(u"找不到服务器，或无法与它建立连接。请检查地址是否正确，以及网络是否连通。")
                      : u"服务器返回错误 " + ToText(status) + u"。";
    return u"<title>无法打开网页</title><h1>无法打开网页</h1><p>" + HtmlEscaped(url) + u"</p><p>" + reason + u"</p>";
}

bool PageNavigation::Navigate(TextView url) {
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
    return Start({address}, charset);
}

bool PageNavigation::GoBack() {
    const std::optional<BrowsingHistory::Step> step = m_history.Back();
    return step && Start(*step);
}

bool PageNavigation::GoForward() {
    const std::optional<BrowsingHistory::Step> step = m_history.Forward();
    return step && Start(*step);
}

bool PageNavigation::GoHome() {
    return Start(m_history.Home());
}

bool PageNavigation::Refresh() {
    const std::optional<BrowsingHistory::Step> step = m_history.Reload();
    return step && Start(*step);
}

bool PageNavigation::Stop() {
    if (!m_load) return true;
    Cancel();
    // The navigation halted: the system's control reports that as a finished download.
    m_events.DownloadComplete();
    return true;
}

Text PageNavigation::LocationName() const {
    if (m_page && !m_page->Title().empty()) return m_page->Title();
    return m_history.Location();
}

// A link with a target of its own asks for a new window; when the host lets it open one, the
// page loads here instead, since this browser has no windows of its own to open.
void PageNavigation::FollowLink(std::size_t index) {
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

// GET forms only: the HTTP client only gets.
void PageNavigation::Submit(std::size_t field) {
    if (!m_page) return;
    if (std::optional<Text> address = m_page->SubmitAddress(field)) Start({std::move(*address)}, m_page->Charset());
}

void PageNavigation::Cancel() {
    if (m_load) m_port.CancelLoad();
    m_load.reset();
}

// A reload goes without BeforeNavigate2, as in the system's control; everything else may be cancelled.
bool PageNavigation::Start(BrowsingHistory::Step step, Text charset) {
    if (step.move != BrowsingHistory::Move::Reload) {
        const std::weak_ptr<bool> alive = m_alive;
        bool cancel = false;
        m_events.BeforeNavigate2(step.url, cancel);
        if (alive.expired() || cancel) return true;
    }
    Cancel();
    m_history.Started(step);
    // Numbered across all browsers: a window handle used again never takes another's answer.
    static std::atomic<std::uint64_t> loadCount{0};
    const std::uint64_t id = ++loadCount;
    const Text url = step.url;
    std::optional<LoadResult> known;
    if (IsBlankAddress(url)) known = LoadResult{std::make_unique<Page>(u"", kBlank)};
    m_load = Load{id, known ? Text(kBlank) : url, std::move(step)};
    m_port.BeginLoad(id, url, charset, std::move(known));
    return true;
}

void PageNavigation::Started(std::uint64_t id) {
    if (!m_load || m_load->id != id) return;
    m_events.ProgressChange(0, 100);
}

void PageNavigation::Finished(std::uint64_t id, LoadResult result) {
    if (!m_load || m_load->id != id) return;
    const Load load = std::move(*m_load);
    m_load.reset();
    const std::weak_ptr<bool> alive = m_alive;
    if (!result.page) {
        bool cancel = false;
        m_events.NavigateError(load.url, result.error, cancel);
        if (alive.expired()) return;
        if (cancel) {
            m_events.DownloadComplete();
            return;
        }
        result.page = std::make_unique<Page>(ErrorPageHtml(load.url, result.error), load.url);
    }
    // The page that goes outlives Show: the view may still be laying it out until then.
    const std::unique_ptr<Page> gone = std::exchange(m_page, std::move(result.page));
    m_history.Committed(load.step, m_page->Url());
    m_port.Show(*m_page);

    m_events.ProgressChange(100, 100);
    if (alive.expired()) return;
    m_events.StatusTextChange(u"");
    if (alive.expired()) return;
    m_events.DownloadComplete();
    if (alive.expired()) return;
    m_events.DocumentComplete(m_history.Location());
}

}  // namespace ferrik
