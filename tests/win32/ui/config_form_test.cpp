// The configuration dialog against a real settings file, a real capture thread and a real
// module stack.
#include "ui/config_form.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "capture/wave_in_rec_thread.h"
#include "config/plugin_config.h"
#include "core/exported_globals.h"
#include "core/mix_state.h"
#include "host/winamp_api_man.h"
#include "host/file_version_info.h"
#include "win32/support/fake_host_window.h"
#include "win32/support/message_box_recorder.h"
#include "win32/support/temp_folder.h"

namespace {

std::string WindowText(HWND window) {
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string SavedValue(const std::string& ini, const char* key) {
    char value[64] = {};
    GetPrivateProfileStringA("QXTidewell", key, "", value, sizeof value, ini.c_str());
    return value;
}

class ConfigFormTest : public ::testing::Test {
protected:
    void TearDown() override {
        PluginConfig = nullptr;
        WaveInRecThread = nullptr;
        VersionReaderResult = nullptr;
    }

    void MakeConfig() {
        host_.IniFile = folder_ / "winamp.ini";
        link_ = std::make_unique<TWinAmpAPIMan>(host_.Handle());
        config_ = std::make_unique<TPluginConfig>(link_.get());
        PluginConfig = config_.get();
    }
    void MakeThread() {
        thread_ = std::make_unique<TWaveInRecThread>();
        thread_->Resume();
        ASSERT_TRUE(thread_->WaitUntilIdle(5000));
        WaveInRecThread = thread_.get();
    }
    std::string Ini() { return folder_ / "Plugins\\QXWTidewell.ini"; }

    TempFolder folder_;
    FakeHostWindow host_;
    std::unique_ptr<TWinAmpAPIMan> link_;
    std::unique_ptr<TPluginConfig> config_;
    std::unique_ptr<TWaveInRecThread> thread_;
};

TEST_F(ConfigFormTest, LayoutCaptionAndStartValuesWithoutPartners) {
    TConfigForm form(nullptr);
    EXPECT_EQ(WindowText(form.Handle()), "Quorvex Tidewell Configuration");
    RECT outer;
    GetWindowRect(form.Handle(), &outer);
    EXPECT_EQ(outer.right - outer.left, 448);
    EXPECT_EQ(outer.bottom - outer.top, 304);
    EXPECT_FALSE(GetWindowLongA(form.Handle(), GWL_STYLE) & WS_SYSMENU) << "no system menu, no close box";
    EXPECT_TRUE(GetWindowLongA(form.Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(form.SelectedPriority(), 4);
    EXPECT_EQ(WindowText(form.Label1()), "Higher");
    EXPECT_FALSE(IsWindowEnabled(form.Button2())) << "no configuration store";
    EXPECT_EQ(WindowText(form.Label6()), "") << "no version record";

    // Without a capture thread the track bar only names the position.
    SendMessageA(form.TrackBar1(), TBM_SETPOS, TRUE, 2);
    form.TrackBar1Change();
    EXPECT_EQ(WindowText(form.Label1()), "Lower");
    // The close box message does nothing.
    SendMessageA(form.Handle(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(form.Handle()));
}

TEST_F(ConfigFormTest, CaptureThreadAtRealTimeOpensAtSix) {
    MakeThread();
    thread_->SetPriority(6);
    TConfigForm form(nullptr);
    EXPECT_EQ(form.SelectedPriority(), 6);
    EXPECT_EQ(WindowText(form.Label1()), "Real-Time");
}

TEST_F(ConfigFormTest, ShowPriorityOutOfRangeStandsAtZeroAndReadsUnknown) {
    TConfigForm form(nullptr);
    form.ShowPriority(9);
    EXPECT_EQ(form.SelectedPriority(), 0);
    EXPECT_EQ(WindowText(form.Label1()), "Unknown");
}

TEST_F(ConfigFormTest, TrackBarToZeroSetsTheThreadAndSavesThePriority) {
    MakeConfig();
    MakeThread();
    TConfigForm form(nullptr);
    SendMessageA(form.TrackBar1(), TBM_SETPOS, TRUE, 0);
    form.TrackBar1Change();
    EXPECT_EQ(WindowText(form.Label1()), "Idle");
    EXPECT_EQ(thread_->GetPriority(), 0) << "the posted priority reached the thread";
    EXPECT_EQ(config_->RecThreadPriority, 0);
    EXPECT_EQ(SavedValue(Ini(), "RecThreadPriority"), "0");
}

// Opening the dialog presets the track bar from the thread, which saves the priority: a
// settings file that cannot be written is reported, and the dialog opens all the same.
TEST_F(ConfigFormTest, OpensWhenThePresetsSaveFails) {
    MakeConfig();
    MakeThread();
    thread_->SetPriority(6);
    HANDLE lock = CreateFileA(Ini().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    MessageBoxRecorder boxes;
    std::unique_ptr<TConfigForm> form;
    EXPECT_NO_THROW(form = std::make_unique<TConfigForm>(nullptr));
    CloseHandle(lock);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->SelectedPriority(), 6);
    ASSERT_EQ(boxes.Boxes.size(), 1u);
    EXPECT_EQ(boxes.Boxes[0].Text, "Unable to write to " + Ini());
}

TEST_F(ConfigFormTest, BypassButtonSwitchesTheSettingBothWays) {
    MakeConfig();
    config_->SetEnableBypass(true);
    TConfigForm form(nullptr);
    EXPECT_TRUE(IsWindowEnabled(form.Button2()));
    EXPECT_EQ(WindowText(form.Button2()), "Disable");

    SendMessageA(form.Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(form.Button2()), BN_CLICKED),
                 reinterpret_cast<LPARAM>(form.Button2()));
    EXPECT_EQ(WindowText(form.Button2()), "Enable");
    EXPECT_FALSE(config_->EnableBypass);
    EXPECT_FALSE(MixState.EnableBypass);
    EXPECT_EQ(SavedValue(Ini(), "EnableBypass"), "0");

    form.Button2Click();
    EXPECT_EQ(WindowText(form.Button2()), "Disable");
    EXPECT_TRUE(MixState.EnableBypass);
    EXPECT_EQ(SavedValue(Ini(), "EnableBypass"), "1");
}

TEST_F(ConfigFormTest, AlwaysLoadChangesOnlyTheMemoryUntilTheNextSave) {
    MakeConfig();
    TConfigForm form(nullptr);
    EXPECT_EQ(SendMessageA(form.CheckBox1(), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    SendMessageA(form.CheckBox1(), BM_SETCHECK, BST_CHECKED, 0);
    form.CheckBox1Click();
    EXPECT_TRUE(config_->AlwaysLoad);
    EXPECT_EQ(SavedValue(Ini(), "AlwaysLoad"), "0") << "not saved at once";
    config_->SetMixInMode(2);  // any other saved setting carries it
    EXPECT_EQ(SavedValue(Ini(), "AlwaysLoad"), "1");
}

TEST_F(ConfigFormTest, VersionLineShowsBuildFlagWordsInOrder) {
    FileVersionInfo info;
    info.StringInfoRead = true;
    info.FileVersion = "1.3.0";
    info.IsPreRelease = true;
    info.IsPrivateBuild = true;
    VersionReaderResult = &info;
    TConfigForm form(nullptr);
    EXPECT_EQ(WindowText(form.Label6()), "1.3.0 Pre-Release Private Build");
}

TEST_F(ConfigFormTest, DoneEndsTheModalLoop) {
    TConfigForm form(nullptr);
    PostMessageA(form.Handle(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_EQ(form.ShowModal(), IDOK);
}

int Selected(HWND comboBox) { return static_cast<int>(SendMessageA(comboBox, CB_GETCURSEL, 0, 0)); }

void Choose(TConfigForm& form, int item) {
    SendMessageA(form.LatencyBox(), CB_SETCURSEL, item, 0);
    SendMessageA(form.Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(form.LatencyBox()), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(form.LatencyBox()));
}

TEST_F(ConfigFormTest, LatencyChoiceIsSavedAndRestartsTheCapture) {
    MakeConfig();
    MakeThread();
    MixState.WantReset = false;
    TConfigForm form(nullptr);
    EXPECT_EQ(Selected(form.LatencyBox()), 0);
    EXPECT_EQ(SavedValue(Ini(), "LatencyMode"), "") << "a Classic file keeps its original keys";

    Choose(form, 2);
    EXPECT_EQ(config_->Latency, LatencyMode::Lowest);
    EXPECT_EQ(SavedValue(Ini(), "LatencyMode"), "2");
    EXPECT_EQ(MixState.Latency.load(), LatencyMode::Lowest);
    EXPECT_TRUE(MixState.WantReset) << "the mixer restarts the device with the new buffers";
    EXPECT_TRUE(thread_->WaitUntilIdle(5000)) << "the capture thread went through its reset";
    EXPECT_EQ(WindowText(form.LatencyLabel()), ProfileOf(LatencyMode::Lowest).Tradeoff);

    Choose(form, 0);
    EXPECT_EQ(SavedValue(Ini(), "LatencyMode"), "0") << "back to Classic is written, not left at 2";
    MixState.Latency = LatencyMode::Classic;
    MixState.WantReset = false;
}

TEST_F(ConfigFormTest, UnreadableLatencyModeOpensAsClassic) {
    for (const char* stored : {"fast", "7", "-1"}) {
        SCOPED_TRACE(stored);
        CreateDirectoryA((folder_ / "Plugins").c_str(), nullptr);
        WriteWholeFile(Ini(), std::string("[QXTidewell]\r\nLatencyMode=") + stored + "\r\n");
        MakeConfig();
        EXPECT_EQ(config_->Latency, LatencyMode::Classic);
        TConfigForm form(nullptr);
        EXPECT_EQ(Selected(form.LatencyBox()), 0);
        PluginConfig = nullptr;
        config_.reset();
    }
}

}  // namespace
