#pragma once
// UTF-16 text helpers shared by every subsystem. Core text is UTF-16 because positions and lengths
// count UTF-16 code units and "%uXXXX" escapes may leave lone surrogates, which UTF-8 cannot hold.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ferrik {

using Text = std::u16string;
using TextView = std::u16string_view;

// UTF-8 <-> UTF-16. Invalid UTF-8 and lone surrogates become U+FFFD.
Text FromUtf8(std::string_view utf8);
std::string ToUtf8(TextView text);
// The same for UTF-8 that is well-formed throughout (no overlong forms, no surrogates); nothing
// for any other.
std::optional<Text> FromWellFormedUtf8(std::string_view utf8);

// One code point, as a surrogate pair above U+FFFF.
void AppendUtf16(Text& out, char32_t codePoint);

// Lower-cases as the platform does for UI text: one-to-one Unicode mappings, not only A-Z.
char16_t LowerChar(char16_t c);
Text ToLower(TextView text);
// Lower-cases A-Z only, as the web's and the classic runtime's case-insensitive names do.
char16_t AsciiLower(char16_t c);
Text AsciiLower(TextView text);

// Drops leading and trailing U+0020 only, as the classic Trim does.
TextView TrimSpaces(TextView text);

bool IsHexDigit(char16_t c);
int HexValue(char16_t c);  // -1 when not a hex digit

// Decimal text of a signed integer.
Text ToText(std::int64_t value);

}  // namespace ferrik
