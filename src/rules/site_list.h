#pragma once
// The site list Rule.dat: one line per film site, "|"-separated fields: 0 a piece of address that
// every page of the site contains (also the address the web window opens), 1 the scheme name
// (a section of RunFilter.dat), 2 the display name. Lines end at CR or CR LF; a lone LF does not
// end a line.
#include "common/ports.h"
#include "common/text.h"
#include "rules/scheme.h"

namespace ferrik {

// Field 1 of the first line whose field 0, lower-cased, occurs in the lower-cased address, or
// empty text. `found` tells whether a line matched; lines with an empty field 0 match nothing.
Text MatchSiteList(TextView siteListText, TextView address, bool& found);

// MatchSiteList over the file, setting current.schemeFound. An address of spaces only gives empty
// text and false without reading the file; so does a missing or unreadable file.
Text FindSchemeName(TextView address, TextView ruleFile, const ByteDecoder& decoder, Scheme& current);

}  // namespace ferrik
