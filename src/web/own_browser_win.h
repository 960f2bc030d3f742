#pragma once
// Ferrik's own browser: a child window of its own class that fetches pages with the program's
// HTTP client on worker threads of its own (cancelled and joined when it goes), reads them with
// its HTML engine and draws them as a readable page (see web/page.h). It stands in for the system's WebBrowser control
// where that control cannot load a document, behind the same Browser interface and with the same events.
//
// Home is the first address navigated to other than "about:blank" (by Navigate or a followed
// link); until there is one, "about:blank".
#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "analysis/http_win.h"
#include "platform/window_win.h"
#include "web/browser.h"
#include "web/browsing_history.h"
#include "web/page.h"
#include "web/page_fonts_win.h"

namespace ferrik {

inline constexpr wchar_t kOwnBrowserClass[] = L"FerrikPageView";

class OwnBrowser final : public Browser, public Window<OwnBrowser> {
public:
    OwnBrowser(HWND parent, BrowserEvents& events, const HttpOptions& options);
    ~OwnBrowser() override;

    bool Navigate(TextView url) override;
    bool GoBack() override;
    bool GoForward() override;
    bool GoHome() override;
    bool Refresh() override;
    bool Stop() override;
    void SetSilent(bool silent) override { m_silent = silent; }
    Text LocationName() const override;
    Text LocationURL() const override { return m_history.Location(); }
    BrowserDocument* Document() override { return m_page.get(); }
    void SetBounds(int x, int y, int width, int height) override;

    // For tests and the window's own drawing.
    bool Busy() const { return m_load != nullptr; }
    const Page* CurrentPage() const { return m_page.get(); }
    // The lines laid out so far: at least those in view; a long page goes on being laid out
    // between messages (LayoutDone tells when it is whole).
    const PageLayout& Layout();
    bool LayoutDone() const { return !m_layoutDirty && !m_layoutJob; }
    int ScrollTop() const { return m_scrollTop; }
    std::size_t FocusedField() const { return m_focusField; }
    const Text& Home() const { return m_history.HomePage(); }

    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

    // A page load: what its worker thread shares with the browser.
    struct LoadState;

private:
    struct Load;
    struct LayoutJob;

    // `charset`: the one the address's query is sent in.
    bool StartNavigation(BrowsingHistory::Step step, Text charset = u"UTF-8");
    void OnLoadStarted(std::uint64_t id);
    void OnLoadDone(std::uint64_t id);
    void Commit(std::unique_ptr<Page> page, const Load& load);
    void CancelLoad();
    void OnLoadDeadline();

    void OnPageChanged(std::size_t element);
    void OnChar(wchar_t c);
    void OnPaint();
    void Draw(HDC target, const RECT& area);
    void OnSize();
    void OnMouseMove(int x, int y);
    void OnMouseLeave();
    struct ClickTarget {
        std::size_t link;
        std::size_t element;
    };
    std::optional<ClickTarget> TargetAt(int x, int y);
    void OnClick(int x, int y);
    void Submit(std::size_t element);
    void FollowLink(std::size_t index);
    void SetHover(std::optional<std::size_t> link);
    const PageLayout& LayoutTo(int bottom);
    void ContinueLayout();
    void OnLayoutTimer();
    void ScrollTo(int top);
    void UpdateScrollBar();
    int ClientHeight() const;
    int LineStep();

    BrowserEvents& m_events;
    HttpOptions m_options;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);  // event handlers may destroy this
    bool m_silent = false;

    std::unique_ptr<Page> m_page;
    BrowsingHistory m_history;
    std::unique_ptr<Load> m_load;
    WorkerGroup m_workers;  // the page loads; ended with the browser

    PageFontCache m_fonts;  // for the window's DPI
    PageLayout m_layout;
    std::unique_ptr<LayoutJob> m_layoutJob;  // while a long page is still being laid out
    bool m_layoutDirty = true;
    int m_layoutWidth = 0;
    int m_layoutDpi = 0;
    int m_scrollTop = 0;
    std::optional<std::size_t> m_hover;
    std::optional<ClickTarget> m_pressed;
    bool m_trackingLeave = false;
    std::size_t m_focusField = kNoIndex;  // the text field typed into
};

// The factory's entry: a browser in a new visible child window of `parent`, placed by SetBounds.
// Null when the window cannot be created.
std::unique_ptr<Browser> CreateOwnBrowser(HWND parent, BrowserEvents& events, const HttpOptions& options = {});

}  // namespace ferrik
