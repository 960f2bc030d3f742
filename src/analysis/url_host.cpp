// Host parsing: domains to ASCII (IDNA with Punycode), IPv4 and IPv6 addresses, opaque hosts.
#include <algorithm>
#include <cstdint>
#include <string>

#include "analysis/punycode.h"
#include "analysis/url_internal.h"

namespace ferrik::url_detail {
namespace {

bool IsAsciiDigit(char32_t c) {
    return c >= '0' && c <= '9';
}
bool IsSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}

bool IsForbiddenHostCodePoint(char16_t c) {
    switch (c) {
        case 0x00:
        case 0x09:
        case 0x0A:
        case 0x0D:
        case ' ':
        case '#':
        case '/':
        case ':':
        case '<':
        case '>':
        case '?':
        case '@':
        case '[':
        case '\\':
        case ']':
        case '^':
        case '|':
            return true;
        default:
            return false;
    }
}

bool IsForbiddenDomainCodePoint(char16_t c) {
    return c < 0x20 || c == '%' || c == 0x7F || IsForbiddenHostCodePoint(c);
}

// Next code point of UTF-16 text; a lone surrogate reads as U+FFFD.
char32_t NextCodePoint(TextView s, size_t& i) {
    const char32_t c = s[i++];
    if (c >= 0xD800 && c <= 0xDBFF && i < s.size() && s[i] >= 0xDC00 && s[i] <= 0xDFFF) {
        return 0x10000 + ((c - 0xD800) << 10) + (s[i++] - 0xDC00);
    }
    return IsSurrogate(c) ? 0xFFFD : c;
}

// ---- IPv4 -------------------------------------------------------------------------------------

// Far above any valid address, so that huge parts need no big-number arithmetic.
constexpr std::uint64_t kIpv4Saturated = std::uint64_t{1} << 40;

// One dotted part: decimal, "0x" hex or "0"-prefixed octal.
bool ParseIpv4Number(TextView s, std::uint64_t& value) {
    if (s.empty()) return false;
    int radix = 10;
    if (s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        s.remove_prefix(2);
        radix = 16;
    } else if (s.size() >= 2 && s[0] == '0') {
        s.remove_prefix(1);
        radix = 8;
    }
    value = 0;
    for (char16_t c : s) {
        const int digit = radix == 16 ? HexValue(c) : (IsAsciiDigit(c) ? c - '0' : -1);
        if (digit < 0 || digit >= radix) return false;
        value = std::min(value * radix + digit, kIpv4Saturated);
    }
    return true;
}

// Whether the last label is a number, which makes the whole host an IPv4 address (or a failure).
bool EndsInNumber(TextView domain) {
    if (!domain.empty() && domain.back() == '.') domain.remove_suffix(1);
    const size_t dot = domain.rfind('.');
    const TextView last = dot == TextView::npos ? domain : domain.substr(dot + 1);
    if (!last.empty() && std::all_of(last.begin(), last.end(), [](char16_t c) { return IsAsciiDigit(c); })) {
        return true;
    }
    std::uint64_t unused = 0;
    return ParseIpv4Number(last, unused);
}

bool ParseIpv4(TextView domain, std::uint32_t& address) {
    std::uint64_t numbers[4];
    size_t count = 0;
    if (!domain.empty() && domain.back() == '.' && domain.size() > 1) domain.remove_suffix(1);
    size_t start = 0;
    while (true) {
        const size_t dot = domain.find('.', start);
        const TextView part = domain.substr(start, dot == TextView::npos ? TextView::npos : dot - start);
        if (count == 4 || !ParseIpv4Number(part, numbers[count])) return false;
        ++count;
        if (dot == TextView::npos) break;
        start = dot + 1;
    }
    for (size_t i = 0; i + 1 < count; ++i) {
        if (numbers[i] > 255) return false;
    }
    if (numbers[count - 1] >= (std::uint64_t{1} << (8 * (5 - count)))) return false;
    std::uint64_t ipv4 = numbers[count - 1];
    for (size_t i = 0; i + 1 < count; ++i) ipv4 += numbers[i] << (8 * (3 - i));
    address = static_cast<std::uint32_t>(ipv4);
    return true;
}

void SerializeIpv4(std::uint32_t address, Text& out) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out += ToText((address >> shift) & 0xFF);
        if (shift != 0) out += '.';
    }
}

