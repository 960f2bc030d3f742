#pragma once
// What frmWeb does with its browser: the browser's events, the user's navigation actions, the
// address box's change rules, FillKeyword, the site list and the hand-off to the main window. The
// Win32 window is its WebView; tests put fakes in both places.
#include <cstdint>
#include <optional>
#include <vector>

#include "common/ports.h"
#include "common/text.h"
#include "web/browser.h"

namespace ferrik {

inline constexpr std::u16string_view kOffWeb = u"offweb";
inline constexpr std::u16string_view kOpenFailedHtml = u"打开网页失败。您可能没有联网或者远程网址已经失效。";
inline constexpr std::u16string_view kPageDoneText = u"打开网页完毕。";
inline constexpr std::u16string_view kDownloadDoneText = u"下载完毕。";
inline constexpr std::u16string_view kPreparingText = u"正在准备打开 ";
inline constexpr std::u16string_view kOpeningText = u"正在打开 ";
inline constexpr std::u16string_view kUnknownPageCaption = u"未知的网页";

// The window's side: its status bar, address box, caption and search box, and the main window's
// address box.
class WebView {
public:
    virtual ~WebView() = default;
    virtual void SetStatusText(TextView text) = 0;
    virtual Text AddressText() const = 0;
    // Sets the address box's text without running the change rules (the navigator runs them).
    virtual void SetAddressText(TextView text) = 0;
    virtual Text Caption() const = 0;
    virtual void SetCaption(TextView text) = 0;
    virtual Text SearchText() const = 0;
    // The main window's address box, whose change runs SelectScheme there.
    virtual void HandOver(TextView address) = 0;
};

// The status text of ProgressChange, or nothing when it leaves the status as it is.
std::optional<Text> ProgressText(std::int32_t progress, std::int32_t progressMax);

// One row of the site list: the display name and the site's address.
struct SiteRow {
    Text name;
    Text address;
    bool operator==(const SiteRow&) const = default;
};

// The rows of Rule.dat's text, in file order; lines without a display name (field 2) or an address
// (field 0) are left out.
std::vector<SiteRow> SiteRows(TextView ruleText);
// "网站(" + count + ")".
Text SiteListHeader(std::size_t count);
// LoadSiteList's rows: those of the file, or none when it cannot be read.
std::vector<SiteRow> LoadSiteList(TextView ruleFile, const ByteDecoder& decoder);

class WebNavigator final : public BrowserEvents {
public:
    explicit WebNavigator(WebView& view) : m_view(view) {}

    // The browser (element 0) that the user's actions drive; null while there is none.
    void SetBrowser(Browser* browser) { m_browser = browser; }
    Browser* CurrentBrowser() const { return m_browser; }

    // The load's part: silent mode, then "about:blank".
    void Start();

    // BrowserEvents
    void StatusTextChange(TextView text) override;
    void ProgressChange(std::int32_t progress, std::int32_t progressMax) override;
    void BeforeNavigate2(TextView url, bool& cancel) override;
    void NewWindow2(bool& cancel) override;
    void DownloadComplete() override;
    void DocumentComplete(TextView url) override;
    void NavigateError(TextView url, std::int32_t statusCode, bool& cancel) override;

    // User actions; errors of the browser are ignored. An address is read as the browser reads one
    // typed ("www.example.com" is http) and goes to the browser only when it is a web address
    // (common/web_address.h); anything else is refused quietly.
    void Go();                    // ">", Enter in the address box
    void GoTo(TextView address);  // the address box's list entry, a site of the list, a drop
    void GoBack();
    void GoForward();
    void GoHome();
    void Refresh();
    void StopLoading();
    void AddCurrentPage();  // 添加当前页
    void OpenSite(TextView address);

    // The address box's text changed (typed, or set by the window).
    void OnAddressChanged();
    void FillKeyword();

    const Text& LastStatusText() const { return m_lastStatusText; }
    const Text& PageState() const { return m_pageState; }

private:
    void SetAddress(TextView text);

    WebView& m_view;
    Browser* m_browser = nullptr;
    Text m_lastStatusText;
    Text m_pageState;
};

}  // namespace ferrik
