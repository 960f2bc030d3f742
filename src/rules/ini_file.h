#pragma once
// Reading one value of an INI file the way the Windows INI reader (GetPrivateProfileString) does,
// as portable code: the data files are GBK whatever the system code page is.
#include <cstddef>

#include "common/ports.h"
#include "common/text.h"

namespace ferrik {

// Values longer than this many bytes (as code page 936 stores them) are cut: the classic reader
// fills a 1000-byte buffer.
inline constexpr std::size_t kIniValueMaxBytes = 999;

// The value of `key` in `section` of the INI text, or empty text. As the Windows reader:
// - lines end at CR, LF or CR LF; spaces and tabs around lines, names and values are dropped;
// - "[name]" opens a section (the name runs to the last "]"); lines before the first section
//   belong to a section with an empty name;
// - "key=value" lines; a line without "=" names a key without a value; ";" comments are lines
//   whose key starts with ";", so no real key ever matches them;
// - section and key are matched without regard to the case of A-Z; the first section of a name
//   and the first key of a name in it win;
// - a value enclosed in matching ' or " loses them; a value ends at a U+0000;
// - the value is cut to the whole characters that fit in `maxBytes` bytes (the classic buffer's
//   unless a caller reads with a larger one).
Text IniValue(TextView iniText, TextView section, TextView key, std::size_t maxBytes = kIniValueMaxBytes);

// IniValue over the file at `file`; a missing or unreadable file reads as empty text.
Text ReadIniValue(TextView section, TextView key, TextView file, const ByteDecoder& decoder);

}  // namespace ferrik
