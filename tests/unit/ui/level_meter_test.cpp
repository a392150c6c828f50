#include "ui/level_meter.h"

#include <gtest/gtest.h>

namespace {

TEST(LevelMeter, PeakHoldsEightyForFifteenTicksWhileTheBarFallsAtOnce) {
    LevelMeter meter;
    meter.ReceiveLevel(80);
    meter.ReceiveLevel(0);

    EXPECT_EQ(meter.Tick(), LevelMeter::TickResult::Repaint);
    EXPECT_EQ(meter.Bar, 80);
    EXPECT_EQ(meter.Peak, 80);

    EXPECT_EQ(meter.Tick(), LevelMeter::TickResult::Repaint);
    EXPECT_EQ(meter.Bar, 0);
    EXPECT_EQ(meter.Peak, 80);

    for (int tick = 3; tick <= 14; ++tick) {
        EXPECT_EQ(meter.Tick(), LevelMeter::TickResult::Unchanged) << "tick " << tick;
        EXPECT_EQ(meter.Peak, 80) << "tick " << tick;
    }
    EXPECT_EQ(meter.Tick(), LevelMeter::TickResult::Repaint);
    EXPECT_EQ(meter.Bar, 0);
    EXPECT_EQ(meter.Peak, 0);
}

TEST(LevelMeter, ALevelLiftsOnlyTheSlotsBelowIt) {
    LevelMeter meter;
    meter.ReceiveLevel(60);
    meter.ReceiveLevel(0);
    meter.Tick();  // slot 0 takes the current 0, the others keep 60
    meter.ReceiveLevel(30);
    EXPECT_EQ(meter.FRMSStatus, 30);
    EXPECT_EQ(meter.RMSP[0], 30);
    for (int slot = 1; slot < kPeakHistorySlots; ++slot) EXPECT_EQ(meter.RMSP[slot], 60) << slot;
}

TEST(LevelMeter, ARisingPeakDragsTheBarUp) {
    LevelMeter meter;
    EXPECT_TRUE(meter.Update(10, 10));
    EXPECT_TRUE(meter.Update(20, 60));
    EXPECT_EQ(meter.Bar, 60);
    EXPECT_TRUE(meter.Update(20, 60 - 1));
    EXPECT_EQ(meter.Bar, 20);
    EXPECT_FALSE(meter.Update(20, 59));
}

TEST(LevelMeter, HiddenMeterIgnoresLevelsAndStopsItsTimer) {
    LevelMeter meter;
    meter.ReceiveLevel(45);
    meter.Tick();
    EXPECT_FALSE(meter.ToggleShown());
    meter.ReceiveLevel(90);
    EXPECT_EQ(meter.FRMSStatus, 45);
    EXPECT_EQ(meter.RMSP[0], 45);
    EXPECT_EQ(meter.Tick(), LevelMeter::TickResult::StopTimer);
    EXPECT_EQ(meter.RMSP[1], 45) << "a hidden meter does not shift its history";
}

TEST(LevelMeter, ShowingAgainClearsBarAndPeakButKeepsTheHistory) {
    LevelMeter meter;
    meter.ReceiveLevel(70);
    meter.Tick();
    meter.ToggleShown();
    EXPECT_TRUE(meter.ToggleShown());
    EXPECT_EQ(meter.Bar, 0);
    EXPECT_EQ(meter.Peak, 0);
    EXPECT_EQ(meter.FRMSStatus, 70);
    EXPECT_EQ(meter.RMSP[14], 70);
    EXPECT_EQ(meter.Tick(), LevelMeter::TickResult::Repaint);
    EXPECT_EQ(meter.Peak, 70);
}

TEST(LevelMeter, UpdatesWhileHiddenChangeTheValuesButAskForNoRepaint) {
    LevelMeter meter;
    meter.ToggleShown();
    EXPECT_FALSE(meter.Update(5, 9));
    EXPECT_EQ(meter.Bar, 9);
    EXPECT_EQ(meter.Peak, 9);
}

}  // namespace