// ---- IPv6 -------------------------------------------------------------------------------------

bool ParseIpv6(TextView s, std::uint16_t (&address)[8]) {
    std::fill(std::begin(address), std::end(address), std::uint16_t{0});
    const size_t n = s.size();
    size_t p = 0;
    int pieceIndex = 0;
    int compress = -1;
    auto at = [&](size_t i) -> int { return i < n ? s[i] : -1; };
    if (at(p) == ':') {
        if (at(p + 1) != ':') return false;
        p += 2;
        compress = ++pieceIndex;
    }
    while (at(p) != -1) {
        if (pieceIndex == 8) return false;
        if (at(p) == ':') {
            if (compress != -1) return false;
            ++p;
            compress = ++pieceIndex;
            continue;
        }
        unsigned value = 0;
        size_t length = 0;
        while (length < 4 && at(p) != -1 && HexValue(s[p]) >= 0) {
            value = value * 16 + HexValue(s[p]);
            ++p;
            ++length;
        }
        if (at(p) == '.') {
            if (length == 0) return false;
            p -= length;
            if (pieceIndex > 6) return false;
            int numbersSeen = 0;
            while (at(p) != -1) {
                int ipv4Piece = -1;
                if (numbersSeen > 0) {
                    if (at(p) == '.' && numbersSeen < 4) {
                        ++p;
                    } else {
                        return false;
                    }
                }
                if (!IsAsciiDigit(at(p))) return false;
                while (IsAsciiDigit(at(p))) {
                    const int number = s[p] - '0';
                    if (ipv4Piece == -1) {
                        ipv4Piece = number;
                    } else if (ipv4Piece == 0) {
                        return false;
                    } else {
                        ipv4Piece = ipv4Piece * 10 + number;
                    }
                    if (ipv4Piece > 255) return false;
                    ++p;
                }
                address[pieceIndex] = static_cast<std::uint16_t>(address[pieceIndex] * 0x100 + ipv4Piece);
                ++numbersSeen;
                if (numbersSeen == 2 || numbersSeen == 4) ++pieceIndex;
            }
            if (numbersSeen != 4) return false;
            break;
        }
        if (at(p) == ':') {
            ++p;
            if (at(p) == -1) return false;
        } else if (at(p) != -1) {
            return false;
        }
        address[pieceIndex] = static_cast<std::uint16_t>(value);
        ++pieceIndex;
    }
    if (compress != -1) {
        int swaps = pieceIndex - compress;
        pieceIndex = 7;
        while (pieceIndex != 0 && swaps > 0) {
            std::swap(address[pieceIndex], address[compress + swaps - 1]);
            --pieceIndex;
            --swaps;
        }
    } else if (pieceIndex != 8) {
        return false;
    }
    return true;
}

void SerializeIpv6(const std::uint16_t (&address)[8], Text& out) {
    // The first longest run of two or more zero pieces becomes "::".
    int compress = -1;
    int bestLength = 1;
    for (int i = 0; i < 8;) {
        int j = i;
        while (j < 8 && address[j] == 0) ++j;
        if (j - i > bestLength) {
            compress = i;
            bestLength = j - i;
        }
        i = j == i ? i + 1 : j;
    }
    static constexpr char16_t kHex[] = u"0123456789abcdef";
    out += '[';
    for (int i = 0; i < 8; ++i) {
        if (i == compress) {
            out += i == 0 ? u"::" : u":";
            i += bestLength - 1;
            continue;
        }
        bool started = false;
        for (int shift = 12; shift >= 0; shift -= 4) {
            const int digit = (address[i] >> shift) & 0xF;
            if (digit != 0 || started || shift == 0) {
                out += kHex[digit];
                started = true;
            }
        }
        if (i != 7) out += ':';
    }
    out += ']';
}

// The coder is quadratic in a label's length. DNS names are at most 253 octets, so a host whose
// international labels hold more code points than this (counted in their Unicode form, so that a
// serialized host parses again) is refused: a hostile 10 MB host cannot stall a page load.
constexpr size_t kMaxPunycodePerHost = 1024;

