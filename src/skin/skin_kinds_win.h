#pragma once
// The handler classes of the window kinds, one object per skinned window.
#include <memory>

#include "skin/skinned_window_win.h"

namespace ferrik::MSkinner {

// The object that skins a window of the kind.
std::shared_ptr<SkinnedWindow> MakeSkinnedWindow(HWND hwnd, WindowKind kind);

}  // namespace ferrik::MSkinner
