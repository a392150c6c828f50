// The configuration store's rules against an in-memory disk: what is written, in which order,
// when, and what survives damaged values and failed writes.
#include "config/plugin_config.h"

#include <gtest/gtest.h>

#include <functional>

#include "base/plugin_error.h"
#include "unit/config/memory_config_platform.h"

namespace {

const std::string kHostFolder = "C:\\Winamp\\";
const std::string kNewPath = "C:\\Winamp\\Plugins\\QXWTidewell.ini";
const std::string kOldPath = "C:\\Winamp\\QXWTidewell.ini";

const std::vector<std::string> kSaveOrder = {
    "InputDeviceName", "MixInFormTop",     "MixInFormLeft",    "RecThreadPriority", "PTTMixInPercent", "MixInFade",
    "MixOtFade",       "AutoMixInThresh",  "AutoReleaseDelay", "AutoMixInPercent",  "LogTransition",   "MixInMode",
    "EnableBypass",    "WantActive",       "LastTab",          "AlwaysLoad"};

class PluginConfigStore : public ::testing::Test {
protected:
    std::unique_ptr<TPluginConfig> Open() {
        return std::make_unique<TPluginConfig>(kHostFolder, std::make_unique<MemoryConfigPlatform>(disk));
    }
    std::string Stored(const std::string& key, const std::string& path = kNewPath) {
        const std::string* value = disk.Value(path, kSettingsSection, key);
        return value != nullptr ? *value : "<missing>";
    }
    std::string StoredStack(const std::string& key) {
        const std::string* value = disk.Value(kNewPath, kStackSection, key);
        return value != nullptr ? *value : "<missing>";
    }
    std::vector<std::string> KeysWritten() {
        std::vector<std::string> keys;
        for (const auto& w : disk.WritesTo(kSettingsSection)) keys.push_back(w.Key);
        return keys;
    }

