#include "config/ini_values.h"

#include <gtest/gtest.h>

namespace {

int32_t IntegerOr(const char* text, int32_t current) {
    ParseIniInteger(text, current);
    return current;
}

TEST(ParseIniInteger, DecimalWithSignAndBlanks) {
    EXPECT_EQ(IntegerOr("42", 0), 42);
    EXPECT_EQ(IntegerOr("-7", 0), -7);
    EXPECT_EQ(IntegerOr("+3", 0), 3);
    EXPECT_EQ(IntegerOr("  12 ", 0), 12);
    EXPECT_EQ(IntegerOr("2147483647", 0), 2147483647);
    EXPECT_EQ(IntegerOr("-2147483648", 0), INT32_MIN);
}

TEST(ParseIniInteger, HexadecimalAfterZeroX) {
    EXPECT_EQ(IntegerOr("0x2", 0), 2);
    EXPECT_EQ(IntegerOr("0X1f", 0), 31);
    EXPECT_EQ(IntegerOr("0xFFFFFFFF", 0), -1) << "eight digits are read as the 32-bit pattern";
    EXPECT_EQ(IntegerOr("-0x10", 0), -16);
}

TEST(ParseIniInteger, AnythingElseKeepsTheCurrentValue) {
    for (const char* text : {"", "  ", "abc", "12abc", "1.5", "0x", "0xG1", "0x123456789", "2147483648",
                             "-2147483649", "99999999999999999999", "--1", "1 2"}) {
        EXPECT_EQ(IntegerOr(text, 77), 77) << '"' << text << '"';
    }
}

TEST(ParseIniBool, AnyNonZeroIntegerIsTrue) {
    bool value = false;
    EXPECT_TRUE(ParseIniBool("5", value));
    EXPECT_TRUE(value);
    EXPECT_TRUE(ParseIniBool("-1", value));
    EXPECT_TRUE(value);
    EXPECT_TRUE(ParseIniBool("0x0", value));
    EXPECT_FALSE(value);
}

TEST(ParseIniBool, WordsAreNoSwitches) {
    bool value = true;
    EXPECT_FALSE(ParseIniBool("false", value));
    EXPECT_FALSE(ParseIniBool("", value));
    EXPECT_TRUE(value);
}

TEST(ParseIniByte, OnlyValuesThatFitAByte) {
    uint8_t value = 4;
    EXPECT_TRUE(ParseIniByte("0x10", value));
    EXPECT_EQ(value, 16);
    EXPECT_TRUE(ParseIniByte("255", value));
    EXPECT_EQ(value, 255);
    EXPECT_FALSE(ParseIniByte("256", value)) << "not cut to 0 behind the user's back";
    EXPECT_FALSE(ParseIniByte("-1", value));
    EXPECT_EQ(value, 255);
}

TEST(FormatIniValues, SwitchesAndIntegers) {
    EXPECT_EQ(FormatIniBool(true), "1");
    EXPECT_EQ(FormatIniBool(false), "0");
    EXPECT_EQ(FormatIniInteger(-5), "-5");
    EXPECT_EQ(FormatIniInteger(INT32_MIN), "-2147483648");
}

}  // namespace
