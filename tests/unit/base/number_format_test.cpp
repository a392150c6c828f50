#include "base/number_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(FormatFloat, PlainValuesInFixedNotation) {
    EXPECT_EQ(FormatFloat(0.7), "0.7");
    EXPECT_EQ(FormatFloat(1.0), "1");
    EXPECT_EQ(FormatFloat(0.01), "0.01");
    EXPECT_EQ(FormatFloat(0.5), "0.5");
    EXPECT_EQ(FormatFloat(0.0), "0");
    EXPECT_EQ(FormatFloat(-0.0), "0");
    EXPECT_EQ(FormatFloat(-2.5), "-2.5");
    EXPECT_EQ(FormatFloat(32767.0), "32767");
    EXPECT_EQ(FormatFloat(0.0001), "0.0001");
    EXPECT_EQ(FormatFloat(123456789012345.0), "123456789012345");
}

TEST(FormatFloat, FifteenSignificantDigits) {
    EXPECT_EQ(FormatFloat(1.0 / 3.0), "0.333333333333333");
    EXPECT_EQ(FormatFloat(0.1 + 0.2), "0.3");
    EXPECT_EQ(FormatFloat(2.0 / 3.0), "0.666666666666667");
}

TEST(FormatFloat, ExponentFormOutsideTheFixedRange) {
    EXPECT_EQ(FormatFloat(1.0 / 44100.0), "2.26757369614512E-5");
    EXPECT_EQ(FormatFloat(1e20), "1E20");
    EXPECT_EQ(FormatFloat(1e15), "1E15");
    EXPECT_EQ(FormatFloat(-1.5e-7), "-1.5E-7");
    EXPECT_EQ(FormatFloat(9.99e-5), "9.99E-5");
    EXPECT_EQ(FormatFloat(1e-100), "1E-100");
}

TEST(FormatFloat, UsesTheGivenDecimalSeparator) {
    EXPECT_EQ(FormatFloat(0.7, ','), "0,7");
    EXPECT_EQ(FormatFloat(1.0 / 44100.0, ','), "2,26757369614512E-5");
}

TEST(FormatFloat, NotANumberAndInfinities) {
    EXPECT_EQ(FormatFloat(std::nan("")), "NAN");
    EXPECT_EQ(FormatFloat(std::numeric_limits<double>::infinity()), "INF");
    EXPECT_EQ(FormatFloat(-std::numeric_limits<double>::infinity()), "-INF");
}

TEST(ParseFloat, ReadsWhatFormatFloatWrites) {
    for (double v : {0.7, 1.0, 0.01, 1.0 / 44100.0, 1e20, -2.5, 0.0, 123456.789}) {
        double read = -99;
        ASSERT_TRUE(ParseFloat(FormatFloat(v, ','), ',', read)) << v;
        EXPECT_NEAR(read, v, std::fabs(v) * 1e-14) << "fifteen digits keep the value to 1e-14";
    }
}

TEST(ParseFloat, AcceptsSignsBlanksAndExponents) {
    double v = 0;
    EXPECT_TRUE(ParseFloat("-0.5", '.', v));
    EXPECT_EQ(v, -0.5);
    EXPECT_TRUE(ParseFloat("  +4 ", '.', v));
    EXPECT_EQ(v, 4.0);
    EXPECT_TRUE(ParseFloat("2e3", '.', v));
    EXPECT_EQ(v, 2000.0);
    EXPECT_TRUE(ParseFloat(".5", '.', v));
    EXPECT_EQ(v, 0.5);
    EXPECT_TRUE(ParseFloat("5.", '.', v));
    EXPECT_EQ(v, 5.0);
}

TEST(ParseFloat, RefusesAnythingElseAndKeepsTheValue) {
    double v = 42;
    for (const char* bad : {"", "  ", "abc", "0,5", "1.2.3", "1e", "--1", "1x", ".", "0x10", "1e999"}) {
        EXPECT_FALSE(ParseFloat(bad, '.', v)) << '"' << bad << '"';
        EXPECT_EQ(v, 42) << bad;
    }
    EXPECT_FALSE(ParseFloat("0.5", ',', v)) << "a point under a comma locale";
}
