#pragma once
// Charset labels as pages and servers write them, mapped to the converters that decode them.
#include <cstdint>
#include <optional>
#include <string_view>

#include "common/text.h"

namespace ferrik {

inline constexpr std::uint32_t kCodePageGbk = 936;
inline constexpr std::uint32_t kCodePageUtf8 = 65001;

// UTF-16 has no Windows code page for MultiByteToWideChar, so it is named apart.
enum class CharsetForm { CodePage, Utf16Le, Utf16Be };

struct Charset {
    CharsetForm form = CharsetForm::CodePage;
    std::uint32_t codePage = kCodePageGbk;  // meaningful for CodePage only

    friend bool operator==(const Charset&, const Charset&) = default;
};

// The charset an encoding label names: the browsers' label list (ASCII case-insensitive,
// surrounding white space ignored) plus the Windows names Chinese sites use ("cp936"). Labels the
// browsers read as windows-1252 ("iso-8859-1", "us-ascii") map to 1252 as they do. Encodings
// without a Windows code page are unknown.
std::optional<Charset> FindCharset(TextView label);

// UTF-16 bytes as text; an odd trailing byte becomes U+FFFD.
Text DecodeUtf16(std::string_view bytes, bool bigEndian);

// Well-formed UTF-8 as text, into `out`: true when every byte belongs to a well-formed sequence
// (no overlong form, no surrogate, nothing above U+10FFFF). False at the first fault, leaving
// `out` unspecified, so that the caller can hand the bytes to a converter with its own rules
// for broken input.
bool DecodeWellFormedUtf8(std::string_view bytes, Text& out);

}  // namespace ferrik