// ---- Domain to ASCII --------------------------------------------------------------------------
//
// UTS #46 processing (non-transitional, CheckHyphens off, CheckBidi and CheckJoiners on, STD3
// rules off) with a small built-in stand-in for the IDNA mapping table: ASCII case, the
// full-width forms and ideographic full stops that Chinese input methods produce, the
// default-ignorable code points, and simple lower-casing of the rest. Blocks whose mapping needs
// the full table (enclosed and compatibility CJK, mathematical alphanumerics, half-width forms)
// are refused rather than guessed; so are ZWJ/ZWNJ, whose joining context needs Unicode data we
// do not carry. Normalization to NFC and the Bidi rule are not checked.

constexpr char32_t kIgnored = 0xFFFFFFFF;
constexpr char32_t kDisallowed = 0xFFFFFFFE;

char32_t MapCodePoint(char32_t c) {
    if (c < 0x80) return AsciiLower(static_cast<char16_t>(c));
    if (c <= 0x9F || IsSurrogate(c) || (c >= 0xE000 && c <= 0xF8FF) || c >= 0xF0000) return kDisallowed;
    if ((c & 0xFFFE) == 0xFFFE || (c >= 0xFDD0 && c <= 0xFDEF) || c == 0xFFFD) return kDisallowed;
    if (c == 0x200C || c == 0x200D) return kDisallowed;
    if (c == 0xAD || c == 0x34F || (c >= 0x180B && c <= 0x180D) || c == 0x180F || c == 0x200B || c == 0x2060 ||
        (c >= 0xFE00 && c <= 0xFE0F) || c == 0xFEFF || (c >= 0xE0100 && c <= 0xE01EF)) {
        return kIgnored;
    }
    if (c == 0xA0 || c == 0x3000) return ' ';
    if (c == 0x3002 || c == 0xFF0E || c == 0xFF61) return '.';
    if (c >= 0xFF01 && c <= 0xFF5E) return AsciiLower(static_cast<char16_t>(c - 0xFEE0));
    if ((c >= 0x3200 && c <= 0x33FF) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFF62 && c <= 0xFFEF) ||
        (c >= 0x1D400 && c <= 0x1D7FF)) {
        return kDisallowed;
    }
    return c < 0x10000 ? LowerChar(static_cast<char16_t>(c)) : c;
}

bool IsCombiningMark(char32_t c) {
    return (c >= 0x300 && c <= 0x36F) || (c >= 0x1AB0 && c <= 0x1AFF) || (c >= 0x1DC0 && c <= 0x1DFF) ||
           (c >= 0x20D0 && c <= 0x20FF) || (c >= 0xFE20 && c <= 0xFE2F);
}

// Validity of a label that holds non-ASCII code points (after mapping, or decoded from "xn--").
bool IsValidUnicodeLabel(std::u32string_view label) {
    if (label.empty() || IsCombiningMark(label[0])) return false;
    if (label.size() >= 4 && label[0] == 'x' && label[1] == 'n' && label[2] == '-' && label[3] == '-') return false;
    return std::all_of(label.begin(), label.end(), [](char32_t c) { return c != '.' && MapCodePoint(c) == c; });
}

template <typename View>
bool StartsWithAcePrefix(View label) {
    return label.size() >= 4 && (label[0] | 0x20) == 'x' && (label[1] | 0x20) == 'n' && label[2] == '-' &&
           label[3] == '-';
}

// An "xn--" label (already lower-case ASCII) must decode to a valid non-ASCII label.
bool IsValidAceLabel(std::u32string_view label, std::u32string& scratch, size_t& budget) {
    if (!PunycodeDecode(label.substr(4), scratch, budget)) return false;
    budget -= scratch.size();
    if (std::all_of(scratch.begin(), scratch.end(), [](char32_t c) { return c < 0x80; })) return false;
    return IsValidUnicodeLabel(scratch);
}

