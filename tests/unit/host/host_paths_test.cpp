#include "host/host_paths.h"

#include <gtest/gtest.h>

TEST(IniDirectoryOf, KeepsThePathUpToTheLastSeparator) {
    EXPECT_EQ(IniDirectoryOf("C:\\Program Files\\Winamp\\winamp.ini"), "C:\\Program Files\\Winamp\\");
    EXPECT_EQ(IniDirectoryOf("\\\\server\\share\\winamp.ini"), "\\\\server\\share\\");
}

TEST(IniDirectoryOf, DriveColonCountsAsSeparator) {
    EXPECT_EQ(IniDirectoryOf("C:winamp.ini"), "C:\\");
    EXPECT_EQ(IniDirectoryOf("D:"), "D:\\");
}

TEST(IniDirectoryOf, NoPathGivesALoneSeparator) {
    EXPECT_EQ(IniDirectoryOf(""), "\\");
    EXPECT_EQ(IniDirectoryOf("winamp.ini"), "\\");
}

TEST(IniDirectoryOf, ForwardSlashIsNoSeparator) {
    EXPECT_EQ(IniDirectoryOf("C:\\a/b.ini"), "C:\\");
}
