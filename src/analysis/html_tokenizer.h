#pragma once
// The HTML tokenizer as browsers run it: a state machine over the decoded text that can be fed in
// pieces. It stores only what its sink asks for, so a page's text, comments and attributes cost
// nothing unless they are wanted.
#include <cstddef>
#include <cstdint>
#include <span>
#include <unordered_set>
#include <vector>

#include "common/text.h"

namespace ferrik {

// The most attributes one tag keeps: the first ones of distinct names; any after them are
// dropped with their values, as duplicates are. Real tags have a few dozen at most.
inline constexpr std::size_t kMaxAttributesPerTag = 1024;

struct HtmlAttribute {
    Text name;  // ASCII lower-cased
    Text value;
};

struct HtmlTag {
    TextView name;                              // ASCII lower-cased
    std::span<const HtmlAttribute> attributes;  // start tags whose attributes the sink wanted; duplicates dropped
    bool selfClosing = false;

    const HtmlAttribute* Find(TextView attributeName) const;
};

struct HtmlDoctype {
    Text name;
    Text publicId;
    Text systemId;
    bool hasName = false;
    bool hasPublicId = false;
    bool hasSystemId = false;
    bool forceQuirks = false;
};

class HtmlTokenSink {
public:
    virtual ~HtmlTokenSink() = default;
    // Asked when a start tag's name is complete: its attributes are kept only if this says so.
    // Not asked for a tag that ends with its name ("<p>"); where it is asked, the next
    // OnStartTag, if the input does not end first, is that tag's.
    virtual bool WantsAttributes(TextView tagName) = 0;
    // Asked for each attribute name of such a tag: only the names wanted are kept (and counted
    // against kMaxAttributesPerTag), so that a tag written with a million others still gives the
    // ones a sink reads.
    virtual bool WantsAttribute(TextView /*name*/) { return true; }
    virtual void OnStartTag(const HtmlTag& tag) = 0;
    virtual void OnEndTag(const HtmlTag& tag) = 0;
    // Character data in pieces, only while text collection is on.
    virtual void OnText(TextView text) = 0;
    // Comments and DOCTYPEs, only while markup collection is on.
    virtual void OnComment(TextView) {}
    virtual void OnDoctype(const HtmlDoctype&) {}
};

class HtmlTokenizer {
public:
    enum class State : std::uint8_t {
        Data,
        Rcdata,
        Rawtext,
        ScriptData,
        Plaintext,
        CdataSection,
        TagOpen,
        EndTagOpen,
        TagName,
        RawLessThan,  // RCDATA and RAWTEXT
        RawEndTagOpen,
        RawEndTagName,
        ScriptDataLessThan,
        ScriptDataEscapeStart,
        ScriptDataEscapeStartDash,
        ScriptDataEscaped,
        ScriptDataEscapedDash,
        ScriptDataEscapedDashDash,
        ScriptDataEscapedLessThan,
        ScriptDataDoubleEscapeStart,
        ScriptDataDoubleEscaped,
        ScriptDataDoubleEscapedDash,
        ScriptDataDoubleEscapedDashDash,
        ScriptDataDoubleEscapedLessThan,
        ScriptDataDoubleEscapeEnd,
        BeforeAttributeName,
        AttributeName,
        AfterAttributeName,
        BeforeAttributeValue,
        AttributeValueDoubleQuoted,
        AttributeValueSingleQuoted,
        AttributeValueUnquoted,
        AfterAttributeValueQuoted,
        SelfClosingStartTag,
        BogusComment,
        MarkupDeclarationOpen,
        CommentStart,
        CommentStartDash,
        Comment,
        CommentLessThan,
        CommentLessThanBang,
        CommentLessThanBangDash,
        CommentLessThanBangDashDash,
        CommentEndDash,
        CommentEnd,
        CommentEndBang,
        Doctype,
        BeforeDoctypeName,
        DoctypeName,
        AfterDoctypeName,
        AfterDoctypePublicKeyword,
        BeforeDoctypePublicIdentifier,
        DoctypePublicIdentifierDoubleQuoted,
        DoctypePublicIdentifierSingleQuoted,
        AfterDoctypePublicIdentifier,
        BetweenDoctypePublicAndSystemIdentifiers,
        AfterDoctypeSystemKeyword,
        BeforeDoctypeSystemIdentifier,
        DoctypeSystemIdentifierDoubleQuoted,
        DoctypeSystemIdentifierSingleQuoted,
        AfterDoctypeSystemIdentifier,
        BogusDoctype,
        CdataSectionBracket,
        CdataSectionEnd,
        CharacterReference,
        NamedCharacterReference,
        NumericCharacterReference,
        HexadecimalCharacterReferenceStart,
        DecimalCharacterReferenceStart,
        HexadecimalCharacterReference,
        DecimalCharacterReference,
        NumericCharacterReferenceEnd,
    };

