#include "core/transition_curve.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(TransitionCurve, LogarithmicTableToFourDecimals) {
    const double positions[] = {0.1, 0.25, 0.5, 0.7, 0.9};
    const double weights[] = {0.0410, 0.1107, 0.2596, 0.4318, 0.7212};
    for (int i = 0; i < 5; ++i) {
        EXPECT_NEAR(TransitionCurve(positions[i], true), weights[i], 0.00005) << positions[i];
    }
}

TEST(TransitionCurve, EndsAreExactOnBothCurves) {
    EXPECT_EQ(TransitionCurve(0.0, true), 0.0);
    EXPECT_EQ(TransitionCurve(1.0, true), 1.0);
    EXPECT_FALSE(std::signbit(TransitionCurve(0.0, true)));
    EXPECT_EQ(TransitionCurve(0.0, false), 0.0);
    EXPECT_EQ(TransitionCurve(1.0, false), 1.0);
}

TEST(TransitionCurve, TheLogarithmicWeightsAddUpToLessThanOneBetweenTheEnds) {
    EXPECT_NEAR(2 * TransitionCurve(0.5, true), 0.52, 0.005);
}

TEST(TransitionCurve, OutsideTheLogarithmsDomainTheWeightIsZero) {
    EXPECT_EQ(TransitionCurve(1.0 / 0.9, true), 0.0) << "log10(0)";
    EXPECT_EQ(TransitionCurve(5.0, true), 0.0) << "log10 of a negative";
    EXPECT_EQ(TransitionCurve(std::nan(""), true), 0.0);
}

}  // namespace
