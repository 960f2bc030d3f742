#include "web/page.h"

#include <algorithm>
#include <utility>

#include "analysis/html_charset.h"
#include "analysis/html_tokenizer.h"
#include "analysis/url.h"

namespace ferrik {

namespace {

using State = HtmlTokenizer::State;

bool IsAsciiWhitespace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\f' || c == u'\r';
}

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

// The tree builder's part, reduced to what the page view and its document model need: which
// element a piece of text belongs to, whether it is seen, and in which font.
class PageBuilder final : public HtmlTokenSink {
public:
    // A document builds head and body; a fragment (pasteHTML) is all body and appends to `page`.
    PageBuilder(Page& page, bool fragment) : m_page(page), m_fragment(fragment), m_bodyStarted(fragment) {}

    void Attach(HtmlTokenizer& tokenizer) {
        m_tokenizer = &tokenizer;
        tokenizer.SetCollectText(true);
    }

    bool WantsAttributes(TextView) override { return m_templateDepth == 0 && !m_full; }
    // The attributes the page model reads; no other is kept.
    bool WantsAttribute(TextView name) override {
        return IsOneOf(name, {u"href", u"target", u"value", u"selected", u"action", u"method", u"name", u"alt",
                              u"type", u"checked", u"size", u"multiple"});
    }

    // Once the page holds as much as it may (page.h), it ends there: nothing after is read.
    bool Full() const { return m_full; }

    void OnStartTag(const HtmlTag& tag) override {
        // A link past kMaxPageLinks ends the page before it.
        if (tag.name == u"a" && m_templateDepth == 0 && tag.Find(u"href") && m_page.m_links.size() >= kMaxPageLinks)
            m_full = true;
        if (m_full) return;
        for (const HtmlAttribute& a : tag.attributes) m_chars += a.value.size();
        StartTag(tag);
        NoteLimits();
    }
    void OnEndTag(const HtmlTag& tag) override {
        if (m_full) return;
        EndTag(tag);
        NoteLimits();
    }
    void OnText(TextView text) override {
        if (m_full) return;
        text = text.substr(0, kMaxPageCharacters - std::min(m_chars, kMaxPageCharacters));
        m_chars += text.size();
        Characters(text);
        NoteLimits();
    }

    void Finish(const Page* baseOf) {
        CloseSelect();
        FinishBody(baseOf);
        if (m_full) {
            if (!m_page.m_runs.empty()) m_page.m_runs.push_back({PageRun::Kind::Paragraph});
            m_page.m_runs.push_back({PageRun::Kind::Words, Text(kPageCutNotice)});
        }
    }

private:
    void NoteLimits() {
        m_full = m_full || m_page.m_elements.size() >= kMaxPageElements || m_page.m_runs.size() >= kMaxPageRuns ||
                 m_chars >= kMaxPageCharacters;
        if (m_full) m_tokenizer->SetCollectText(false);
    }

