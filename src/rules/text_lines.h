#pragma once
// Walking the lines of a data file's text without copying them.
#include "common/text.h"

namespace ferrik {

enum class LineEnds {
    CrOrLf,  // CR, LF or CR LF ends a line (the INI reader)
    Cr,      // CR or CR LF ends a line; a lone LF is part of the line (the classic line input)
};

class TextLines {
public:
    TextLines(TextView text, LineEnds ends) : m_rest(text), m_ends(ends) {}

    // The next line without its end; false after the last one. A final line end opens no
    // further, empty line.
    bool Next(TextView& line);

private:
    TextView m_rest;
    LineEnds m_ends;
};

}  // namespace ferrik
