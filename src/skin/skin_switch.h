#pragma once
// The program-wide skin switch: the value of `UnSkin` in section `Setting` of Setting.ini, read
// once by the main window at load. The engine consults it on every attach and detach.
#include "common/text.h"

namespace ferrik {

extern Text UnSkin;

// "1" (exactly) leaves every window unskinned; anything else, empty included, lets the engine paint.
inline bool SkinSwitchedOff() {
    return UnSkin == u"1";
}

}  // namespace ferrik