    void StartTag(const HtmlTag& tag) {
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

    void EndTag(const HtmlTag& tag) {
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

    void Characters(TextView text) {
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

    void FinishBody(const Page* baseOf) {
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
               m_page.m_runs.back().kind != PageRun::Kind::AltText &&
               m_page.m_runs.back().kind != PageRun::Kind::Field &&
               m_page.m_runs.back().kind != PageRun::Kind::LineBreak) {
            m_page.m_runs.pop_back();
        }
    }

    std::size_t Add(const HtmlTag& tag) {
        PageElement element;
        element.tagName = Upper(tag.name);
        m_page.m_elements.push_back(std::move(element));
        return m_page.m_elements.size() - 1;
    }
    std::size_t AddNamed(TextView tagName) {
        PageElement element;
        element.tagName = Text(tagName);
        m_page.m_elements.push_back(std::move(element));
        return m_page.m_elements.size() - 1;
    }

    void EnsureHtml() {
        if (!m_html) AddNamed(u"HTML");
        m_html = true;
    }
    void EnsureHead() {
        EnsureHtml();
        if (!m_head) AddNamed(u"HEAD");
        m_head = true;
    }
    void EnsureBody() {
        if (m_bodyStarted) return;
        EnsureHead();
        m_page.m_bodyIndex = AddNamed(u"BODY");
        m_bodyStarted = true;
    }

    void HeadElement(const HtmlTag& tag) {
        if (tag.name == u"title") {
            m_titleOpen = !m_titleDone;
            if (m_titleOpen) m_page.m_title.clear();
        } else if (tag.name == u"base") {
            if (const HtmlAttribute* href = tag.Find(u"href"); href && !m_baseHref) m_baseHref = href->value;
            if (const HtmlAttribute* target = tag.Find(u"target"); target && !m_baseTarget)
                m_baseTarget = target->value;
        }
    }

    void BodyStartTag(const HtmlTag& tag) {
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
                m_page.m_forms.push_back(
                    {action ? *action : Text(), method && AsciiLower(TrimSpaces(*method)) == u"post"});
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
            if (std::find(std::begin(kInputTypes), std::end(kInputTypes), kind) == std::end(kInputTypes))
                kind = u"text";
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

    static int ParseSize(TextView text) {
        int value = 0;
        for (char16_t c : TrimSpaces(text)) {
            if (c < u'0' || c > u'9') break;
            value = std::min(value * 10 + (c - u'0'), 1000);
        }
        return value;
    }

    void RawText(TextView text) {
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

    void CloseLink() { m_link = kNoIndex; }

    void CloseSelect() {
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

    FontRole Font() const { return m_bold > 0 ? FontRole::Bold : FontRole::Normal; }

    // A run past kMaxPageRuns ends the page before it.
    void Push(PageRun run) {
        if (m_page.m_runs.size() >= kMaxPageRuns) m_full = true;
        if (m_full) return;
        m_page.m_runs.push_back(std::move(run));
        const PageRun::Kind kind = m_page.m_runs.back().kind;
        m_lineHasContent =
            kind == PageRun::Kind::Words || kind == PageRun::Kind::AltText || kind == PageRun::Kind::Field;
        if (!m_lineHasContent) m_pendingSpace = false;
    }

    // A block's edge; edges in a row count once, the stronger one winning, and none before content.
    void Edge(PageRun::Kind kind) {
        std::vector<PageRun>& runs = m_page.m_runs;
        if (runs.empty()) return;
        PageRun& last = runs.back();
        if (last.kind == PageRun::Kind::Paragraph) return;
        if (last.kind == PageRun::Kind::BlockEdge) {
            last.kind = kind;
            return;
        }
        Push({kind});
    }

    void FlushSpace() {
        if (!m_pendingSpace) return;
        m_pendingSpace = false;
        std::vector<PageRun>& runs = m_page.m_runs;
        // A space after a link belongs to what follows: it is never underlined.
        if (!runs.empty() && runs.back().kind == PageRun::Kind::Words &&
            (runs.back().link == m_link || runs.back().link == kNoIndex)) {
            runs.back().text += u' ';
        } else {
            Push({PageRun::Kind::Words, u" ", Font()});
        }
    }

    void Inline(PageRun::Kind kind, Text text) {
        if (text.empty()) return;
        FlushSpace();
        PageRun run{kind, std::move(text), Font(), m_link};
        Push(std::move(run));
    }

    void Field(std::size_t element) {
        FlushSpace();
        PageRun run{PageRun::Kind::Field, {}, FontRole::Normal, m_link, element};
        Push(std::move(run));
    }

    void AppendText(TextView piece) {
        if (piece.empty() || m_full) return;
        std::vector<PageRun>& runs = m_page.m_runs;
        if (!runs.empty() && runs.back().kind == PageRun::Kind::Words && runs.back().link == m_link &&
            runs.back().font == Font()) {
            runs.back().text += piece;
            m_lineHasContent = true;
        } else {
            Push({PageRun::Kind::Words, Text(piece), Font(), m_link});
        }
    }

    // Character data in the flow: white space collapsed to one space, none at a line's start;
    // preformatted text keeps its spaces and breaks its lines where the text does.
    void FlowText(TextView text, bool preformatted) {
        if (std::exchange(m_preStart, false) && preformatted && !text.empty() && text.front() == u'\n')
            text.remove_prefix(1);
        if (preformatted) {
            std::size_t start = 0;
            for (std::size_t i = 0; i <= text.size() && !m_full; ++i) {
                if (i < text.size() && text[i] != u'\n') continue;
                Text piece;
                for (char16_t c : text.substr(start, i - start)) {
                    if (c == u'\t') {
                        piece.append(4, u' ');
                    } else if (c != 0) {
                        piece += c;
                    }
                }
                if (!piece.empty()) {
                    FlushSpace();
                    AppendText(piece);
                }
                if (i < text.size()) Push({PageRun::Kind::LineBreak});
                start = i + 1;
            }
            return;
        }
        Text piece;
        for (char16_t c : text) {
            if (IsAsciiWhitespace(c)) {
                if (!piece.empty()) {
                    AppendText(piece);
                    piece.clear();
                }
                if (m_lineHasContent) m_pendingSpace = true;
            } else if (c != 0) {  // the tree builder drops NUL characters
                if (m_pendingSpace) {
                    AppendText(piece);
                    piece.clear();
                    FlushSpace();
                }
                piece += c;
            }
        }
        AppendText(piece);
    }

    Page& m_page;
    HtmlTokenizer* m_tokenizer = nullptr;
    bool m_fragment;
    bool m_bodyStarted;
    bool m_html = false;
    bool m_head = false;
    TextView m_raw;  // the raw-text element now open (points into a constant table entry)
    std::size_t m_templateDepth = 0;
    std::size_t m_link = kNoIndex;
    std::size_t m_select = kNoIndex;
    std::size_t m_form = kNoIndex;
    std::vector<bool> m_hasOptionValue;
    bool m_option = false;
    std::size_t m_textarea = kNoIndex;
    bool m_textareaStart = false;
    int m_bold = 0;
    int m_pre = 0;
    bool m_preStart = false;
    bool m_lineHasContent = false;
    bool m_pendingSpace = false;
    bool m_titleOpen = false;
    bool m_titleDone = false;
    bool m_full = false;
    std::size_t m_chars = 0;  // of text and kept attribute values read so far
    std::optional<Text> m_baseHref;
    std::optional<Text> m_baseTarget;
};

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
