#pragma once
// The current scheme (方案): how page analysis treats the site of the address in the address box.
// The main window keeps one Scheme and calls SelectScheme on every change of the address box and
// once at start-up; the analysis commands read it.
#include "common/ports.h"
#include "common/text.h"

namespace ferrik {

struct Scheme {
    Text FilterStr;            // pattern of the hyperlinks that document link analysis keeps
    Text StartStr;             // loaded, used by no analysis step
    Text EnId;                 // analysis mode: "0", "2", anything else acts as "1"
    Text Unescape;             // "1": unescape the page text before scanning
    bool schemeFound = false;  // the last site-list lookup matched a line (even one naming no scheme)
};

// Where the data files are (beside the exe) and how their bytes become text.
struct SiteFiles {
    Text ruleFile;    // Rule.dat: the site list
    Text schemeFile;  // RunFilter.dat: one INI section per scheme
    const ByteDecoder& decoder;
};

inline constexpr char16_t kWelcomeText[] = u"欢迎使用Ferrik。";
inline constexpr char16_t kSchemeReadyText[] = u"已经为您准备好相应的方案。您可以进行分析了。";
inline constexpr char16_t kNoSchemeText[] = u"没有找到相应的方案,如果进行分析,会强制分析。";

// Picks the scheme for the address box's text and reports on the status line:
// - text of spaces only: the welcome text; the current scheme and its flag stay as they were;
// - the site list names a scheme: its FilterStr, StartStr, EnId and Unescape from the scheme file
//   (missing ones read as empty text);
// - no scheme named: FilterStr "*", EnId "1", Unescape "1", StartStr empty ("analyse anyway").
void SelectScheme(TextView addressBoxText, const SiteFiles& files, Scheme& current, StatusLine& status);

}  // namespace ferrik
