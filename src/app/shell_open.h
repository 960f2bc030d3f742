#pragma once
// ShellOpen's reading of its one text argument.
#include "common/text.h"

namespace ferrik {

struct ShellOpenRequest {
    Text file;        // what is opened; empty: nothing is
    Text parameters;  // empty: none
};

// With a "|", field 0 is opened with field 1 as its parameters; otherwise the whole text is
// opened without parameters.
ShellOpenRequest SplitShellOpen(TextView text);

}  // namespace ferrik
