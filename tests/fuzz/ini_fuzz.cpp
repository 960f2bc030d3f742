// The INI reader on any text: a value never holds U+0000 and never passes the 999-byte cut.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz/fuzz_text.h"
#include "rules/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ferrik::Text text = ferrik::fuzz::TextFromBytes(data, size);
    if (text.empty()) return 0;
    // Names taken from the text itself, so that they do occur in it.
    const ferrik::TextView view(text);
    const std::size_t split = std::min<std::size_t>(text[0] % 8, view.size() - 1);
    const ferrik::TextView names[] = {u"", u"a", u"S", view.substr(1, split), view.substr(1 + split, 3)};
    for (ferrik::TextView section : names) {
        for (ferrik::TextView key : names) {
            const ferrik::Text value = ferrik::IniValue(text, section, key);
            std::size_t bytes = 0;
            for (char16_t c : value) bytes += (c < 0x80 || c == u'\u20AC') ? 1 : 2;
            if (bytes > ferrik::kIniValueMaxBytes || value.find(u'\0') != ferrik::Text::npos) std::abort();
        }
    }
    return 0;
}
