#include "skin/skinner_win.h"

#include "skin/skin_attach_win.h"
#include "skin/skin_switch.h"

namespace ferrik {

std::int32_t CSkinner::AttachSkin(HWND hWnd) {
    if (SkinSwitchedOff()) return 0;
    MSkinner::FirstUseInit();
    const std::int32_t attached = MSkinner::AttachWindow(hWnd);
    // A handle that was not skinned must not leave the images behind with nothing to paint.
    if (!attached && MSkinner::AttachedCount() == 0) MSkinner::ReleaseUnusedImages();
    return attached;
}

std::int32_t CSkinner::DetachSkin(HWND hWnd) {
    if (SkinSwitchedOff()) return 0;
    return MSkinner::DetachWindow(hWnd);
}

}  // namespace ferrik
