#include "drawing/plan/tone.h"

#include <algorithm>
#include <cmath>

namespace txorb::drawing {
namespace {

int StepFor(double darkness) {
    if (!(darkness > 0.0)) return kMaxHatchStep;
    return static_cast<int>(std::clamp(std::lround(1.0 / darkness), 1L, long(kMaxHatchStep)));
}

}  // namespace

ToneChoice ApplyTone(const LayerSettings& settings, double ink, ToneMode mode, bool powerGiven,
                     bool spacingGiven) {
    ToneChoice out{settings, 1};
    ink = std::clamp(ink, 0.0, 1.0);
    const bool power = !powerGiven && (mode == ToneMode::kPower || mode == ToneMode::kBoth);
    const bool density = !spacingGiven && (mode == ToneMode::kDensity || mode == ToneMode::kBoth);
    if (density) {
        // With both open, density takes half of the tone and power the rest.
        out.step = StepFor(power ? std::sqrt(ink) : ink);
        out.settings.hatchSpacing = settings.hatchSpacing * out.step;
    }
    if (power) out.settings.power = settings.power * std::min(1.0, ink * out.step);
    return out;
}

}  // namespace txorb::drawing
