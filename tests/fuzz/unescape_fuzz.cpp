// vbUnEscape and SplitField on any text, checked against a plain reading of the rules.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "common/text_fields.h"
#include "fuzz/fuzz_text.h"

namespace {

using ferrik::Text;
using ferrik::TextView;

// One step at a time, exactly as the rules read, 1-based like them.
Text ReferenceUnEscape(TextView s) {
    const std::size_t n = s.size();
    auto hex = [&s](std::size_t at, std::size_t count, int& value) {
        value = 0;
        for (std::size_t k = 0; k < count; ++k) {
            const int d = ferrik::HexValue(s[at - 1 + k]);
            if (d < 0) return false;
            value = value * 16 + d;
        }
        return true;
    };
    Text out;
    for (std::size_t i = 1; i <= n; ++i) {
        const char16_t c = s[i - 1];
        int value = 0;
        if (c == u'%' && i + 1 <= n && s[i] == u'u' && n >= 5 && i <= n - 5) {
            if (hex(i + 2, 4, value)) {
                out += static_cast<char16_t>(value);
                i += 5;
            } else {
                out += c;
            }
        } else if (c == u'%' && n >= 2 && i <= n - 2) {
            if (hex(i + 1, 2, value)) {
                out += static_cast<char16_t>(value);
                i += 2;
            } else {
                out += c;
            }
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Text text = ferrik::fuzz::TextFromBytes(data, size);
    if (ferrik::vbUnEscape(text) != ReferenceUnEscape(text)) std::abort();

    // SplitField: the pieces joined with the delimiter give the line back.
    const TextView delimiter = text.empty() ? TextView(u"|") : TextView(text).substr(0, 1 + text[0] % 3);
    const TextView line = TextView(text).substr(delimiter.size() < text.size() ? delimiter.size() : text.size());
    Text joined;
    for (int i = 0;; ++i) {
        const Text piece = ferrik::SplitField(line, delimiter, i);
        if (i > 0) {
            if (piece.empty() && joined.size() >= line.size()) break;
            joined += delimiter;
        }
        joined += piece;
        if (joined.size() > line.size()) std::abort();
    }
    if (!line.empty() && joined != line) std::abort();
    return 0;
}
