#include "core/mix_state.h"

#include <gtest/gtest.h>

class MixStateTest : public ::testing::Test {
protected:
    MixStateRecord state;
};

TEST_F(MixStateTest, SettersStoreTheirArgumentUnchecked) {
    state.SetMSMode(7);
    EXPECT_EQ(state.MSMode, 7);
    state.SetMSMode(-3);
    EXPECT_EQ(state.MSMode, -3);

    state.SetManualMixInPercent(1.5);
    EXPECT_EQ(state.ManualMixInPercent, 1.5);
    state.SetAutoMixInPercent(-0.25);
    EXPECT_EQ(state.AutoMixInPercent, -0.25);
    state.SetPTTMixInPercent(0.3);
    EXPECT_EQ(state.PTTMixInPercent, 0.3);
    state.SetAutoMixThresh(250.0);
    EXPECT_EQ(state.AutoMixThresh, 250.0);

    state.SetAutoMixTiming(-1.0, 0.0, 99.5);
    EXPECT_EQ(state.AutoMixInFade, -1.0);
    EXPECT_EQ(state.AutoMixOtFade, 0.0);
    EXPECT_EQ(state.AutoMixHold, 99.5);
}

TEST_F(MixStateTest, FlagSettersStoreBothValues) {
    state.SetLogTrans(false);
    state.SetMixIn(false);
    state.SetWantActivate(true);
    state.SetSendNotifyWndRMS(false);
    state.SetEnableBypass(true);
    EXPECT_FALSE(state.LogTrans);
    EXPECT_FALSE(state.MixIn);
    EXPECT_TRUE(state.WantActivate);
    EXPECT_FALSE(state.SendNotifyWndRMS);
    EXPECT_TRUE(state.EnableBypass);

    state.SetLogTrans(true);
    state.SetWantActivate(false);
    EXPECT_TRUE(state.LogTrans);
    EXPECT_FALSE(state.WantActivate);
}

TEST_F(MixStateTest, RequestSettersOnlyRaiseTheirFlag) {
    state.SetWantReset();
    state.SetSelectedDeviceChanged();
    state.SetDevice("Line In (2)");
    EXPECT_TRUE(state.WantReset);
    EXPECT_TRUE(state.SelectedDeviceChanged);
    EXPECT_EQ(state.last0_Device.Get(), "Line In (2)");
}

TEST_F(MixStateTest, ResetForInitRestoresStartValuesAndKeepsTheOthers) {
    state.fMixInPercent = 0.8;
    state.fMixOtPercent = 0.2;
    state.nominalbuffcount = 9;
    state.AutoMixInFade = 3.0;
    state.AutoMixOtFade = 4.0;
    state.LogTrans = false;
    state.MixIn = false;
    state.gtv0 = 32767;
    state.SetDevice("Mic");
    state.PTTOn = true;
    state.WantActivate = true;
    state.RMSNotifyCount = 17;
    state.RMSNotifyPeak = 12.5;
    state.MSMode = kModeAuto;

    state.ResetForInit();

    EXPECT_EQ(state.fMixInPercent, 0.0);
    EXPECT_EQ(state.fMixOtPercent, 1.0);
    EXPECT_EQ(state.nominalbuffcount, 5);
    EXPECT_EQ(state.AutoMixInFade, 0.01);
    EXPECT_EQ(state.AutoMixOtFade, 1.0);
    EXPECT_DOUBLE_EQ(state.MixInStep, 1.0 / (0.01 * 44100));
    EXPECT_DOUBLE_EQ(state.MixOtStep, 1.0 / 44100);
    EXPECT_TRUE(state.LogTrans);
    EXPECT_TRUE(state.MixIn);
    EXPECT_EQ(state.gtv0, 0);
    EXPECT_EQ(state.last0_Device.Get(), "");
    EXPECT_FALSE(state.PTTOn);
    // Not reset by Init.
    EXPECT_TRUE(state.WantActivate);
    EXPECT_EQ(state.RMSNotifyCount, 17);
    EXPECT_EQ(state.RMSNotifyPeak, 12.5);
}
