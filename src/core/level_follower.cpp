#include "core/level_follower.h"

#include <bit>
#include <cmath>
#include <limits>

namespace {

// The trigger's own test, on the level as it is stored.
bool AboveThreshold(double square, double thresholdPercent, double fullScale) {
    return std::floor(std::sqrt(square) / fullScale * kPercent) > thresholdPercent;
}

}  // namespace

double SpikeLevelSquare(double thresholdPercent, double fullScale) {
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    if (!(fullScale > 0.0)) return kInfinity;
    if (AboveThreshold(0.0, thresholdPercent, fullScale)) return 0.0;
    if (!AboveThreshold(kInfinity, thresholdPercent, fullScale)) return kInfinity;

    // The test is monotonic in the square (square root, division and multiplication by
    // positive numbers and floor all keep order), and non-negative doubles are ordered like
    // their bit patterns: bisect the patterns for the first square that passes.
    uint64_t below = std::bit_cast<uint64_t>(0.0);
    uint64_t passes = std::bit_cast<uint64_t>(kInfinity);
    while (passes - below > 1) {
        const uint64_t middle = below + (passes - below) / 2;
        if (AboveThreshold(std::bit_cast<double>(middle), thresholdPercent, fullScale)) {
            passes = middle;
        } else {
            below = middle;
        }
    }
    return std::bit_cast<double>(passes);
}

intptr_t LevelPercent(double level, double fullScale) {
    const double percent = std::trunc(level / fullScale * kPercent);
    constexpr double kLargest = 2147483647.0;
    if (!(percent >= -kLargest && percent <= kLargest)) return 0;
    return static_cast<intptr_t>(percent);
}
