#pragma once
// A double-byte code page decoded by table: the table is read off the system's own converter, so
// that every input decodes exactly as the converter decodes it, at the speed of a table lookup.
#include <array>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "common/text.h"

namespace ferrik {

// The converter of a double-byte code page is a machine of two states: between characters, or
// after a lead byte. After any byte that is not a lead byte it is between characters again (that
// byte was either a character of its own or the second byte of a pair), which is what makes the
// table exact: each lead byte with each following byte, each lead byte at the end and each single
// byte is asked once. A pair whose outcome the table cannot hold, or whose consumption it cannot
// tell for certain, is handed back to the converter with the bytes up to the next point where the
// converter is between characters again.
class DbcsTable {
public:
    using Converter = std::function<Text(std::string_view bytes)>;

    // `leadBytes[b]`: the code page treats b as the first byte of a pair. `convert` is the
    // system's converter for the whole code page; it is kept for what the table cannot decide.
    DbcsTable(const std::array<bool, 256>& leadBytes, Converter convert);

    // The bytes decoded as the converter decodes them.
    Text Decode(std::string_view bytes) const;
    // The same, appended to `out` (a buffer that is used again keeps its memory).
    void DecodeAppend(std::string_view bytes, Text& out) const;

    // How many pairs the table leaves to the converter (each lead byte with each following byte).
    std::size_t UndecidedPairs() const;

private:
    struct Entry {
        char16_t units[2] = {0, 0};
        std::uint8_t length = kUndecided;
    };
    static constexpr std::uint8_t kUndecided = 0xFF;

    static Entry EntryOf(const Text& units, std::size_t maxLength);
    const Entry& Pair(unsigned lead, unsigned next) const { return m_pairs[m_leadRow[lead] * 256u + next]; }

    Converter m_convert;
    std::array<bool, 256> m_lead;
    std::array<std::uint16_t, 256> m_leadRow{};  // row of m_pairs of each lead byte
    std::array<Entry, 256> m_single;             // a byte that is not a lead byte
    std::array<Entry, 256> m_leadAtEnd;          // a lead byte that ends the input
    std::vector<Entry> m_pairs;                  // 256 per lead byte
    // Every two bytes as one number (first byte high): the one unit they decode to where they are
    // a lead byte and a byte that the table decodes as one character, else 0. Runs of such pairs,
    // most of a Chinese page, are decoded by this alone.
    std::vector<char16_t> m_oneUnit;
    bool m_asciiAsIs = true;                     // bytes below 0x80 are characters of the same value
};

}  // namespace ferrik
