#pragma once
// MSkinner: everything of the skin engine behind the two CSkinner entry points. The per-window
// state lives in named window properties ("PROCADDR", "OLDSTATE", ...); the module keeps only the
// images, the images-ready flag, the user32-tracking flag and the attached-window count.
#include <windows.h>

#include <cstdint>
#include <optional>

#include "skin/skin_images.h"
#include "skin/skin_layout.h"

namespace ferrik::MSkinner {

using skin::SkinImage;
using skin::WindowKind;

// ---- module state ----
bool ImagesReady();
bool User32Tracking();
int AttachedCount();
// The memory surface of one skin image; 0 while the images are not ready.
HDC Image(SkinImage image);
// Sets the images-ready flag, probes "User32" for "TrackMouseEvent" and creates the images;
// does nothing while the flag is set.
void FirstUseInit();
// Deletes the images and clears the flag while no window is attached (an AttachSkin that skinned
// nothing, e.g. on handle 0, would otherwise keep them with no window to end them).
void ReleaseUnusedImages();
// Drawing objects (surfaces and their bitmaps) the engine has created and not deleted yet: the
// skin images, the push-button state surfaces and any scratch surface still in use.
int LiveGdiObjects();

// ---- attachment (skin window procedure included) ----
std::int32_t AttachWindow(HWND hWnd);
std::int32_t DetachWindow(HWND hWnd);
LRESULT CALLBACK SkinWndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
WindowKind KindOf(HWND hWnd);

// ---- window properties (integers; a missing one reads 0) ----
std::intptr_t GetSkinProp(HWND hWnd, const wchar_t* name);
void SetSkinProp(HWND hWnd, const wchar_t* name, std::intptr_t value);
void RemoveSkinProp(HWND hWnd, const wchar_t* name);

// ---- surfaces and blits ----
// A memory surface compatible with the display, owning a w x h bitmap; 0 on failure.
HDC CreateScratchSurface(int width, int height);
// Deletes a scratch surface together with its bitmap.
void DeleteScratchSurface(HDC surface);
void NineSliceBlt(HDC target, int x, int y, int w, int h, HDC source, int sx, int sy, int sw, int sh, int l, int t,
                  int r, int b, std::optional<COLORREF> key = std::nullopt);
void KeyColorBlt(HDC target, int x, int y, int w, int h, HDC source, int sx, int sy, COLORREF key,
                 HPALETTE palette = nullptr);
void CreateSkinImages();
void DeleteSkinImages();

// ---- push-button fade ----
void BlendButtonFace(HWND hWnd, HDC dc = nullptr);
UINT_PTR StartFade(HWND hWnd);
void StopFade(HWND hWnd);
void FadeStep(HWND hWnd);
// Drops what a running fade keeps at hand (its window DC, surfaces and size): the next step
// fetches them again. For a resize and for unskinning.
void ForgetFadeSurfaces(HWND hWnd);
// Keeps a running fade's copy of "OLDSTATE" or "ALPHALEVEL" equal to the property just written
// (SetSkinProp calls it; other names are passed over).
void NoteFadeProp(HWND hWnd, const wchar_t* name, std::intptr_t value);

// ---- painters ----
void RenderButtonFaces(HWND hWnd);
void PaintComboButton(HWND hWnd, HDC dc, int state, bool force);
int PaintCheckBox(HWND hWnd, int state, bool force);
int PaintOptionButton(HWND hWnd, int state, bool force);
void PaintHeaderItem(HWND hWnd, HDC dc, int index, int look);
void PaintHeader(HWND hWnd, HDC paintDc);
void PaintProgressClient(HWND hWnd, HDC paintDc);
void PaintProgressFrame(HWND hWnd);
void FlattenBorder(HWND hWnd);
// Frame (0, 0, w, h) in frame blue (pale when disabled) and, when `inner`, (1, 1, w - 2, h - 2) white.
void PaintFlatFrame(HWND hWnd, HDC windowDc, bool inner);

// Colours of the painters.
constexpr COLORREF kFrameBlue = RGB(84, 165, 213);
constexpr COLORREF kPaleFrameBlue = RGB(164, 207, 233);
constexpr COLORREF kPressedFrameBlue = RGB(57, 134, 196);
constexpr COLORREF kBarCyan = RGB(76, 214, 246);
constexpr COLORREF kDisabledCaptionGrey = RGB(121, 138, 150);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kKeyMagenta = RGB(255, 0, 255);
// DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS
constexpr UINT kCaptionFormat = 0x8025;

}  // namespace ferrik::MSkinner
