#include "analysis/html_links.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>

#include "analysis/html_charset.h"
#include "analysis/html_tokenizer.h"
#include "analysis/url.h"

namespace ferrik {

namespace {

using State = HtmlTokenizer::State;

// Each character's six bits in a name key: 1-26 for the lower-case letters, 27-36 for the
// digits, 0 for every other code unit.
constexpr std::array<std::uint8_t, 128> kNameCodes = [] {
    std::array<std::uint8_t, 128> codes{};
    for (int c = 'a'; c <= 'z'; ++c) codes[c] = static_cast<std::uint8_t>(c - 'a' + 1);
    for (int c = '0'; c <= '9'; ++c) codes[c] = static_cast<std::uint8_t>(c - '0' + 27);
    return codes;
}();

// An element name as one number, so that each tag is told apart by integer compares instead of
// text compares: six bits per character for names of up to ten lower-case letters and digits,
// 0 for every other name (none of which this collector looks for).
constexpr std::uint64_t NameKey(TextView name) {
    if (name.size() > 10) return 0;
    std::uint64_t key = 0;
    for (const char16_t c : name) {
        const std::uint8_t code = c < 0x80 ? kNameCodes[c] : 0;
        if (code == 0) return 0;
        key = key << 6 | code;
    }
    return key;
}

// Elements whose content the tokenizer reads as text, and whether a reader sees that text.
struct RawTextElement {
    std::uint64_t name;  // NameKey
    State state;
    bool visible;
};

constexpr RawTextElement kRawTextElements[] = {
    {NameKey(u"script"), State::ScriptData, false},  {NameKey(u"style"), State::Rawtext, false},
    {NameKey(u"title"), State::Rcdata, false},       {NameKey(u"iframe"), State::Rawtext, false},
    {NameKey(u"noembed"), State::Rawtext, false},    {NameKey(u"noframes"), State::Rawtext, false},
    {NameKey(u"xmp"), State::Rawtext, true},         {NameKey(u"textarea"), State::Rcdata, true},
    {NameKey(u"plaintext"), State::Plaintext, true},
};

// Elements that start a new line where a browser shows them: inside a link they separate words.
constexpr TextView kLineBreakingElements[] = {
    u"address", u"article",    u"aside",  u"blockquote", u"br",   u"center", u"dd",  u"div", u"dl",
    u"dt",      u"figcaption", u"figure", u"footer",     u"form", u"h1",     u"h2",  u"h3",  u"h4",
    u"h5",      u"h6",         u"header", u"hr",         u"li",   u"main",   u"nav", u"ol",  u"p",
    u"pre",     u"section",    u"table",  u"td",         u"th",   u"tr",     u"ul",
};

// What the collector knows of an element, found by its key in a hash table (open addressing,
// linear probing) rather than by searching the lists above for each tag.
struct ElementKind {
    std::uint64_t name = 0;  // NameKey; 0 for an empty slot
    bool lineBreaking = false;
    const RawTextElement* raw = nullptr;
};

constexpr std::size_t kKindSlots = 128;  // a power of two, about three times the names

constexpr std::size_t KindSlot(std::uint64_t name) {
    return static_cast<std::size_t>((name * 0x9E3779B97F4A7C15ull) >> 57) & (kKindSlots - 1);
}

constexpr auto kElementKinds = [] {
    std::array<ElementKind, kKindSlots> slots{};
    const auto slotOf = [&slots](std::uint64_t name) -> ElementKind& {
        std::size_t s = KindSlot(name);
        while (slots[s].name != 0 && slots[s].name != name) s = (s + 1) & (kKindSlots - 1);
        slots[s].name = name;
        return slots[s];
    };
    for (const TextView name : kLineBreakingElements) slotOf(NameKey(name)).lineBreaking = true;
    for (const RawTextElement& e : kRawTextElements) slotOf(e.name).raw = &e;
    return slots;
}();

const ElementKind* FindElementKind(std::uint64_t name) {
    if (name == 0) return nullptr;
    for (std::size_t s = KindSlot(name); kElementKinds[s].name != 0; s = (s + 1) & (kKindSlots - 1))
        if (kElementKinds[s].name == name) return &kElementKinds[s];
    return nullptr;
}

constexpr std::uint64_t kA = NameKey(u"a");
constexpr std::uint64_t kArea = NameKey(u"area");
constexpr std::uint64_t kBase = NameKey(u"base");
constexpr std::uint64_t kTemplate = NameKey(u"template");

bool IsAsciiWhitespace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\f' || c == u'\r';
}

// The tree builder's view, reduced to what the link collection needs: which <a> is open, whether
// the text now read is visible inside it, and the first <base href>.
class LinkCollector final : public HtmlTokenSink {
public:
    void Attach(HtmlTokenizer& tokenizer) { m_tokenizer = &tokenizer; }
    // An address resolved against a base of this length fits in about that much more room: taken
    // with the address as written, so that resolving it in place needs no new storage (up to a
    // bound: a long base costs each link a new buffer rather than a page's links much unused room).
    void SetBaseLength(std::size_t length) { m_addressRoom = std::min<std::size_t>(length + 2, 256); }

