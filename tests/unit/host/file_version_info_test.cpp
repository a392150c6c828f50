#include "host/file_version_info.h"

#include <gtest/gtest.h>

TEST(FileVersionInfo, BuildFlagNeedsItsBitInMaskAndFlags) {
    FileVersionInfo info;
    info.FileFlagsMask = 0x3F;
    info.FileFlags = 0x2 | 0x8;
    info.DeriveBuildFlags();
    EXPECT_TRUE(info.IsPreRelease);
    EXPECT_TRUE(info.IsPrivateBuild);
    EXPECT_FALSE(info.IsDebug);
    EXPECT_FALSE(info.IsPatched);
    EXPECT_FALSE(info.IsInfoInferred);
    EXPECT_FALSE(info.IsSpecialBuild);

    info.FileFlagsMask = 0x2;  // private build no longer in the mask
    info.DeriveBuildFlags();
    EXPECT_TRUE(info.IsPreRelease);
    EXPECT_FALSE(info.IsPrivateBuild);
}

TEST(FileVersionInfo, EachFlagHasItsOwnBit) {
    const struct {
        uint32_t bit;
        bool FileVersionInfo::*flag;
    } table[] = {
        {0x1, &FileVersionInfo::IsDebug},        {0x10, &FileVersionInfo::IsInfoInferred},
        {0x4, &FileVersionInfo::IsPatched},      {0x2, &FileVersionInfo::IsPreRelease},
        {0x8, &FileVersionInfo::IsPrivateBuild}, {0x20, &FileVersionInfo::IsSpecialBuild},
    };
    for (const auto& row : table) {
        FileVersionInfo info;
        info.FileFlagsMask = info.FileFlags = row.bit;
        info.DeriveBuildFlags();
        EXPECT_TRUE(info.*row.flag) << "bit " << row.bit;
        int on = info.IsDebug + info.IsInfoInferred + info.IsPatched + info.IsPreRelease +
                 info.IsPrivateBuild + info.IsSpecialBuild;
        EXPECT_EQ(on, 1) << "bit " << row.bit;
    }
}

TEST(FileVersionInfo, StringBlockPathIsEightLowerCaseHexDigits) {
    EXPECT_EQ(StringFileInfoPath(0x0409, 0x04B0), "\\StringFileInfo\\040904b0");
    EXPECT_EQ(StringFileInfoPath(0x0407, 0x04E4), "\\StringFileInfo\\040704e4");
}
