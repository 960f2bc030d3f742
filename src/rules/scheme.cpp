#include "rules/scheme.h"

#include "rules/data_file.h"
#include "rules/ini_file.h"
#include "rules/site_list.h"

namespace ferrik {

void SelectScheme(TextView addressBoxText, const SiteFiles& files, Scheme& current, StatusLine& status) {
    if (TrimSpaces(addressBoxText).empty()) {
        status.ShowStatus(kWelcomeText);
        return;
    }
    const Text name = FindSchemeName(addressBoxText, files.ruleFile, files.decoder, current);
    if (name.empty()) {
        current.FilterStr = u"*";
        current.StartStr.clear();
        current.EnId = u"1";
        current.Unescape = u"1";
        status.ShowStatus(kNoSchemeText);
        return;
    }
    // One read of the scheme file serves all four keys; a missing file reads as empty values.
    Text schemes;
    ReadDataFile(files.schemeFile, files.decoder, schemes);
    current.FilterStr = IniValue(schemes, name, u"FilterStr");
    current.StartStr = IniValue(schemes, name, u"StartStr");
    current.EnId = IniValue(schemes, name, u"EnId");
    current.Unescape = IniValue(schemes, name, u"Unescape");
    status.ShowStatus(kSchemeReadyText);
}

}  // namespace ferrik
