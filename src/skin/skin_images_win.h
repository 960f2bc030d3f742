#pragma once
// The five skin images as memory surfaces, made when the engine starts and deleted when the last
// skinned window goes.
#include <windows.h>

#include "skin/skin_images.h"

namespace ferrik::MSkinner {

using skin::SkinImage;

// The memory surface of one skin image; 0 while the images are not made.
HDC Image(SkinImage image);
void CreateSkinImages();
void DeleteSkinImages();

}  // namespace ferrik::MSkinner
