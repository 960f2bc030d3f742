#pragma once
// The system's WebBrowser control ("Shell.Explorer.2") behind the Browser interface: hosted by our
// OLE control container, driven through IWebBrowser2, its DWebBrowserEvents2 raised on
// BrowserEvents, its document read through IHTMLDocument2.
#include <windows.h>

#include <memory>

#include "platform/ole_host_win.h"
#include "web/browser.h"

struct IWebBrowser2;

namespace ferrik {

class BrowserEventSink;
class BrowserSiteHandler;

inline constexpr wchar_t kSystemBrowserProgId[] = L"Shell.Explorer.2";

class SystemBrowser final : public RetargetableBrowser {
public:
    // Null when the control cannot be created, activated or connected; OLE must be initialised.
    // `bounds` are pixels of `parent`'s client area.
    static std::unique_ptr<SystemBrowser> Create(HWND parent, const RECT& bounds, BrowserEvents& events,
                                                 HRESULT* error = nullptr);
    ~SystemBrowser() override;

    bool Navigate(TextView url) override;
    bool GoBack() override;
    bool GoForward() override;
    bool GoHome() override;
    bool Refresh() override;
    bool Stop() override;
    void SetSilent(bool silent) override;
    Text LocationName() const override;
    Text LocationURL() const override;
    BrowserDocument* Document() override;
    void SetBounds(int x, int y, int width, int height) override;
    // The page's optical zoom follows: dpi x 100 / 96 percent, now and after each document.
    void SetDpi(int dpi) override;

    // Where the events go from now on (the factory listens first while it tries the control).
    void SetEvents(BrowserEvents& events) override;
    HWND HostWindow() const { return m_host ? m_host->HostWindow() : nullptr; }
    // Whether the control can show a document: the HTML document class can be created at all.
    static bool HtmlEngineAvailable();

    // For the message loops: a key for a window inside the control goes to its accelerator
    // handling first (Tab, Enter, Backspace and Delete in the page's fields, Ctrl+C...).
    static bool TranslateKey(MSG& msg) { return OleControlHost::TranslateKey(msg); }

private:
    class HtmlDocument;
    SystemBrowser() = default;
    void ApplyZoom();

    std::unique_ptr<OleControlHost> m_host;
    BrowserSiteHandler* m_siteHandler = nullptr;  // owned by the control's site
    IWebBrowser2* m_browser = nullptr;
    BrowserEventSink* m_sink = nullptr;
    DWORD m_cookie = 0;
    std::unique_ptr<HtmlDocument> m_document;
    int m_dpi = 0;  // 0: the DPI of the host window
};

}  // namespace ferrik
