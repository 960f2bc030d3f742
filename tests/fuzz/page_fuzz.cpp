// Any page reads, lays out at any width, takes pasted markup and written values, and its boxes
// stay in line order with every link and element index in range.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "web/page.h"

namespace {

class Utf8Decoder final : public ferrik::ByteDecoder {
public:
    ferrik::Text Decode(std::string_view bytes, ferrik::TextView) const override { return ferrik::FromUtf8(bytes); }
};

class Measurer final : public ferrik::TextMeasurer {
public:
    int Width(ferrik::TextView text, ferrik::FontRole font) override {
        return static_cast<int>(text.size()) * (font == ferrik::FontRole::Title ? 9 : 6);
    }
    int LineHeight(ferrik::FontRole font) override { return font == ferrik::FontRole::Title ? 24 : 16; }
};

void Check(const ferrik::Page& page, int width) {
    Measurer measurer;
    const ferrik::PageLayout layout = ferrik::LayoutPage(page, width, measurer);
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
    if (size < 2) return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 2), size - 2);
    ferrik::Page page = ferrik::Page::FromBytes(bytes, data[0] % 2 ? "text/html; charset=utf-8" : "text/plain",
                                                u"http://example.com/a/b", Utf8Decoder());
    const int width = 1 + data[1] * 3;
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
