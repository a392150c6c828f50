#include "core/level_follower.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <vector>

namespace {

// The follower as written, on levels rather than squares.
struct LevelsAsWritten {
    double rms0 = 0.0;
    double rms1 = 0.0;
    double Track(double v) {
        if (v > rms1) rms1 = v;
        if (v > rms0) rms0 = v;
        const double r = std::sqrt((rms1 * rms1 + rms0 * rms0 + v * v) / 3.0);
        rms1 = rms0;
        rms0 = r;
        return r;
    }
};

TEST(LevelFollower, APositiveValueAboveTheLevelLiftsItAtOnce) {
    LevelFollower follower;
    double peak = 0.0;
    follower.Track(1000.0, peak);
    EXPECT_EQ(std::sqrt(follower.rms0Square), 1000.0);
}

TEST(LevelFollower, ANegativeValueCountsOnlyThroughItsSquare) {
    LevelFollower follower;
    double peak = 0.0;
    follower.Track(-900.0, peak);
    EXPECT_NEAR(std::sqrt(follower.rms0Square), std::sqrt(900.0 * 900.0 / 3), 1e-9);
}

TEST(LevelFollower, FollowsTheLevelsAsWrittenToRoundingError) {
    LevelFollower follower;
    LevelsAsWritten written;
    uint32_t seed = 7;
    double peak = 0.0;
    for (int i = 0; i < 100000; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const double v = static_cast<double>(static_cast<int16_t>(seed >> 16)) * ((i / 5000) % 3);
        follower.Track(v, peak);
        const double expected = written.Track(v);
        ASSERT_NEAR(std::sqrt(follower.rms0Square), expected, 1e-9 * (1.0 + expected)) << i;
    }
}

TEST(LevelFollower, ThePeriodEndsEverySixtyValuesWithItsPeak) {
    LevelFollower follower;
    double peak = -1.0;
    std::vector<double> peaks;
    double levelClosingFirstPeriod = 0.0;
    for (int i = 0; i < 180; ++i) {
        const double v = i == 30 ? 20000.0 : 100.0;
        if (follower.Track(v, peak)) peaks.push_back(peak);
        if (i == 59) levelClosingFirstPeriod = std::sqrt(follower.rms0Square);
    }
    ASSERT_EQ(peaks.size(), 3u);
    EXPECT_EQ(peaks[0], 20000.0);
    // The next period starts from the level at the end of the last one, and the level
    // only decays from there.
    EXPECT_NEAR(peaks[1], levelClosingFirstPeriod, 1e-9);
    EXPECT_EQ(follower.notifyCount, 0);
}

TEST(SpikeLevelSquare, DecidesExactlyAsTheRoundedDownPercent) {
    for (double fullScale : {127.0, 32767.0, 8388607.0, 2147483647.0}) {
        for (double threshold : {0.0, 1.0, 9.5, 10.0, 37.0, 99.0}) {
            const double square = SpikeLevelSquare(threshold, fullScale);
            auto passes = [&](double s) {
                return std::floor(std::sqrt(s) / fullScale * 100.0) > threshold;
            };
            ASSERT_TRUE(passes(square)) << fullScale << " " << threshold;
            const double below = std::bit_cast<double>(std::bit_cast<uint64_t>(square) - 1);
            if (square > 0.0) {
                ASSERT_FALSE(passes(below)) << fullScale << " " << threshold;
            }
        }
    }
}

TEST(SpikeLevelSquare, UnreachableThresholdsNeverPass) {
    EXPECT_TRUE(std::isinf(SpikeLevelSquare(std::nan(""), 32767.0)));
    EXPECT_TRUE(std::isinf(SpikeLevelSquare(std::numeric_limits<double>::infinity(), 32767.0)));
    EXPECT_TRUE(std::isinf(SpikeLevelSquare(10.0, 0.0)));
    EXPECT_EQ(SpikeLevelSquare(-1.0, 32767.0), 0.0) << "any level passes a negative threshold";
}

TEST(LevelPercent, TruncatesAndRefusesNonsense) {
    EXPECT_EQ(LevelPercent(16383.0, 32767.0), 49);
    EXPECT_EQ(LevelPercent(std::nan(""), 32767.0), 0);
    EXPECT_EQ(LevelPercent(1.0, 0.0), 0);
}

}  // namespace
