#include "app/shell_open.h"

#include "common/text_fields.h"

namespace ferrik {

ShellOpenRequest SplitShellOpen(TextView text) {
    if (text.find(u'|') == TextView::npos) return {Text(text), Text()};
    return {SplitField(text, u"|", 0), SplitField(text, u"|", 1)};
}

}  // namespace ferrik
