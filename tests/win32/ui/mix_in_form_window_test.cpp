// The control window as a whole: construction, its frame, start-up settings, pages, the
// status line, the format labels and the device list.
#include <windows.h>
#include <dbt.h>

#include "core/mixin_messages.h"
#include "base/plugin_error.h"
#include "win32/comms/child_process.h"
#include "win32/ui/mix_in_form_fixture.h"

namespace {

using MixInFormWindow = MixInFormTest;

TEST_F(MixInFormWindow, OwnerThatIsNullOrGoneFailsWithShit) {
    try {
        TMixInForm form(nullptr);
        FAIL() << "a null owner must fail";
    } catch (const PluginError& error) {
        EXPECT_STREQ(error.what(), "shit");
    }
    HWND gone = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(gone);
    try {
        TMixInForm form(gone);
        FAIL() << "a dead owner must fail";
    } catch (const PluginError& error) {
        EXPECT_STREQ(error.what(), "shit");
    }
    // Other test programs run beside this one on the same desktop and open control windows
    // of their own: only this process's windows count.
    EXPECT_EQ(FindWindowOfProcess(kMixInFormClass, GetCurrentProcessId()), nullptr) << "no window is left behind";
}

TEST_F(MixInFormWindow, WindowHasTheDesignFrameSizeAndFont) {
    MakeConfig();
    OpenForm();
    HWND window = form->Handle();
    EXPECT_EQ(TextOf(window), "Quorvex Tidewell MixIn");
    EXPECT_EQ(GetWindow(window, GW_OWNER), host.Handle());
    EXPECT_TRUE(IsWindowVisible(window));

    const LONG style = GetWindowLongA(window, GWL_STYLE);
    EXPECT_EQ(style & (WS_POPUP | WS_CLIPSIBLINGS | WS_CAPTION | WS_SYSMENU),
              WS_POPUP | WS_CLIPSIBLINGS | WS_CAPTION | WS_SYSMENU);
    EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
    const LONG exStyle = GetWindowLongA(window, GWL_EXSTYLE);
    EXPECT_EQ(exStyle & (WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CONTROLPARENT),
              WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CONTROLPARENT);

    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, kMixInFormClientWidth);
    EXPECT_EQ(client.bottom, kMixInFormClientHeight);
    RECT outer{};
    GetWindowRect(window, &outer);
    EXPECT_EQ(outer.right - outer.left, 266);
    EXPECT_EQ(outer.bottom - outer.top, 466);

