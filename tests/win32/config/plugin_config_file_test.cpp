// The configuration store against real INI files under Wine: built the way MixIn Init builds
// it, from a host window that answers the INI-file question with a path in a fresh folder.
#include "config/plugin_config.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "base/plugin_error.h"
#include "host/winamp_api_man.h"
#include "win32/support/fake_host_window.h"
#include "win32/support/message_box_recorder.h"
#include "win32/support/temp_folder.h"

namespace {

constexpr const char* kMissing = "<missing>";
constexpr size_t kLongValueLength = 10000;
constexpr size_t kLargeFileSize = 1000000;

std::string Profile(const std::string& path, const char* section, const char* key) {
    std::string buffer(64 * 1024, '\0');
    const DWORD length =
        GetPrivateProfileStringA(section, key, kMissing, buffer.data(), static_cast<DWORD>(buffer.size()), path.c_str());
    buffer.resize(length);
    return buffer;
}

std::vector<std::string> ProfileKeys(const std::string& path, const char* section) {
    std::string buffer(64 * 1024, '\0');
    const DWORD length =
        GetPrivateProfileStringA(section, nullptr, "", buffer.data(), static_cast<DWORD>(buffer.size()), path.c_str());
    std::vector<std::string> keys;
    for (size_t begin = 0; begin < length;) {
        const size_t end = buffer.find('\0', begin);
        keys.push_back(buffer.substr(begin, end - begin));
        begin = end + 1;
    }
    return keys;
}

FILETIME LastWrite(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

void SetLastWriteToLongAgo(const std::string& path) {
    SYSTEMTIME longAgo{2001, 1, 1, 1, 12, 0, 0, 0};
    FILETIME time{};
    SystemTimeToFileTime(&longAgo, &time);
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    SetFileTime(file, nullptr, nullptr, &time);
    CloseHandle(file);
}

bool SameTime(FILETIME a, FILETIME b) {
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

char LocaleDecimalSeparator() {
    char separator[4] = {};
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, sizeof separator);
    return separator[0];
}

class ConfigFile : public ::testing::Test {
protected:
    ConfigFile() {
        host.IniFile = folder / "winamp.ini";
        link = std::make_unique<TWinAmpAPIMan>(host.Handle());
    }

    std::unique_ptr<TPluginConfig> Open() { return std::make_unique<TPluginConfig>(link.get()); }
    std::string Setting(const char* key) { return Profile(newPath, kSettingsSection, key); }
    std::string StackValue(const char* key) { return Profile(newPath, kStackSection, key); }
    void PutOld(const char* section, const char* key, const char* value) {
        WritePrivateProfileStringA(section, key, value, oldPath.c_str());
    }
    void PutNew(const char* section, const char* key, const char* value) {
        CreateDirectoryA(pluginsFolder.c_str(), nullptr);
        WritePrivateProfileStringA(section, key, value, newPath.c_str());
    }

    TempFolder folder;
    FakeHostWindow host;
    MessageBoxRecorder boxes;
    std::unique_ptr<TWinAmpAPIMan> link;
    const std::string pluginsFolder = folder / "Plugins";
    const std::string newPath = folder / "Plugins\\QXWTidewell.ini";
    const std::string oldPath = folder / "QXWTidewell.ini";
};

TEST_F(ConfigFile, FirstRunCreatesPluginsFolderAndFileWithTheDefaultTexts) {
    ASSERT_EQ(LocaleDecimalSeparator(), '.') << "the expected texts are those of a decimal-point locale";
    auto config = Open();
    EXPECT_EQ(config->IniPath(), newPath);
    ASSERT_TRUE(FileExistsAt(newPath));
    EXPECT_EQ(ProfileKeys(newPath, kSettingsSection),
              (std::vector<std::string>{"InputDeviceName", "MixInFormTop", "MixInFormLeft", "RecThreadPriority",
                                        "PTTMixInPercent", "MixInFade", "MixOtFade", "AutoMixInThresh",
                                        "AutoReleaseDelay", "AutoMixInPercent", "LogTransition", "MixInMode",
                                        "EnableBypass", "WantActive", "LastTab", "AlwaysLoad"}));
    EXPECT_EQ(Setting("MixInFade"), "0.01");
    EXPECT_EQ(Setting("MixOtFade"), "1");
    EXPECT_EQ(Setting("AutoMixInThresh"), "0");
    EXPECT_EQ(Setting("AutoReleaseDelay"), "0.5");
    EXPECT_EQ(Setting("AutoMixInPercent"), "0.7");
    EXPECT_EQ(Setting("PTTMixInPercent"), "0.7");
    EXPECT_EQ(Setting("LogTransition"), "1");
    EXPECT_EQ(Setting("RecThreadPriority"), "4");
    EXPECT_EQ(Setting("LastTab"), "Device");
    EXPECT_EQ(Setting("InputDeviceName"), "");
    for (const char* zero : {"MixInFormTop", "MixInFormLeft", "MixInMode", "EnableBypass", "WantActive", "AlwaysLoad"}) {
        EXPECT_EQ(Setting(zero), "0") << zero;
    }
    EXPECT_EQ(ReadWholeFile(newPath).find(kStackSection), std::string::npos);
    EXPECT_TRUE(boxes.Boxes.empty());
}

TEST_F(ConfigFile, OldFileBesideTheHostIniMovesIntoPlugins) {
    PutOld(kSettingsSection, "MixInMode", "3");
    PutOld(kSettingsSection, "LastTab", "Manual");
    PutOld(kStackSection, "ModuleCount", "1");
    auto config = Open();
    EXPECT_EQ(config->MixInMode, 3);
    EXPECT_EQ(config->IniPath(), newPath);
    EXPECT_FALSE(FileExistsAt(oldPath));
    EXPECT_EQ(Setting("MixInMode"), "3");
    EXPECT_EQ(Setting("LastTab"), "Manual");
    EXPECT_EQ(StackValue("ModuleCount"), "1");
}

TEST_F(ConfigFile, OldFileOverwritesSharedKeysOfANewerFileAndLeavesTheRest) {
    PutNew(kSettingsSection, "MixInMode", "1");
    PutNew(kSettingsSection, "Unrelated", "kept");
    PutNew(kStackSection, "ModuleCount", "2");
    PutNew(kStackSection, "Module1Lib", "dsp_echo.dll");
    PutOld(kSettingsSection, "MixInMode", "3");
    PutOld(kStackSection, "ModuleCount", "1");
    auto config = Open();
    EXPECT_EQ(Setting("MixInMode"), "3");
    EXPECT_EQ(Setting("Unrelated"), "kept");
    EXPECT_EQ(StackValue("ModuleCount"), "1");
    EXPECT_EQ(StackValue("Module1Lib"), "dsp_echo.dll");
    EXPECT_FALSE(FileExistsAt(oldPath));
}

TEST_F(ConfigFile, LenientValuesFromTheFile) {
    ASSERT_EQ(LocaleDecimalSeparator(), '.');
    PutNew(kSettingsSection, "MixInMode", "0x2");
    PutNew(kSettingsSection, "LogTransition", "5");
    PutNew(kSettingsSection, "MixInFade", "letters");
    PutNew(kSettingsSection, "AutoReleaseDelay", "0,75");  // written under a decimal comma
    auto config = Open();
    EXPECT_EQ(config->MixInMode, 2);
    EXPECT_TRUE(config->LogTransition);
    EXPECT_EQ(config->MixInFade, 0.01);
    EXPECT_EQ(config->AutoReleaseDelay, 0.5);
}

TEST_F(ConfigFile, SettingLastTabToItsValueLeavesTheFileUntouched) {
    auto config = Open();
    SetLastWriteToLongAgo(newPath);
    const FILETIME before = LastWrite(newPath);
    const std::string content = ReadWholeFile(newPath);

    config->SetLastTab("Device");
    EXPECT_TRUE(SameTime(LastWrite(newPath), before));
    EXPECT_EQ(ReadWholeFile(newPath), content);

    config->SetLastTab("Auto");
    EXPECT_FALSE(SameTime(LastWrite(newPath), before)) << "a real change is written at once";
    EXPECT_EQ(Setting("LastTab"), "Auto");
}

TEST_F(ConfigFile, StackLinesWithoutNameOrValueAreNotWritten) {
    {
        auto config = Open();
        config->StackLines.Replace({"ModuleCount=3", "Empty=", "NoEquals", "a=b=c"});
        EXPECT_EQ(ProfileKeys(newPath, kStackSection), (std::vector<std::string>{"ModuleCount", "a"}));
        EXPECT_EQ(StackValue("a"), "b=c");
    }
    auto config = Open();
    EXPECT_EQ(config->StackLines.Lines(), (std::vector<std::string>{"ModuleCount=3", "a=b=c"}));
}

TEST_F(ConfigFile, AfterDeleteIniFileNothingWritesTheFileAgain) {
    auto config = Open();
    ASSERT_TRUE(FileExistsAt(newPath));
    config->DeleteIniFile();
    EXPECT_FALSE(FileExistsAt(newPath));
    config->SetMixInMode(2);
    config->SetInputDeviceName("Line In");
    config->StackLines.Replace({"ModuleCount=1"});
    config.reset();
    EXPECT_FALSE(FileExistsAt(newPath));
}

class BadConfigFile : public ConfigFile {};

TEST_F(BadConfigFile, BinaryGarbageGivesDefaultsAndStaysUsable) {
    std::string garbage(64 * 1024, '\0');
    uint32_t state = 12345;
    for (char& c : garbage) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 24);
    }
    CreateDirectoryA(pluginsFolder.c_str(), nullptr);
    WriteWholeFile(newPath, garbage);
    auto config = Open();
    EXPECT_EQ(config->MixInFade, 0.01);
    EXPECT_EQ(config->LastTab, "Device");
    config->SetMixInMode(3);
    config.reset();
    EXPECT_EQ(Open()->MixInMode, 3);
    EXPECT_TRUE(boxes.Boxes.empty());
}

