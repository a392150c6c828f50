#include "ui/ptt_pad.h"

#include <gtest/gtest.h>

namespace {

constexpr int kTab = 9;

TEST(PttPad, KeyRepeatQueuesNothingMore) {
    PttPad pad;
    EXPECT_EQ(pad.KeyDown(kPttKeySpace), 1);
    EXPECT_EQ(pad.KeyDown(kPttKeySpace), std::nullopt);
    EXPECT_EQ(pad.KeyDown(kPttKeyEnter), std::nullopt);
    EXPECT_EQ(pad.KeyUp(kPttKeyEnter), 0) << "Enter and Space are one pad";
}

TEST(PttPad, OtherKeysDoNothing) {
    PttPad pad;
    EXPECT_EQ(pad.KeyDown(kTab), std::nullopt);
    EXPECT_EQ(pad.KeyDown('A'), std::nullopt);
    EXPECT_FALSE(pad.Pressed());
    pad.KeyDown(kPttKeySpace);
    EXPECT_EQ(pad.KeyUp(kTab), std::nullopt);
    EXPECT_TRUE(pad.Pressed());
}

TEST(PttPad, HoldAlwaysQueuesTheNewState) {
    PttPad pad;
    pad.MouseDown();
    EXPECT_EQ(pad.Hold(), 0);
    EXPECT_EQ(pad.Hold(), 1);
}

TEST(PttPad, ClearReleasesWithoutAnEvent) {
    PttPad pad;
    pad.Hold();
    pad.Clear();
    EXPECT_FALSE(pad.Pressed());
    EXPECT_EQ(pad.MouseUp(), std::nullopt);
}

TEST(PttPadLayout, PlainPadFillsItsArea) {
    const PttPadLayout layout = LayOutPttPad(97, 25, false, false, 61, 13);
    EXPECT_EQ(layout.Frame, (PadRect{0, 0, 97, 25}));
    EXPECT_FALSE(layout.FocusDecoration);
    EXPECT_EQ(layout.CaptionX, 48 - 30);
    EXPECT_EQ(layout.CaptionY, 12 - 6 - 1);
    EXPECT_EQ(layout.CaptionClip, (PadRect{5, 5, 92, 20}));
}

TEST(PttPadLayout, FocusShrinksTheFrameAndPressingGrowsItBackRightAndDown) {
    const PttPadLayout focused = LayOutPttPad(97, 25, true, false, 61, 13);
    EXPECT_EQ(focused.Frame, (PadRect{1, 1, 96, 24}));
    EXPECT_EQ(focused.FocusRect, (PadRect{3, 3, 93, 21}));
    EXPECT_EQ(focused.Outline, (PadRect{0, 0, 97, 25}));

    const PttPadLayout pushed = LayOutPttPad(97, 25, true, true, 61, 13);
    EXPECT_EQ(pushed.Frame, (PadRect{1, 1, 97, 25}));
    EXPECT_EQ(pushed.FocusRect, (PadRect{4, 4, 94, 22}));
    EXPECT_TRUE(pushed.Pushed);
}

TEST(PttPadLayout, PressedCaptionMovesOneDownAndRight) {
    const PttPadLayout up = LayOutPttPad(97, 25, false, false, 61, 13);
    const PttPadLayout down = LayOutPttPad(97, 25, false, true, 61, 13);
    EXPECT_EQ(down.CaptionX, up.CaptionX + 1);
    EXPECT_EQ(down.CaptionY, up.CaptionY + 1);
}

}  // namespace
