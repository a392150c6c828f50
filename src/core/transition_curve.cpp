#include "core/transition_curve.h"

#include <cmath>

namespace {
// The curve's floor: the argument of the logarithm at x = 1.
constexpr double kCurveFloor = 0.1;
constexpr double kCurveSpan = 1.0 - kCurveFloor;
}  // namespace

double TransitionCurve(double x, bool logarithmic) {
    if (!logarithmic) return x;
    // The ends are pinned: the platform's log10(0.1) need not be exactly -1, and a weight
    // of 0.9999999999999999 would turn every positive sample, truncated, into one less.
    if (x == 0.0) return 0.0;
    if (x == 1.0) return 1.0;
    const double argument = kCurveFloor + kCurveSpan * (1.0 - x);
    if (!(argument > 0.0)) return 0.0;  // domain or pole error (and NaN) gives 0
    return -std::log10(argument);
}
