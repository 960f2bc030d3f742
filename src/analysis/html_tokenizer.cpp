#include "analysis/html_tokenizer.h"

#include <algorithm>
#include <array>

#include "analysis/html_entities.h"
#include "common/text_search.h"

namespace ferrik {

namespace {

constexpr char32_t kEof = 0xFFFFFFFF;
constexpr char16_t kReplacement = 0xFFFD;
// Above this many attributes on one tag, duplicates are found through a hash set.
constexpr std::size_t kLinearAttributeLimit = 16;

bool IsSpace(char32_t c) {
    return c == u'\t' || c == u'\n' || c == u'\f' || c == u' ';
}
bool IsUpper(char32_t c) {
    return c >= u'A' && c <= u'Z';
}
bool IsAlpha(char32_t c) {
    return IsUpper(c) || (c >= u'a' && c <= u'z');
}
bool IsDigit(char32_t c) {
    return c >= u'0' && c <= u'9';
}
bool IsAlnum(char32_t c) {
    return IsAlpha(c) || IsDigit(c);
}
char16_t Lower(char32_t c) {
    return static_cast<char16_t>(IsUpper(c) ? c + 0x20 : c);
}

// Length of the run at `p` that holds none of the stop characters.
template <typename Stop>
std::size_t RunLength(const char16_t* p, const char16_t* e, Stop stop) {
    const char16_t* q = p;
    while (q < e && !stop(*q)) ++q;
    return static_cast<std::size_t>(q - p);
}

// The units that end a tag name, an attribute name or an unquoted attribute value, as bits of a
// table of the ASCII units, so that the runs of these states cost one lookup per unit.
enum StopBits : std::uint8_t {
    kEndsTagName = 1,
    kEndsAttributeName = 2,
    kEndsUnquotedValue = 4,
    kReference = 8,
};
constexpr std::array<std::uint8_t, 128> kStops = [] {
    std::array<std::uint8_t, 128> stops{};
    for (const char c : {'\t', '\n', '\f', ' ', '>', '\0'}) stops[static_cast<unsigned char>(c)] |= 7;
    stops['/'] |= kEndsTagName | kEndsAttributeName;
    stops['='] |= kEndsAttributeName;
    for (int c = 'A'; c <= 'Z'; ++c) stops[c] |= kEndsTagName | kEndsAttributeName;
    stops['&'] |= kReference;
    return stops;
}();

// Length of the run at `p` that holds no unit with any of the `stops` bits.
std::size_t RunBefore(const char16_t* p, const char16_t* e, std::uint8_t stops) {
    const char16_t* q = p;
    while (q < e && !(*q < 0x80 && (kStops[*q] & stops))) ++q;
    return static_cast<std::size_t>(q - p);
}

bool MatchesIgnoringCase(const char16_t* p, std::u16string_view lowerWord) {
    for (std::size_t i = 0; i < lowerWord.size(); ++i)
        if (Lower(p[i]) != lowerWord[i]) return false;
    return true;
}

// C1 controls in numeric references mean what windows-1252 puts there.
char32_t NumericReferenceValue(std::uint32_t code) {
    static constexpr char16_t kWindows1252[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                                  0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return kReplacement;
    if (code >= 0x80 && code <= 0x9F) return kWindows1252[code - 0x80];
    return code;
}

}  // namespace

const HtmlAttribute* HtmlTag::Find(TextView attributeName) const {
    for (const HtmlAttribute& a : attributes)
        if (a.name == attributeName) return &a;
    return nullptr;
}

void HtmlTokenizer::Feed(TextView text) {
    if (m_done) return;
    m_buf.erase(0, m_pos);
    m_pos = 0;
    // Input without carriage returns, with nothing left over from the input before, is run where
    // it lies; only what it leaves unconsumed is kept, for the next input.
    if (m_buf.empty() && !m_pendingCr && FindUnit(text, u'\r', 0) == TextView::npos) {
        Run(text, false);
        if (!m_done) m_buf.assign(text.substr(m_pos));
        m_pos = 0;
        return;
    }
    m_buf.reserve(m_buf.size() + text.size());
    // CR LF and lone CR become LF before tokenizing.
    std::size_t i = 0;
    if (m_pendingCr && !text.empty() && text[0] == u'\n') i = 1;
    m_pendingCr = false;
    while (i < text.size()) {
        const std::size_t cr = FindUnit(text, u'\r', i);
        if (cr == TextView::npos) {
            m_buf.append(text.substr(i));
            break;
        }
        m_buf.append(text.substr(i, cr - i));
        m_buf += u'\n';
        i = cr + 1;
        if (i == text.size())
            m_pendingCr = true;
        else if (text[i] == u'\n')
            ++i;
    }
    Run(m_buf, false);
}

void HtmlTokenizer::Finish() {
    if (!m_done) Run(m_buf, true);
}

void HtmlTokenizer::EmitCodePoint(char32_t cp) {
    if (!m_collectText) return;
    if (cp < 0x10000) return EmitChar(static_cast<char16_t>(cp));
    const char16_t pair[2] = {static_cast<char16_t>(0xD7C0 + (cp >> 10)), static_cast<char16_t>(0xDC00 | (cp & 0x3FF))};
    EmitText(TextView(pair, 2));
}

void HtmlTokenizer::NewTag(bool endTag) {
    m_tagName.clear();
    m_endTag = endTag;
    m_selfClosing = false;
    m_keepAttributes = false;
    m_attributeCount = 0;
    m_attributeName = nullptr;
    m_attributeValue = nullptr;
    if (!m_attributeNames.empty()) m_attributeNames.clear();
}

void HtmlTokenizer::DecideAttributes() {
    m_keepAttributes = !m_endTag && m_sink.WantsAttributes(m_tagName);
}

void HtmlTokenizer::NewAttribute() {
    m_attributeName = nullptr;
    m_attributeValue = nullptr;
    if (!m_keepAttributes) return;
    if (m_attributeCount == m_attributes.size()) m_attributes.emplace_back();
    HtmlAttribute& a = m_attributes[m_attributeCount++];
    a.name.clear();
    a.value.clear();
    m_attributeName = &a.name;
}

// The first of several attributes with one name wins; the others are dropped with their values,
// as are names the sink does not want and any past kMaxAttributesPerTag.
void HtmlTokenizer::EndAttributeName() {
    if (!m_attributeName) return;
    const Text& name = *m_attributeName;
    m_attributeName = nullptr;
    const std::size_t prior = m_attributeCount - 1;
    bool duplicate = false;
    if (prior >= kMaxAttributesPerTag || !m_sink.WantsAttribute(name)) {
        duplicate = true;
    } else if (prior < kLinearAttributeLimit) {
        for (std::size_t i = 0; i < prior && !duplicate; ++i) duplicate = m_attributes[i].name == name;
    } else {
        if (prior == kLinearAttributeLimit)
            for (std::size_t i = 0; i < prior; ++i) m_attributeNames.insert(m_attributes[i].name);
        duplicate = !m_attributeNames.insert(name).second;
    }
    if (duplicate) {
        --m_attributeCount;
    } else {
        m_attributeValue = &m_attributes[prior].value;
    }
}

void HtmlTokenizer::EmitTag() {
    HtmlTag tag;
    tag.name = m_tagName;
    tag.selfClosing = m_selfClosing;
    if (m_keepAttributes) tag.attributes = {m_attributes.data(), m_attributeCount};
    m_state = State::Data;  // before the sink, which may switch to a raw text state
    if (m_endTag) {
        m_sink.OnEndTag(tag);
    } else {
        m_lastStartTag = m_tagName;
        m_sink.OnStartTag(tag);
    }
}

void HtmlTokenizer::EmitComment() {
    if (m_collectMarkup) m_sink.OnComment(m_comment);
}

void HtmlTokenizer::NewDoctype() {
    m_doctype = HtmlDoctype{};
}

void HtmlTokenizer::EmitDoctype(bool forceQuirks) {
    if (forceQuirks) m_doctype.forceQuirks = true;
    if (m_collectMarkup) m_sink.OnDoctype(m_doctype);
}

bool HtmlTokenizer::ReferenceInAttribute() const {
    return m_returnState == State::AttributeValueDoubleQuoted || m_returnState == State::AttributeValueSingleQuoted ||
           m_returnState == State::AttributeValueUnquoted;
}

void HtmlTokenizer::FlushReference(TextView text) {
    if (!ReferenceInAttribute()) {
        EmitText(text);
    } else if (m_attributeValue) {
        m_attributeValue->append(text);
    }
}

void HtmlTokenizer::FlushReferenceCodePoint(char32_t cp) {
    if (!ReferenceInAttribute()) {
        EmitCodePoint(cp);
    } else if (m_attributeValue) {
        AppendUtf16(*m_attributeValue, cp);
    }
}

void HtmlTokenizer::Run(TextView input, bool eof) {
    const char16_t* const buf = input.data();
    const std::size_t end = input.size();
    const char16_t* const bufEnd = buf + end;
    std::size_t pos = m_pos;

    // Appends that cost nothing when the sink does not want the data.
    auto comment = [this](TextView t) {
        if (m_collectMarkup) m_comment.append(t);
    };
    auto commentChar = [this](char16_t ch) {
        if (m_collectMarkup) m_comment += ch;
    };
    auto doctypeField = [this](Text& field, char16_t ch) {
        if (m_collectMarkup) field += ch;
    };
    auto value = [this](TextView t) {
        if (m_attributeValue) m_attributeValue->append(t);
    };
    // The length of the run before the first of up to three stop units (repeat one for fewer).
    auto runUntil = [&](char16_t a, char16_t b, char16_t c3) {
        const std::size_t stop = FindFirstOf(TextView(buf, end), a, b, c3, pos);
        return (stop == TextView::npos ? end : stop) - pos;
    };
    // Text states: emits the run before a stop unit; true when it emitted anything.
    auto emitUntil = [&](char16_t a, char16_t b, char16_t c3) {
        const std::size_t n = runUntil(a, b, c3);
        EmitText(TextView(buf + pos, n));
        pos += n;
        return n > 0;
    };
    // The same for stops that are not a few single units.
    auto emitRun = [&](auto stop) {
        const std::size_t n = RunLength(buf + pos, bufEnd, stop);
        EmitText(TextView(buf + pos, n));
        pos += n;
        return n > 0;
    };

    for (;;) {
        if (pos >= end && !eof) break;
        const char32_t c = pos < end ? buf[pos] : kEof;
        // A '-' moves on to `next`; anything else is reconsumed in `otherwise`.
        const auto dashOr = [&](State next, State otherwise) {
            if (c == u'-') ++pos;
            m_state = c == u'-' ? next : otherwise;
        };
        switch (m_state) {
            case State::Data:
                if (!m_collectText) {
                    // Text nobody reads: straight on to the next "<".
                    const std::size_t next = FindUnit(TextView(buf, end), u'<', pos);
                    pos = next == TextView::npos ? end : next;
                    if (pos >= end) {
                        if (eof) goto eof;
                        continue;
                    }
                    ++pos;
                    m_state = State::TagOpen;
                    continue;
                }
                if (emitUntil(u'<', u'&', u'&')) continue;
                if (c == u'<') {
                    m_state = State::TagOpen;
                } else if (c == u'&') {
                    m_returnState = State::Data;
                    m_state = State::CharacterReference;
                } else {
                    goto eof;
                }
                ++pos;
                continue;

            case State::Rcdata:
                if (emitUntil(u'<', 0, m_collectText ? u'&' : u'<')) continue;
                if (c == kEof) goto eof;
                ++pos;
                if (c == u'<') {
                    m_state = State::RawLessThan;
                    m_rawState = State::Rcdata;
                } else if (c == u'&') {
                    m_returnState = State::Rcdata;
                    m_state = State::CharacterReference;
                } else {
                    EmitChar(kReplacement);
                }
                continue;

            case State::Rawtext:
            case State::ScriptData:
                if (emitUntil(u'<', 0, 0)) continue;
                if (c == kEof) goto eof;
                ++pos;
                if (c == u'<') {
                    if (m_state == State::Rawtext) {
                        m_state = State::RawLessThan;
                        m_rawState = State::Rawtext;
                    } else {
                        m_state = State::ScriptDataLessThan;
                    }
                } else {
                    EmitChar(kReplacement);
                }
                continue;

            case State::Plaintext:
                if (emitRun([](char16_t ch) { return ch == 0; })) continue;
                if (c == kEof) goto eof;
                ++pos;
                EmitChar(kReplacement);
                continue;

            case State::TagOpen:
                if (c == u'!') {
                    ++pos;
                    m_state = State::MarkupDeclarationOpen;
                } else if (c == u'/') {
                    ++pos;
                    m_state = State::EndTagOpen;
                } else if (IsAlpha(c)) {
                    NewTag(false);
                    m_state = State::TagName;
                } else if (c == u'?') {
                    NewComment();
                    m_state = State::BogusComment;
                } else {
                    EmitChar(u'<');
                    if (c == kEof) goto eof;
                    m_state = State::Data;
                }
                continue;

            case State::EndTagOpen:
                if (IsAlpha(c)) {
                    NewTag(true);
                    m_state = State::TagName;
                } else if (c == u'>') {
                    ++pos;
                    m_state = State::Data;
                } else if (c == kEof) {
                    EmitText(u"</");
                    goto eof;
                } else {
                    NewComment();
                    m_state = State::BogusComment;
                }
                continue;

            case State::TagName: {
                const std::size_t n = RunBefore(buf + pos, bufEnd, kEndsTagName);
                m_tagName.append(buf + pos, n);
                pos += n;
                // The unit that ended the run is taken here, without another round of the loop.
                if (n > 0 && pos >= end && !eof) continue;
                const char32_t d = pos < end ? buf[pos] : kEof;
                if (d == kEof) goto eof;
                ++pos;
                if (IsSpace(d)) {
                    DecideAttributes();
                    m_state = State::BeforeAttributeName;
                } else if (d == u'/') {
                    DecideAttributes();
                    m_state = State::SelfClosingStartTag;
                } else if (d == u'>') {
                    EmitTag();
                } else {
                    m_tagName += d == 0 ? kReplacement : Lower(d);
                }
                continue;
            }

            case State::RawLessThan:
                if (c == u'/') {
                    ++pos;
                    m_temp.clear();
                    m_state = State::RawEndTagOpen;
                } else {
                    EmitChar(u'<');
                    m_state = m_rawState;
                }
                continue;

            case State::RawEndTagOpen:
                if (IsAlpha(c)) {
                    NewTag(true);
                    m_state = State::RawEndTagName;
                } else {
                    EmitText(u"</");
                    m_state = m_rawState;
                }
                continue;

            case State::RawEndTagName:
                if (IsAlpha(c)) {
                    ++pos;
                    m_tagName += Lower(c);
                    m_temp += static_cast<char16_t>(c);
                    // Longer than the last start tag: cannot be its end tag, so it is text.
                    if (m_tagName.size() > m_lastStartTag.size()) {
                        EmitText(u"</");
                        EmitText(m_temp);
                        m_state = m_rawState;
                    }
                    continue;
                }
                if (AppropriateEndTag() && (IsSpace(c) || c == u'/' || c == u'>')) {
                    ++pos;
                    if (c == u'>')
                        EmitTag();
                    else
                        m_state = c == u'/' ? State::SelfClosingStartTag : State::BeforeAttributeName;
                    continue;
                }
                EmitText(u"</");
                EmitText(m_temp);
                m_state = m_rawState;
                continue;

            case State::ScriptDataLessThan:
                if (c == u'/') {
                    ++pos;
                    m_temp.clear();
                    m_rawState = State::ScriptData;
                    m_state = State::RawEndTagOpen;
                } else if (c == u'!') {
                    ++pos;
                    EmitText(u"<!");
                    m_state = State::ScriptDataEscapeStart;
                } else {
                    EmitChar(u'<');
                    m_state = State::ScriptData;
                }
                continue;

            case State::ScriptDataEscapeStart:
            case State::ScriptDataEscapeStartDash:
                if (c == u'-') {
                    ++pos;
                    EmitChar(u'-');
                    m_state = m_state == State::ScriptDataEscapeStart ? State::ScriptDataEscapeStartDash
                                                                      : State::ScriptDataEscapedDashDash;
                } else {
                    m_state = State::ScriptData;
                }
                continue;

            case State::ScriptDataEscaped:
            case State::ScriptDataDoubleEscaped:
                if (emitUntil(u'-', u'<', 0)) continue;
                [[fallthrough]];
            case State::ScriptDataEscapedDash:
            case State::ScriptDataEscapedDashDash:
            case State::ScriptDataDoubleEscapedDash:
            case State::ScriptDataDoubleEscapedDashDash: {
                if (c == kEof) goto eof;
                const bool doubled = m_state == State::ScriptDataDoubleEscaped ||
                                     m_state == State::ScriptDataDoubleEscapedDash ||
                                     m_state == State::ScriptDataDoubleEscapedDashDash;
                const State base = doubled ? State::ScriptDataDoubleEscaped : State::ScriptDataEscaped;
                ++pos;
                if (c == u'-') {
                    EmitChar(u'-');
                    if (m_state == base)
                        m_state = doubled ? State::ScriptDataDoubleEscapedDash : State::ScriptDataEscapedDash;
                    else
                        m_state = doubled ? State::ScriptDataDoubleEscapedDashDash : State::ScriptDataEscapedDashDash;
                } else if (c == u'<') {
                    if (doubled) EmitChar(u'<');
                    m_state = doubled ? State::ScriptDataDoubleEscapedLessThan : State::ScriptDataEscapedLessThan;
                } else if (c == u'>' && m_state != base && m_state != State::ScriptDataEscapedDash &&
                           m_state != State::ScriptDataDoubleEscapedDash) {
                    EmitChar(u'>');
                    m_state = State::ScriptData;
                } else {
                    EmitChar(c == 0 ? kReplacement : static_cast<char16_t>(c));
                    m_state = base;
                }
                continue;
            }

            case State::ScriptDataEscapedLessThan:
                if (c == u'/') {
                    ++pos;
                    m_temp.clear();
                    m_rawState = State::ScriptDataEscaped;
                    m_state = State::RawEndTagOpen;
                } else if (IsAlpha(c)) {
                    m_temp.clear();
                    EmitChar(u'<');
                    m_state = State::ScriptDataDoubleEscapeStart;
                } else {
                    EmitChar(u'<');
                    m_state = State::ScriptDataEscaped;
                }
                continue;

            case State::ScriptDataDoubleEscapeStart:
            case State::ScriptDataDoubleEscapeEnd: {
                const bool start = m_state == State::ScriptDataDoubleEscapeStart;
                if (IsSpace(c) || c == u'/' || c == u'>') {
                    ++pos;
                    const bool script = m_temp == u"script";
                    if (start)
                        m_state = script ? State::ScriptDataDoubleEscaped : State::ScriptDataEscaped;
                    else
                        m_state = script ? State::ScriptDataEscaped : State::ScriptDataDoubleEscaped;
                    EmitChar(static_cast<char16_t>(c));
                } else if (IsAlpha(c)) {
                    ++pos;
                    if (m_temp.size() <= 6) m_temp += Lower(c);  // only "script" matters
                    EmitChar(static_cast<char16_t>(c));
                } else {
                    m_state = start ? State::ScriptDataEscaped : State::ScriptDataDoubleEscaped;
                }
                continue;
            }

            case State::ScriptDataDoubleEscapedLessThan:
                if (c == u'/') {
                    ++pos;
                    m_temp.clear();
                    EmitChar(u'/');
                    m_state = State::ScriptDataDoubleEscapeEnd;
                } else {
                    m_state = State::ScriptDataDoubleEscaped;
                }
                continue;

            case State::BeforeAttributeName:
                if (IsSpace(c)) {
                    ++pos;
                } else if (c == u'/' || c == u'>' || c == kEof) {
                    m_state = State::AfterAttributeName;
                } else {
                    NewAttribute();
                    if (c == u'=') {
                        ++pos;
                        if (m_attributeName) *m_attributeName += u'=';
                    }
                    m_state = State::AttributeName;
                }
                continue;

            case State::AttributeName: {
                const std::size_t n = RunBefore(buf + pos, bufEnd, kEndsAttributeName);
                if (m_attributeName) m_attributeName->append(buf + pos, n);
                pos += n;
                if (n > 0 && pos >= end && !eof) continue;
                const char32_t d = pos < end ? buf[pos] : kEof;
                if (IsSpace(d) || d == u'/' || d == u'>' || d == kEof) {
                    EndAttributeName();
                    m_state = State::AfterAttributeName;
                } else if (d == u'=') {
                    ++pos;
                    EndAttributeName();
                    m_state = State::BeforeAttributeValue;
                } else {
                    ++pos;
                    if (m_attributeName) *m_attributeName += d == 0 ? kReplacement : Lower(d);
                }
                continue;
            }

            case State::AfterAttributeName:
                if (IsSpace(c)) {
                    ++pos;
                } else if (c == u'/') {
                    ++pos;
                    m_state = State::SelfClosingStartTag;
                } else if (c == u'=') {
                    ++pos;
                    m_state = State::BeforeAttributeValue;
                } else if (c == u'>') {
                    ++pos;
                    EmitTag();
                } else if (c == kEof) {
                    goto eof;
                } else {
                    NewAttribute();
                    m_state = State::AttributeName;
                }
                continue;

            case State::BeforeAttributeValue:
                if (IsSpace(c)) {
                    ++pos;
                } else if (c == u'"') {
                    ++pos;
                    m_state = State::AttributeValueDoubleQuoted;
                } else if (c == u'\'') {
                    ++pos;
                    m_state = State::AttributeValueSingleQuoted;
                } else if (c == u'>') {
                    ++pos;
                    EmitTag();
                } else {
                    m_state = State::AttributeValueUnquoted;
                }
                continue;

            case State::AttributeValueDoubleQuoted:
            case State::AttributeValueSingleQuoted: {
                const char16_t quote = m_state == State::AttributeValueDoubleQuoted ? u'"' : u'\'';
                const bool references = m_attributeValue != nullptr;
                const std::size_t n = runUntil(quote, 0, references ? u'&' : quote);
                value(TextView(buf + pos, n));
                pos += n;
                if (n > 0 && pos >= end && !eof) continue;
                const char32_t d = pos < end ? buf[pos] : kEof;
                if (d == kEof) goto eof;
                ++pos;
                if (d == quote) {
                    m_state = State::AfterAttributeValueQuoted;
                } else if (d == u'&') {
                    m_returnState = m_state;
                    m_state = State::CharacterReference;
                } else {
                    value(TextView(&kReplacement, 1));
                }
                continue;
            }

            case State::AttributeValueUnquoted: {
                const bool references = m_attributeValue != nullptr;
                const std::size_t n =
                    RunBefore(buf + pos, bufEnd, references ? kEndsUnquotedValue | kReference : kEndsUnquotedValue);
                value(TextView(buf + pos, n));
                pos += n;
                if (n > 0 && pos >= end && !eof) continue;
                const char32_t d = pos < end ? buf[pos] : kEof;
                if (d == kEof) goto eof;
                ++pos;
                if (IsSpace(d)) {
                    m_state = State::BeforeAttributeName;
                } else if (d == u'&') {
                    m_returnState = m_state;
                    m_state = State::CharacterReference;
                } else if (d == u'>') {
                    EmitTag();
                } else {
                    value(TextView(&kReplacement, 1));
                }
                continue;
            }

            case State::AfterAttributeValueQuoted:
                if (IsSpace(c)) {
                    ++pos;
                    m_state = State::BeforeAttributeName;
                } else if (c == u'/') {
                    ++pos;
                    m_state = State::SelfClosingStartTag;
                } else if (c == u'>') {
                    ++pos;
                    EmitTag();
                } else if (c == kEof) {
                    goto eof;
                } else {
                    m_state = State::BeforeAttributeName;
                }
                continue;

            case State::SelfClosingStartTag:
                if (c == u'>') {
                    ++pos;
                    m_selfClosing = true;
                    EmitTag();
                } else if (c == kEof) {
                    goto eof;
                } else {
                    m_state = State::BeforeAttributeName;
                }
                continue;

            case State::BogusComment: {
                const std::size_t n = RunLength(buf + pos, bufEnd, [](char16_t ch) { return ch == u'>' || ch == 0; });
                comment(TextView(buf + pos, n));
                pos += n;
                if (n > 0) continue;
                if (c == kEof) {
                    EmitComment();
                    goto eof;
                }
                ++pos;
                if (c == u'>') {
                    m_state = State::Data;
                    EmitComment();
                } else {
                    commentChar(kReplacement);
                }
                continue;
            }

            case State::MarkupDeclarationOpen: {
                constexpr std::size_t kLongest = 7;  // "DOCTYPE", "[CDATA["
                const std::size_t avail = end - pos;
                if (avail < kLongest && !eof) goto suspend;
                if (avail >= 2 && buf[pos] == u'-' && buf[pos + 1] == u'-') {
                    pos += 2;
                    NewComment();
                    m_state = State::CommentStart;
                } else if (avail >= 7 && MatchesIgnoringCase(buf + pos, u"doctype")) {
                    pos += 7;
                    m_state = State::Doctype;
                } else if (m_cdataAllowed && avail >= 7 && TextView(buf + pos, 7) == u"[CDATA[") {
                    pos += 7;
                    m_state = State::CdataSection;
                } else {
                    NewComment();
                    m_state = State::BogusComment;
                }
                continue;
            }

            case State::CommentStart:
            case State::CommentStartDash:
                if (c == u'-') {
                    ++pos;
                    m_state = m_state == State::CommentStart ? State::CommentStartDash : State::CommentEnd;
                } else if (c == u'>') {
                    ++pos;
                    m_state = State::Data;
                    EmitComment();
                } else if (c == kEof && m_state == State::CommentStartDash) {
                    EmitComment();
                    goto eof;
                } else {
                    if (m_state == State::CommentStartDash) commentChar(u'-');
                    m_state = State::Comment;
                }
                continue;

            case State::Comment: {
                const std::size_t n = runUntil(u'<', u'-', 0);
                comment(TextView(buf + pos, n));
                pos += n;
                if (n > 0) continue;
                if (c == kEof) {
                    EmitComment();
                    goto eof;
                }
                ++pos;
                if (c == u'<') {
                    commentChar(u'<');
                    m_state = State::CommentLessThan;
                } else if (c == u'-') {
                    m_state = State::CommentEndDash;
                } else {
                    commentChar(kReplacement);
                }
                continue;
            }

            case State::CommentLessThan:
                if (c == u'!') {
                    ++pos;
                    commentChar(u'!');
                    m_state = State::CommentLessThanBang;
                } else if (c == u'<') {
                    ++pos;
                    commentChar(u'<');
                } else {
                    m_state = State::Comment;
                }
                continue;

            case State::CommentLessThanBang:
                dashOr(State::CommentLessThanBangDash, State::Comment);
                continue;

            case State::CommentLessThanBangDash:
                dashOr(State::CommentLessThanBangDashDash, State::CommentEndDash);
                continue;

            case State::CommentLessThanBangDashDash:
                m_state = State::CommentEnd;
                continue;

            case State::CommentEndDash:
                if (c == kEof) {
                    EmitComment();
                    goto eof;
                }
                if (c != u'-') commentChar(u'-');
                dashOr(State::CommentEnd, State::Comment);
                continue;

            case State::CommentEnd:
                if (c == u'>') {
                    ++pos;
                    m_state = State::Data;
                    EmitComment();
                } else if (c == u'!') {
                    ++pos;
                    m_state = State::CommentEndBang;
                } else if (c == u'-') {
                    ++pos;
                    commentChar(u'-');
                } else if (c == kEof) {
                    EmitComment();
                    goto eof;
                } else {
                    comment(u"--");
                    m_state = State::Comment;
                }
                continue;

            case State::CommentEndBang:
                if (c == u'-') {
                    ++pos;
                    comment(u"--!");
                    m_state = State::CommentEndDash;
                } else if (c == u'>') {
                    ++pos;
                    m_state = State::Data;
                    EmitComment();
                } else if (c == kEof) {
                    EmitComment();
                    goto eof;
                } else {
                    comment(u"--!");
                    m_state = State::Comment;
                }
                continue;

            case State::Doctype:
                if (IsSpace(c)) ++pos;
                if (c == kEof) {
                    NewDoctype();
                    EmitDoctype(true);
                    goto eof;
                }
                m_state = State::BeforeDoctypeName;
                continue;

            case State::BeforeDoctypeName:
                if (IsSpace(c)) {
                    ++pos;
                    continue;
                }
                NewDoctype();
                if (c == kEof) {
                    EmitDoctype(true);
                    goto eof;
                }
                ++pos;
                if (c == u'>') {
                    m_state = State::Data;
                    EmitDoctype(true);
                    continue;
                }
                m_doctype.hasName = true;
                doctypeField(m_doctype.name, c == 0 ? kReplacement : Lower(c));
                m_state = State::DoctypeName;
                continue;

            case State::DoctypeName:
                if (c == kEof) {
                    EmitDoctype(true);
                    goto eof;
                }
                ++pos;
                if (IsSpace(c)) {
                    m_state = State::AfterDoctypeName;
                } else if (c == u'>') {
                    m_state = State::Data;
                    EmitDoctype(false);
                } else {
                    doctypeField(m_doctype.name, c == 0 ? kReplacement : Lower(c));
                }
                continue;

            case State::AfterDoctypeName: {
                if (IsSpace(c)) {
                    ++pos;
                    continue;
                }
                if (c == u'>') {
                    ++pos;
                    m_state = State::Data;
                    EmitDoctype(false);
                    continue;
                }
                if (c == kEof) {
                    EmitDoctype(true);
                    goto eof;
                }
                constexpr std::size_t kKeyword = 6;  // "PUBLIC", "SYSTEM"
                const std::size_t avail = end - pos;
                if (avail < kKeyword && !eof) goto suspend;
                if (avail >= kKeyword && MatchesIgnoringCase(buf + pos, u"public")) {
                    pos += kKeyword;
                    m_state = State::AfterDoctypePublicKeyword;
                } else if (avail >= kKeyword && MatchesIgnoringCase(buf + pos, u"system")) {
                    pos += kKeyword;
                    m_state = State::AfterDoctypeSystemKeyword;
                } else {
                    m_doctype.forceQuirks = true;
                    m_state = State::BogusDoctype;
                }
                continue;
            }

            case State::AfterDoctypePublicKeyword:
            case State::BeforeDoctypePublicIdentifier:
            case State::AfterDoctypeSystemKeyword:
            case State::BeforeDoctypeSystemIdentifier: {
                const bool isPublic =
                    m_state == State::AfterDoctypePublicKeyword || m_state == State::BeforeDoctypePublicIdentifier;
                if (IsSpace(c)) {
                    ++pos;
                    if (m_state == State::AfterDoctypePublicKeyword) m_state = State::BeforeDoctypePublicIdentifier;
                    if (m_state == State::AfterDoctypeSystemKeyword) m_state = State::BeforeDoctypeSystemIdentifier;
                } else if (c == u'"' || c == u'\'') {
                    ++pos;
                    if (isPublic) {
                        m_doctype.hasPublicId = true;
                        m_doctype.publicId.clear();
                        m_state = c == u'"' ? State::DoctypePublicIdentifierDoubleQuoted
                                            : State::DoctypePublicIdentifierSingleQuoted;
                    } else {
                        m_doctype.hasSystemId = true;
                        m_doctype.systemId.clear();
                        m_state = c == u'"' ? State::DoctypeSystemIdentifierDoubleQuoted
                                            : State::DoctypeSystemIdentifierSingleQuoted;
                    }
                } else if (c == u'>') {
                    ++pos;
                    m_state = State::Data;
                    EmitDoctype(true);
                } else if (c == kEof) {
                    EmitDoctype(true);
                    goto eof;
                } else {
                    m_doctype.forceQuirks = true;
                    m_state = State::BogusDoctype;
                }
                continue;
            }

            case State::DoctypePublicIdentifierDoubleQuoted:
            case State::DoctypePublicIdentifierSingleQuoted:
            case State::DoctypeSystemIdentifierDoubleQuoted:
            case State::DoctypeSystemIdentifierSingleQuoted: {
                const bool isPublic = m_state == State::DoctypePublicIdentifierDoubleQuoted ||
                                      m_state == State::DoctypePublicIdentifierSingleQuoted;
                const bool doubleQuoted = m_state == State::DoctypePublicIdentifierDoubleQuoted ||
                                          m_state == State::DoctypeSystemIdentifierDoubleQuoted;
                if (c == kEof) {
                    EmitDoctype(true);
                    goto eof;
                }
                ++pos;
                if (c == (doubleQuoted ? u'"' : u'\'')) {
                    m_state = isPublic ? State::AfterDoctypePublicIdentifier : State::AfterDoctypeSystemIdentifier;
                } else if (c == u'>') {
                    m_state = State::Data;
                    EmitDoctype(true);
                } else {
                    doctypeField(isPublic ? m_doctype.publicId : m_doctype.systemId,
                                 c == 0 ? kReplacement : static_cast<char16_t>(c));
                }
                continue;
            }

            case State::AfterDoctypePublicIdentifier:
            case State::BetweenDoctypePublicAndSystemIdentifiers:
                if (IsSpace(c)) {
                    ++pos;
                    m_state = State::BetweenDoctypePublicAndSystemIdentifiers;
                } else if (c == u'>') {
                    ++pos;
                    m_state = State::Data;
                    EmitDoctype(false);
                } else if (c == u'"' || c == u'\'') {
                    ++pos;
                    m_doctype.hasSystemId = true;
                    m_doctype.systemId.clear();
                    m_state = c == u'"' ? State::DoctypeSystemIdentifierDoubleQuoted
                                        : State::DoctypeSystemIdentifierSingleQuoted;
                } else if (c == kEof) {
                    EmitDoctype(true);
                    goto eof;
                } else {
                    m_doctype.forceQuirks = true;
                    m_state = State::BogusDoctype;
                }
                continue;

            case State::AfterDoctypeSystemIdentifier:
                if (IsSpace(c)) {
                    ++pos;
                } else if (c == u'>') {
                    ++pos;
                    m_state = State::Data;
                    EmitDoctype(false);
                } else if (c == kEof) {
                    EmitDoctype(true);
                    goto eof;
                } else {
                    m_state = State::BogusDoctype;
                }
                continue;

            case State::BogusDoctype:
                if (c == kEof) {
                    EmitDoctype(false);
                    goto eof;
                }
                ++pos;
                if (c == u'>') {
                    m_state = State::Data;
                    EmitDoctype(false);
                }
                continue;

            case State::CdataSection:
                if (emitRun([](char16_t ch) { return ch == u']'; })) continue;
                if (c == kEof) goto eof;
                ++pos;
                m_state = State::CdataSectionBracket;
                continue;

            case State::CdataSectionBracket:
                if (c == u']') {
                    ++pos;
                    m_state = State::CdataSectionEnd;
                } else {
                    EmitChar(u']');
                    m_state = State::CdataSection;
                }
                continue;

            case State::CdataSectionEnd:
                if (c == u']') {
                    ++pos;
                    EmitChar(u']');
                } else if (c == u'>') {
                    ++pos;
                    m_state = State::Data;
                } else {
                    EmitText(u"]]");
                    m_state = State::CdataSection;
                }
                continue;

            case State::CharacterReference:
                if (IsAlnum(c)) {
                    m_state = State::NamedCharacterReference;
                } else if (c == u'#') {
                    ++pos;
                    m_state = State::NumericCharacterReference;
                } else {
                    FlushReference(u"&");
                    m_state = m_returnState;
                }
                continue;

            case State::NamedCharacterReference: {
                const std::size_t limit = std::min(end, pos + kMaxReferenceName);
                std::size_t run = pos;
                while (run < limit && IsAlnum(buf[run])) ++run;
                if (run == end && run < pos + kMaxReferenceName && !eof) goto suspend;
                const char16_t next = run < end ? buf[run] : 0;
                const NamedReference ref = MatchNamedReference(TextView(buf + pos, run - pos), next);
                m_state = m_returnState;
                if (ref.length == 0) {
                    // The letters and digits are ordinary characters of the return state.
                    FlushReference(u"&");
                    continue;
                }
                if (!ref.semicolon && ReferenceInAttribute()) {
                    // "&copy=" in a URL query stays as written.
                    const char16_t after = pos + ref.length < end ? buf[pos + ref.length] : 0;
                    if (after == u'=' || IsAlnum(after)) {
                        FlushReference(u"&");
                        continue;
                    }
                }
                pos += ref.length;
                FlushReferenceCodePoint(ref.first);
                if (ref.second) FlushReferenceCodePoint(ref.second);
                continue;
            }

            case State::NumericCharacterReference:
                m_referenceCode = 0;
                if (c == u'x' || c == u'X') {
                    ++pos;
                    m_temp.assign(u"&#");
                    m_temp += static_cast<char16_t>(c);
                    m_state = State::HexadecimalCharacterReferenceStart;
                } else {
                    m_temp.assign(u"&#");
                    m_state = State::DecimalCharacterReferenceStart;
                }
                continue;

            case State::HexadecimalCharacterReferenceStart:
            case State::DecimalCharacterReferenceStart: {
                const bool hex = m_state == State::HexadecimalCharacterReferenceStart;
                if (hex ? (c != kEof && IsHexDigit(static_cast<char16_t>(c))) : IsDigit(c)) {
                    m_state = hex ? State::HexadecimalCharacterReference : State::DecimalCharacterReference;
                } else {
                    FlushReference(m_temp);
                    m_state = m_returnState;
                }
                continue;
            }

            case State::HexadecimalCharacterReference:
            case State::DecimalCharacterReference: {
                const bool hex = m_state == State::HexadecimalCharacterReference;
                int digit = -1;
                if (hex && c != kEof) digit = HexValue(static_cast<char16_t>(c));
                if (!hex && IsDigit(c)) digit = static_cast<int>(c - u'0');
                if (digit >= 0) {
                    ++pos;
                    // Saturates above the last code point; any larger number means the same.
                    m_referenceCode = m_referenceCode > 0x10FFFF ? 0x110000 : m_referenceCode * (hex ? 16 : 10) + digit;
                    continue;
                }
                if (c == u';') ++pos;
                m_state = State::NumericCharacterReferenceEnd;
                continue;
            }

            case State::NumericCharacterReferenceEnd:
                FlushReferenceCodePoint(NumericReferenceValue(m_referenceCode));
                m_state = m_returnState;
                continue;
        }
    }
suspend:
    m_pos = pos;
    return;
eof:
    m_done = true;
    m_buf.clear();
    m_pos = 0;
}

}  // namespace ferrik