    MemoryDisk disk;
};

TEST_F(PluginConfigStore, ReadsEveryKeyBackAfterARestart) {
    {
        auto config = Open();
        config->SetMixInFormTop(-20);
        config->SetMixInFormLeft(300);
        config->SetInputDeviceName("Monitor of Desk (2)");
        config->SetMixInFade(0.25);
        config->SetMixOtFade(2.5);
        config->SetAutoMixInThresh(12);
        config->SetAutoReleaseDelay(1.0 / 3.0);
        config->AutoMixInPercent = 0.45;
        config->SetLogTransition(false);
        config->SetRecThreadPriority(6);
        config->SetPTTMixInPercent(1);
        config->SetMixInMode(3);
        config->SetEnableBypass(true);
        config->SetWantActive(true);
        config->SetLastTab("P.T.T.");
        config->SetAlwaysLoad(true);
    }
    auto config = Open();
    EXPECT_EQ(config->MixInFormTop, -20);
    EXPECT_EQ(config->MixInFormLeft, 300);
    EXPECT_EQ(config->InputDeviceName, "Monitor of Desk (2)");
    EXPECT_EQ(config->MixInFade, 0.25);
    EXPECT_EQ(config->MixOtFade, 2.5);
    EXPECT_EQ(config->AutoMixInThresh, 12);
    EXPECT_NEAR(config->AutoReleaseDelay, 1.0 / 3.0, 1e-15) << "fifteen significant digits in the file";
    EXPECT_EQ(config->AutoMixInPercent, 0.45);
    EXPECT_FALSE(config->LogTransition);
    EXPECT_EQ(config->RecThreadPriority, 6);
    EXPECT_EQ(config->PTTMixInPercent, 1);
    EXPECT_EQ(config->MixInMode, 3);
    EXPECT_TRUE(config->EnableBypass);
    EXPECT_TRUE(config->WantActive);
    EXPECT_EQ(config->LastTab, "P.T.T.");
    EXPECT_TRUE(config->AlwaysLoad);
}

TEST_F(PluginConfigStore, EachChangingSetterSavesTheWholeFileOnce) {
    auto config = Open();
    const std::vector<std::pair<const char*, std::function<void()>>> setters = {
        {"MixInFormTop", [&] { config->SetMixInFormTop(5); }},
        {"MixInFormLeft", [&] { config->SetMixInFormLeft(6); }},
        {"InputDeviceName", [&] { config->SetInputDeviceName("Line In"); }},
        {"MixInFade", [&] { config->SetMixInFade(0.2); }},
        {"MixOtFade", [&] { config->SetMixOtFade(0.3); }},
        {"AutoMixInThresh", [&] { config->SetAutoMixInThresh(7); }},
        {"AutoReleaseDelay", [&] { config->SetAutoReleaseDelay(2); }},
        {"LogTransition", [&] { config->SetLogTransition(false); }},
        {"RecThreadPriority", [&] { config->SetRecThreadPriority(2); }},
        {"PTTMixInPercent", [&] { config->SetPTTMixInPercent(0.9); }},
        {"MixInMode", [&] { config->SetMixInMode(2); }},
        {"EnableBypass", [&] { config->SetEnableBypass(true); }},
        {"WantActive", [&] { config->SetWantActive(true); }},
        {"LastTab", [&] { config->SetLastTab("Auto"); }},
    };
    const std::map<std::string, std::string> expected = {
        {"MixInFormTop", "5"},     {"MixInFormLeft", "6"},      {"InputDeviceName", "Line In"},
        {"MixInFade", "0.2"},      {"MixOtFade", "0.3"},        {"AutoMixInThresh", "7"},
        {"AutoReleaseDelay", "2"}, {"LogTransition", "0"},      {"RecThreadPriority", "2"},
        {"PTTMixInPercent", "0.9"}, {"MixInMode", "2"},         {"EnableBypass", "1"},
        {"WantActive", "1"},       {"LastTab", "Auto"}};
    for (const auto& [key, set] : setters) {
        disk.Writes.clear();
        set();
        EXPECT_EQ(KeysWritten(), kSaveOrder) << key;
        EXPECT_EQ(Stored(key), expected.at(key)) << key;
        disk.Writes.clear();
        set();
        EXPECT_TRUE(disk.Writes.empty()) << key << ": the same value again writes nothing";
    }
}

TEST_F(PluginConfigStore, HotkeyKeysStayOutOfTheFileUntilOneIsSetAndTheDelayIsClamped) {
    {
        auto config = Open();
        EXPECT_EQ(Stored("PTTHotkey"), "<missing>");
        config->SetPTTReleaseDelay(9);
        EXPECT_EQ(config->PTTReleaseDelay, 5.0);
        EXPECT_EQ(Stored("PTTHotkey"), "");
        EXPECT_EQ(Stored("PTTHotkeyMode"), "Hold");
        EXPECT_EQ(Stored("PTTReleaseDelay"), "5");
    }
    disk.Put(kNewPath, kSettingsSection, "PTTHotkey", "Ctrl+F9");
    disk.Put(kNewPath, kSettingsSection, "PTTHotkeyMode", "toggle");
    disk.Put(kNewPath, kSettingsSection, "PTTReleaseDelay", "-1");
    auto config = Open();
    EXPECT_EQ(config->PTTHotkey, "Ctrl+F9");
    EXPECT_TRUE(config->PTTHotkeyToggle);
    EXPECT_EQ(config->PTTReleaseDelay, 0.0);
}

TEST_F(PluginConfigStore, AlwaysLoadAndAutoMixInPercentWaitForTheNextSave) {
    auto config = Open();
    disk.Writes.clear();
    config->SetAlwaysLoad(true);
    config->AutoMixInPercent = 0.3;
    EXPECT_TRUE(disk.Writes.empty());
    EXPECT_EQ(Stored("AlwaysLoad"), "0");
    config->SetMixInMode(1);
    EXPECT_EQ(Stored("AlwaysLoad"), "1");
    EXPECT_EQ(Stored("AutoMixInPercent"), "0.3");
}

TEST_F(PluginConfigStore, DoublesUseTheSystemDecimalSeparator) {
    disk.Separator = ',';
    disk.Put(kNewPath, kSettingsSection, "MixInFade", "0,25");
    disk.Put(kNewPath, kSettingsSection, "MixOtFade", "0.5");
    auto config = Open();
    EXPECT_EQ(config->MixInFade, 0.25);
    EXPECT_EQ(config->MixOtFade, 1.0) << "a decimal point does not parse under a comma locale";
    EXPECT_EQ(Stored("AutoReleaseDelay"), "0,5");
    EXPECT_EQ(Stored("MixInFade"), "0,25");
}

TEST_F(PluginConfigStore, OldFileStaysWhenTheNewLocationCannotBeWritten) {
    disk.Put(kOldPath, kSettingsSection, "MixInMode", "3");
    disk.ReadOnlyPaths.insert(kNewPath);
    try {
        Open();
        FAIL() << "the move's save must fail";
    } catch (const PluginError& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + kNewPath);
    }
    ASSERT_EQ(disk.Files.count(kOldPath), 1u) << "the settings are not thrown away";
    EXPECT_EQ(Stored("MixInMode", kOldPath), "3");
}

