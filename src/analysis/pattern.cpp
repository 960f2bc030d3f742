#include "analysis/pattern.h"

#include <algorithm>

#include "common/text_search.h"

namespace ferrik {

namespace {

// LowerChar with the ASCII case inline: addresses are nearly all ASCII and this runs per character.
inline char16_t Fold(char16_t c) {
    if (c < 0x80) return static_cast<char16_t>(static_cast<unsigned>(c - u'A') < 26u ? c + 32 : c);
    return LowerChar(c);
}

// The upper-case partner of an a-z literal: the only other ASCII character that folds to it.
char16_t UpperPartner(char16_t literal) {
    return literal >= u'a' && literal <= u'z' ? static_cast<char16_t>(literal - 32) : literal;
}

}  // namespace

// Fold(c) == literal, spelt out: below U+0080 only the literal and its upper-case letter fold to it.
inline bool Pattern::Item::LiteralMatches(char16_t c) const {
    return c < 0x80 ? (c == literal || c == upper) : LowerChar(c) == literal;
}

void Pattern::CharSet::Add(char16_t lo, char16_t hi) {
    for (char16_t c = lo; c <= hi && c < 0x80; ++c) {
        ascii[c >> 6] |= std::uint64_t{1} << (c & 63);
    }
    if (hi >= 0x80) wideRanges.emplace_back(std::max<char16_t>(lo, 0x80), hi);
}

bool Pattern::CharSet::Contains(char16_t c) const {
    bool found = false;
    if (c < 0x80) {
        found = (ascii[c >> 6] >> (c & 63)) & 1;
    } else {
        found = std::any_of(wideRanges.begin(), wideRanges.end(),
                            [c](const auto& range) { return c >= range.first && c <= range.second; });
    }
    return found != negated;
}

// Brackets, read as the table reads: "[" opens a list that the first "]" closes, so "]" can never
// be a member and "[" inside a list is an ordinary member. "!" right after "[" negates. "x-y" is a
// range unless the "-" is the list's first or last character (then it is a member), which also
// makes "[a-b-c]" the range a-b plus "-" and "c".
// "[]" is an empty list that consumes nothing, as the table says. "[!]" is the negation of that
// empty list, read like any other "[!list]": exactly one character, whichever it is.
std::optional<Pattern> Pattern::Compile(TextView pattern) {
    const Text p = ToLower(pattern);
    const std::size_t n = p.size();
    Pattern result;
    std::size_t segmentBegin = 0;
    for (std::size_t i = 0; i < n;) {
        const char16_t c = p[i++];
        if (c == u'*') {
            // Runs of stars (also with "[]" between them) act as one, so middle segments are never empty.
            if (result.m_segments.empty() || result.m_items.size() > segmentBegin) {
                result.m_segments.push_back({segmentBegin, result.m_items.size()});
            }
            segmentBegin = result.m_items.size();
            continue;
        }
        if (c == u'?') {
            result.m_items.push_back({Item::Any, 0, 0, 0});
        } else if (c == u'#') {
            result.m_items.push_back({Item::Digit, 0, 0, 0});
        } else if (c != u'[') {
            result.m_items.push_back({Item::Literal, c, UpperPartner(c), 0});
        } else {
            CharSet set;
            if (i < n && p[i] == u'!') {
                set.negated = true;
                ++i;
            }
            bool empty = true;
            while (i < n && p[i] != u']') {
                const char16_t lo = p[i];
                if (i + 2 < n && p[i + 1] == u'-' && p[i + 2] != u']') {
                    const char16_t hi = p[i + 2];
                    if (hi < lo) return std::nullopt;
                    set.Add(lo, hi);
                    i += 3;
                } else {
                    set.Add(lo, lo);
                    ++i;
                }
                empty = false;
            }
            if (i == n) return std::nullopt;  // unclosed
            ++i;
            if (empty && !set.negated) continue;
            if (empty) {
                result.m_items.push_back({Item::Any, 0, 0, 0});
            } else {
                result.m_items.push_back({Item::Set, 0, 0, result.m_sets.size()});
                result.m_sets.push_back(std::move(set));
            }
        }
    }
    result.m_segments.push_back({segmentBegin, result.m_items.size()});
    return result;
}

bool Pattern::ItemMatches(const Item& item, char16_t c) const {
    switch (item.kind) {
        case Item::Literal:
            return c == item.literal;
        case Item::Any:
            return true;
        case Item::Digit:
            return c >= u'0' && c <= u'9';
        case Item::Set:
            return m_sets[item.set].Contains(c);
    }
    return false;
}

bool Pattern::SegmentMatchesAt(const Segment& segment, TextView address, std::size_t pos) const {
    for (std::size_t k = segment.begin; k < segment.end; ++k, ++pos) {
        const Item& item = m_items[k];
        if (item.kind == Item::Literal ? !item.LiteralMatches(address[pos]) : !ItemMatches(item, Fold(address[pos])))
            return false;
    }
    return true;
}

// Every item of a segment takes exactly one character, so the segments between stars have fixed
// lengths: the first is pinned to the start, the last to the end, and each one between is placed
// at its leftmost fit after the previous one. Leftmost is never worse (it leaves the most room to
// the right), so there is no backtracking: each segment tries at most n positions at its own
// length per try, O(n x m) in all.
bool Pattern::Matches(TextView address) const {
    const std::size_t n = address.size();
    const Segment& first = m_segments.front();
    if (m_segments.size() == 1) return n == first.Length() && SegmentMatchesAt(first, address, 0);

    const Segment& last = m_segments.back();
    if (first.Length() + last.Length() > n) return false;
    const std::size_t limit = n - last.Length();
    if (!SegmentMatchesAt(first, address, 0) || !SegmentMatchesAt(last, address, limit)) return false;

    std::size_t pos = first.Length();
    for (std::size_t s = 1; s + 1 < m_segments.size(); ++s) {
        const Segment& segment = m_segments[s];
        const std::size_t len = segment.Length();
        const Item& lead = m_items[segment.begin];
        const Item& tail = m_items[segment.end - 1];
        for (;;) {
            if (pos + len > limit) return false;
            // Cheap skip to the next place where a literal first item fits, and a literal last
            // item as well, before the whole segment is compared.
            if (lead.kind == Item::Literal) {
                for (;;) {
                    pos = FindPairOrNonAscii(address, lead.literal, lead.upper, pos);
                    if (pos == TextView::npos || pos + len > limit) return false;
                    if (lead.LiteralMatches(address[pos])) break;
                    ++pos;  // a character from U+0080 on that does not fold to the literal
                }
            }
            if ((tail.kind != Item::Literal || tail.LiteralMatches(address[pos + len - 1])) &&
                SegmentMatchesAt(segment, address, pos))
                break;
            ++pos;
        }
        pos += len;
    }
    return true;
}

}  // namespace ferrik
