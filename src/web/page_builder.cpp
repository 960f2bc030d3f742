// The page reader's tree: elements in document order, head and body, title and base, links,
// forms and their fields, raw-text elements and the page's limits.
#include "web/page_builder.h"

#include <algorithm>
#include <initializer_list>

#include "analysis/url.h"

namespace ferrik {

namespace {

using State = HtmlTokenizer::State;

bool IsOneOf(TextView name, std::initializer_list<TextView> names) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

Text Upper(TextView name) {
    Text out(name);
    for (char16_t& c : out)
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    return out;
}

Text Collapse(TextView text) {
    Text out;
    bool space = false;
    for (char16_t c : text) {
        if (IsAsciiWhitespace(c)) {
            space = !out.empty();
        } else {
            if (space) out += u' ';
            space = false;
            out += c;
        }
    }
    return out;
}

// Raw-text elements: the tokenizer reads their content as text; `shown` tells whether it is seen.
struct RawElement {
    TextView name;
    State state;
};
constexpr RawElement kRawElements[] = {
    {u"script", State::ScriptData}, {u"style", State::Rawtext},   {u"title", State::Rcdata},
    {u"iframe", State::Rawtext},    {u"noembed", State::Rawtext}, {u"noframes", State::Rawtext},
    {u"xmp", State::Rawtext},       {u"textarea", State::Rcdata}, {u"plaintext", State::Plaintext},
};

// The input types of the classic document model; any other type reads as "text", as it does in
// the system's control (a search box, type="search", is a text field there).
constexpr TextView kInputTypes[] = {u"text",  u"password", u"checkbox", u"radio", u"submit",
                                    u"reset", u"file",     u"hidden",   u"image", u"button"};

// Blocks with a margin above and below: a blank line apart from what surrounds them.
bool IsParagraphBlock(TextView name) {
    return IsOneOf(name, {u"p",  u"h1",   u"h2",         u"h3",      u"h4",      u"h5",   u"h6",        u"ul",
                          u"ol", u"dl",   u"blockquote", u"pre",     u"listing", u"xmp",  u"plaintext", u"table",
                          u"hr", u"form", u"fieldset",   u"address", u"figure",  u"menu", u"dir"});
}

// Blocks that only start on a new line.
bool IsLineBlock(TextView name) {
    return IsOneOf(name,
                   {u"div",     u"li",      u"dt",     u"dd",     u"tr",    u"center",     u"article", u"aside",
                    u"section", u"nav",     u"header", u"footer", u"main",  u"figcaption", u"caption", u"legend",
                    u"details", u"summary", u"body",   u"html",   u"tbody", u"thead",      u"tfoot",   u"option"});
}

bool IsHeading(TextView name) {
    return name.size() == 2 && name[0] == u'h' && name[1] >= u'1' && name[1] <= u'6';
}

bool IsBold(TextView name) {
    return IsHeading(name) || IsOneOf(name, {u"b", u"strong", u"th"});
}

bool IsHeadElement(TextView name) {
    return IsOneOf(name, {u"title", u"meta", u"link", u"style", u"script", u"base", u"noscript"});
}

bool IsPreformatted(TextView name) {
    return IsOneOf(name, {u"pre", u"listing", u"xmp", u"plaintext"});
}

}  // namespace

void PageBuilder::Attach(HtmlTokenizer& tokenizer) {
    m_tokenizer = &tokenizer;
    tokenizer.SetCollectText(true);
}

bool PageBuilder::WantsAttribute(TextView name) {
    return IsOneOf(name, {u"href", u"target", u"value", u"selected", u"action", u"method", u"name", u"alt", u"type",
                          u"checked", u"size", u"multiple"});
}

void PageBuilder::OnStartTag(const HtmlTag& tag) {
    // A link past kMaxPageLinks ends the page before it.
    if (tag.name == u"a" && m_templateDepth == 0 && tag.Find(u"href") && m_page.m_links.size() >= kMaxPageLinks)
        m_full = true;
    if (m_full) return;
    for (const HtmlAttribute& a : tag.attributes) m_chars += a.value.size();
    StartTag(tag);
    NoteLimits();
}

void PageBuilder::OnEndTag(const HtmlTag& tag) {
    if (m_full) return;
    EndTag(tag);
    NoteLimits();
}

void PageBuilder::OnText(TextView text) {
    if (m_full) return;
    text = text.substr(0, kMaxPageCharacters - std::min(m_chars, kMaxPageCharacters));
    m_chars += text.size();
    Characters(text);
    NoteLimits();
}

void PageBuilder::Finish(const Page* baseOf) {
    CloseSelect();
    FinishBody(baseOf);
    if (m_full) {
        if (!m_page.m_runs.empty()) m_page.m_runs.push_back({PageRun::Kind::Paragraph});
        m_page.m_runs.push_back({PageRun::Kind::Words, Text(kPageCutNotice)});
    }
}

void PageBuilder::NoteLimits() {
    m_full = m_full || m_page.m_elements.size() >= kMaxPageElements || m_page.m_runs.size() >= kMaxPageRuns ||
             m_chars >= kMaxPageCharacters;
    if (m_full) m_tokenizer->SetCollectText(false);
}

void PageBuilder::StartTag(const HtmlTag& tag) {
    const TextView name = tag.name;
    for (const RawElement& raw : kRawElements) {
        if (raw.name == name) {
            m_tokenizer->SetState(raw.state);
            m_raw = raw.name;
        }
    }
    if (name == u"template") {
        ++m_templateDepth;
        return;
    }
    if (m_templateDepth > 0) return;

    if (!m_fragment) {
        if (name == u"html") {
            EnsureHtml();
            return;
        }
        if (name == u"head") {
            if (!m_head && !m_bodyStarted) {
                EnsureHtml();
                m_head = true;
                Add(tag);
            }
            return;
        }
        if (name == u"body") {
            EnsureBody();
            return;
        }
        if (!m_bodyStarted && IsHeadElement(name)) {
            EnsureHead();
            Add(tag);
            HeadElement(tag);
            return;
        }
        EnsureBody();
    } else if (IsOneOf(name, {u"html", u"head", u"body"})) {
        return;
    }
    BodyStartTag(tag);
}

void PageBuilder::EndTag(const HtmlTag& tag) {
    const TextView name = tag.name;
    // Raw text ends only at its own end tag, so any end tag ends it.
    if (!m_raw.empty()) {
        if (m_raw == u"title") m_titleDone = m_titleDone || m_titleOpen;
        m_titleOpen = false;
        if (m_raw == u"textarea") m_textarea = kNoIndex;
        if (m_raw == u"xmp" || m_raw == u"plaintext") Edge(PageRun::Kind::Paragraph);
        m_raw = {};
    }
    if (name == u"template") {
        if (m_templateDepth > 0) --m_templateDepth;
        return;
    }
    if (m_templateDepth > 0) return;
    if (name == u"a") {
        CloseLink();
    } else if (name == u"form") {
        m_form = kNoIndex;
    } else if (name == u"select") {
        CloseSelect();
    } else if (name == u"option") {
        m_option = false;
    }
    if (IsBold(name) && m_bold > 0) --m_bold;
    if (IsPreformatted(name) && m_pre > 0) --m_pre;
    if (IsParagraphBlock(name)) {
        Edge(PageRun::Kind::Paragraph);
    } else if (IsLineBlock(name)) {
        Edge(PageRun::Kind::BlockEdge);
    } else if (name == u"br") {
        Push({PageRun::Kind::LineBreak});  // "</br>" is read as <br>
    }
}

void PageBuilder::Characters(TextView text) {
    if (m_templateDepth > 0) return;
    if (!m_raw.empty()) {
        RawText(text);
        return;
    }
    if (m_select != kNoIndex) {
        if (m_option && !m_page.m_elements[m_select].options.empty())
            m_page.m_elements[m_select].options.back().text += text;
        return;
    }
    if (!m_bodyStarted) {
        if (std::all_of(text.begin(), text.end(), IsAsciiWhitespace)) return;
        EnsureBody();
    }
    FlowText(text, m_pre > 0);
}

void PageBuilder::FinishBody(const Page* baseOf) {
    if (!m_fragment) {
        EnsureBody();
        m_page.m_title = Collapse(m_page.m_title);
        m_page.m_base = m_page.m_url;
        if (m_baseHref) {
            if (std::optional<Text> resolved = ResolveUrl(*m_baseHref, m_page.m_url)) m_page.m_base = *resolved;
        }
        m_page.m_baseTarget = m_baseTarget.value_or(Text());
    }
    const Page& base = baseOf ? *baseOf : m_page;
    for (PageLink& link : m_page.m_links) {
        // An address that does not resolve stays as written, as the href getter gives it.
        if (std::optional<Text> resolved = ResolveUrl(link.href, base.m_base, UrlForm::Display))
            link.href = std::move(*resolved);
        if (link.target.empty()) link.target = base.m_baseTarget;
    }
    // Nothing after the last content: trailing edges would only add blank space.
    while (!m_page.m_runs.empty() && m_page.m_runs.back().kind != PageRun::Kind::Words &&
           m_page.m_runs.back().kind != PageRun::Kind::AltText && m_page.m_runs.back().kind != PageRun::Kind::Field &&
           m_page.m_runs.back().kind != PageRun::Kind::LineBreak) {
        m_page.m_runs.pop_back();
    }
}

std::size_t PageBuilder::Add(const HtmlTag& tag) {
    PageElement element;
    element.tagName = Upper(tag.name);
    m_page.m_elements.push_back(std::move(element));
    return m_page.m_elements.size() - 1;
}

std::size_t PageBuilder::AddNamed(TextView tagName) {
    PageElement element;
    element.tagName = Text(tagName);
    m_page.m_elements.push_back(std::move(element));
    return m_page.m_elements.size() - 1;
}

void PageBuilder::EnsureHtml() {
    if (!m_html) AddNamed(u"HTML");
    m_html = true;
}

void PageBuilder::EnsureHead() {
    EnsureHtml();
    if (!m_head) AddNamed(u"HEAD");
    m_head = true;
}

void PageBuilder::EnsureBody() {
    if (m_bodyStarted) return;
    EnsureHead();
    m_page.m_bodyIndex = AddNamed(u"BODY");
    m_bodyStarted = true;
}

void PageBuilder::HeadElement(const HtmlTag& tag) {
    if (tag.name == u"title") {
        m_titleOpen = !m_titleDone;
        if (m_titleOpen) m_page.m_title.clear();
    } else if (tag.name == u"base") {
        if (const HtmlAttribute* href = tag.Find(u"href"); href && !m_baseHref) m_baseHref = href->value;
        if (const HtmlAttribute* target = tag.Find(u"target"); target && !m_baseTarget) m_baseTarget = target->value;
    }
}

void PageBuilder::BodyStartTag(const HtmlTag& tag) {
    const TextView name = tag.name;
    if (name == u"option" && m_select != kNoIndex) {
        Add(tag);
        PageOption option;
        if (const HtmlAttribute* value = tag.Find(u"value")) option.value = value->value;
        option.selected = tag.Find(u"selected") != nullptr;
        m_page.m_elements[m_select].options.push_back(std::move(option));
        m_hasOptionValue.push_back(tag.Find(u"value") != nullptr);
        m_option = true;
        return;
    }
    if (name == u"select") CloseSelect();
    const std::size_t index = Add(tag);
    PageElement& element = m_page.m_elements[index];
    const auto attribute = [&tag](TextView attributeName) -> const Text* {
        const HtmlAttribute* found = tag.Find(attributeName);
        return found ? &found->value : nullptr;
    };
    if (name == u"form") {
        // Forms do not nest: a form inside a form is ignored, as the tree builder does.
        if (m_form == kNoIndex) {
            const Text* action = attribute(u"action");
            const Text* method = attribute(u"method");
            m_page.m_forms.push_back({action ? *action : Text(), method && AsciiLower(TrimSpaces(*method)) == u"post"});
            m_form = m_page.m_forms.size() - 1;
        }
    } else if (IsOneOf(name, {u"input", u"textarea", u"select", u"button"})) {
        element.form = m_form;
        if (const Text* fieldName = attribute(u"name")) element.name = *fieldName;
    }

    if (IsParagraphBlock(name)) {
        Edge(PageRun::Kind::Paragraph);
    } else if (IsLineBlock(name)) {
        Edge(PageRun::Kind::BlockEdge);
    }
    if (IsBold(name)) ++m_bold;
    if (IsPreformatted(name)) {
        ++m_pre;
        m_preStart = true;  // a newline right after <pre> is not part of its text
    }

    if (name == u"a") {
        CloseLink();
        if (const Text* href = attribute(u"href")) {
            const Text* target = attribute(u"target");
            m_page.m_links.push_back({*href, target ? *target : Text()});
            m_link = m_page.m_links.size() - 1;
        }
    } else if (name == u"br") {
        Push({PageRun::Kind::LineBreak});
    } else if (name == u"li") {
        FlowText(u"\u00b7", true);
        m_pendingSpace = true;
    } else if (name == u"td" || name == u"th") {
        m_pendingSpace = m_lineHasContent;
    } else if (name == u"img") {
        if (const Text* alt = attribute(u"alt"); alt && !Collapse(*alt).empty())
            Inline(PageRun::Kind::AltText, Collapse(*alt));
    } else if (name == u"base") {
        if (!m_fragment) HeadElement(tag);
    } else if (name == u"title") {
        m_titleOpen = !m_titleDone && !m_fragment;
        if (m_titleOpen) m_page.m_title.clear();
    } else if (name == u"input") {
        const Text* type = attribute(u"type");
        Text kind = type ? AsciiLower(TrimSpaces(*type)) : Text(u"text");
        if (std::find(std::begin(kInputTypes), std::end(kInputTypes), kind) == std::end(kInputTypes)) kind = u"text";
        const Text* value = attribute(u"value");
        element.value = value ? *value : (kind == u"checkbox" || kind == u"radio") ? Text(u"on") : Text();
        element.checked = attribute(u"checked") != nullptr;
        if (const Text* size = attribute(u"size")) element.size = ParseSize(*size);
        element.type = kind;
        if (kind == u"image") {
            const Text* alt = attribute(u"alt");
            Inline(PageRun::Kind::AltText, Collapse(alt ? *alt : element.value.value_or(Text())));
        } else if (kind != u"hidden") {
            Field(index);
        }
    } else if (name == u"textarea") {
        element.type = u"textarea";
        element.value = Text();
        m_textarea = index;
        m_textareaStart = true;
        Field(index);
    } else if (name == u"select") {
        element.type = attribute(u"multiple") ? u"select-multiple" : u"select-one";
        element.value = Text();
        m_select = index;
        m_hasOptionValue.clear();
        Field(index);
    } else if (name == u"button") {
        const Text* type = attribute(u"type");
        Text kind = type ? AsciiLower(TrimSpaces(*type)) : Text(u"submit");
        if (kind != u"button" && kind != u"reset") kind = u"submit";
        element.type = kind;
        const Text* value = attribute(u"value");
        element.value = value ? *value : Text();
    }
}

int PageBuilder::ParseSize(TextView text) {
    int value = 0;
    for (char16_t c : TrimSpaces(text)) {
        if (c < u'0' || c > u'9') break;
        value = std::min(value * 10 + (c - u'0'), 1000);
    }
    return value;
}

void PageBuilder::RawText(TextView text) {
    if (m_raw == u"title") {
        if (m_titleOpen) m_page.m_title += text;
    } else if (m_raw == u"textarea") {
        if (m_textarea == kNoIndex) return;
        Text& value = *m_page.m_elements[m_textarea].value;
        // A newline right after <textarea> is not part of the value.
        if (m_textareaStart && !text.empty() && text.front() == u'\n') text.remove_prefix(1);
        m_textareaStart = false;
        value += text;
    } else if (m_raw == u"xmp" || m_raw == u"plaintext") {
        if (!m_bodyStarted) EnsureBody();
        FlowText(text, true);
    }
}

void PageBuilder::CloseSelect() {
    if (m_select == kNoIndex) return;
    PageElement& select = m_page.m_elements[m_select];
    for (std::size_t i = 0; i < select.options.size(); ++i) {
        PageOption& option = select.options[i];
        option.text = Collapse(option.text);
        if (!m_hasOptionValue[i]) option.value = option.text;
    }
    auto chosen =
        std::find_if(select.options.begin(), select.options.end(), [](const PageOption& o) { return o.selected; });
    if (chosen == select.options.end() && !select.options.empty() && select.type == u"select-one")
        chosen = select.options.begin();
    select.value = chosen == select.options.end() ? Text() : chosen->value;
    m_select = kNoIndex;
    m_option = false;
}

}  // namespace ferrik
