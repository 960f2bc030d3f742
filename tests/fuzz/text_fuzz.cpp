// Every portable text routine must take any input: no crash, no hang, no sanitizer report.
#include <cstddef>
#include <cstdint>

#include "common/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const ferrik::Text text = ferrik::FromUtf8(bytes);
    (void)ferrik::ToUtf8(text);
    (void)ferrik::ToLower(text);
    (void)ferrik::TrimSpaces(text);
    return 0;
}
