#include "rules/ini_file.h"

#include "rules/data_file.h"
#include "rules/text_lines.h"

namespace ferrik {

namespace {

// The blanks the Windows reader drops, ^Z (a DOS end-of-file mark) among them.
bool IsIniSpace(char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r') || c == u'\x1A';
}

TextView TrimLeft(TextView s) {
    while (!s.empty() && IsIniSpace(s.front())) s.remove_prefix(1);
    return s;
}

TextView TrimRight(TextView s) {
    while (!s.empty() && IsIniSpace(s.back())) s.remove_suffix(1);
    return s;
}

TextView Trim(TextView s) {
    return TrimRight(TrimLeft(s));
}

// The reader keeps names and values as C strings.
TextView CutAtNul(TextView s) {
    return s.substr(0, s.find(u'\0'));
}

TextView CleanName(TextView s) {
    return CutAtNul(Trim(s));
}

bool EqualNoCase(TextView a, TextView b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        // Only A-Z fold: the Windows reader compares code page 936 names byte-wise, where the
        // letters of double-byte characters (full-width, Greek, Cyrillic) have no case.
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    }
    return true;
}

TextView StripQuotes(TextView value) {
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

// Bytes of the character in code page 936: ASCII and the euro sign (0x80) take one.
std::size_t GbkBytes(char16_t c) {
    return (c < 0x80 || c == u'\u20AC') ? 1 : 2;
}

// The longest run of whole characters that fits the reader's buffer.
TextView CutToBufferSize(TextView value, std::size_t maxBytes) {
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < value.size(); ++i) {
        bytes += GbkBytes(value[i]);
        if (bytes > maxBytes) return value.substr(0, i);
    }
    return value;
}

}  // namespace

Text IniValue(TextView iniText, TextView section, TextView key, std::size_t maxBytes) {
    const TextView wantedSection = CleanName(section);
    const TextView wantedKey = CleanName(key);
    bool inSection = wantedSection.empty();  // lines before the first header form a section named ""
    TextLines lines(iniText, LineEnds::CrOrLf);
    TextView line;
    while (lines.Next(line)) {
        line = Trim(line);
        if (line.empty()) continue;
        if (line.front() == u'[') {
            const std::size_t close = line.rfind(u']');
            if (close != TextView::npos) {
                if (inSection) return {};  // only the first section of a name is read
                inSection = EqualNoCase(CleanName(line.substr(1, close - 1)), wantedSection);
                continue;
            }
            // Without "]" the line is an ordinary key line.
        }
        if (!inSection) continue;
        const std::size_t equals = line.find(u'=');
        const TextView name = equals == TextView::npos ? line : line.substr(0, equals);
        if (!EqualNoCase(CleanName(name), wantedKey)) continue;
        // The first key of the name wins, even a line without "=" that gives it no value.
        if (equals == TextView::npos) return {};
        return Text(CutToBufferSize(StripQuotes(CutAtNul(TrimLeft(line.substr(equals + 1)))), maxBytes));
    }
    return {};
}

Text ReadIniValue(TextView section, TextView key, TextView file, const ByteDecoder& decoder) {
    Text text;
    if (!ReadDataFile(file, decoder, text)) return {};
    return IniValue(text, section, key);
}

}  // namespace ferrik
