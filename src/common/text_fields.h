#pragma once
// Field splitting and the %XX / %uXXXX unescaping that some film sites apply to their links.
#include <cstdint>

#include "common/text.h"

namespace ferrik {

// Piece `index` (from 0) of `line` split at every `delimiter`; empty text when there is no such
// piece. An empty line has no pieces. Never fails.
Text SplitField(TextView line, TextView delimiter, std::int32_t index);

// The same piece as a view into `line`.
TextView FieldView(TextView line, TextView delimiter, std::int32_t index);

// Replaces "%uXXXX" by one UTF-16 code unit and "%XX" by U+00XX, left to right; anything else,
// a "%" that begins no valid escape included, is copied unchanged. Never fails.
Text vbUnEscape(TextView psString);

// vbUnEscape on the text itself: the result is never longer, so no second page-sized buffer.
void UnEscapeInPlace(Text& text);

// The same for the escapes that begin before `limit`, for a text that goes on after its end (at
// least the five units after `limit` must be at hand, so that each such escape is decided as in
// the whole text). Returns where the unescaped part ends: the text from there on is as it was,
// starting at the first "%" not yet looked at.
std::size_t UnEscapeBefore(Text& text, std::size_t limit);

// UnEscapeBefore for the escapes that begin in [from, limit): the text before `from` (already
// unescaped, say) is left as it is.
std::size_t UnEscapeBetween(Text& text, std::size_t from, std::size_t limit);

}  // namespace ferrik
