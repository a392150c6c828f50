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
    double overshoot = 0.0;      // after a step, furthest beyond the new target (seconds)
    double worstWobble = 0.0;    // after settling, furthest from the target (seconds)
    double lowestRatio = 1.0;
    double highestRatio = 1.0;
};

// `ppm`: how much faster the microphone's clock runs; `jitterSeconds`: each block's
// measurement is off by up to half this much either way (a pseudo-random amount). From
// `stepAt` seconds on, the target is `step` seconds higher.
Outcome Simulate(double ppm, double jitterSeconds, double seconds, double stepAt = 0.0, double step = 0.0) {
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
        const double target = t >= stepAt ? kTarget + step : kTarget;
        const double ratio = follower.Update(delay + late, target, kBlockSeconds);
        run.lowestRatio = std::min(run.lowestRatio, ratio);
        run.highestRatio = std::max(run.highestRatio, ratio);
        // Frames recorded per host second (1 + ppm) less those the resampler consumes.
        delay += kBlockSeconds * ((1.0 + ppm * 1e-6) / ratio - 1.0);
        if (std::fabs(delay - target) > wobble) lastOutside = t;
        if (t > stepAt + 20.0) run.worstWobble = std::max(run.worstWobble, std::fabs(delay - target));
        if (t >= stepAt) run.overshoot = std::max(run.overshoot, step > 0.0 ? delay - target : target - delay);
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

// Lateness that rises at once raises the target by many milliseconds, more than the ratio's
// limit lets the delay follow for a while: the delay reaches the new target without passing
// it by more than the wobble (the drift learnt is kept, not wound up on the way).
TEST(ClockFollower, FollowsAStepOfTheTargetWithoutOvershooting) {
    for (const double step : {0.015, -0.015}) {
        const Outcome run = Simulate(300.0, 0.004, 90.0, 40.0, step);
        EXPECT_LT(run.settledAfter, 40.0 + 20.0) << step;
        EXPECT_LE(run.overshoot, 0.001) << step;
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