TEST_F(BadConfigFile, OneMegabyteFileIsReadAndWritten) {
    std::string content = "[Junk]\r\n";
    for (int i = 0; content.size() < kLargeFileSize / 2; ++i) content += "Key" + std::to_string(i) + "=" + std::string(40, 'x') + "\r\n";
    content += "[QXTidewell]\r\nMixInMode=2\r\nLastTab=Auto\r\n[QXTidewellStack]\r\nModuleCount=1\r\n[More]\r\n";
    while (content.size() < kLargeFileSize) content += std::string(70, 'y') + "\r\n";
    CreateDirectoryA(pluginsFolder.c_str(), nullptr);
    WriteWholeFile(newPath, content);

    auto config = Open();
    EXPECT_EQ(config->MixInMode, 2);
    EXPECT_EQ(config->LastTab, "Auto");
    EXPECT_EQ(config->StackLines.Lines(), std::vector<std::string>{"ModuleCount=1"});
    config->SetMixInFade(0.25);
    EXPECT_EQ(Setting("MixInFade"), "0.25");
    EXPECT_EQ(Profile(newPath, "Junk", "Key7"), std::string(40, 'x')) << "other sections survive";
}

TEST_F(BadConfigFile, TenThousandCharacterValuesAreReadWhole) {
    const std::string longName(kLongValueLength, 'n');
    const std::string longValue(kLongValueLength, 'v');
    PutNew(kSettingsSection, "InputDeviceName", longName.c_str());
    PutNew(kStackSection, "Module0Mod", longValue.c_str());
    auto config = Open();
    EXPECT_EQ(config->InputDeviceName, longName);
    EXPECT_EQ(config->StackLines.Lines(), std::vector<std::string>{"Module0Mod=" + longValue});
    EXPECT_TRUE(boxes.Boxes.empty());
}

