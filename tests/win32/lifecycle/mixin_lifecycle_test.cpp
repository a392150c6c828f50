// The MixIn module's life cycle with the real DLL, driven the way a host drives it: Init on
// this (window) thread, blocks, Quit, and Init again.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/dsp_records.h"
#include "win32/support/fake_host_window.h"
#include "win32/support/message_box_answerer.h"
#include "win32/support/temp_folder.h"
#include "win32/support/test_paths.h"

namespace {

class MixInLifeCycle : public ::testing::Test {
protected:
    void SetUp() override {
        library_ = LoadLibraryA(PluginDllPath().c_str());
        ASSERT_NE(library_, nullptr);
        auto getHeader = reinterpret_cast<DspGetHeaderProc>(
            reinterpret_cast<void*>(GetProcAddress(library_, "winampDSPGetHeader2")));
        ASSERT_NE(getHeader, nullptr);
        host_.IniFile = folder_ / "winamp.ini";
        host_.PluginFolder = folder_.Path();
        header_ = getHeader(host_.Handle());
        mixIn_ = header_->getModule(0);
        mixIn_->hwndParent = host_.Handle();
        mixIn_->hDllInstance = library_;
    }

    void TearDown() override {
        if (Global<uint8_t>("MixInLoaded")) mixIn_->Quit(mixIn_);
        FreeLibrary(library_);
    }

    template <class T>
    T& Global(const char* name) {
        return *reinterpret_cast<T*>(GetProcAddress(library_, name));
    }
    void* Object(const char* name) { return Global<void*>(name); }

    void Pump() {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }

    std::string SettingsFile() { return folder_ / "Plugins\\QXWTidewell.ini"; }

