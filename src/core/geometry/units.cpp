#include "core/geometry/units.h"

#include <cmath>
#include <limits>

namespace lorvex {

namespace {
constexpr double kDefaultDpi = 96.0;
}  // namespace

double TwipsPerPixel(double logicalDpi) {
    if (!std::isfinite(logicalDpi) || logicalDpi <= 0.0) {
        logicalDpi = kDefaultDpi;
    }
    return kTwipsPerInch / logicalDpi;
}

int RoundHalfEven(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    constexpr double kMin = std::numeric_limits<int>::min();
    constexpr double kMax = std::numeric_limits<int>::max();
    if (value <= kMin) {
        return std::numeric_limits<int>::min();
    }
    if (value >= kMax) {
        return std::numeric_limits<int>::max();
    }
    // Explicit rather than std::nearbyint, so the result never depends on the
    // floating-point environment the host happens to leave behind.
    const double lower = std::floor(value);
    const double fraction = value - lower;
    double rounded = lower;
    if (fraction > 0.5) {
        rounded = lower + 1.0;
    } else if (fraction == 0.5) {
        rounded = std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
    }
    if (rounded >= kMax) {
        return std::numeric_limits<int>::max();
    }
    return static_cast<int>(rounded);
}

int TwipsToPixels(double twips, double twipsPerPixel) {
    return RoundHalfEven(twips / twipsPerPixel);
}

}  // namespace lorvex
