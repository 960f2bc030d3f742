// Any pattern against any address: no crash, no long run, and the same answer as the slow
// reference matcher wherever that one is quick enough to ask. Input: pattern, newline, address.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "analysis/pattern.h"
#include "host/support/pattern_reference.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::size_t newline = bytes.find('\n');
    const ferrik::Text pattern = ferrik::FromUtf8(bytes.substr(0, newline));
    const ferrik::Text address =
        newline == std::string_view::npos ? ferrik::Text() : ferrik::FromUtf8(bytes.substr(newline + 1));

    const std::optional<ferrik::Pattern> compiled = ferrik::Pattern::Compile(pattern);
    const bool matches = compiled && compiled->Matches(address);
    if (pattern.size() <= 64 && address.size() <= 256) {
        const std::optional<bool> expected = ferrik::test::ReferenceMatch(pattern, address);
        if (compiled.has_value() != expected.has_value() || (expected && matches != *expected)) std::abort();
    }
    return 0;
}
