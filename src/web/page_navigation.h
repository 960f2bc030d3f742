#pragma once
// What the own browser does when it goes somewhere, with no window: the step through
// BeforeNavigate2, the load it starts and the answer that ends it (a page, the error page, nothing
// when the host cancels), Stop, and the events each raises, in the system control's order. The
// document shown and the history are kept here; the window side fetches and shows.
#include <cstdint>
#include <memory>
#include <optional>

#include "common/text.h"
#include "web/browser.h"
#include "web/browsing_history.h"
#include "web/page.h"

namespace ferrik {

// A load's answer: the page read, else the NavigateError status (an HTTP status or
// kInetResourceNotFound).
struct LoadResult {
    std::unique_ptr<Page> page;
    std::int32_t error = 0;
};

// The window side of a navigation.
class NavigationPort {
public:
    virtual ~NavigationPort() = default;
    // Load `id` begins: `url` is fetched with its query in `charset`, or, when `known` holds the
    // answer already, that is delivered. Either way Started(id) and then Finished(id, ...) come
    // later from the message loop, unless CancelLoad comes first.
    virtual void BeginLoad(std::uint64_t id, const Text& url, const Text& charset, std::optional<LoadResult> known) = 0;
    // The load under way ends; its answer is never delivered.
    virtual void CancelLoad() = 0;
    // `page` is the document now (its change handler is the view's to set).
    virtual void Show(Page& page) = 0;
};

class PageNavigation {
public:
    PageNavigation(BrowserEvents& events, NavigationPort& port) : m_events(events), m_port(port) {}
    PageNavigation(const PageNavigation&) = delete;
    PageNavigation& operator=(const PageNavigation&) = delete;

    // The browser's operations. An event handler may destroy the navigation: each returns at once then.
    bool Navigate(TextView url);
    bool GoBack();
    bool GoForward();
    bool GoHome();
    bool Refresh();
    bool Stop();

    // What the page asks for: a link followed, a form sent by field `field` (its submit button,
    // Enter in a text field). A form that cannot be sent does nothing.
    void FollowLink(std::size_t index);
    void Submit(std::size_t field);

    // The load's answers; those of a load that is no longer the current one are ignored.
    void Started(std::uint64_t id);
    void Finished(std::uint64_t id, LoadResult result);

    bool Busy() const { return m_load.has_value(); }
    Page* CurrentPage() const { return m_page.get(); }
    // The page's title, else its address.
    Text LocationName() const;
    const BrowsingHistory& History() const { return m_history; }

private:
    struct Load {
        std::uint64_t id = 0;
        Text url;
        BrowsingHistory::Step step;
    };

    // `charset`: the one the address's query is sent in.
    bool Start(BrowsingHistory::Step step, Text charset = u"UTF-8");
    void Cancel();

    BrowserEvents& m_events;
    NavigationPort& m_port;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);  // event handlers may destroy this
    std::unique_ptr<Page> m_page;
    BrowsingHistory m_history;
    std::optional<Load> m_load;
};

// The page shown when a navigation fails: short, and with the address so that it can be tried again.
Text ErrorPageHtml(TextView url, std::int32_t status);

}  // namespace ferrik
