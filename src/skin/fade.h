#pragma once
// A push button's faces and the fade between them: the face states, the levels the handlers set,
// the step of the 15 ms timer and the constant-alpha blend it draws with.
#include <vector>

#include "skin/skin_images.h"

namespace ferrik::skin {

// "OLDSTATE" of a push button, and which of its four faces ("HDC0".."HDC3") is faded in.
enum class FaceState { Normal = 0, Hot = 1, Pressed = 2, Disabled = 3 };
constexpr int kFaceCount = 4;

// "ALPHALEVEL" as the handlers set it.
constexpr int kFadeFromStart = 0;      // mouse enters, focus changes, space released, after the leave blend
constexpr int kFadeAfterRelease = 60;  // left button released
constexpr int kLeaveBlendLevel = 140;  // the one blend of the hot face when the mouse leaves
constexpr int kFullFace = 255;         // the face drawn fully at once: paint, press, drag off the button

constexpr int kFadeTimerId = 1;
constexpr unsigned kFadeIntervalMs = 15;
constexpr int kFadeIncrement = 3;

struct FadeStepResult {
    int blendLevel;  // the constant alpha of this step's blend
    int nextLevel;   // stored back in "ALPHALEVEL"
    bool stop;       // the timer stops after this step
};
FadeStepResult FadeStep(int level);

// The blend levels of a fade started at `level`, in order, up to and including 255.
std::vector<int> FadeLevels(int level);

// Constant-alpha source-over of one colour onto another, as AlphaBlend computes it without
// per-pixel alpha: each channel = (src * a + dst * (255 - a)) / 255, rounded.
Rgb BlendOver(Rgb source, Rgb target, int alpha);

}  // namespace ferrik::skin
