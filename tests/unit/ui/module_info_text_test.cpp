#include "ui/module_info_text.h"

#include <gtest/gtest.h>

namespace {

ModuleInfoFacts Facts() {
    ModuleInfoFacts facts;
    facts.IndexInPlugin = 0;
    facts.EntryCount = 1;
    facts.ModuleDescription = "Echo & Delay";
    facts.PluginDescription = "Echo plug-in v2";
    facts.HeaderVersion = 0x20;
    facts.FileName = "C:\\Winamp\\Plugins\\DSP_ECHO.DLL";
    return facts;
}

TEST(ModuleInfoText, WithoutVersionInformation) {
    FileVersionInfo partial;  // e.g. a block without LegalCopyright: StringInfoRead stays false
    partial.CompanyName = "Someone";
    ModuleInfoFacts facts = Facts();
    facts.VersionInfo = &partial;
    EXPECT_EQ(ModuleInfoText(facts),
              "Module 1 of 1\r\n\r\n"
              "Module Description\r\n\tEcho & Delay\r\n\r\n"
              "Plugin Description\r\n\tEcho plug-in v2\r\n\r\n"
              "Plugin Header\r\n\tHDRVER: 0x00000020\r\n\r\n"
              "Plugin Filename\r\n\tC:\\Winamp\\Plugins\\DSP_ECHO.DLL\r\n\r\n"
              "DLL Version Information\r\n\t"
              "No version information available\r\n");
}

TEST(ModuleInfoText, WithVersionInformationAndBuildFlags) {
    FileVersionInfo info;
    info.StringInfoRead = true;
    info.FileDescription = "Echo";
    info.FileVersion = "2.0.1";
    info.CompanyName = "Acme";
    info.InternalName = "echo";
    info.LegalCopyright = "(c) Acme";
    info.OriginalFileName = "dsp_echo.dll";
    info.ProductName = "Echo Suite";
    info.ProductVersion = "2.0";
    info.LanguageName = "English (United States)";
    info.IsDebug = info.IsPatched = info.IsPreRelease = info.IsPrivateBuild = info.IsSpecialBuild = true;
    info.IsInfoInferred = true;  // never shown
    ModuleInfoFacts facts = Facts();
    facts.IndexInPlugin = 1;
    facts.EntryCount = 3;
    facts.HeaderVersion = -1;
    facts.VersionInfo = &info;

    const std::string text = ModuleInfoText(facts);
    EXPECT_EQ(text.substr(0, 15), "Module 2 of 3\r\n");
    EXPECT_NE(text.find("HDRVER: 0xFFFFFFFF\r\n"), std::string::npos);
    EXPECT_NE(text.find("DLL Version Information\r\n\t"
                        "File Description:  Echo\r\n\t"
                        "File Version:  2.0.1\r\n\t"
                        "Company Name:  Acme\r\n\t"
                        "Infernal Name:  echo\r\n\t"
                        "Copyright:  (c) Acme\r\n\t"
                        "Original FileName:  dsp_echo.dll\r\n\t"
                        "Product Name:  Echo Suite\r\n\t"
                        "Product Version:  2.0\r\n\t"
                        "Language:  English (United States)\r\n\t"
                        "Code Page:  \r\n\t"
                        "BuildFlags:  Debug  Patched  PreRelease  Private Build  Special Build\r\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.back(), '\n');
}

TEST(ModuleInfoText, NoBuildFlagsLeavesTheBareLabel) {
    FileVersionInfo info;
    info.StringInfoRead = true;
    ModuleInfoFacts facts = Facts();
    facts.VersionInfo = &info;
    const std::string text = ModuleInfoText(facts);
    EXPECT_EQ(text.substr(text.size() - 13), "BuildFlags:\r\n");
}

TEST(ModuleInfoText, LibrariesLeftOutAreNamedWithTheReasonAtTheEnd) {
    ModuleInfoFacts facts = Facts();
    const std::string plain = ModuleInfoText(facts);
    facts.LeftOut = {"dsp_endless.dll: its module list does not end within 256 modules",
                     "dsp_bad.dll: the record of module 2 cannot be read"};
    EXPECT_EQ(ModuleInfoText(facts), plain +
                                         "\r\nLibraries left out\r\n"
                                         "\tdsp_endless.dll: its module list does not end within 256 modules\r\n"
                                         "\tdsp_bad.dll: the record of module 2 cannot be read\r\n");
}

}  // namespace
