#include "capture/date_time.h"

#include <gtest/gtest.h>

namespace {

TEST(DateTime, CountsDaysFromTheEndOf1899) {
    EXPECT_DOUBLE_EQ(EncodeDateTime(1899, 12, 30, 0, 0, 0, 0), 0.0);
    EXPECT_DOUBLE_EQ(EncodeDateTime(1900, 1, 1, 0, 0, 0, 0), 2.0);
    EXPECT_DOUBLE_EQ(EncodeDateTime(1970, 1, 1, 0, 0, 0, 0), 25569.0);
    EXPECT_DOUBLE_EQ(EncodeDateTime(2000, 3, 1, 0, 0, 0, 0), 36586.0) << "2000 is a leap year";
}

TEST(DateTime, TimeOfDayIsTheFraction) {
    EXPECT_DOUBLE_EQ(EncodeDateTime(2024, 6, 1, 12, 0, 0, 0) - EncodeDateTime(2024, 6, 1, 0, 0, 0, 0), 0.5);
    const double oneMs = EncodeDateTime(2024, 6, 1, 23, 59, 59, 999) - EncodeDateTime(2024, 6, 1, 23, 59, 59, 998);
    EXPECT_NEAR(oneMs * 86400000.0, 1.0, 1e-3) << "millisecond resolution survives in a double";
    EXPECT_NEAR(EncodeDateTime(2024, 6, 2, 0, 0, 0, 0) - EncodeDateTime(2024, 6, 1, 23, 59, 59, 0),
                1.0 / 86400.0, 1e-10) << "across midnight";
}

}  // namespace
