#include "web/web_navigator.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "common/text_fields.h"
#include "common/web_address.h"
#include "rules/data_file.h"
#include "rules/text_lines.h"
#include "web/page.h"

namespace ferrik {

namespace {

// The shortest decimal text that reads back as the same single-precision number (37.5, 33.33).
Text ShortestSingle(float value) {
    char buffer[32] = {};
    for (int digits = 1; digits <= 9; ++digits) {
        std::snprintf(buffer, sizeof(buffer), "%.*g", digits, static_cast<double>(value));
        if (std::strtof(buffer, nullptr) == value) break;
    }
    Text text;
    for (const char* p = buffer; *p; ++p) text += static_cast<char16_t>(*p);
    return text;
}

// Whether typed text starts with a scheme ("http:", "file:", "c:"): only text without one is
// completed to an http address, as an address bar does.
bool HasScheme(TextView text) {
    text = TrimSpaces(text);
    const std::size_t colon = text.find(u':');
    if (colon == TextView::npos || colon == 0) return false;
    for (std::size_t i = 0; i < colon; ++i) {
        const char16_t c = static_cast<char16_t>(text[i] | 0x20);
        const bool letter = c >= u'a' && c <= u'z';
        if (!letter && (i == 0 || !((text[i] >= u'0' && text[i] <= u'9') || text[i] == u'+' || text[i] == u'-' ||
                                    text[i] == u'.')))
            return false;
    }
    return true;
}

}  // namespace

std::optional<Text> ProgressText(std::int32_t progress, std::int32_t progressMax) {
    // The control also reports -1 (done) against a maximum; a negative share is no progress.
    if (progressMax == 0 || progress < 0 || progressMax < 0) return std::nullopt;
    const double percent = static_cast<double>(progress) / static_cast<double>(progressMax) * 100.0;
    // Two decimals, halves to even, then kept as a single-precision number.
    const auto rounded = static_cast<float>(std::nearbyint(percent * 100.0) / 100.0);
    if (rounded >= 100.0f) return Text(kOpeningText) + u"100%";
    return Text(kOpeningText) + ShortestSingle(rounded) + u"%";
}

std::vector<SiteRow> SiteRows(TextView ruleText) {
    std::vector<SiteRow> rows;
    TextLines lines(ruleText, LineEnds::Cr);
    TextView line;
    while (lines.Next(line)) {
        Text name = SplitField(line, u"|", 2);
        Text address = SplitField(line, u"|", 0);
        if (name.empty() || address.empty()) continue;
        rows.push_back(SiteRow{std::move(name), std::move(address)});
    }
    return rows;
}

Text SiteListHeader(std::size_t count) {
    return u"网站(" + ToText(static_cast<std::int64_t>(count)) + u")";
}

std::vector<SiteRow> LoadSiteList(TextView ruleFile, const ByteDecoder& decoder) {
    Text text;
    if (!ReadDataFile(ruleFile, decoder, text)) return {};
    return SiteRows(text);
}

void WebNavigator::Start() {
    if (!m_browser) return;
    m_browser->SetSilent(true);
    m_browser->Navigate(u"about:blank");
}

void WebNavigator::StatusTextChange(TextView text) {
    m_lastStatusText = Text(text);
}

void WebNavigator::ProgressChange(std::int32_t progress, std::int32_t progressMax) {
    if (auto text = ProgressText(progress, progressMax)) m_view.SetStatusText(*text);
}

void WebNavigator::BeforeNavigate2(TextView url, bool&) {
    m_view.SetStatusText(Text(kPreparingText) + Text(url));
    SetAddress(url);
}

void WebNavigator::NewWindow2(bool& cancel) {
    cancel = true;
    // The link under the pointer is the last status text. Anything else there (a script's status
    // message, "javascript:" and file: links, nothing at all) is no page to open: the pop-up is
    // only refused. A navigation the host asks for skips the control's zone checks, so only web
    // addresses go.
    const Text address = WebAddress(m_lastStatusText);
    if (m_browser && !address.empty()) m_browser->Navigate(address);
}

void WebNavigator::DownloadComplete() {
    if (!m_browser) return;
    m_view.SetCaption(m_browser->LocationName());
    SetAddress(m_browser->LocationURL());
    m_view.SetStatusText(kDownloadDoneText);
    FillKeyword();
}

void WebNavigator::DocumentComplete(TextView) {
    if (m_pageState == kOffWeb && m_browser) {
        if (BrowserDocument* document = m_browser->Document()) document->PasteHtmlIntoBody(kOpenFailedHtml);
    }
    m_pageState.clear();
    m_view.SetStatusText(kPageDoneText);
    FillKeyword();
}

void WebNavigator::NavigateError(TextView, std::int32_t statusCode, bool&) {
    if (statusCode == kInetResourceNotFound) m_pageState = Text(kOffWeb);
}

void WebNavigator::Go() {
    GoTo(m_view.AddressText());
}

void WebNavigator::GoTo(TextView address) {
    const Text web = WebAddress(HasScheme(address) ? Text(address) : BrowserAddress(address));
    if (m_browser && !web.empty()) m_browser->Navigate(web);
}

void WebNavigator::GoBack() {
    if (m_browser) m_browser->GoBack();
}

void WebNavigator::GoForward() {
    if (m_browser) m_browser->GoForward();
}

void WebNavigator::GoHome() {
    if (m_browser) m_browser->GoHome();
}

void WebNavigator::Refresh() {
    if (m_browser) m_browser->Refresh();
}

void WebNavigator::StopLoading() {
    if (m_browser) m_browser->Stop();
}

void WebNavigator::AddCurrentPage() {
    if (!m_browser) return;
    // No page yet, or the browser could not say: the main window's address stays as it is.
    const Text address = m_browser->LocationURL();
    if (!address.empty()) m_view.HandOver(address);
}

void WebNavigator::OpenSite(TextView address) {
    SetAddress(address);
    GoTo(address);
}

void WebNavigator::SetAddress(TextView text) {
    m_view.SetAddressText(text);
    OnAddressChanged();
}

void WebNavigator::OnAddressChanged() {
    if (ToLower(m_view.AddressText()) == u"http:///") m_view.SetAddressText(u"http://");
    if (ToLower(m_view.Caption()) == u"http:///") m_view.SetCaption(kUnknownPageCaption);
}

void WebNavigator::FillKeyword() {
    const Text keyword = m_view.SearchText();
    if (TrimSpaces(keyword).empty() || !m_browser) return;
    BrowserDocument* document = m_browser->Document();
    if (!document) return;
    const std::size_t count = document->ElementCount();
    for (std::size_t i = 0; i < count; ++i) {
        const std::optional<Text> tag = document->TagName(i);
        if (!tag || ToLower(*tag) != u"input") continue;
        const std::optional<Text> type = document->Type(i);
        if (!type || ToLower(*type) != u"text") continue;
        document->SetValue(i, keyword);
    }
}

}  // namespace ferrik