TEST_F(PluginConfigStore, FailedWriteStopsTheSaveAndKeepsTheNewValue) {
    auto config = Open();
    disk.ReadOnlyPaths.insert(kNewPath);
    disk.FailedWrites = 0;
    try {
        config->SetMixInFade(0.9);
        FAIL() << "a failed write must be raised";
    } catch (const PluginError& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + kNewPath);
    }
    EXPECT_EQ(disk.FailedWrites, 1) << "the save stops at the first key it cannot write";
    EXPECT_EQ(config->MixInFade, 0.9);
    EXPECT_NO_THROW(config->SetMixInFade(0.9)) << "unchanged: nothing to write";
}

TEST_F(PluginConfigStore, LoadFillsStackLinesWithoutSavingAgain) {
    disk.Put(kNewPath, kStackSection, "ModuleCount", "1");
    disk.Put(kNewPath, kStackSection, "Module0Act", "true");
    disk.Put(kNewPath, kStackSection, "Stale", "");
    auto config = Open();
    EXPECT_EQ(config->StackLines.Lines(), (std::vector<std::string>{"ModuleCount=1", "Module0Act=true", "Stale="}));
    EXPECT_EQ(KeysWritten(), kSaveOrder) << "exactly one save during construction";
    EXPECT_TRUE(disk.WritesTo(kStackSection).empty()) << "the stack section is left as it was";
}

TEST_F(PluginConfigStore, KeysTheLinesNoLongerNameStayInTheFile) {
    auto config = Open();
    config->StackLines.Replace({"ModuleCount=2", "Module1Lib=dsp_echo.dll"});
    config->StackLines.Replace({"ModuleCount=1"});
    EXPECT_EQ(StoredStack("ModuleCount"), "1");
    EXPECT_EQ(StoredStack("Module1Lib"), "dsp_echo.dll");
}

TEST_F(PluginConfigStore, DestructionSavesAndShowsAFailureInsteadOfThrowing) {
    auto config = Open();
    config->AutoMixInPercent = 0.2;
    config.reset();
    EXPECT_EQ(Stored("AutoMixInPercent"), "0.2");

    config = Open();
    disk.ReadOnlyPaths.insert(kNewPath);
    EXPECT_NO_THROW(config.reset());
    EXPECT_EQ(disk.Errors, std::vector<std::string>{"Unable to write to " + kNewPath});
}

// Quit takes down the control window, the stacker and the store, each saving: a file that
// cannot be written is reported once for all of them, and again only after a save worked.
TEST_F(PluginConfigStore, TearDownReportsAFailedSaveOnceUntilASaveSucceeds) {
    auto config = Open();
    disk.ReadOnlyPaths.insert(kNewPath);
    const std::string unableToWrite = "Unable to write to " + kNewPath;
    config->ChangeOrReport([](TPluginConfig& c) { c.SetMixInFormTop(10); });
    config->ChangeOrReport([](TPluginConfig& c) { c.StackLines.Replace({"ModuleCount=0"}); });
    EXPECT_EQ(disk.Errors, std::vector<std::string>{unableToWrite});

    disk.ReadOnlyPaths.clear();
    config->ChangeOrReport([](TPluginConfig& c) { c.SetMixInFormTop(20); });
    disk.ReadOnlyPaths.insert(kNewPath);
    config->ChangeOrReport([](TPluginConfig& c) { c.SetMixInFormTop(30); });
    EXPECT_NO_THROW(config.reset());
    EXPECT_EQ(disk.Errors, (std::vector<std::string>{unableToWrite, unableToWrite}));
}

}  // namespace