    TempFolder folder_;
    FakeHostWindow host_;
    HMODULE library_ = nullptr;
    winampDSPHeader* header_ = nullptr;
    winampDSPModule* mixIn_ = nullptr;
};

TEST_F(MixInLifeCycle, InitPublishesEveryObjectAndQuitTakesThemDown) {
    ASSERT_EQ(mixIn_->Init(mixIn_), 0);
    EXPECT_EQ(Global<uint8_t>("MixInLoaded"), 1);
    EXPECT_NE(mixIn_->userData, nullptr) << "the host window link";
    for (const char* name : {"PluginConfig", "DSPPlugins", "DSPPluginModulesStack", "WaveInRecThread", "MixInForm"}) {
        EXPECT_NE(Object(name), nullptr) << name;
    }
    EXPECT_NE(FindWindowA(nullptr, "Quorvex Tidewell MixIn"), nullptr) << "the control window";
    EXPECT_EQ(GetFileAttributesA(SettingsFile().c_str()) != INVALID_FILE_ATTRIBUTES, true)
        << "the settings file exists after Init";

    mixIn_->Quit(mixIn_);
    EXPECT_EQ(Global<uint8_t>("MixInLoaded"), 0);
    EXPECT_EQ(mixIn_->userData, nullptr);
    for (const char* name : {"PluginConfig", "DSPPlugins", "DSPPluginModulesStack", "WaveInRecThread",
                             "MixInForm", "ConfigForm"}) {
        EXPECT_EQ(Object(name), nullptr) << name;
    }
}

TEST_F(MixInLifeCycle, SecondInitCreatesNothingNew) {
    ASSERT_EQ(mixIn_->Init(mixIn_), 0);
    void* thread = Object("WaveInRecThread");
    void* config = Object("PluginConfig");
    void* link = mixIn_->userData;
    EXPECT_EQ(mixIn_->Init(mixIn_), 0);
    EXPECT_EQ(Object("WaveInRecThread"), thread);
    EXPECT_EQ(Object("PluginConfig"), config);
    EXPECT_EQ(mixIn_->userData, link);
}

TEST_F(MixInLifeCycle, InitQuitInitStartsAfresh) {
    ASSERT_EQ(mixIn_->Init(mixIn_), 0);
    std::vector<short> block(576 * 2, 1000);
    EXPECT_EQ(mixIn_->ModifySamples(mixIn_, block.data(), 576, 16, 2, 44100), 576);
    mixIn_->Quit(mixIn_);

    ASSERT_EQ(mixIn_->Init(mixIn_), 0);
    EXPECT_NE(Object("WaveInRecThread"), nullptr);
    EXPECT_NE(Object("PluginConfig"), nullptr);
    // Off mode, capture not yet primed: the block passes unchanged.
    std::vector<short> again(576 * 2, 1234);
    EXPECT_EQ(mixIn_->ModifySamples(mixIn_, again.data(), 576, 16, 2, 44100), 576);
    EXPECT_EQ(again, std::vector<short>(576 * 2, 1234));
}

TEST_F(MixInLifeCycle, BypassJoinsOnlyWhileMixInRuns) {
    winampDSPModule* bypass = header_->getModule(1);
    EXPECT_EQ(bypass->Init(bypass), 1) << "no MixIn yet";
    ASSERT_EQ(mixIn_->Init(mixIn_), 0);
    EXPECT_EQ(bypass->Init(bypass), 0);
    EXPECT_EQ(bypass->Init(bypass), 1) << "a second Bypass Init";
    bypass->Quit(bypass);
}

TEST_F(MixInLifeCycle, QuitWithNothingHeldCompletes) {
    ASSERT_EQ(mixIn_->Init(mixIn_), 0);
    mixIn_->Quit(mixIn_);
    mixIn_->Quit(mixIn_);  // a second Quit finds nothing to take down
    EXPECT_EQ(Global<uint8_t>("MixInLoaded"), 0);
}

TEST_F(MixInLifeCycle, ConfigWhileADialogIsOpenDoesNothing) {
    ASSERT_EQ(mixIn_->Init(mixIn_), 0);
    void*& dialog = Global<void*>("ConfigForm");
    int placeholder = 0;
    dialog = &placeholder;  // as if a dialog were open: a second one must not appear (nor block)
    mixIn_->Config(mixIn_);
    EXPECT_EQ(dialog, &placeholder);
    EXPECT_EQ(FindWindowA(nullptr, "Quorvex Tidewell Configuration"), nullptr);
    dialog = nullptr;
}

// A settings file another program holds open without write sharing (root under Wine
// ignores read-only attributes): every save fails, at Init and again at Quit, where the
// control window, the stack order and the store each save. The player must survive, and
// the user hears of the failure once per run of failures, not once per save.
TEST_F(MixInLifeCycle, UnwritableSettingsFileThroughInitAndQuitIsReportedAndSurvived) {
    CreateDirectoryA((folder_ / "Plugins").c_str(), nullptr);
    WritePrivateProfileStringA("QXTidewell", "MixInMode", "0", SettingsFile().c_str());
    HANDLE lock = CreateFileA(SettingsFile().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    const std::string unableToWrite = "Unable to write to " + SettingsFile();
    {
        MessageBoxAnswerer answerer;
        ASSERT_EQ(mixIn_->Init(mixIn_), 0);
        Pump();
        mixIn_->Quit(mixIn_);
        EXPECT_EQ(Global<uint8_t>("MixInLoaded"), 0);
        EXPECT_EQ(answerer.Texts(), std::vector<std::string>{unableToWrite});

        // Init's clean-up after a failure takes the same path: Init again, Quit again.
        ASSERT_EQ(mixIn_->Init(mixIn_), 0);
        mixIn_->Quit(mixIn_);
    }
    CloseHandle(lock);
}

// Quit with a block in flight: a hosted module in the stack hangs inside ModifySamples on a
// second (playback) thread. Quit waits for it a bounded time, tells the user, and leaves
// everything in place with blocks passing through; once the block has ended, Quit finishes.
TEST_F(MixInLifeCycle, QuitWaitsABoundedTimeForABlockInFlight) {
    ASSERT_TRUE(CopyFileA(FixturePath("dsp_hang.dll").c_str(), (folder_ / "DSP_HANG.DLL").c_str(), FALSE));
    CreateDirectoryA((folder_ / "Plugins").c_str(), nullptr);
    std::ofstream(SettingsFile()) << "[QXTidewellStack]\nModuleCount=1\nModule0Lib=DSP_HANG.DLL\n"
                                     "Module0Mod=Hang until released\nModule0Act=true\n";
    HANDLE entered = CreateEventA(nullptr, TRUE, FALSE, "TidewellFixtureHangEntered");
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, "TidewellFixtureHangRelease");
    ASSERT_EQ(mixIn_->Init(mixIn_), 0);

    std::vector<short> block(576 * 2, 1000);
    std::thread playback([&] { mixIn_->ModifySamples(mixIn_, block.data(), 576, 16, 2, 44100); });
    ASSERT_EQ(WaitForSingleObject(entered, 5000), WAIT_OBJECT_0) << "the hosted module is running";

    MessageBoxAnswerer answerer;
    const auto start = std::chrono::steady_clock::now();
    mixIn_->Quit(mixIn_);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_LT(waited, std::chrono::milliseconds(5000)) << "bounded, not until the module returns";
    EXPECT_EQ(Global<uint8_t>("MixInLoaded"), 1) << "not taken down under the running block";
    EXPECT_NE(Object("WaveInRecThread"), nullptr);
    const std::vector<std::string> texts = answerer.Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_NE(texts[0].find("still being processed"), std::string::npos) << texts[0];

    // Meanwhile blocks pass through unchanged, without entering the stack.
    std::vector<short> later(576 * 2, 1234);
    EXPECT_EQ(mixIn_->ModifySamples(mixIn_, later.data(), 576, 16, 2, 44100), 576);
    EXPECT_EQ(later, std::vector<short>(576 * 2, 1234));

    SetEvent(release);
    playback.join();
    mixIn_->Quit(mixIn_);
    EXPECT_EQ(Global<uint8_t>("MixInLoaded"), 0);
    EXPECT_EQ(Object("WaveInRecThread"), nullptr);
    EXPECT_EQ(Object("DSPPlugins"), nullptr);
    CloseHandle(entered);
    CloseHandle(release);
}

}  // namespace
