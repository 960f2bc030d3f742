#include "skin/skinner_win.h"

#include "skin/skin_switch.h"

namespace ferrik {

// The painting engine is not part of this build yet: both entry points behave as with the switch
// off (UnSkin = "1"), touching nothing and reporting that nothing was skinned.
std::int32_t CSkinner::AttachSkin(HWND) {
    return 0;
}

std::int32_t CSkinner::DetachSkin(HWND) {
    return 0;
}

}  // namespace ferrik
