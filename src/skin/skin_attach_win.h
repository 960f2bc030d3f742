#pragma once
// MSkinner: the module behind the two CSkinner entry points. It skins and unskins windows, keeps
// one SkinnedWindow per skinned window in its attachment map, owns the skin images while any
// window is skinned, and puts the skin window procedure in front of each window's own.
#include <windows.h>

#include <cstdint>
#include <memory>

#include "skin/skinned_window_win.h"

namespace ferrik::MSkinner {

bool ImagesReady();
bool User32Tracking();
int AttachedCount();
// Sets the images-ready flag, probes "User32" for "TrackMouseEvent" and creates the images;
// does nothing while the flag is set.
void FirstUseInit();
// Deletes the images and clears the flag while no window is attached (an AttachSkin that skinned
// nothing, e.g. on handle 0, would otherwise keep them with no window to end them).
void ReleaseUnusedImages();

std::int32_t AttachWindow(HWND hWnd);
std::int32_t DetachWindow(HWND hWnd);
LRESULT CALLBACK SkinWndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
WindowKind KindOf(HWND hWnd);
// The object of a skinned window; empty when the window is not skinned.
std::shared_ptr<SkinnedWindow> SkinnedWindowOf(HWND hWnd);

}  // namespace ferrik::MSkinner
