#pragma once
// Ferrik's own browser: a child window of its own class that shows pages read by the program's
// HTML engine as a readable page (see web/page.h). It stands in for the system's WebBrowser control
// where that control cannot load a document, behind the same Browser interface and with the same
// events. What a navigation does is PageNavigation's (web/page_navigation.h); the pages are fetched
// by a PageLoader (web/page_loader_win.h); this is the page view: layout, drawing, scrolling, the
// pointer and typing into fields.
//
// Home is the first address navigated to other than "about:blank" (by Navigate or a followed
// link); until there is one, "about:blank".
#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>

#include "analysis/http_win.h"
#include "platform/window_win.h"
#include "web/browser.h"
#include "web/page.h"
#include "web/page_fonts_win.h"
#include "web/page_loader_win.h"
#include "web/page_navigation.h"
#include "web/page_scroll.h"

namespace ferrik {

inline constexpr wchar_t kOwnBrowserClass[] = L"FerrikPageView";

class OwnBrowser final : public Browser, public Window<OwnBrowser>, private NavigationPort {
public:
    OwnBrowser(HWND parent, BrowserEvents& events, const HttpOptions& options);
    ~OwnBrowser() override;

    bool Navigate(TextView url) override { return m_navigation.Navigate(url); }
    bool GoBack() override { return m_navigation.GoBack(); }
    bool GoForward() override { return m_navigation.GoForward(); }
    bool GoHome() override { return m_navigation.GoHome(); }
    bool Refresh() override { return m_navigation.Refresh(); }
    bool Stop() override { return m_navigation.Stop(); }
    void SetSilent(bool silent) override { m_silent = silent; }
    Text LocationName() const override { return m_navigation.LocationName(); }
    Text LocationURL() const override { return m_navigation.History().Location(); }
    BrowserDocument* Document() override { return m_navigation.CurrentPage(); }
    void SetBounds(int x, int y, int width, int height) override;

    // For tests and the window's own drawing.
    bool Busy() const { return m_navigation.Busy(); }
    const Page* CurrentPage() const { return m_navigation.CurrentPage(); }
    // The lines laid out so far: at least those in view; a long page goes on being laid out
    // between messages (LayoutDone tells when it is whole).
    const PageLayout& Layout();
    bool LayoutDone() const { return !m_layoutDirty && !m_layoutJob; }
    int ScrollTop() const { return m_scrollTop; }
    std::size_t FocusedField() const { return m_focusField; }
    const Text& Home() const { return m_navigation.History().HomePage(); }

    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

private:
    struct LayoutJob;

    // NavigationPort
    void BeginLoad(std::uint64_t id, const Text& url, const Text& charset, std::optional<LoadResult> known) override;
    void CancelLoad() override { m_loader.Cancel(); }
    void Show(Page& page) override;

    void OnLoadDone(std::uint64_t id);
    void OnLoadDeadline();
    void OnPageChanged(std::size_t element);
    void OnChar(wchar_t c);
    bool OnKeyDown(WPARAM key);
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
    void SetHover(std::optional<std::size_t> link);
    const PageLayout& LayoutTo(int bottom);
    void ContinueLayout();
    void OnLayoutTimer();
    void Scroll(ScrollMove move, int amount = 0);
    void ScrollTo(int top);
    void UpdateScrollBar();
    ScrollView View();
    int ClientHeight() const;

    BrowserEvents& m_events;
    bool m_silent = false;
    PageLoader m_loader;
    PageNavigation m_navigation;

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
