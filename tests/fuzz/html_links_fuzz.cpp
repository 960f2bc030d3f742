// Any page ends cleanly under any Content-Type text, decoded by the real converters (iconv), with
// no more links than a page holds; the tokenizer gives the same tokens however its input is cut.
// Input: two bytes (the tokenizer's state and piece size), the Content-Type header, a line feed,
// the body.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "analysis/html_links.h"
#include "analysis/html_tokenizer.h"
#include "host/support/iconv_decoder.h"

namespace {

// Every token flattened into one text.
class FlatSink final : public ferrik::HtmlTokenSink {
public:
    ferrik::Text out;
    bool WantsAttributes(ferrik::TextView) override { return true; }
    void OnStartTag(const ferrik::HtmlTag& tag) override {
        out += u"<" + ferrik::Text(tag.name);
        for (const auto& a : tag.attributes) out += u" " + a.name + u"=" + a.value;
        out += tag.selfClosing ? u"/>" : u">";
    }
    void OnEndTag(const ferrik::HtmlTag& tag) override { out += u"</" + ferrik::Text(tag.name) + u">"; }
    void OnText(ferrik::TextView text) override { out += text; }
    void OnComment(ferrik::TextView text) override { out += u"<!--" + ferrik::Text(text) + u"-->"; }
    void OnDoctype(const ferrik::HtmlDoctype& d) override { out += u"<!" + d.name + d.publicId + d.systemId + u">"; }
};

ferrik::Text Tokens(ferrik::TextView input, ferrik::HtmlTokenizer::State state, std::size_t piece) {
    FlatSink sink;
    ferrik::HtmlTokenizer tokenizer(sink);
    tokenizer.SetCollectText(true);
    tokenizer.SetCollectMarkup(true);
    tokenizer.SetLastStartTag(u"script");
    tokenizer.SetState(state);
    for (std::size_t i = 0; i < input.size(); i += piece) tokenizer.Feed(input.substr(i, piece));
    tokenizer.Finish();
    return sink.out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    std::string_view bytes(reinterpret_cast<const char*>(data + 2), size - 2);
    const std::size_t newline = bytes.find('\n');
    const std::string_view contentType = newline == std::string_view::npos ? std::string_view() : bytes.substr(0, newline);
    if (newline != std::string_view::npos) bytes.remove_prefix(newline + 1);
    const auto links =
        ferrik::ExtractLinks(bytes, contentType, u"http://example.com/a/b", ferrik::test::IconvDecoder());
    if (links.size() > ferrik::kMaxPageLinks) std::abort();

    using State = ferrik::HtmlTokenizer::State;
    static const State kStates[] = {State::Data,       State::Rcdata,    State::Rawtext,
                                    State::ScriptData, State::Plaintext, State::CdataSection};
    const State state = kStates[(data[0] / 5) % 6];
    const ferrik::Text text = ferrik::FromUtf8(bytes);
    if (Tokens(text, state, text.size() + 1) != Tokens(text, state, 1 + data[1] % 7)) std::abort();
    return 0;
}