// Running as root under Wine, neither a read-only attribute nor folder permissions stop a
// write; a file that another program holds open without write sharing does.
TEST_F(BadConfigFile, FileThatCannotBeWrittenKeepsTheValuesAndReportsTheWrite) {
    PutNew(kSettingsSection, "MixInMode", "2");
    PutNew(kStackSection, "ModuleCount", "1");
    HANDLE lock = CreateFileA(newPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    const std::string unableToWrite = "Unable to write to " + newPath;

    auto config = Open();
    ASSERT_EQ(boxes.Boxes.size(), 1u);
    EXPECT_EQ(boxes.Boxes[0].Text, unableToWrite);
    EXPECT_EQ(config->MixInMode, 2);
    EXPECT_EQ(config->StackLines.Lines(), std::vector<std::string>{"ModuleCount=1"});
    try {
        config->SetMixInMode(1);
        ADD_FAILURE() << "the write must fail";
    } catch (const PluginError& error) {
        EXPECT_EQ(std::string(error.what()), unableToWrite);
    }
    EXPECT_EQ(config->MixInMode, 1);

    CloseHandle(lock);
    config.reset();
    EXPECT_EQ(Setting("MixInMode"), "1") << "the last save succeeds once the file is free";
}

TEST_F(BadConfigFile, FolderThatCannotBeCreatedReportsTheWriteAndKeepsDefaults) {
    WriteWholeFile(pluginsFolder, "a file where the folder should be");
    const std::string unableToWrite = "Unable to write to " + newPath;

    auto config = Open();
    ASSERT_EQ(boxes.Boxes.size(), 1u);
    EXPECT_EQ(boxes.Boxes[0].Text, unableToWrite);
    EXPECT_EQ(config->LastTab, "Device");
    EXPECT_THROW(config->SetLastTab("Auto"), PluginError);
    EXPECT_EQ(config->LastTab, "Auto");
    config.reset();
    EXPECT_EQ(boxes.Boxes.size(), 1u) << "the last save's failure, already shown at load, is not shown again";
}

TEST(ConfigWithoutHost, NullHostLinkFailsAndCreatesNothing) {
    EXPECT_THROW(TPluginConfig(static_cast<TWinAmpAPIMan*>(nullptr)), PluginError);
}

}  // namespace
