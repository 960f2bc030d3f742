// Any page reads, under any Content-Type text and through the real converters (iconv), lays out
// at any width (in one go and a part at a time, alike), takes pasted markup and written values,
// and its boxes stay in line order with every link and element index in range; it never holds
// more than a page may.
// Input: the Content-Type header, a line feed, one byte for the width, the body.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "host/support/iconv_decoder.h"
#include "web/page.h"

namespace {

class Measurer final : public ferrik::TextMeasurer {
public:
    int Width(ferrik::TextView text, ferrik::FontRole font) override {
        return static_cast<int>(text.size()) * (font == ferrik::FontRole::Title ? 9 : 6);
    }
    int LineHeight(ferrik::FontRole font) override { return font == ferrik::FontRole::Title ? 24 : 16; }
};

void Check(const ferrik::Page& page, int width) {
    if (page.ElementCount() > ferrik::kMaxPageElements || page.Runs().size() > ferrik::kMaxPageRuns + 2 ||
        page.Links().size() > ferrik::kMaxPageLinks)
        std::abort();
    Measurer measurer;
    const ferrik::PageLayout layout = ferrik::LayoutPage(page, width, measurer);
    ferrik::PageLayout steps;
    ferrik::PageLayouter layouter(page, width, measurer, steps);
    while (!layouter.Continue(1 + width % 5)) {
    }
    if (steps.boxes.size() != layout.boxes.size() || steps.height != layout.height) std::abort();
    int bottom = 0;
    for (const ferrik::LayoutBox& box : layout.boxes) {
        if (box.y + box.height < bottom || box.y + box.height > layout.height) std::abort();
        bottom = box.y + box.height;
        if (box.link != ferrik::kNoIndex && box.link >= page.Links().size()) std::abort();
        if (box.element != ferrik::kNoIndex && box.element >= page.ElementCount()) std::abort();
        (void)ferrik::LinkAt(layout, box.x, box.y);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t newline = input.find('\n');
    if (newline == std::string_view::npos || newline + 1 >= size) return 0;
    const std::string_view contentType = input.substr(0, newline);
    const std::string_view bytes = input.substr(newline + 2);
    ferrik::Page page =
        ferrik::Page::FromBytes(bytes, contentType, u"http://example.com/a/b", ferrik::test::IconvDecoder());
    const int width = 1 + data[newline + 1] * 3;
    Check(page, width);
    for (std::size_t i = 0; i < page.ElementCount(); ++i) {
        if (page.Value(i)) page.SetValue(i, u"\u529f\u592b x");
        (void)page.SubmitAddress(i);
    }
    Check(page, width);
    page.PasteHtmlIntoBody(ferrik::FromUtf8(bytes.substr(bytes.size() / 2)));
    Check(page, width);
    return 0;
}