    LOGFONTA font{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(Controls().Edit1, WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_STREQ(font.lfFaceName, "MS Sans Serif");
}

TEST_F(MixInFormWindow, PositionComesFromTheConfigurationAndIsStoredOnDestruction) {
    Seed("MixInFormLeft", "40");
    Seed("MixInFormTop", "30");
    MakeConfig();
    OpenForm();
    RECT outer{};
    GetWindowRect(form->Handle(), &outer);
    EXPECT_EQ(outer.left, 40);
    EXPECT_EQ(outer.top, 30);

    SetWindowPos(form->Handle(), nullptr, 70, 90, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    form.reset();
    EXPECT_EQ(Ini("MixInFormLeft"), "70");
    EXPECT_EQ(Ini("MixInFormTop"), "90");
}

TEST_F(MixInFormWindow, WithoutConfigurationTheWindowOpensAtItsDefaultPlace) {
    OpenForm();
    RECT outer{};
    GetWindowRect(form->Handle(), &outer);
    EXPECT_EQ(outer.left, kDefaultMixInFormLeft);
    EXPECT_EQ(outer.top, kDefaultMixInFormTop);
    EXPECT_EQ(MixState.AutoMixThresh, 1.0) << "the initial 0.1 puts the slider at 99, which means 1";
    EXPECT_EQ(MixState.AutoMixInPercent, 0.7);
    EXPECT_EQ(MixState.AutoMixHold, 0.5);
}

TEST_F(MixInFormWindow, CloseBoxDoesNothing) {
    OpenForm();
    SendMessageA(form->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    SendMessageA(form->Handle(), WM_CLOSE, 0, 0);
    PumpMessages();
    EXPECT_TRUE(IsWindow(form->Handle()));
    EXPECT_TRUE(IsWindowVisible(form->Handle()));
}

TEST_F(MixInFormWindow, StartUpPushesTheSavedSettingsIntoMixState) {
    Seed("MixInFade", "0.25");
    Seed("MixOtFade", "2");
    Seed("AutoReleaseDelay", "3.5");
    Seed("AutoMixInThresh", "40");
    Seed("AutoMixInPercent", "0.55");
    Seed("PTTMixInPercent", "0.9");
    Seed("LogTransition", "0");
    Seed("MixInMode", "3");
    Seed("WantActive", "1");
    MakeConfig();
    MixState.ManualMixInPercent = 0.4;
    MixState.MixIn = false;
    OpenForm();

    EXPECT_EQ(MixState.AutoMixInFade, 0.25);
    EXPECT_EQ(MixState.AutoMixOtFade, 2.0);
    EXPECT_EQ(MixState.AutoMixHold, 3.5);
    EXPECT_EQ(MixState.AutoMixThresh, 40.0);
    EXPECT_EQ(MixState.AutoMixInPercent, 0.55);
    EXPECT_EQ(MixState.PTTMixInPercent, 0.9);
    EXPECT_FALSE(MixState.LogTrans);
    EXPECT_EQ(MixState.MSMode, 3);
    EXPECT_TRUE(MixState.WantActivate);
    EXPECT_TRUE(MixState.MixIn) << "Mix-In starts ticked every time";
    EXPECT_EQ(MixState.ManualMixInPercent, 0.0) << "the manual level is never remembered";

    const MixInFormControls& c = Controls();
    EXPECT_EQ(TextOf(c.Button1), "Deactivate");
    EXPECT_EQ(TextOf(c.Edit1), "0.25");
    EXPECT_EQ(TextOf(c.Edit2), "2");
    EXPECT_EQ(TextOf(c.Edit3), "3.5");
    EXPECT_FALSE(IsTicked(c.CheckBox2));
    EXPECT_TRUE(IsTicked(c.CheckBox1));
    EXPECT_EQ(SendMessageA(c.TrackBar3, TBM_GETPOS, 0, 0), 60);
    EXPECT_EQ(SendMessageA(c.TrackBar2, TBM_GETPOS, 0, 0), 55);
    EXPECT_EQ(SendMessageA(c.TrackBar4, TBM_GETPOS, 0, 0), 90);
    EXPECT_TRUE(IsTicked(c.ModeButtons[kPttAction]));
    EXPECT_FALSE(IsTicked(c.ModeButtons[kOffAction]));
    EXPECT_EQ(ShownPage(), kPageDevice) << "the page is not switched for the stored mode";
}

TEST_F(MixInFormWindow, StoredThresholdIsTruncatedAndTheSliderValueSaved) {
    Seed("AutoMixInThresh", "0.1");
    MakeConfig();
    OpenForm();
    EXPECT_EQ(SendMessageA(Controls().TrackBar3, TBM_GETPOS, 0, 0), 99);
    EXPECT_EQ(MixState.AutoMixThresh, 1.0);
    EXPECT_EQ(Ini("AutoMixInThresh"), "1");
}

TEST_F(MixInFormWindow, LastTabShowsItsPageAndAnUnknownOneLeavesDevice) {
    Seed("LastTab", "P.T.T.");
    MakeConfig();
    OpenForm();
    EXPECT_EQ(ShownPage(), kPagePtt);
    EXPECT_EQ(SendMessageA(Controls().PageControl, TCM_GETCURSEL, 0, 0), kPagePtt);
    form.reset();
    PluginConfig = nullptr;
    config.reset();

    Seed("LastTab", "Mixer");
    MakeConfig();
    OpenForm();
    EXPECT_EQ(ShownPage(), kPageDevice);
}

TEST_F(MixInFormWindow, UserPageChangeIsRememberedButModePagesAreNot) {
    MakeConfig();
    OpenForm();
    ClickTab(kPageManual);
    EXPECT_EQ(ShownPage(), kPageManual);
    EXPECT_EQ(Ini("LastTab"), "Manual");

    Click(Controls().ModeButtons[kAutoAction]);
    EXPECT_EQ(ShownPage(), kPageAuto);
    EXPECT_EQ(Ini("LastTab"), "Manual");
}

TEST_F(MixInFormWindow, SampleRateLabelShowsThousandsAndIgnoresRepeats) {
    OpenForm();
    HWND window = form->Handle();
    SendMessageA(window, WM_MIXIN_SRATE, 22050, 0);
    EXPECT_EQ(TextOf(Controls().Label1), "22.05Kbps");
    SetWindowTextA(Controls().Label1, "untouched");
    SendMessageA(window, WM_MIXIN_SRATE, 22050, 0);
    EXPECT_EQ(TextOf(Controls().Label1), "untouched");
    SendMessageA(window, WM_MIXIN_SRATE, 44100, 0);
    EXPECT_EQ(TextOf(Controls().Label1), "44.1Kbps");

    PostMessageA(window, WM_MIXIN_BITS, 16, 0);
    PostMessageA(window, WM_MIXIN_NCH, 2, 0);
    PostMessageA(window, WM_MIXIN_SAMPLES, 576, 0);
    PumpMessages();
    EXPECT_EQ(TextOf(Controls().Label2), "16bps");
    EXPECT_EQ(TextOf(Controls().Label3), "2 chnls");
    EXPECT_EQ(TextOf(Controls().Label4), "576 smpls");
}

TEST_F(MixInFormWindow, StatusLineShowsStateBuffersAndPushToTalk) {
    OpenForm();
    capture.StateNow = 4;  // DataReady
    capture.Waiting = 6;
    PostMessageA(form->Handle(), WM_MIXIN_PTT, 1, 0);
    PumpMessages();
    SendMessageA(form->Handle(), WM_TIMER, kStatusTimerId, 0);
    EXPECT_EQ(TextOf(Controls().StaticText1), "DataReady AvailBuffs: 6  ---P.T.T.---");
    EXPECT_EQ(form->StatusText(), "DataReady AvailBuffs: 6  ---P.T.T.---");

    captureExists = false;
    SendMessageA(form->Handle(), WM_TIMER, kStatusTimerId, 0);
    EXPECT_EQ(TextOf(Controls().StaticText1), "  ---P.T.T.---");
    PostMessageA(form->Handle(), WM_MIXIN_PTT, 0, 0);
    PumpMessages();
    SendMessageA(form->Handle(), WM_TIMER, kStatusTimerId, 0);
    EXPECT_EQ(TextOf(Controls().StaticText1), "");
}

TEST_F(MixInFormWindow, TimersRefreshStatusAndMeterOnTheirOwn) {
    keepTimers = true;
    OpenForm();
    capture.StateNow = 3;  // Open
    capture.Waiting = 2;
    PostMessageA(form->Handle(), WM_MIXIN_RMS, 40, 0);
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 3 * kStatusTimerMs) {
        PumpMessages();
        Sleep(10);
    }
    EXPECT_EQ(form->StatusText(), "Open AvailBuffs: 2");
    EXPECT_EQ(form->Meter().Bar, 40);
}

TEST_F(MixInFormWindow, StoppedHostPausesActiveCaptureUntilItReportsPaused) {
    OpenForm();
    Click(Controls().Button1);  // active
    host.PlayState = 0;
    capture.StateNow = 4;  // DataReady
    SendMessageA(form->Handle(), WM_TIMER, kStatusTimerId, 0);
    SendMessageA(form->Handle(), WM_TIMER, kStatusTimerId, 0);
    EXPECT_EQ(capture.Pauses, 2);
    capture.StateNow = 5;  // Paused
    SendMessageA(form->Handle(), WM_TIMER, kStatusTimerId, 0);
    EXPECT_EQ(capture.Pauses, 2);

    capture.StateNow = 4;
    host.PlayState = 1;
    SendMessageA(form->Handle(), WM_TIMER, kStatusTimerId, 0);
    EXPECT_EQ(capture.Pauses, 2) << "a playing host leaves capture alone";
    host.PlayState = 3;  // paused host: not playing either
    SendMessageA(form->Handle(), WM_TIMER, kStatusTimerId, 0);
    EXPECT_EQ(capture.Pauses, 3);

    Click(Controls().Button1);  // inactive
    SendMessageA(form->Handle(), WM_TIMER, kStatusTimerId, 0);
    EXPECT_EQ(capture.Pauses, 3) << "inactive capture is not paused";
}

TEST_F(MixInFormWindow, DevicesOfOneNameAreNumbered) {
    devices.Devices = {std::string("X"), std::string("Line In"), std::string("x"), std::nullopt, std::string("X")};
    OpenForm();
    HWND combo = Controls().ComboBox1;
    std::vector<std::string> items;
    for (int i = 0; i < SendMessageA(combo, CB_GETCOUNT, 0, 0); ++i) {
        char item[64] = {};
        SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
        items.push_back(item);
    }
    EXPECT_EQ(items, (std::vector<std::string>{"", "Microsoft Sound Mapper", "X", "Line In", "x(2)", "X(3)"}));
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 0) << "nothing configured: the empty entry";
}

TEST_F(MixInFormWindow, ConfiguredDeviceIsSelectedAndHandedToTheMixer) {
    devices.Devices = {std::string("X"), std::string("X")};
    Seed("InputDeviceName", "X(2)");
    MakeConfig();
    OpenForm();
    EXPECT_EQ(TextOf(Controls().ComboBox1), "X(2)");
    EXPECT_EQ(MixState.last0_Device.Get(), "X(2)");
    EXPECT_TRUE(MixState.SelectedDeviceChanged);
}

TEST_F(MixInFormWindow, ChoosingADeviceStoresItAndAsksTheMixerToReopen) {
    devices.Devices = {std::string("Mic"), std::string("Line")};
    MakeConfig();
    OpenForm();
    MixState.SelectedDeviceChanged = false;
    HWND combo = Controls().ComboBox1;
    SendMessageA(combo, CB_SETCURSEL, 3, 0);
    SendMessageA(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
    PumpMessages();
    EXPECT_EQ(MixState.last0_Device.Get(), "Line");
    EXPECT_TRUE(MixState.SelectedDeviceChanged);
    EXPECT_EQ(Ini("InputDeviceName"), "Line");
}

TEST_F(MixInFormWindow, UnpluggedDeviceBecomesTheEmptyNameAndStaysSoWhenBack) {
    devices.Devices = {std::string("Mic"), std::string("USB Headset")};
    Seed("InputDeviceName", "USB Headset");
    MakeConfig();
    OpenForm();
    ASSERT_EQ(MixState.last0_Device.Get(), "USB Headset");

    devices.Devices = {std::string("Mic")};
    SendMessageA(form->Handle(), WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0);
    EXPECT_EQ(MixState.last0_Device.Get(), "USB Headset") << "only a change of the device nodes counts";

    MixState.SelectedDeviceChanged = false;
    SendMessageA(form->Handle(), WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
    EXPECT_EQ(SendMessageA(Controls().ComboBox1, CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(TextOf(Controls().ComboBox1), "");
    EXPECT_EQ(MixState.last0_Device.Get(), "");
    EXPECT_TRUE(MixState.SelectedDeviceChanged);
    EXPECT_EQ(Ini("InputDeviceName"), "");

    devices.Devices = {std::string("Mic"), std::string("USB Headset")};
    SendMessageA(form->Handle(), WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
    EXPECT_EQ(TextOf(Controls().ComboBox1), "");
    EXPECT_EQ(MixState.last0_Device.Get(), "");
}

}  // namespace
