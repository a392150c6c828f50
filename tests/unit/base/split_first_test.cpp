#include "base/split_first.h"

#include <gtest/gtest.h>

TEST(SplitFirst, KeyValueGivesKeyAndLeavesValue) {
    std::string text = "MixInFade=0.01";
    EXPECT_EQ(SplitFirst(text, "="), "MixInFade");
    EXPECT_EQ(text, "0.01");
}

TEST(SplitFirst, SplitsOnlyAtTheFirstDelimiter) {
    std::string text = "a=b=c";
    EXPECT_EQ(SplitFirst(text, "="), "a");
    EXPECT_EQ(text, "b=c");
}

TEST(SplitFirst, NoDelimiterGivesWholeTextAndLeavesItEmpty) {
    std::string text = "novalue";
    EXPECT_EQ(SplitFirst(text, "="), "novalue");
    EXPECT_EQ(text, "");
}

TEST(SplitFirst, EmptyTextGivesEmptyToken) {
    std::string text;
    EXPECT_EQ(SplitFirst(text, "="), "");
    EXPECT_EQ(text, "");
}

TEST(SplitFirst, EmptyDelimiterGivesWholeText) {
    std::string text = "a=b";
    EXPECT_EQ(SplitFirst(text, ""), "a=b");
    EXPECT_EQ(text, "");
}

TEST(SplitFirst, DelimiterFirstOrLastGivesEmptyParts) {
    std::string leading = "=value";
    EXPECT_EQ(SplitFirst(leading, "="), "");
    EXPECT_EQ(leading, "value");
    std::string trailing = "key=";
    EXPECT_EQ(SplitFirst(trailing, "="), "key");
    EXPECT_EQ(trailing, "");
}

TEST(SplitFirst, MultiCharacterDelimiter) {
    std::string text = "one::two::three";
    EXPECT_EQ(SplitFirst(text, "::"), "one");
    EXPECT_EQ(text, "two::three");
}
