#include "ui/config_form_logic.h"

#include <gtest/gtest.h>

TEST(ConfigFormPriority, NamesAndOutOfRange) {
    EXPECT_STREQ(PriorityName(0), "Idle");
    EXPECT_STREQ(PriorityName(4), "Higher");
    EXPECT_STREQ(PriorityName(6), "Real-Time");
    EXPECT_STREQ(PriorityName(7), "Unknown");
    EXPECT_STREQ(PriorityName(-1), "Unknown");
    EXPECT_EQ(PriorityTrackPosition(6), 6);
    EXPECT_EQ(PriorityTrackPosition(1), 1);
    EXPECT_EQ(PriorityTrackPosition(9), 0) << "out of range stands at 0 and reads Unknown";
    EXPECT_EQ(PriorityTrackPosition(-3), 0);
}

TEST(ConfigFormVersionLine, FlagWordsFollowTheVersionInOrder) {
    FileVersionInfo info;
    info.StringInfoRead = true;
    info.FileVersion = "1.3.0";
    info.IsPreRelease = true;
    info.IsPrivateBuild = true;
    EXPECT_EQ(VersionLine(&info), "1.3.0 Pre-Release Private Build");
    info.IsDebug = info.IsInfoInferred = info.IsPatched = info.IsSpecialBuild = true;
    EXPECT_EQ(VersionLine(&info), "1.3.0 Debug Build Proxy Info Patched Pre-Release Private Build Special Build");
}

TEST(ConfigFormVersionLine, EmptyWithoutVersionTexts) {
    FileVersionInfo info;
    info.FileVersion = "1.0";
    EXPECT_EQ(VersionLine(&info), "");
    EXPECT_EQ(VersionLine(nullptr), "");
}
