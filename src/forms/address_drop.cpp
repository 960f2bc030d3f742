#include "forms/address_drop.h"

#include "common/web_address.h"
#include "rules/ini_file.h"

namespace ferrik {

Text AddressFromDroppedText(TextView text) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of(u"\r\n", start);
        if (end == TextView::npos) end = text.size();
        TextView line = text.substr(start, end - start);
        const std::size_t first = line.find_first_not_of(u" \t");
        if (first != TextView::npos) {
            const std::size_t last = line.find_last_not_of(u" \t");
            return Text(line.substr(first, last - first + 1));
        }
        start = end + 1;
    }
    return {};
}

namespace {

// Whether a file name ends in `extension` (".url", lower case), in any case.
bool HasExtension(TextView path, TextView extension) {
    return path.size() >= extension.size() && ToLower(path.substr(path.size() - extension.size())) == extension;
}

}  // namespace

bool IsShortcutFileName(TextView path) {
    return HasExtension(path, u".url");
}

bool IsTextFileName(TextView path) {
    return HasExtension(path, u".txt");
}

Text AddressOfShortcut(TextView shortcutText) {
    return WebAddress(IniValue(shortcutText, u"InternetShortcut", u"URL", kShortcutAddressMax));
}

bool IsDriveLetterPath(TextView path) {
    if (path.size() < 4) return false;
    const char16_t letter = static_cast<char16_t>(path[0] | 0x20);
    if (letter < u'a' || letter > u'z' || path[1] != u':' || path[2] != u'\\') return false;
    // "C:\\server\share" is no path of the drive, and a second ':' names a device or stream.
    return path[3] != u'\\' && path[3] != u'/' && path.find(u':', 2) == TextView::npos;
}

}  // namespace ferrik
