#pragma once
// The system's own table of colours (GetSysColor) behind the button's colour translation.
#include "controls/button_color.h"

namespace ferrik {

const SystemColors& WindowsSystemColors();

}  // namespace ferrik
