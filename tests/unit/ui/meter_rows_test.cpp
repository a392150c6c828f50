#include "ui/meter_rows.h"

#include <gtest/gtest.h>

#include "ui/meter_colour_scale.h"

namespace {

TEST(MeterRows, FullLevelPutsTheMarkerOnTopAndTheBarBelowIt) {
    const MeterRows rows = MeterRowsFor(100, 100);
    EXPECT_EQ(rows.MarkerTop, 0);
    EXPECT_EQ(rows.MarkerBottom, 3);
    EXPECT_EQ(rows.BarTop, 3);
    EXPECT_FALSE(rows.FillAboveMarker);
    EXPECT_FALSE(rows.FillBetween);
}

TEST(MeterRows, SilenceLeavesOnlyBackgroundOnTheSurface) {
    const MeterRows rows = MeterRowsFor(0, 0);
    EXPECT_EQ(rows.MarkerTop, 100);  // rows 100-102: below the surface
    EXPECT_TRUE(rows.FillAboveMarker);
    EXPECT_GE(rows.BarTop, kMeterHeight);
    EXPECT_FALSE(rows.FillBetween);
}

TEST(MeterRows, HeldPeakAboveALowerBarLeavesBackgroundBetweenThem) {
    const MeterRows rows = MeterRowsFor(20, 80);
    EXPECT_EQ(rows.MarkerTop, 20);
    EXPECT_EQ(rows.MarkerBottom, 23);
    EXPECT_EQ(rows.BarTop, 80);
    EXPECT_TRUE(rows.FillAboveMarker);
    EXPECT_TRUE(rows.FillBetween);
}

TEST(MeterRows, BarJustBelowThePeakNeverCoversTheMarker) {
    const MeterRows rows = MeterRowsFor(79, 80);
    EXPECT_EQ(rows.BarTop, rows.MarkerBottom);
    EXPECT_FALSE(rows.FillBetween);
}

TEST(MeterRows, LevelsAboveFullScaleLiftTheMarkerAboveTheSurface) {
    const MeterRows rows = MeterRowsFor(120, 120);
    EXPECT_EQ(rows.MarkerTop, -20);
    EXPECT_FALSE(rows.FillAboveMarker);
    EXPECT_EQ(rows.BarTop, -17);
}

TEST(MeterColourScale, RunsFromOrangeRedThroughYellowToGreenWithoutWhite) {
    EXPECT_EQ(kMeterScaleColours[0], 0xFF2300u);
    EXPECT_EQ(kMeterScaleColours[10], 0xFF9700u);
    for (int row = 20; row <= 34; ++row) EXPECT_EQ(kMeterScaleColours[row], 0xFFFF00u) << row;
    EXPECT_EQ(kMeterScaleColours[35], 0xFCFF00u);
    EXPECT_EQ(kMeterScaleColours[50], 0x8FFF00u);
    EXPECT_EQ(kMeterScaleColours[71], 0x00FF00u);
    EXPECT_EQ(kMeterScaleColours[80], 0x00EC00u);
    EXPECT_EQ(kMeterScaleColours[99], 0x00C400u);
    for (int row = 0; row < kMeterHeight; ++row) {
        EXPECT_NE(kMeterScaleColours[row], 0xFFFFFFu) << row;
        EXPECT_EQ(kMeterScaleColours[row] & 0xFF, 0u) << "no blue in row " << row;
        if (row > 0 && row <= 20) {
            EXPECT_GT(kMeterScaleColours[row], kMeterScaleColours[row - 1]) << row;
        }
        if (row > 35) {
            EXPECT_LT(kMeterScaleColours[row], kMeterScaleColours[row - 1]) << row;
        }
    }
}

}  // namespace
