// The control window's rules that need no window: label texts, edit-box readings, the
// mode actions, the page remembered as LastTab, slider conversions and the status line.
#include <gtest/gtest.h>

#include "capture/capture_queue.h"
#include "capture/capture_trouble.h"
#include "ui/control_pages.h"
#include "ui/format_labels.h"
#include "ui/mix_mode_actions.h"
#include "ui/slider_values.h"
#include "ui/status_line.h"
#include "ui/timing_edit_rules.h"

namespace {

using Action = TimingEditReading::Action;

TEST(FormatLabels, SampleRateShowsThousandsInShortestForm) {
    EXPECT_EQ(SampleRateLabel(44100, '.'), "44.1Kbps");
    EXPECT_EQ(SampleRateLabel(22050, '.'), "22.05Kbps");
    EXPECT_EQ(SampleRateLabel(48000, '.'), "48Kbps");
    EXPECT_EQ(SampleRateLabel(11025, ','), "11,025Kbps");
    EXPECT_EQ(SampleRateLabel(0, '.'), "0Kbps");
}

TEST(FormatLabels, FormatValuesCarryTheirUnits) {
    EXPECT_EQ(BitsLabel(16), "16bps");
    EXPECT_EQ(ChannelsLabel(2), "2 chnls");
    EXPECT_EQ(BlockSizeLabel(576), "576 smpls");
}

TEST(TimingEditRules, LettersInAFadeBoxPutTheStoredValueBack) {
    EXPECT_EQ(ReadFadeText("abc", '.').Act, Action::Revert);
    EXPECT_EQ(ReadFadeText("", '.').Act, Action::Revert);
    EXPECT_EQ(ReadFadeText("0,5", '.').Act, Action::Revert) << "another decimal separator";
}

TEST(TimingEditRules, ANegativeFadeIsStoredAsItsMagnitude) {
    const TimingEditReading reading = ReadFadeText("-0.5", '.');
    EXPECT_EQ(reading.Act, Action::Store);
    EXPECT_EQ(reading.Value, 0.5);
    EXPECT_EQ(ReadFadeText("0", '.').Value, 0.0);
    EXPECT_EQ(ReadFadeText("2,25", ',').Value, 2.25);
}

TEST(TimingEditRules, HoldIgnoresZeroAndKeepsNegativeValues) {
    EXPECT_EQ(ReadHoldText("0", '.').Act, Action::Ignore);
    EXPECT_EQ(ReadHoldText("-0", '.').Act, Action::Ignore);
    EXPECT_EQ(ReadHoldText("0.000", '.').Act, Action::Ignore);
    const TimingEditReading negative = ReadHoldText("-1", '.');
    EXPECT_EQ(negative.Act, Action::Store);
    EXPECT_EQ(negative.Value, -1.0);
    EXPECT_EQ(ReadHoldText("x1", '.').Act, Action::Revert);
}

TEST(MixModeActions, EachActionSetsItsModeAndShowsItsPage) {
    EXPECT_EQ(kMixModeActions[kAutoAction].Mode, 2);
    EXPECT_EQ(kMixModeActions[kAutoAction].Page, kPageAuto);
    EXPECT_EQ(kMixModeActions[kManualAction].Mode, 1);
    EXPECT_EQ(kMixModeActions[kManualAction].Page, kPageManual);
    EXPECT_EQ(kMixModeActions[kPttAction].Mode, 3);
    EXPECT_EQ(kMixModeActions[kPttAction].Page, kPagePtt);
    EXPECT_EQ(kMixModeActions[kOffAction].Mode, 0);
    EXPECT_EQ(kMixModeActions[kOffAction].Page, kPageNone);
}

TEST(MixModeActions, StoredModesOutsideTheFourShowOff) {
    EXPECT_EQ(ActionForMode(1), kManualAction);
    EXPECT_EQ(ActionForMode(2), kAutoAction);
    EXPECT_EQ(ActionForMode(3), kPttAction);
    EXPECT_EQ(ActionForMode(0), kOffAction);
    EXPECT_EQ(ActionForMode(7), kOffAction);
    EXPECT_EQ(ActionForMode(-1), kOffAction);
}

TEST(MixModeActions, ShortcutsAreTheActionLetters) {
    EXPECT_EQ(ActionForShortcut('A'), kAutoAction);
    EXPECT_EQ(ActionForShortcut('M'), kManualAction);
    EXPECT_EQ(ActionForShortcut('P'), kPttAction);
    EXPECT_EQ(ActionForShortcut('O'), kOffAction);
    EXPECT_EQ(ActionForShortcut('X'), kModeActionCount);
}

TEST(MixModeActions, ChoosingTheCurrentModeChangesNothing) {
    EXPECT_FALSE(ModeActionChangesMode(2, kAutoAction));
    EXPECT_TRUE(ModeActionChangesMode(2, kManualAction));
    EXPECT_TRUE(ModeActionChangesMode(7, kOffAction)) << "an unknown stored mode is not Off";
}

TEST(ControlPages, LastTabFindsItsPageByExactCaption) {
    EXPECT_EQ(PageForLastTab("P.T.T."), kPagePtt);
    EXPECT_EQ(PageForLastTab("DSP"), kPageDsp);
    EXPECT_EQ(PageForLastTab("Auto"), kPageAuto);
}

TEST(ControlPages, UnknownLastTabLeavesDevice) {
    EXPECT_EQ(PageForLastTab("Mixer"), kPageDevice);
    EXPECT_EQ(PageForLastTab("auto"), kPageDevice);
    EXPECT_EQ(PageForLastTab(""), kPageDevice);
}

TEST(SliderValues, StoredValuesTruncateTowardZero) {
    EXPECT_EQ(SliderForThreshold(0.1), 99);
    EXPECT_EQ(ThresholdFromSlider(99), 1.0);
    EXPECT_EQ(SliderForLevel(0.7), 70);
    EXPECT_EQ(SliderForLevel(0.579), 57);
    EXPECT_EQ(SliderForThreshold(100.0), 0);
}

TEST(SliderValues, ValuesFarOutsideTheRangeEndAtTheNearerEnd) {
    EXPECT_EQ(SliderForLevel(1e30), 100);
    EXPECT_EQ(SliderForLevel(-5.0), 0);
    EXPECT_EQ(SliderForThreshold(-1e30), 100);
    EXPECT_EQ(SliderForLevel(std::nan("")), 0);
}

TEST(StatusLine, ShowsStateWaitingBuffersAndThePttMarker) {
    EXPECT_EQ(StatusLineText({true, kStateDataReady, 6, true}), "DataReady AvailBuffs: 6  ---P.T.T.---");
    EXPECT_EQ(StatusLineText({true, kStateIdle, 0, false}), "Idle AvailBuffs: 0");
    EXPECT_EQ(StatusLineText({true, 42, 1, false}), "Unknown AvailBuffs: 1");
    EXPECT_EQ(StatusLineText({false, kStateIdle, 3, true}), "  ---P.T.T.---");
    EXPECT_EQ(StatusLineText({false, kStateIdle, 3, false}), "");
    EXPECT_EQ(StatusLineText({true, kStateError, 0, false, kTroubleDeviceLost}),
              "Error AvailBuffs: 0  Input device lost: trying again every second");
}

TEST(StatusLine, PausesOnlyActiveUnpausedCaptureWhileTheHostIsNotPlaying) {
    int asked = 0;
    auto answer = [&asked](int state) {
        return [&asked, state] {
            ++asked;
            return state;
        };
    };
    EXPECT_TRUE(ShouldRequestPause(true, true, kStateDataReady, answer(0)));
    EXPECT_TRUE(ShouldRequestPause(true, true, kStateOpen, answer(3)));
    EXPECT_FALSE(ShouldRequestPause(true, true, kStateDataReady, answer(1)));
    EXPECT_EQ(asked, 3);

    EXPECT_FALSE(ShouldRequestPause(true, true, kStatePaused, answer(0)));
    EXPECT_FALSE(ShouldRequestPause(true, false, kStateDataReady, answer(0)));
    EXPECT_FALSE(ShouldRequestPause(false, true, kStateDataReady, answer(0)));
    EXPECT_EQ(asked, 3) << "the host is asked only when the answer matters";
}

}  // namespace
