#include "tool_paths.h"

#include <gtest/gtest.h>

namespace {

TEST(ToolPaths, FolderOfAFile) {
    EXPECT_EQ(FolderOf("C:\\Winamp\\Plugins\\dsp_x.dll"), "C:\\Winamp\\Plugins");
    EXPECT_EQ(FolderOf("C:\\dsp_x.dll"), "C:\\");
    EXPECT_EQ(FolderOf("Z:/work/build/dsp_x.dll"), "Z:/work/build");
    EXPECT_EQ(FolderOf("dsp_x.dll"), "");
}

TEST(ToolPaths, TheHostIniFileSitsAboveThePluginFolderAsInThePlayersInstallation) {
    EXPECT_EQ(DefaultIniFile("C:\\Winamp\\Plugins"), "C:\\Winamp\\winamp.ini");
    EXPECT_EQ(DefaultIniFile("C:\\Winamp\\Plugins\\"), "C:\\Winamp\\winamp.ini");
    EXPECT_EQ(DefaultIniFile("C:\\Plugins"), "C:\\winamp.ini");
    EXPECT_EQ(DefaultIniFile("C:\\"), "C:\\winamp.ini");
}

}  // namespace
