#include "web/page.h"

#include <algorithm>
#include <utility>

#include "analysis/html_charset.h"
#include "analysis/url.h"
#include "web/page_builder.h"

namespace ferrik {

namespace {

template <class Feeder>
void Build(Page& page, bool fragment, const Page* baseOf, Feeder feed) {
    PageBuilder builder(page, fragment);
    HtmlTokenizer tokenizer(builder);
    builder.Attach(tokenizer);
    feed(tokenizer, builder);
    tokenizer.Finish();
    builder.Finish(baseOf);
}

}  // namespace

Page::Page(TextView html, TextView url) : m_url(url) {
    Build(*this, false, nullptr, [html](HtmlTokenizer& tokenizer, const PageBuilder&) { tokenizer.Feed(html); });
}

namespace {

// The media type of a Content-Type header, lower-cased, without parameters.
std::string MediaType(std::string_view contentType) {
    std::string type(contentType.substr(0, contentType.find(';')));
    while (!type.empty() && (type.back() == ' ' || type.back() == '\t')) type.pop_back();
    type.erase(0, std::min(type.find_first_not_of(" \t"), type.size()));
    for (char& c : type)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return type;
}

}  // namespace

Page Page::FromBytes(std::string_view body, std::string_view contentType, TextView url, const ByteDecoder& decoder) {
    // Markup, or no type at all (read as markup, as browsers sniff it); plain text as it stands;
    // anything else (pictures, programs, films) is not shown.
    const std::string type = MediaType(contentType);
    const bool plain = type.starts_with("text/") && type != "text/html";
    if (!type.empty() && !plain && type != "text/html" && type != "application/xhtml+xml") {
        return Page(u"<title>" + Text(url) + u"</title><p>这个文件不是网页，无法在此显示（" + FromUtf8(type) + u"）。",
                    url);
    }
    Page page;
    page.m_url = Text(url);
    const DocumentCharset charset = SniffCharset(body, contentType);
    page.m_charset = charset.encoding.label;
    Build(page, false, nullptr, [&](HtmlTokenizer& tokenizer, const PageBuilder& builder) {
        if (plain) tokenizer.Feed(u"<plaintext>");
        BodyDecoder pieces(body.substr(charset.bomLength), charset.encoding, decoder);
        Text piece;
        while (!builder.Full() && pieces.Next(piece)) tokenizer.Feed(piece);
    });
    return page;
}

Text Page::FieldText(std::size_t index) const {
    if (index >= m_elements.size()) return {};
    const PageElement& element = m_elements[index];
    const Text value = element.value.value_or(Text());
    const Text type = element.type.value_or(Text());
    if (type == u"password") return Text(value.size(), u'\u2022');
    if (type == u"checkbox" || type == u"radio") return {};
    if (type == u"submit" && value.empty()) return u"提交查询";  // the captions the system's control gives
    if (type == u"reset" && value.empty()) return u"重置";
    if (type == u"select-one" || type == u"select-multiple") {
        for (const PageOption& option : element.options)
            if (option.value == value) return option.text;
        return {};
    }
    return value;
}

std::optional<Text> Page::TagName(std::size_t index) const {
    if (index >= m_elements.size()) return std::nullopt;
    return m_elements[index].tagName;
}

std::optional<Text> Page::Type(std::size_t index) const {
    if (index >= m_elements.size()) return std::nullopt;
    return m_elements[index].type;
}

std::optional<Text> Page::Value(std::size_t index) const {
    if (index >= m_elements.size()) return std::nullopt;
    return m_elements[index].value;
}

bool Page::SetValue(std::size_t index, TextView value) {
    if (index >= m_elements.size() || !m_elements[index].value) return false;
    m_elements[index].value = Text(value);
    Changed(index);
    return true;
}

bool Page::PasteHtmlIntoBody(TextView html) {
    if (m_bodyIndex == kNoIndex) return false;
    Page fragment;
    Build(fragment, true, this, [html](HtmlTokenizer& tokenizer, const PageBuilder&) { tokenizer.Feed(html); });
    const std::size_t offset = m_bodyIndex + 1;
    m_elements.resize(offset);
    for (PageElement& element : fragment.m_elements) m_elements.push_back(std::move(element));
    for (PageRun& run : fragment.m_runs)
        if (run.element != kNoIndex) run.element += offset;
    m_runs = std::move(fragment.m_runs);
    m_links = std::move(fragment.m_links);
    m_forms = std::move(fragment.m_forms);
    Changed(kNoIndex);
    return true;
}

Text BrowserAddress(TextView typed) {
    while (!typed.empty() && (IsAsciiWhitespace(typed.front()) || typed.front() == 0)) typed.remove_prefix(1);
    while (!typed.empty() && (IsAsciiWhitespace(typed.back()) || typed.back() == 0)) typed.remove_suffix(1);
    if (typed.empty()) return {};
    if (AsciiLower(typed) == u"about:blank") return u"about:blank";
    if (ParseUrl(typed)) return Text(typed);
    return u"http://" + Text(typed);
}

namespace {

// application/x-www-form-urlencoded, but for characters beyond ASCII: those stay as they are, for
// the request to send in the page's charset.
void AppendFormEncoded(Text& out, TextView text) {
    constexpr char16_t kHex[] = u"0123456789ABCDEF";
    for (char16_t c : text) {
        if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'*' ||
            c == u'-' || c == u'.' || c == u'_' || c >= 0x80) {
            out += c;
        } else if (c == u' ') {
            out += u'+';
        } else {
            out += u'%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
}

}  // namespace

std::optional<Text> Page::SubmitAddress(std::size_t submitter) const {
    if (submitter >= m_elements.size()) return std::nullopt;
    const std::size_t formIndex = m_elements[submitter].form;
    if (formIndex == kNoIndex || m_forms[formIndex].post) return std::nullopt;
    Text query;
    const auto add = [&query](TextView name, TextView value) {
        if (!query.empty()) query += u'&';
        AppendFormEncoded(query, name);
        query += u'=';
        AppendFormEncoded(query, value);
    };
    for (std::size_t i = 0; i < m_elements.size(); ++i) {
        const PageElement& e = m_elements[i];
        if (e.form != formIndex || e.name.empty() || !e.type) continue;
        const Text& type = *e.type;
        const Text value = e.value.value_or(Text());
        if (type == u"submit" || type == u"image") {
            if (i == submitter) add(e.name, value);
        } else if (type == u"checkbox" || type == u"radio") {
            if (e.checked) add(e.name, value);
        } else if (type == u"select-multiple") {
            for (const PageOption& option : e.options)
                if (option.selected) add(e.name, option.value);
        } else if (type != u"reset" && type != u"button" && type != u"file") {
            add(e.name, value);
        }
    }
    const Text& action = m_forms[formIndex].action;
    std::optional<Text> address =
        ResolveUrl(TrimSpaces(action).empty() ? TextView(m_url) : TextView(action), m_base, UrlForm::Display);
    if (!address) return std::nullopt;
    // The query replaces the action's own; a fragment goes.
    Text result = address->substr(0, std::min(address->find(u'#'), address->find(u'?')));
    return result + u'?' + query;
}

}  // namespace ferrik
