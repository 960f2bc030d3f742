#pragma once
// The skin window procedure's routing table: for each message it handles, what runs before the
// window's own procedure and what runs after it.
#include "skin/skinned_window_win.h"

namespace ferrik::MSkinner {

LRESULT RouteMessage(SkinnedWindow& window, const Message& m);

}  // namespace ferrik::MSkinner
