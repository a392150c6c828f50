// The lateness of recorded buffers: the estimate rises as soon as late arrivals become
// common, and comes back down only slowly once they stop.
#include <gtest/gtest.h>

#include "capture/arrival_jitter.h"

namespace {

constexpr double kBuffer = 0.010;

TEST(ArrivalJitter, GrowsFastAndShrinksSlowly) {
    ArrivalJitter jitter;
    double t = 100.0;
    jitter.Arrived(t += kBuffer, kBuffer);
    EXPECT_EQ(jitter.Estimate(), kBuffer) << "a buffer's length until arrivals tell";
    for (int i = 0; i < 2999; ++i) jitter.Arrived(t += kBuffer, kBuffer);  // steady
    EXPECT_LE(jitter.Estimate(), 0.001);

    // From now on every fifth buffer is 20 ms late (the next ones catch up).
    double grownAfter = -1.0;
    for (int i = 0; i < 300; ++i) {
        const double late = i % 5 == 0 ? 0.020 : 0.0;
        jitter.Arrived(100.0 + (3001 + i) * kBuffer + late, kBuffer);
        if (grownAfter < 0.0 && jitter.Estimate() >= 0.019) grownAfter = (i + 1) * kBuffer;
    }
    EXPECT_GE(grownAfter, 0.0);
    EXPECT_LE(grownAfter, 0.5) << "seconds until the estimate covers the late buffers";

    // Steady again: a second later it has come down by no more than half a millisecond.
    for (int i = 0; i < 100; ++i) jitter.Arrived(100.0 + (3301 + i) * kBuffer, kBuffer);
    EXPECT_GE(jitter.Estimate(), 0.018);
    for (int i = 0; i < 5000; ++i) jitter.Arrived(100.0 + (3401 + i) * kBuffer, kBuffer);
    EXPECT_LE(jitter.Estimate(), 0.002) << "but it does come down";
}

// A busy machine stalls the capture now and then: each stall makes three buffers late (30,
// 20 and 10 ms), arriving together. The quantile forgets them within a second; once such
// stalls come back, the estimate holds their height.
TEST(ArrivalJitter, StallsThatComeBackAreHeld) {
    ArrivalJitter jitter;
    int buffer = 0;
    auto steady = [&](double seconds) {
        for (int i = 0; i < seconds / kBuffer; ++i) jitter.Arrived(100.0 + ++buffer * kBuffer, kBuffer);
    };
    auto stall = [&] {
        const double end = 100.0 + (buffer + 1) * kBuffer + 0.030;
        for (int i = 0; i < 3; ++i) {
            jitter.Arrived(end, kBuffer);
            ++buffer;
        }
    };
    steady(25.0);
    stall();
    steady(1.0);
    EXPECT_LE(jitter.Estimate(), 0.015) << "one stall is not held at its height";
    steady(9.0);
    stall();
    steady(10.0);
    EXPECT_GE(jitter.Estimate(), 0.030 - 10.0 * kJitterShrinkPerSecond - 0.001) << "a second one within 20 s is";
}

}  // namespace