    explicit HtmlTokenizer(HtmlTokenSink& sink) : m_sink(sink) {}
    HtmlTokenizer(const HtmlTokenizer&) = delete;
    HtmlTokenizer& operator=(const HtmlTokenizer&) = delete;

    // The tree builder's part: after a start tag the sink switches to RCDATA, RAWTEXT, script data
    // or PLAINTEXT as the element requires.
    void SetState(State state) { m_state = state; }
    void SetLastStartTag(TextView name) { m_lastStartTag.assign(name); }
    void SetCollectText(bool on) { m_collectText = on; }
    void SetCollectMarkup(bool on) { m_collectMarkup = on; }
    // "<![CDATA[" opens a CDATA section only in foreign content; elsewhere it is a bogus comment.
    void SetCdataAllowed(bool on) { m_cdataAllowed = on; }

    // Input in any pieces; carriage returns are normalized here. Finish() ends the input.
    void Feed(TextView text);
    void Finish();

private:
    // Tokenizes `input` (m_buf, or a piece fed whole) from m_pos on; m_pos is where it stopped.
    void Run(TextView input, bool eof);
    void EmitText(TextView text) {
        if (m_collectText && !text.empty()) m_sink.OnText(text);
    }
    void EmitChar(char16_t c) { EmitText(TextView(&c, 1)); }
    void EmitCodePoint(char32_t cp);
    void NewTag(bool endTag);
    void DecideAttributes();
    void NewAttribute();
    void EndAttributeName();
    void EmitTag();
    void NewComment() { m_comment.clear(); }
    void EmitComment();
    void NewDoctype();
    void EmitDoctype(bool forceQuirks);
    void FlushReference(TextView text);
    void FlushReferenceCodePoint(char32_t cp);
    bool ReferenceInAttribute() const;
    bool AppropriateEndTag() const { return !m_lastStartTag.empty() && m_tagName == m_lastStartTag; }

    HtmlTokenSink& m_sink;
    State m_state = State::Data;
    State m_returnState = State::Data;  // of a character reference
    State m_rawState = State::Rcdata;   // where RawEndTagName falls back to
    Text m_buf;                         // input not consumed yet (from m_pos on)
    std::size_t m_pos = 0;
    bool m_pendingCr = false;
    bool m_done = false;
    bool m_collectText = false;
    bool m_collectMarkup = false;
    bool m_cdataAllowed = false;

    // Tag being built.
    Text m_tagName;
    Text m_lastStartTag;
    bool m_endTag = false;
    bool m_selfClosing = false;
    bool m_keepAttributes = false;
    std::vector<HtmlAttribute> m_attributes;  // slots reused from tag to tag
    std::size_t m_attributeCount = 0;
    Text* m_attributeName = nullptr;            // null when the current attribute is not kept
    Text* m_attributeValue = nullptr;           // null when the current attribute's value is not kept
    std::unordered_set<Text> m_attributeNames;  // duplicate check for tags with many attributes

    Text m_temp;  // end tag name as written in raw text, "script" in script escapes, "&#x" of a reference
    Text m_comment;
    HtmlDoctype m_doctype;
    std::uint32_t m_referenceCode = 0;
};

}  // namespace ferrik
