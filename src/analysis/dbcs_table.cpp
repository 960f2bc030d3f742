#include "analysis/dbcs_table.h"

#include <algorithm>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ferrik {

namespace {

// Units are decoded into a small buffer that stays in the first-level cache and appended to the
// text from there: the text's memory is written once, not cleared first and written again.
constexpr std::size_t kBlock = 4096;
constexpr std::size_t kSlack = 16;  // the ASCII path writes sixteen units at a time

std::string_view Bytes(const unsigned char* bytes, std::size_t n) {
    return {reinterpret_cast<const char*>(bytes), n};
}

}  // namespace

DbcsTable::Entry DbcsTable::EntryOf(const Text& units, std::size_t maxLength) {
    Entry e;
    if (units.size() > maxLength) return e;  // more than the table holds: the converter decides
    for (std::size_t k = 0; k < units.size(); ++k) e.units[k] = units[k];
    e.length = static_cast<std::uint8_t>(units.size());
    return e;
}

DbcsTable::DbcsTable(const std::array<bool, 256>& leadBytes, Converter convert)
    : m_convert(std::move(convert)), m_lead(leadBytes) {
    std::array<Text, 256> alone;  // each byte by itself, at the end of the input for a lead byte
    std::size_t leads = 0;
    for (unsigned b = 0; b < 256; ++b) {
        const unsigned char byte = static_cast<unsigned char>(b);
        alone[b] = m_convert(Bytes(&byte, 1));
        if (m_lead[b]) {
            m_leadRow[b] = static_cast<std::uint16_t>(leads++);
            m_leadAtEnd[b] = EntryOf(alone[b], 1);
        } else {
            m_single[b] = EntryOf(alone[b], 1);
        }
        if (b < 0x80 && (m_lead[b] || alone[b] != Text(1, static_cast<char16_t>(b)))) m_asciiAsIs = false;
    }
    m_pairs.resize(leads * 256);
    for (unsigned lead = 0; lead < 256; ++lead) {
        if (!m_lead[lead]) continue;
        for (unsigned next = 0; next < 256; ++next) {
            const unsigned char pair[3] = {static_cast<unsigned char>(lead), static_cast<unsigned char>(next),
                                           static_cast<unsigned char>(next)};
            const Text two = m_convert(Bytes(pair, 2));
            Entry& e = m_pairs[m_leadRow[lead] * 256u + next];
            if (!m_lead[next]) {
                // Whether the pair was one character or two, the converter is between characters
                // after it.
                e = EntryOf(two, 2);
            } else if (two.size() == 1 && m_convert(Bytes(pair, 3)) == two + alone[next]) {
                // A lead byte as the second byte: the pair was taken as one character only if a
                // copy of that byte after it is read as a lead byte at the end.
                e = EntryOf(two, 1);
            }
        }
    }
    m_oneUnit.assign(256 * 256, 0);
    for (unsigned lead = 0; lead < 256; ++lead) {
        if (!m_lead[lead]) continue;
        for (unsigned next = 0; next < 256; ++next) {
            const Entry& e = Pair(lead, next);
            if (e.length == 1) m_oneUnit[lead << 8 | next] = e.units[0];
        }
    }
}

std::size_t DbcsTable::UndecidedPairs() const {
    std::size_t n = 0;
    for (const Entry& e : m_pairs) n += e.length == kUndecided;
    return n;
}

Text DbcsTable::Decode(std::string_view bytes) const {
    Text out;
    DecodeAppend(bytes, out);
    return out;
}

void DbcsTable::DecodeAppend(std::string_view bytes, Text& out) const {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    out.reserve(out.size() + n);
    char16_t block[kBlock + kSlack];
    char16_t* o = block;
    char16_t* const full = block + kBlock - kSlack;  // past this the block is appended to `out`
    const auto flush = [&] {
        out.append(block, static_cast<std::size_t>(o - block));
        o = block;
    };
    const char16_t* const oneUnit = m_oneUnit.data();
    std::size_t i = 0;
    while (i < n) {
        if (o >= full) flush();
        const unsigned b = p[i];
        if (b < 0x80 && m_asciiAsIs) {
#if defined(__SSE2__)
            // Sixteen bytes widened at once, as far as the block has room; as many of them count
            // as come before the first byte with its high bit set.
            if (n - i >= 16) {
                const __m128i zero = _mm_setzero_si128();
                unsigned ascii = 16;
                for (; ascii == 16 && n - i >= 16 && o < full; o += ascii, i += ascii) {
                    const __m128i sixteen = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
                    _mm_storeu_si128(reinterpret_cast<__m128i*>(o), _mm_unpacklo_epi8(sixteen, zero));
                    _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 8), _mm_unpackhi_epi8(sixteen, zero));
                    const unsigned high = static_cast<unsigned>(_mm_movemask_epi8(sixteen));
                    ascii = high ? static_cast<unsigned>(__builtin_ctz(high)) : 16u;
                }
                continue;
            }
#endif
            *o++ = static_cast<char16_t>(b);
            ++i;
            continue;
        }
        // A run of pairs of one unit each, as far as the block has room: one lookup and one
        // branch a pair.
        const std::size_t room = static_cast<std::size_t>(full - o);
        const std::size_t last = i + std::min(2 * room, n - 1 - i);  // a pair starts before `last`
        const std::size_t start = i;
        while (i < last) {
            const char16_t unit = oneUnit[p[i] << 8 | p[i + 1]];
            if (unit == 0) break;
            *o++ = unit;
            i += 2;
        }
        if (i != start) continue;
        const Entry* e;
        std::size_t used;
        if (!m_lead[b]) {
            e = &m_single[b];
            used = 1;
        } else if (i + 1 < n) {
            e = &Pair(b, p[i + 1]);
            used = 2;
        } else {
            e = &m_leadAtEnd[b];
            used = 1;
        }
        if (e->length != kUndecided) {
            o[0] = e->units[0];
            o[1] = e->units[1];
            o += e->length;
            i += used;
            continue;
        }
        // The converter takes it from here through the next byte that is not a lead byte.
        std::size_t end = i + 1;
        while (end < n && m_lead[p[end - 1]]) ++end;
        flush();
        out += m_convert(bytes.substr(i, end - i));
        i = end;
    }
    flush();
}

}  // namespace ferrik