// Appends each label of `domain` (dot-separated, ASCII-lower-cased) to `out`: ASCII labels as
// they are, once their "xn--" form checks out; others as "xn--" + Punycode.
bool AppendAsciiLabels(std::u32string_view domain, Text& out) {
    std::u32string scratch;
    size_t budget = kMaxPunycodePerHost;
    size_t start = 0;
    while (true) {
        const size_t dot = domain.find('.', start);
        const std::u32string_view label = domain.substr(start, dot == domain.npos ? domain.npos : dot - start);
        const bool ace = StartsWithAcePrefix(label);
        const bool ascii = std::all_of(label.begin(), label.end(), [](char32_t c) { return c < 0x80; });
        if (ascii) {
            if (ace && !IsValidAceLabel(label, scratch, budget)) return false;
            for (char32_t c : label) out += static_cast<char16_t>(c);
        } else {
            if (ace || label.size() > budget || !IsValidUnicodeLabel(label)) return false;
            budget -= label.size();
            out += u"xn--";
            if (!PunycodeEncode(label, out)) return false;
        }
        if (dot == domain.npos) return true;
        out += '.';
        start = dot + 1;
    }
}

bool DomainToAscii(TextView domain, Text& out) {
    const bool ascii = std::all_of(domain.begin(), domain.end(), [](char16_t c) { return c < 0x80; });
    std::u32string mapped;
    if (ascii) {
        // Plain lower-casing is the whole of the mapping unless some label claims to be Punycode.
        const size_t start = out.size();
        std::transform(domain.begin(), domain.end(), std::back_inserter(out), [](char16_t c) { return AsciiLower(c); });
        const TextView lowered = TextView(out).substr(start);
        bool hasAceLabel = StartsWithAcePrefix(lowered);
        for (size_t dot = lowered.find('.'); !hasAceLabel && dot != TextView::npos; dot = lowered.find('.', dot + 1)) {
            hasAceLabel = StartsWithAcePrefix(lowered.substr(dot + 1));
        }
        if (!hasAceLabel) return !lowered.empty();
        mapped.assign(lowered.begin(), lowered.end());
        out.resize(start);
    } else {
        for (size_t i = 0; i < domain.size();) {
            const char32_t c = MapCodePoint(NextCodePoint(domain, i));
            if (c == kDisallowed) return false;
            if (c != kIgnored) mapped += c;
        }
    }
    const size_t start = out.size();
    return AppendAsciiLabels(mapped, out) && out.size() > start;
}

// "%XX" escapes of the UTF-8 form decoded, the bytes read back as UTF-8.
Text PercentDecodeDomain(TextView input) {
    const std::string bytes = ToUtf8(input);
    std::string decoded;
    decoded.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '%' && i + 2 < bytes.size() && HexValue(bytes[i + 1]) >= 0 && HexValue(bytes[i + 2]) >= 0) {
            decoded += static_cast<char>(HexValue(bytes[i + 1]) * 16 + HexValue(bytes[i + 2]));
            i += 2;
        } else {
            decoded += bytes[i];
        }
    }
    return FromUtf8(decoded);
}

bool ParseOpaqueHost(TextView input, Text& out) {
    if (std::any_of(input.begin(), input.end(), IsForbiddenHostCodePoint)) return false;
    AppendPercentEncoded(out, input, kC0ControlSet);
    return true;
}

}  // namespace

bool ParseHost(TextView input, bool special, Text& out) {
    out.clear();
    if (!input.empty() && input[0] == '[') {
        if (input.size() < 2 || input.back() != ']') return false;
        std::uint16_t address[8];
        if (!ParseIpv6(input.substr(1, input.size() - 2), address)) return false;
        SerializeIpv6(address, out);
        return true;
    }
    if (!special) return ParseOpaqueHost(input, out);
    const bool plain = std::all_of(input.begin(), input.end(), [](char16_t c) { return c < 0x80 && c != '%'; });
    Text decoded;
    if (!plain) decoded = PercentDecodeDomain(input);
    if (!DomainToAscii(plain ? input : TextView(decoded), out)) return false;
    if (std::any_of(out.begin(), out.end(), IsForbiddenDomainCodePoint)) return false;
    if (EndsInNumber(out)) {
        std::uint32_t address = 0;
        if (!ParseIpv4(out, address)) return false;
        out.clear();
        SerializeIpv4(address, out);
    }
    return true;
}

}  // namespace ferrik::url_detail
