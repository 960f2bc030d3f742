#pragma once
// The skin engine's entry points. Every skinned form keeps one CSkinner, calls AttachSkin with its
// window handle on load and DetachSkin on unload.
#include <windows.h>

#include <cstdint>

namespace ferrik {

class CSkinner {
public:
    // 1 when the window (and its descendants) were skinned now, 0 otherwise.
    std::int32_t AttachSkin(HWND hWnd);
    // 1 when the window was skinned and is now restored, 0 otherwise.
    std::int32_t DetachSkin(HWND hWnd);
};

}  // namespace ferrik
