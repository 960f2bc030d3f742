// Link extraction over any page text: the rows must be those that the token-by-token reading
// (ScanToken with the pos - 1 rule) gives, and the whole path through GetAllQvodUrl and
// GetQvodUrl must end quietly.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "analysis/qvod.h"
#include "common/text_fields.h"
#include "common/stop_flag.h"
#include "fuzz/fuzz_text.h"
#include "host/support/fakes.h"

namespace {

using ferrik::Text;
using ferrik::TextView;

std::vector<Text> ReferenceLinks(TextView text) {
    std::vector<Text> links;
    std::int64_t pos = 1;
    for (;;) {
        const Text f1 = ferrik::ScanToken(text, u"qvod://", u"|", pos, pos);
        if (pos == -1) break;
        const Text f2 = ferrik::ScanToken(text, u"|", u"|", pos - 1, pos);
        if (pos == -1) break;
        const Text f3 = ferrik::ScanToken(text, u"|", u"|", pos - 1, pos);
        if (pos == -1) break;
        links.push_back(u"qvod://" + f1 + u"|" + f2 + u"|" + f3 + u"|");
    }
    return links;
}

// Bytes as Latin-1 text: any body decodes.
class Latin1Decoder final : public ferrik::ByteDecoder {
public:
    Text Decode(std::string_view bytes, TextView) const override {
        Text text;
        for (char c : bytes) text += static_cast<char16_t>(static_cast<unsigned char>(c));
        return text;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Text text = ferrik::fuzz::TextFromBytes(data, size);
    ferrik::StopFlag = 0;
    ferrik::TaskList tasks;
    ferrik::AddQvodUrls(text, tasks);

    const std::vector<Text> reference = ReferenceLinks(text);
    std::vector<Text> distinct;
    for (const Text& link : reference) {
        bool seen = false;
        for (const Text& d : distinct) seen = seen || d == link;
        if (!seen) distinct.push_back(link);
    }
    if (tasks.Count() != distinct.size()) std::abort();
    for (std::size_t i = 0; i < distinct.size(); ++i) {
        const ferrik::TaskRow& row = tasks.At(i);
        if (row.address != distinct[i] || row.Key() != row.address || row.engine != u"SS0") std::abort();
        if (row.name != ferrik::SplitField(TextView(row.address).substr(7), u"|", 2)) std::abort();
    }

    ferrik::test::FakeFetcher fetcher;
    const Latin1Decoder decoder;
    fetcher.Serve(u"page", std::string(reinterpret_cast<const char*>(data), size));
    ferrik::GetAllQvodUrl(fetcher, decoder, tasks, u"page", false, u"1");
    ferrik::GetAllQvodUrl(fetcher, decoder, tasks, u"missing", false, u"");
    (void)ferrik::GetQvodUrl(fetcher, decoder, u"page", static_cast<std::int32_t>(size % 5), false);
    return 0;
}
