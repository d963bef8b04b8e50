#include "core/browsing/view_rules.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>

namespace lorvex {

namespace {

// Factors closer than this count as equal: the engine hands a factor back through its own
// zoom levels (logarithms), so 1.1 may come back as 1.0999999.
constexpr double kSameFactor = 0.005;

}  // namespace

double NextZoomFactor(double current, ZoomStep step) {
    switch (step) {
        case ZoomStep::Reset:
            return 1.0;
        case ZoomStep::In: {
            const auto* next = std::find_if(std::begin(kZoomFactors), std::end(kZoomFactors),
                                            [&](double f) { return f > current + kSameFactor; });
            return next == std::end(kZoomFactors) ? current : *next;
        }
        case ZoomStep::Out: {
            const auto previous = std::find_if(std::rbegin(kZoomFactors), std::rend(kZoomFactors),
                                               [&](double f) { return f < current - kSameFactor; });
            return previous == std::rend(kZoomFactors) ? current : *previous;
        }
    }
    return current;
}

int ZoomWheel::Turn(int delta) {
    // A turn back the other way drops what was left over of the previous direction.
    if ((pending_ > 0 && delta < 0) || (pending_ < 0 && delta > 0)) pending_ = 0;
    pending_ += delta;
    const int steps = pending_ / kUnitsPerStep;
    pending_ -= steps * kUnitsPerStep;
    return steps;
}

bool CrashReloads::ReloadAfterCrash(TimePoint now) {
    if (lastReload_ && now - *lastReload_ < kWindow) return false;
    lastReload_ = now;
    return true;
}

void FullScreenReentry::UserLeft(TimePoint now) { leftAt_ = now; }

void FullScreenReentry::UserInput(TimePoint now) {
    if (leftAt_ && now - *leftAt_ >= kReentryDelay) leftAt_.reset();
}

}  // namespace lorvex
