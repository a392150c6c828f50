// The control window's settings as the user changes them: after each action, MixState and
// the INI file on disk.
#include "win32/ui/mix_in_form_fixture.h"

namespace {

using MixInFormSettings = MixInFormTest;

TEST_F(MixInFormSettings, LettersInTheFadeInBoxPutTheValueBack) {
    MakeConfig();
    OpenForm();
    MixState.AutoMixInFade = 9.0;  // the box pushes the stored value again
    Type(Controls().Edit1, "abc");
    EXPECT_EQ(TextOf(Controls().Edit1), "0.01");
    EXPECT_EQ(MixState.AutoMixInFade, 0.01);
    EXPECT_EQ(Ini("MixInFade"), "0.01");
    Type(Controls().Edit1, "");
    EXPECT_EQ(TextOf(Controls().Edit1), "0.01") << "an empty box is put back too";
}

TEST_F(MixInFormSettings, NegativeFadeIsStoredAsItsMagnitude) {
    MakeConfig();
    OpenForm();
    Type(Controls().Edit1, "-0.5");
    EXPECT_EQ(MixState.AutoMixInFade, 0.5);
    EXPECT_EQ(Ini("MixInFade"), "0.5");
    EXPECT_EQ(TextOf(Controls().Edit1), "-0.5") << "a number stays as typed";

    Type(Controls().Edit2, "2.5");
    EXPECT_EQ(MixState.AutoMixOtFade, 2.5);
    EXPECT_EQ(Ini("MixOtFade"), "2.5");
    EXPECT_EQ(MixState.AutoMixInFade, 0.5);
}

TEST_F(MixInFormSettings, ZeroHoldIsIgnoredAndMinusOneStored) {
    MakeConfig();
    OpenForm();
    Type(Controls().Edit3, "0");
    EXPECT_EQ(MixState.AutoMixHold, 0.5);
    EXPECT_EQ(Ini("AutoReleaseDelay"), "0.5");
    EXPECT_EQ(TextOf(Controls().Edit3), "0");

    Type(Controls().Edit3, "-1");
    EXPECT_EQ(MixState.AutoMixHold, -1.0);
    EXPECT_EQ(Ini("AutoReleaseDelay"), "-1");
}

TEST_F(MixInFormSettings, ModeButtonsSetTheModeShowThePageAndSave) {
    MakeConfig();
    OpenForm();
    const MixInFormControls& c = Controls();
    Click(c.ModeButtons[kAutoAction]);
    EXPECT_EQ(MixState.MSMode, 2);
    EXPECT_EQ(Ini("MixInMode"), "2");
    EXPECT_EQ(ShownPage(), kPageAuto);
    EXPECT_TRUE(IsTicked(c.ModeButtons[kAutoAction]));
    EXPECT_FALSE(IsTicked(c.ModeButtons[kOffAction]));

    Click(c.ModeButtons[kOffAction]);
    EXPECT_EQ(MixState.MSMode, 0);
    EXPECT_EQ(Ini("MixInMode"), "0");
    EXPECT_EQ(ShownPage(), kPageAuto) << "Off shows no page";
    int down = 0;
    for (HWND button : c.ModeButtons) down += IsTicked(button) ? 1 : 0;
    EXPECT_EQ(down, 1);
}

TEST_F(MixInFormSettings, CtrlLettersRunTheModeActions) {
    MakeConfig();
    OpenForm();
    SetFocus(Controls().Edit1);
    Key(WM_KEYDOWN, 'M', true);
    EXPECT_EQ(MixState.MSMode, 1);
    EXPECT_EQ(ShownPage(), kPageManual);
    EXPECT_EQ(TextOf(Controls().Edit1), "0.01") << "the shortcut never reaches the edit box";

    Key(WM_KEYDOWN, 'P', true);
    EXPECT_EQ(MixState.MSMode, 3);
    EXPECT_EQ(ShownPage(), kPagePtt);
    Key(WM_KEYDOWN, 'A', true);
    EXPECT_EQ(MixState.MSMode, 2);
    Key(WM_KEYDOWN, 'O', true);
    EXPECT_EQ(MixState.MSMode, 0);
    EXPECT_EQ(Ini("MixInMode"), "0");

    Key(WM_KEYDOWN, 'A');
    EXPECT_EQ(MixState.MSMode, 0) << "A without Ctrl is no shortcut";
}

TEST_F(MixInFormSettings, ChoosingTheCurrentModeChangesNothingAndSavesNothing) {
    Seed("MixInMode", "2");
    MakeConfig();
    OpenForm();
    ClickTab(kPageDevice);
    DeleteFileA(IniPath().c_str());
    MixState.MSMode = 7;  // whatever the window pushes would show here

    Click(Controls().ModeButtons[kAutoAction]);
    SetFocus(Controls().Button1);
    Key(WM_KEYDOWN, 'A', true);
    EXPECT_EQ(MixState.MSMode, 7);
    EXPECT_EQ(ShownPage(), kPageDevice);
    EXPECT_TRUE(IsTicked(Controls().ModeButtons[kAutoAction]));
    EXPECT_FALSE(FileExistsAt(IniPath())) << "nothing was saved";
}

TEST_F(MixInFormSettings, SlidersSetLevelsAndThreshold) {
    MakeConfig();
    OpenForm();
    const MixInFormControls& c = Controls();
    Slide(c.TrackBar3, 30);
    EXPECT_EQ(MixState.AutoMixThresh, 70.0);
    EXPECT_EQ(Ini("AutoMixInThresh"), "70");

    Slide(c.TrackBar1, 45);
    EXPECT_EQ(MixState.ManualMixInPercent, 0.45);
    EXPECT_EQ(Ini("ManualMixInPercent"), "<none>");

    Slide(c.TrackBar4, 25);
    EXPECT_EQ(MixState.PTTMixInPercent, 0.25);
    EXPECT_EQ(Ini("PTTMixInPercent"), "0.25");

    Slide(c.TrackBar2, 40);
    EXPECT_EQ(MixState.AutoMixInPercent, 0.4);
    EXPECT_EQ(config->AutoMixInPercent, 0.4);
    EXPECT_EQ(Ini("AutoMixInPercent"), "0.7") << "the auto level waits for the next save";
    Slide(c.TrackBar4, 26);
    EXPECT_EQ(Ini("AutoMixInPercent"), "0.4");
}

TEST_F(MixInFormSettings, SliderHandlersRunOnlyWhenThePositionChanges) {
    OpenForm();
    Slide(Controls().TrackBar1, 45);
    MixState.ManualMixInPercent = 0.99;
    Slide(Controls().TrackBar1, 45);
    EXPECT_EQ(MixState.ManualMixInPercent, 0.99);
}

TEST_F(MixInFormSettings, ActivateTogglesCaptureWishAndCaption) {
    MakeConfig();
    OpenForm();
    Click(Controls().Button1);
    EXPECT_EQ(TextOf(Controls().Button1), "Deactivate");
    EXPECT_TRUE(MixState.WantActivate);
    EXPECT_EQ(Ini("WantActive"), "1");
    Click(Controls().Button1);
    EXPECT_EQ(TextOf(Controls().Button1), "Activate");
    EXPECT_FALSE(MixState.WantActivate);
    EXPECT_EQ(Ini("WantActive"), "0");
}

TEST_F(MixInFormSettings, ActiveFlagIsStoredWhenTheWindowGoes) {
    MakeConfig();
    OpenForm();
    Click(Controls().Button1);
    config->WantActive = false;  // as if the file had been written by someone else meanwhile
    form.reset();
    EXPECT_TRUE(config->WantActive);
    EXPECT_EQ(Ini("WantActive"), "1");
}

TEST_F(MixInFormSettings, CheckBoxesSwitchMixInAndTransitions) {
    MakeConfig();
    OpenForm();
    Click(Controls().CheckBox1);
    EXPECT_FALSE(MixState.MixIn);
    Click(Controls().CheckBox2);
    EXPECT_FALSE(MixState.LogTrans);
    EXPECT_EQ(Ini("LogTransition"), "0");
    Click(Controls().CheckBox2);
    EXPECT_TRUE(MixState.LogTrans);
    EXPECT_EQ(Ini("LogTransition"), "1");
}

TEST_F(MixInFormSettings, ResetRequestsACaptureResetAndReleasesThePadSilently) {
    devices.Devices = {std::string("Mic")};
    MakeConfig();
    OpenForm();
    Click(Controls().PTTHoldButton);
    ASSERT_TRUE(form->PttPressed());
    Click(Controls().Button3);
    EXPECT_EQ(capture.Resets, 1);
    EXPECT_TRUE(MixState.WantReset);
    EXPECT_FALSE(form->PttPressed());
    EXPECT_EQ(capture.Marks, (std::vector<uint8_t>{1})) << "the reset queues no off event";
}

TEST_F(MixInFormSettings, EverythingWorksWithoutAConfiguration) {
    OpenForm();
    Type(Controls().Edit1, "0.3");
    Click(Controls().ModeButtons[kManualAction]);
    Click(Controls().Button1);
    EXPECT_EQ(MixState.AutoMixInFade, 0.3);
    EXPECT_EQ(MixState.MSMode, 1);
    EXPECT_TRUE(MixState.WantActivate);
    EXPECT_FALSE(FileExistsAt(IniPath()));
}

}  // namespace
