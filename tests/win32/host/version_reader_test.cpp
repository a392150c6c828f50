// The version reader on real files: the plug-in DLL, fixtures with a partial string block,
// with build flags, and without any version resource.
#include "host/version_reader.h"

#include <gtest/gtest.h>

#include <memory>

#include "win32/support/test_paths.h"

namespace {

std::unique_ptr<FileVersionInfo> ReadFile(const std::string& path) {
    TVersionReader reader;
    return std::unique_ptr<FileVersionInfo>(reader.Read(path));
}

TEST(VersionReader, ReadsThePluginsOwnVersion) {
    auto info = ReadFile(PluginDllPath());
    EXPECT_TRUE(info->StringInfoRead);
    EXPECT_TRUE(info->FixedInfoRead);
    EXPECT_EQ(info->CompanyName, "Quorvex");
    EXPECT_EQ(info->ProductName, "Quorvex Tidewell");
    EXPECT_EQ(info->OriginalFileName, "dsp_qxtidewell.dll");
    EXPECT_FALSE(info->FileVersion.empty());
    EXPECT_EQ(info->LanguageId, 0x0409);
    EXPECT_EQ(info->CodePage, 1200);
    EXPECT_FALSE(info->LanguageName.empty());
    EXPECT_TRUE(info->CodePageName.empty());
    EXPECT_EQ(info->FileVersionMS >> 16, 1u);
    EXPECT_EQ(info->FileType, 2u) << "VFT_DLL";
    EXPECT_FALSE(info->IsDebug || info->IsPreRelease || info->IsPrivateBuild);
}

TEST(VersionReader, StopsAtTheFirstMissingText) {
    auto info = ReadFile(FixturePath("version_no_copyright.dll"));
    EXPECT_EQ(info->CompanyName, "Fixture Company");
    EXPECT_EQ(info->FileDescription, "No copyright fixture");
    EXPECT_EQ(info->FileVersion, "2.0");
    EXPECT_EQ(info->InternalName, "nocopy");
    EXPECT_EQ(info->LegalCopyright, "");
    EXPECT_EQ(info->OriginalFileName, "");
    EXPECT_EQ(info->ProductName, "") << "texts after the missing one are not read";
    EXPECT_EQ(info->ProductVersion, "");
    EXPECT_FALSE(info->StringInfoRead);
    EXPECT_FALSE(info->FixedInfoRead) << "the fixed part is read only after all texts";
    EXPECT_EQ(info->FileVersionMS, 0u);
}

TEST(VersionReader, FileWithoutVersionResourceGivesAResetRecord) {
    for (const std::string& path : {FixturePath("version_none.dll"), FixturePath("no_such_file.dll")}) {
        auto info = ReadFile(path);
        EXPECT_FALSE(info->StringInfoRead) << path;
        EXPECT_FALSE(info->FixedInfoRead) << path;
        EXPECT_EQ(info->CompanyName, "") << path;
        EXPECT_EQ(info->LanguageName, "") << path;
        EXPECT_EQ(info->LanguageId, 0) << path;
        EXPECT_EQ(info->FileVersionMS, 0u) << path;
    }
}

TEST(VersionReader, DerivesBuildFlagsFromTheFixedPart) {
    auto info = ReadFile(FixturePath("version_flags.dll"));
    ASSERT_TRUE(info->StringInfoRead);
    ASSERT_TRUE(info->FixedInfoRead);
    EXPECT_EQ(info->LanguageId, 0x0407);
    EXPECT_EQ(info->CodePage, 1252);
    EXPECT_EQ(info->FileVersion, "3.1.4.1");
    EXPECT_EQ(info->FileVersionMS, 0x00030001u);
    EXPECT_EQ(info->FileVersionLS, 0x00040001u);
    EXPECT_TRUE(info->IsPreRelease);
    EXPECT_TRUE(info->IsPrivateBuild);
    EXPECT_FALSE(info->IsDebug);
    EXPECT_FALSE(info->IsPatched);
    EXPECT_FALSE(info->IsSpecialBuild);
    EXPECT_FALSE(info->IsInfoInferred);
}

TEST(VersionReader, FixedPartOptionOffReadsOnlyTheTexts) {
    TVersionReader reader;
    reader.ReadFixedPart = false;
    std::unique_ptr<FileVersionInfo> info(reader.Read(FixturePath("version_flags.dll")));
    EXPECT_TRUE(info->StringInfoRead);
    EXPECT_FALSE(info->FixedInfoRead);
    EXPECT_FALSE(info->IsPreRelease);
}

TEST(VersionReader, ResetsAndFillsTheCallersRecord) {
    FileVersionInfo mine;
    mine.CompanyName = "stale";
    mine.IsDebug = true;
    TVersionReader reader;
    EXPECT_EQ(reader.Read(FixturePath("version_none.dll"), &mine), &mine);
    EXPECT_EQ(mine.CompanyName, "");
    EXPECT_FALSE(mine.IsDebug);
}

}  // namespace
