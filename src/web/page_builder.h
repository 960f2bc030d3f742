#pragma once
// The page model's reader, for the page's own files only: the HTML engine's tokens made into a
// Page's elements, title, links, forms and flow of runs.
#include <cstddef>
#include <optional>
#include <vector>

#include "analysis/html_tokenizer.h"
#include "web/page.h"

namespace ferrik {

inline bool IsAsciiWhitespace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\f' || c == u'\r';
}

// The tree builder's part, reduced to what the page view and its document model need: which
// element a piece of text belongs to, whether it is seen, and in which font.
class PageBuilder final : public HtmlTokenSink {
public:
    // A document builds head and body; a fragment (pasteHTML) is all body and appends to `page`.
    PageBuilder(Page& page, bool fragment) : m_page(page), m_fragment(fragment), m_bodyStarted(fragment) {}

    void Attach(HtmlTokenizer& tokenizer);

    bool WantsAttributes(TextView) override { return m_templateDepth == 0 && !m_full; }
    // The attributes the page model reads; no other is kept.
    bool WantsAttribute(TextView name) override;

    // Once the page holds as much as it may (page.h), it ends there: nothing after is read.
    bool Full() const { return m_full; }

    void OnStartTag(const HtmlTag& tag) override;
    void OnEndTag(const HtmlTag& tag) override;
    void OnText(TextView text) override;

    void Finish(const Page* baseOf);

private:
    // The document's tree (page_builder.cpp): elements, head and body, forms and fields.
    void NoteLimits();
    void StartTag(const HtmlTag& tag);
    void EndTag(const HtmlTag& tag);
    void Characters(TextView text);
    void FinishBody(const Page* baseOf);
    std::size_t Add(const HtmlTag& tag);
    std::size_t AddNamed(TextView tagName);

    void EnsureHtml();
    void EnsureHead();
    void EnsureBody();
    void HeadElement(const HtmlTag& tag);
    void BodyStartTag(const HtmlTag& tag);
    static int ParseSize(TextView text);
    void RawText(TextView text);
    void CloseLink() { m_link = kNoIndex; }
    void CloseSelect();

    // The flow of runs the view lays out (page_flow.cpp).
    FontRole Font() const { return m_bold > 0 ? FontRole::Bold : FontRole::Normal; }

    // A run past kMaxPageRuns ends the page before it.
    void Push(PageRun run);

    // A block's edge; edges in a row count once, the stronger one winning, and none before content.
    void Edge(PageRun::Kind kind);
    void FlushSpace();
    void Inline(PageRun::Kind kind, Text text);
    void Field(std::size_t element);
    void AppendText(TextView piece);

    // Character data in the flow: white space collapsed to one space, none at a line's start;
    // preformatted text keeps its spaces and breaks its lines where the text does.
    void FlowText(TextView text, bool preformatted);

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

}  // namespace ferrik
