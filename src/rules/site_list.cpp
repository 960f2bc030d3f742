#include "rules/site_list.h"

#include "common/text_fields.h"
#include "rules/data_file.h"
#include "rules/text_lines.h"

namespace ferrik {

Text MatchSiteList(TextView siteListText, TextView address, bool& found) {
    found = false;
    const Text lowerAddress = ToLower(address);
    TextLines lines(siteListText, LineEnds::Cr);
    TextView line;
    while (lines.Next(line)) {
        const TextView site = FieldView(line, u"|", 0);
        // Lower-casing keeps the length, so a longer site cannot occur in the address.
        if (site.empty() || site.size() > lowerAddress.size()) continue;
        if (lowerAddress.find(ToLower(site)) != Text::npos) {
            found = true;
            return SplitField(line, u"|", 1);
        }
    }
    return {};
}

Text FindSchemeName(TextView address, TextView ruleFile, const ByteDecoder& decoder, Scheme& current) {
    current.schemeFound = false;
    if (TrimSpaces(address).empty()) return {};
    Text siteList;
    if (!ReadDataFile(ruleFile, decoder, siteList)) return {};
    return MatchSiteList(siteList, address, current.schemeFound);
}

}  // namespace ferrik
