#include "base/date_time.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(DateTime, TheScaleStartsOnThirtiethDecember1899) {
    CivilDateTime c;
    ASSERT_TRUE(SplitDateTime(0.0, c));
    EXPECT_EQ(c.year, 1899);
    EXPECT_EQ(c.month, 12);
    EXPECT_EQ(c.day, 30);
    ASSERT_TRUE(SplitDateTime(25569.0, c));
    EXPECT_EQ(c.year, 1970);
    EXPECT_EQ(c.month, 1);
    EXPECT_EQ(c.day, 1);
}

TEST(DateTime, ComposeAndSplitRoundTripToTheMillisecond) {
    const CivilDateTime when{2024, 2, 29, 23, 59, 58, 987};
    CivilDateTime back;
    ASSERT_TRUE(SplitDateTime(ComposeDateTime(when), back));
    EXPECT_EQ(back.year, 2024);
    EXPECT_EQ(back.month, 2);
    EXPECT_EQ(back.day, 29);
    EXPECT_EQ(back.hour, 23);
    EXPECT_EQ(back.minute, 59);
    EXPECT_EQ(back.second, 58);
    EXPECT_EQ(back.millisecond, 987);
}

TEST(DateTime, NegativeValuesKeepTheirTimeOfDayInTheFraction) {
    CivilDateTime c;
    ASSERT_TRUE(SplitDateTime(-1.25, c));
    EXPECT_EQ(c.day, 29);
    EXPECT_EQ(c.hour, 6);
    EXPECT_EQ(ComposeDateTime(c), -1.25);
}

TEST(DateTime, ValuesOutsideTheCalendarAreRefused) {
    CivilDateTime c;
    EXPECT_FALSE(SplitDateTime(1e9, c));
    EXPECT_FALSE(SplitDateTime(-1e9, c));
    EXPECT_FALSE(SplitDateTime(std::nan(""), c));
}

TEST(DateTime, PartsShown) {
    EXPECT_EQ(PartsToShow(45444.0), DateTimeParts::kDate);
    EXPECT_EQ(PartsToShow(0.0), DateTimeParts::kDate);
    EXPECT_EQ(PartsToShow(0.25), DateTimeParts::kTime);
    EXPECT_EQ(PartsToShow(45444.5), DateTimeParts::kDateAndTime);
}

}  // namespace

TEST(DateTimeCompose, TimeOfDayIsTheFractionToTheMillisecond) {
    auto at = [](int day, int hour, int minute, int second, int ms) {
        return ComposeDateTime({2024, 6, day, hour, minute, second, ms});
    };
    EXPECT_DOUBLE_EQ(at(1, 12, 0, 0, 0) - at(1, 0, 0, 0, 0), 0.5);
    EXPECT_NEAR((at(1, 23, 59, 59, 999) - at(1, 23, 59, 59, 998)) * 86400000.0, 1.0, 1e-3)
        << "millisecond resolution survives in a double";
    EXPECT_NEAR(at(2, 0, 0, 0, 0) - at(1, 23, 59, 59, 0), 1.0 / 86400.0, 1e-10) << "across midnight";
    EXPECT_DOUBLE_EQ(ComposeDateTime({2000, 3, 1, 0, 0, 0, 0}), 36586.0) << "2000 is a leap year";
}

