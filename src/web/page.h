#pragma once
// Ferrik's own page model: an HTML document read by the HTML engine into what the page view shows
// (title, text with line and paragraph breaks, links, form fields, images as their alt text) and
// the document object model the web window writes to (elements in document order, the body's
// content replaced by pasteHTML). No scripts run and no style sheets apply.
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "analysis/html_links.h"
#include "common/ports.h"
#include "common/text.h"
#include "web/browser.h"

namespace ferrik {

inline constexpr std::size_t kNoIndex = static_cast<std::size_t>(-1);

struct PageOption {
    Text value;  // the value attribute, else the option's text
    Text text;
    bool selected = false;
};

struct PageElement {
    Text tagName;                     // upper-case, as the DOM's tagName gives it ("INPUT")
    std::optional<Text> type;         // only elements that have a type (form fields)
    std::optional<Text> value;        // only elements that have a value
    bool checked = false;             // check boxes and option buttons
    int size = 0;                     // an input's size attribute, 0 when absent
    std::vector<PageOption> options;  // a SELECT's
    Text name;                        // a form field's name attribute
    std::size_t form = kNoIndex;      // a form field's form, index into the page's forms
};

struct PageForm {
    Text action;  // as written; resolved when submitted
    bool post = false;
};

struct PageLink {
    Text href;    // resolved against the document's base, non-ASCII characters readable
    Text target;  // the link's target, else the base's; empty for none
};

enum class FontRole { Normal, Bold, Title };

// One piece of the page's flow, in reading order.
struct PageRun {
    enum class Kind {
        Words,      // characters, white space already collapsed (kept in preformatted text)
        AltText,    // an image, shown as its alt text
        Field,      // a form field (element), drawn as a box with its value
        LineBreak,  // <br>: always ends the line, an empty line included
        BlockEdge,  // a block element starts or ends: ends a line that has content
        Paragraph,  // a paragraph's edge: ends the line and leaves a blank line before the next content
    };
    Kind kind = Kind::Words;
    Text text{};
    FontRole font = FontRole::Normal;
    std::size_t link = kNoIndex;     // index into Page::Links()
    std::size_t element = kNoIndex;  // Field: index into the elements
};

// What one page may hold, each far beyond the largest film pages (a few MB, tens of thousands of
// links) and together far below a 32-bit address space. The page ends where the first is reached:
// what came before stays as read, and a last line says that the rest is not shown.
inline constexpr std::size_t kMaxPageElements = 1000000;
inline constexpr std::size_t kMaxPageRuns = 1000000;
inline constexpr std::size_t kMaxPageCharacters = 8u << 20;  // of text and kept attribute values
// (links: kMaxPageLinks, as a document holds them)
inline constexpr char16_t kPageCutNotice[] = u"（网页太长，后面的内容没有显示。）";

// A loaded document. It is also the document object model the browser hands out: values written
// through it show on the page at the next layout (the change handler says when).
class Page final : public BrowserDocument {
public:
    Page() = default;
    // `html` read as a document at `url` (the address after redirects, also the base for links).
    Page(TextView html, TextView url);
    // A body's bytes: decoded as browsers decide (byte-order mark, Content-Type, <meta>, else GBK).
    static Page FromBytes(std::string_view body, std::string_view contentType, TextView url,
                          const ByteDecoder& decoder);

    const Text& Url() const { return m_url; }
    // The charset the page was read in ("UTF-8" for a page made from text): its links' queries go in it.
    const Text& Charset() const { return m_charset; }
    const Text& Title() const { return m_title; }
    const std::vector<PageRun>& Runs() const { return m_runs; }
    const std::vector<PageLink>& Links() const { return m_links; }
    const std::vector<PageElement>& Elements() const { return m_elements; }
    // What a form field shows in its box: the value, the chosen option's text, bullets for a password.
    Text FieldText(std::size_t element) const;

    // Where submitting the form of field `submitter` (a submit button) goes: the form's action with
    // its fields as the query ("name=value&..."; the submitter counts only when it is the one
    // pressed). Characters beyond ASCII stay readable: the request sends them in the page's
    // charset. nullopt for a field outside a form and for a form sent by POST, which this
    // browser cannot send.
    std::optional<Text> SubmitAddress(std::size_t submitter) const;