    bool WantsAttributes(TextView tagName) override {
        m_startTagKey = NameKey(tagName);
        m_startTagKeyKnown = true;
        return m_templateDepth == 0 && (m_startTagKey == kA || m_startTagKey == kArea || m_startTagKey == kBase);
    }

    bool WantsAttribute(TextView name) override { return name == u"href"; }

    void OnStartTag(const HtmlTag& tag) override {
        // The key of a tag with attributes was taken when they were asked for.
        const std::uint64_t name = m_startTagKeyKnown ? m_startTagKey : NameKey(tag.name);
        m_startTagKeyKnown = false;
        if (name == kTemplate) {
            ++m_templateDepth;
        } else if (m_templateDepth > 0) {
            // Template contents are not part of the document.
        } else if (name == kA) {
            // A second <a> closes the first, as the adoption agency does.
            CloseLink();
            if (const HtmlAttribute* href = tag.Find(u"href"); href && !Full()) {
                AddLink(href->value);
                m_linkOpen = true;
            }
        } else if (name == kArea) {
            if (const HtmlAttribute* href = tag.Find(u"href"); href && !Full()) AddLink(href->value);
        } else if (name == kBase) {
            const HtmlAttribute* href = tag.Find(u"href");
            if (href && !m_baseHref) m_baseHref = href->value;
        }
        if (const ElementKind* kind = FindElementKind(name)) {
            if (m_linkOpen && kind->lineBreaking) BreakLine();
            if (const RawTextElement* raw = kind->raw) {
                m_tokenizer->SetState(raw->state);
                m_hidden = !raw->visible;
            }
        }
        UpdateTextCollection();
    }

    void OnEndTag(const HtmlTag& tag) override {
        // Raw text ends only at its own end tag, so any end tag ends hidden text.
        m_hidden = false;
        const std::uint64_t name = NameKey(tag.name);
        if (name == kTemplate) {
            if (m_templateDepth > 0) --m_templateDepth;
        } else if (name == kA && m_templateDepth == 0) {
            CloseLink();  // a stray </a> closes nothing
        } else if (m_linkOpen) {
            if (const ElementKind* kind = FindElementKind(name); kind && kind->lineBreaking) BreakLine();
        }
        UpdateTextCollection();
    }

    // Inner text with runs of white space collapsed to one space, trimmed.
    void OnText(TextView text) override {
        Text& out = m_links.back().text;
        for (const char16_t c : text) {
            if (IsAsciiWhitespace(c)) {
                m_pendingSpace = !out.empty();
            } else if (c != 0) {  // the tree builder drops NUL characters
                if (m_pendingSpace) out += u' ';
                m_pendingSpace = false;
                out += c;
            }
        }
    }

    bool Full() const { return m_links.size() >= kMaxPageLinks; }

    // Addresses are resolved at the end: a <base> anywhere in the document applies to every link.
    std::vector<Hyperlink> TakeLinks(TextView documentUrl) {
        Text base(documentUrl);
        if (m_baseHref) {
            if (std::optional<Text> resolved = ResolveUrl(*m_baseHref, documentUrl)) base = std::move(*resolved);
        }
        Text written;
        for (Hyperlink& link : m_links) {
            // An address that does not resolve stays as written, as a browser's href getter gives it.
            // Non-ASCII characters stay readable, as the address bar shows them: patterns are
            // written that way, and the request encodes them again.
            written.assign(link.address);
            if (!ResolveUrlInto(written, base, UrlForm::Display, link.address)) link.address.assign(written);
        }
        return std::move(m_links);
    }

private:
    void AddLink(TextView address) {
        Hyperlink& link = m_links.emplace_back();
        link.address.reserve(address.size() + m_addressRoom);
        link.address.assign(address);
    }

    void CloseLink() {
        m_linkOpen = false;
        m_pendingSpace = false;
    }

    void BreakLine() {
        if (!m_links.back().text.empty()) m_pendingSpace = true;
    }

    void UpdateTextCollection() { m_tokenizer->SetCollectText(m_linkOpen && !m_hidden && m_templateDepth == 0); }

    HtmlTokenizer* m_tokenizer = nullptr;
    std::vector<Hyperlink> m_links;  // addresses as written until TakeLinks
    std::optional<Text> m_baseHref;
    std::size_t m_templateDepth = 0;
    std::size_t m_addressRoom = 0;
    std::uint64_t m_startTagKey = 0;  // of the start tag whose attributes were last asked for
    bool m_startTagKeyKnown = false;
    bool m_linkOpen = false;  // an <a href> is open: m_links.back() takes the text
    bool m_hidden = false;    // inside script, style and the like
    bool m_pendingSpace = false;
};

}  // namespace

std::vector<Hyperlink> ExtractLinks(std::string_view body, std::string_view contentType, TextView documentUrl,
                                    const ByteDecoder& decoder) {
    const DocumentCharset charset = SniffCharset(body, contentType);
    LinkCollector collector;
    HtmlTokenizer tokenizer(collector);
    collector.Attach(tokenizer);
    collector.SetBaseLength(documentUrl.size());
    BodyDecoder pieces(body.substr(charset.bomLength), charset.encoding, decoder);
    Text piece;
    while (!collector.Full() && pieces.Next(piece)) tokenizer.Feed(piece);
    tokenizer.Finish();
    return collector.TakeLinks(documentUrl);
}

}  // namespace ferrik
