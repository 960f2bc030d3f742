#pragma once
// Reading the data files beside the exe (Rule.dat, RunFilter.dat, Setting.ini) as text.
#include "common/ports.h"
#include "common/text.h"

namespace ferrik {

// The whole file as text, decoded as GBK (code page 936) whatever the system code page is. A file
// that starts with a UTF-8 or UTF-16 byte order mark is decoded accordingly, as editors save such
// files. Returns false, with empty text, when the file cannot be read.
bool ReadDataFile(TextView path, const ByteDecoder& decoder, Text& text);

}  // namespace ferrik
