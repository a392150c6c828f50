// The clock follower against a simulated microphone whose clock runs apart from the host's,
// with arrivals that jitter: the delay it measures is the true delay plus how late the
// newest buffer is, as the mixer sees it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "core/clock_follower.h"

namespace {

constexpr double kBlockSeconds = 576.0 / 44100.0;
constexpr double kTarget = 0.030;

struct Outcome {
    double settledAfter = -1.0;  // seconds until the delay stayed within the wobble
    double worstWobble = 0.0;    // after settling, furthest from the target (seconds)
    double lowestRatio = 1.0;
    double highestRatio = 1.0;
};

// `ppm`: how much faster the microphone's clock runs; `jitterSeconds`: each block's
// measurement is off by up to half this much either way (a pseudo-random amount).
Outcome Simulate(double ppm, double jitterSeconds, double seconds) {
    ClockFollower follower;
    follower.Reset();
    double delay = kTarget;
    uint32_t noise = 12345;
    Outcome run;
    double lastOutside = 0.0;
    const double wobble = 0.002;
    for (double t = 0.0; t < seconds; t += kBlockSeconds) {
        noise = noise * 1664525u + 1013904223u;
        const double late = jitterSeconds * (static_cast<double>(noise >> 8) / 16777216.0 - 0.5);
        const double ratio = follower.Update(delay + late, kTarget, kBlockSeconds);
        run.lowestRatio = std::min(run.lowestRatio, ratio);
        run.highestRatio = std::max(run.highestRatio, ratio);
        // Frames recorded per host second (1 + ppm) less those the resampler consumes.
        delay += kBlockSeconds * ((1.0 + ppm * 1e-6) / ratio - 1.0);
        if (std::fabs(delay - kTarget) > wobble) lastOutside = t;
        if (t > 20.0) run.worstWobble = std::max(run.worstWobble, std::fabs(delay - kTarget));
    }
    run.settledAfter = lastOutside;
    return run;
}

TEST(ClockFollower, SettlesWithin20SecondsAndHoldsTheDelayOnClocks500PpmApart) {
    for (const double ppm : {500.0, -500.0}) {
        const Outcome run = Simulate(ppm, 0.010, 120.0);
        EXPECT_LT(run.settledAfter, 20.0) << ppm << " ppm";
        EXPECT_LE(run.worstWobble, 0.002) << ppm << " ppm";
        EXPECT_GE(run.lowestRatio, 1.0 - kMaxRatioDeviation) << ppm << " ppm";
        EXPECT_LE(run.highestRatio, 1.0 + kMaxRatioDeviation) << ppm << " ppm";
    }
}

// The measurement still jitters (by up to 2 ms): without the dead band the ratio would
// follow the noise, and the recorded stream would be resampled for nothing.
TEST(ClockFollower, ClocksThatAgreeLeaveTheRatioAtExactlyOne) {
    const Outcome run = Simulate(0.0, 0.004, 120.0);
    EXPECT_EQ(run.lowestRatio, 1.0);
    EXPECT_EQ(run.highestRatio, 1.0);
}

}  // namespace
