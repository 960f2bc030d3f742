#pragma once
// The wildcard pattern of the schemes' FilterStr: which hyperlink addresses link analysis keeps.
//
//   ?        any single character          [list]   one character of the list; a-z is a range
//   *        zero or more characters       [!list]  one character not in the list
//   #        one digit 0-9                 []       nothing at all
//   other    itself ("!" and "]" too); [ ? # * are literal inside brackets
//
// Both the pattern and the address are lower-cased first, and the whole address must match the
// whole pattern. Characters are UTF-16 code units.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "common/text.h"

namespace ferrik {

class Pattern {
public:
    // nullopt for an invalid pattern: an unclosed "[" or a descending range such as "[z-a]".
    static std::optional<Pattern> Compile(TextView pattern);

    // Time is bounded by address length x pattern length, whatever the pattern.
    bool Matches(TextView address) const;

private:
    struct Item {
        enum Kind : std::uint8_t { Literal, Any, Digit, Set };
        Kind kind;
        char16_t literal;
        char16_t upper;   // a Literal a-z: its upper-case letter, which folds to it; else the literal itself
        std::size_t set;  // index into m_sets

        // Whether `c` folds to this Literal, without folding it: addresses are nearly all ASCII.
        bool LiteralMatches(char16_t c) const;
    };
    struct CharSet {
        bool negated = false;
        std::uint64_t ascii[2] = {0, 0};                        // members below U+0080, as bits
        std::vector<std::pair<char16_t, char16_t>> wideRanges;  // members from U+0080 on

        void Add(char16_t lo, char16_t hi);
        bool Contains(char16_t c) const;
    };
    // The items between two runs of "*", as [begin, end) into m_items.
    struct Segment {
        std::size_t begin;
        std::size_t end;
        std::size_t Length() const { return end - begin; }
    };

    bool ItemMatches(const Item& item, char16_t c) const;
    bool SegmentMatchesAt(const Segment& segment, TextView address, std::size_t pos) const;

    std::vector<Item> m_items;
    std::vector<CharSet> m_sets;
    std::vector<Segment> m_segments;  // one more than the runs of "*"; never empty
};

}  // namespace ferrik
