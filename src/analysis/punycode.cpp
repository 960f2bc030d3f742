// Punycode (RFC 3492): the coder of international domain labels.
#include "analysis/punycode.h"

#include <cstdint>

namespace ferrik::url_detail {
namespace {

bool IsSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}

constexpr std::uint32_t kBase = 36, kTMin = 1, kTMax = 26, kSkew = 38, kDamp = 700;
constexpr std::uint32_t kInitialBias = 72, kInitialN = 128;
constexpr std::uint64_t kMaxInt = 0xFFFFFFFF;  // overflow bound of the 32-bit reference coder

std::uint32_t Adapt(std::uint64_t delta, std::uint64_t numPoints, bool firstTime) {
    delta = firstTime ? delta / kDamp : delta / 2;
    delta += delta / numPoints;
    std::uint32_t k = 0;
    while (delta > ((kBase - kTMin) * kTMax) / 2) {
        delta /= kBase - kTMin;
        k += kBase;
    }
    return static_cast<std::uint32_t>(k + (kBase - kTMin + 1) * delta / (delta + kSkew));
}

std::uint32_t Threshold(std::uint32_t k, std::uint32_t bias) {
    return k <= bias ? kTMin : k >= bias + kTMax ? kTMax : k - bias;
}

char16_t EncodeDigit(std::uint32_t d) {
    return static_cast<char16_t>(d < 26 ? 'a' + d : '0' + d - 26);
}

int DecodeDigit(char32_t c) {
    if (c >= '0' && c <= '9') return c - '0' + 26;
    if (c >= 'a' && c <= 'z') return c - 'a';
    if (c >= 'A' && c <= 'Z') return c - 'A';
    return -1;
}

}  // namespace

bool PunycodeEncode(std::u32string_view input, Text& out) {
    std::uint64_t n = kInitialN, delta = 0;
    std::uint32_t bias = kInitialBias;
    size_t basic = 0;
    for (char32_t c : input) {
        if (c < 0x80) {
            out += static_cast<char16_t>(c);
            ++basic;
        }
    }
    size_t handled = basic;
    if (basic > 0) out += '-';
    while (handled < input.size()) {
        std::uint64_t m = kMaxInt;
        for (char32_t c : input) {
            if (c >= n && c < m) m = c;
        }
        if (m - n > (kMaxInt - delta) / (handled + 1)) return false;
        delta += (m - n) * (handled + 1);
        n = m;
        for (char32_t c : input) {
            if (c < n && ++delta > kMaxInt) return false;
            if (c != n) continue;
            std::uint64_t q = delta;
            for (std::uint32_t k = kBase;; k += kBase) {
                const std::uint32_t t = Threshold(k, bias);
                if (q < t) break;
                out += EncodeDigit(static_cast<std::uint32_t>(t + (q - t) % (kBase - t)));
                q = (q - t) / (kBase - t);
            }
            out += EncodeDigit(static_cast<std::uint32_t>(q));
            bias = Adapt(delta, handled + 1, handled == basic);
            delta = 0;
            ++handled;
        }
        ++delta;
        ++n;
    }
    return true;
}

bool PunycodeDecode(std::u32string_view input, std::u32string& out, size_t maxLength) {
    out.clear();
    const size_t dash = input.rfind('-');
    size_t in = 0;
    if (dash != std::u32string_view::npos) {
        if (dash > maxLength) return false;
        out.assign(input.substr(0, dash));
        in = dash + 1;
    }
    std::uint64_t n = kInitialN, i = 0;
    std::uint32_t bias = kInitialBias;
    while (in < input.size()) {
        const std::uint64_t oldI = i;
        std::uint64_t w = 1;
        for (std::uint32_t k = kBase;; k += kBase) {
            if (in >= input.size()) return false;
            const int digit = DecodeDigit(input[in++]);
            if (digit < 0 || static_cast<std::uint64_t>(digit) > (kMaxInt - i) / w) return false;
            i += digit * w;
            const std::uint32_t t = Threshold(k, bias);
            if (static_cast<std::uint32_t>(digit) < t) break;
            if (w > kMaxInt / (kBase - t)) return false;
            w *= kBase - t;
        }
        const std::uint64_t length = out.size() + 1;
        if (length > maxLength) return false;
        bias = Adapt(i - oldI, length, oldI == 0);
        if (i / length > kMaxInt - n) return false;
        n += i / length;
        i %= length;
        if (n > 0x10FFFF || IsSurrogate(static_cast<char32_t>(n))) return false;
        out.insert(out.begin() + static_cast<std::ptrdiff_t>(i), static_cast<char32_t>(n));
        ++i;
    }
    return true;
}

}  // namespace ferrik::url_detail