    // Called after every change of the content: with the element whose value SetValue changed, or
    // kNoIndex when the body was replaced (PasteHtmlIntoBody).
    void SetChangeHandler(std::function<void(std::size_t element)> handler) { m_changed = std::move(handler); }

    // BrowserDocument
    std::size_t ElementCount() const override { return m_elements.size(); }
    std::optional<Text> TagName(std::size_t index) const override;
    std::optional<Text> Type(std::size_t index) const override;
    std::optional<Text> Value(std::size_t index) const override;
    bool SetValue(std::size_t index, TextView value) override;
    bool PasteHtmlIntoBody(TextView html) override;

private:
    friend class PageBuilder;
    void Changed(std::size_t element) {
        if (m_changed) m_changed(element);
    }

    Text m_url;
    Text m_charset = u"UTF-8";
    Text m_base;  // where relative links resolve: the first <base href>, else the address
    Text m_baseTarget;
    Text m_title;
    std::vector<PageElement> m_elements;
    std::size_t m_bodyIndex = kNoIndex;  // the BODY element; the body's elements follow it
    std::vector<PageRun> m_runs;         // the body's content
    std::vector<PageLink> m_links;
    std::vector<PageForm> m_forms;
    std::function<void(std::size_t)> m_changed;
};

// What a browser makes of an address it is given: surrounding white space dropped, "about:blank"
// in any case as "about:blank", an address without a scheme ("www.example.com/x") taken as http.
// Empty when nothing is left.
Text BrowserAddress(TextView typed);

// ---- Layout ----

class TextMeasurer {
public:
    virtual ~TextMeasurer() = default;
    virtual int Width(TextView text, FontRole font) = 0;
    virtual int LineHeight(FontRole font) = 0;
};

struct LayoutBox {
    enum class Kind { Words, AltText, Field };
    Kind kind = Kind::Words;
    int x = 0, y = 0, width = 0, height = 0;
    Text text;  // what is drawn (a field's shown text)
    FontRole font = FontRole::Normal;
    std::size_t link = kNoIndex;
    std::size_t element = kNoIndex;
};

struct PageLayout {
    std::vector<LayoutBox> boxes;  // line by line, top to bottom, left to right
    int height = 0;                // of the whole page, margins included
};

inline constexpr int kPageMargin = 8;
inline constexpr int kFieldPadding = 3;  // between a field's frame and its text

// The most boxes a page is laid out in (a box per word run and line): a line ends where a
// narrow view holds less than a word, and the boxes of a long page are kept until it goes. What
// would follow is not laid out; a last line says so.
inline constexpr std::size_t kMaxLayoutBoxes = 2000000;

// The page laid out in lines for a view `width` pixels wide: the title as a heading, then the
// body's flow, wrapped at spaces and between CJK characters (a word wider than a line is cut).
PageLayout LayoutPage(const Page& page, int width, TextMeasurer& measurer);

class LineBuilder;

// The same a part at a time, so that a long page can be laid out between a window's messages.
// Each Continue places about `work` boxes or runs more; `out` holds whole lines only (as
// LayoutPage would place them), with its height at their bottom. `page` and `measurer` must
// outlast the layouter, and the page must not change meanwhile.
class PageLayouter {
public:
    PageLayouter(const Page& page, int width, TextMeasurer& measurer, PageLayout& out);
    ~PageLayouter();
    PageLayouter(const PageLayouter&) = delete;
    PageLayouter& operator=(const PageLayouter&) = delete;

    // True once the whole page is laid out.
    bool Continue(std::size_t work);
    bool Done() const { return m_done; }

private:
    static constexpr std::size_t kTitle = static_cast<std::size_t>(-1);

    const Page& m_page;
    PageLayout& m_out;
    std::unique_ptr<LineBuilder> m_lines;
    PageRun m_title;
    std::size_t m_step = 0;  // the run under way, kTitle for the title
    std::size_t m_from = 0;  // where in its text
    bool m_done = false;
};

// The box under a point of the laid-out page, null when none.
const LayoutBox* BoxAt(const PageLayout& layout, int x, int y);
// The link under a point; nullopt when none.
std::optional<std::size_t> LinkAt(const PageLayout& layout, int x, int y);

}  // namespace ferrik
