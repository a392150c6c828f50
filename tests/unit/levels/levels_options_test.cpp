#include "levels_options.h"

#include <gtest/gtest.h>

namespace {

TEST(LevelsOptions, OptionsAreNeverFileNamesAndAWindowHoldsAFrame) {
    LevelsOptions options;
    std::string error;
    EXPECT_FALSE(ParseLevelsOptions({"--bogus", "a.wav"}, options, error));
    EXPECT_EQ(error, "unknown option --bogus");
    EXPECT_FALSE(ParseLevelsOptions({"--window", "abc", "a.wav"}, options, error));
    EXPECT_EQ(error, "--window needs milliseconds, a number above 0, not \"abc\"");

    LevelsOptions equals;
    ASSERT_TRUE(ParseLevelsOptions({"--window=0.001", "--", "-odd.wav"}, equals, error)) << error;
    EXPECT_EQ(equals.Files, std::vector<std::string>{"-odd.wav"});

    int64_t frames = 0;
    EXPECT_FALSE(WindowFrames(equals.WindowMs, 44100, frames, error)) << "would loop forever";
    EXPECT_EQ(error, "--window 0.001 ms is shorter than one frame at 44100 Hz");
    ASSERT_TRUE(WindowFrames(100, 44100, frames, error));
    EXPECT_EQ(frames, 4410);
}

}  // namespace
