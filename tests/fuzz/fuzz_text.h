#pragma once
// Fuzzer bytes as UTF-16 text: one byte is one character (so the ASCII marks the parsers look
// for come up often), and 0xFF followed by two bytes spells any code unit, lone surrogates
// included.
#include <cstddef>
#include <cstdint>

#include "common/text.h"

namespace ferrik::fuzz {

inline Text TextFromBytes(const std::uint8_t* data, std::size_t size) {
    Text text;
    text.reserve(size);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0xFF && i + 2 < size) {
            text += static_cast<char16_t>(data[i + 1] | (data[i + 2] << 8));
            i += 2;
        } else {
            text += static_cast<char16_t>(data[i]);
        }
    }
    return text;
}

}  // namespace ferrik::fuzz
