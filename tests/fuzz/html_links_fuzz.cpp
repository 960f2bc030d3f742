// Any page ends cleanly, and the tokenizer gives the same tokens however its input is cut.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "analysis/html_links.h"
#include "analysis/html_tokenizer.h"

namespace {

class Utf8Decoder final : public ferrik::ByteDecoder {
public:
    ferrik::Text Decode(std::string_view bytes, ferrik::TextView) const override { return ferrik::FromUtf8(bytes); }
};

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
    static const char* const kContentTypes[] = {"", "text/html; charset=utf-8", "text/html; charset=utf-16be",
                                                "text/html; charset=x-user-defined", "text/html; charset=replacement"};
    const std::string_view bytes(reinterpret_cast<const char*>(data + 2), size - 2);
    const auto links =
        ferrik::ExtractLinks(bytes, kContentTypes[data[0] % 5], u"http://example.com/a/b", Utf8Decoder());
    (void)links;

    using State = ferrik::HtmlTokenizer::State;
    static const State kStates[] = {State::Data,       State::Rcdata,    State::Rawtext,
                                    State::ScriptData, State::Plaintext, State::CdataSection};
    const State state = kStates[(data[0] / 5) % 6];
    const ferrik::Text text = ferrik::FromUtf8(bytes);
    if (Tokens(text, state, text.size() + 1) != Tokens(text, state, 1 + data[1] % 7)) std::abort();
    return 0;
}
