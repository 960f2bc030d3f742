#include "skin/fade.h"

namespace ferrik::skin {

FadeStepResult FadeStep(int level) {
    int next = level + kFadeIncrement;
    const bool stop = next > kFullFace;
    if (stop) next = 0;
    return {level, next, stop};
}

std::vector<int> FadeLevels(int level) {
    std::vector<int> levels;
    for (;;) {
        const FadeStepResult step = FadeStep(level);
        levels.push_back(step.blendLevel);
        if (step.stop) return levels;
        level = step.nextLevel;
    }
}

Rgb BlendOver(Rgb source, Rgb target, int alpha) {
    const auto channel = [alpha](int s, int d) { return (s * alpha + d * (255 - alpha) + 127) / 255; };
    return MakeRgb(channel(RedOf(source), RedOf(target)), channel(GreenOf(source), GreenOf(target)),
                   channel(BlueOf(source), BlueOf(target)));
}

}  // namespace ferrik::skin
