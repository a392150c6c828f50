// The push-to-talk hotkey's rules: its names, and what its presses do to the pad.
#include <gtest/gtest.h>

#include <vector>

#include "ui/hotkey_name.h"
#include "ui/ptt_hotkey_presses.h"

namespace {

constexpr int kF9 = 0x78;
constexpr int kF24 = 0x87;
constexpr int kNumpad5 = 0x65;
constexpr int kPause = 0x13;
constexpr int kEscape = 0x1B;

TEST(HotkeyName, ReadsEveryKindOfKeyAndWritesOneSpelling) {
    EXPECT_EQ(ParseHotkeyName("F9"), (HotkeyChord{0, kF9}));
    EXPECT_EQ(ParseHotkeyName("f24"), (HotkeyChord{0, kF24}));
    EXPECT_EQ(ParseHotkeyName(" shift + ctrl+num5 "), (HotkeyChord{kHotkeyShift | kHotkeyCtrl, kNumpad5}));
    EXPECT_EQ(ParseHotkeyName("Win+Alt+pause"), (HotkeyChord{kHotkeyWin | kHotkeyAlt, kPause}));
    EXPECT_EQ(ParseHotkeyName("p"), (HotkeyChord{0, 'P'}));
    EXPECT_EQ(HotkeyName({kHotkeyWin | kHotkeyShift | kHotkeyAlt | kHotkeyCtrl, kNumpad5}), "Ctrl+Alt+Shift+Win+Num5");
    EXPECT_EQ(HotkeyName({kHotkeyCtrl, '7'}), "Ctrl+7");
    EXPECT_EQ(HotkeyName({0, 0x22}), "PageDown");

    for (const char* bad : {"", "F0", "F25", "F09", "Num10", "Ctrl+", "Ctrl+Ctrl+F9", "Hyper+F9", "F9+Ctrl", "Escape",
                            "Ctrl++F9"}) {
        EXPECT_EQ(ParseHotkeyName(bad), std::nullopt) << bad;
    }
    EXPECT_EQ(HotkeyName({kHotkeyCtrl, kEscape}), "") << "a key outside the list has no name";
}

// Runs the window's side: each step's pad action on the pad, the events it queues.
struct Rig {
    PttHotkeyPresses presses;
    PttPad pad;
    std::vector<int> events;
    bool polling = false;

    void Run(PttHotkeyPresses::Step step) {
        polling = step.Poll;
        if (const PttPad::Event event = PressPad(pad, step.Pad)) events.push_back(*event);
    }
    // One press of the key as Wine delivers it: the message, a repeat while held, polls.
    void PressAndRelease() {
        Run(presses.Pressed());
        Run(presses.Polled(true, 10));
        Run(presses.Pressed());
        Run(presses.Polled(true, 20));
        Run(presses.Polled(false, 30));
    }
};

TEST(PttHotkeyPresses, HoldTalksWhileTheKeyIsDownAndIgnoresRepeats) {
    Rig rig;
    rig.Run(rig.presses.Pressed());
    EXPECT_TRUE(rig.polling) << "the release is polled for";
    rig.Run(rig.presses.Polled(true, 10));
    EXPECT_EQ(rig.events, (std::vector<int>{1}));
    rig.Run(rig.presses.Polled(false, 20));
    EXPECT_FALSE(rig.polling);
    EXPECT_EQ(rig.events, (std::vector<int>{1, 0}));
    EXPECT_FALSE(rig.pad.Pressed());
}

TEST(PttHotkeyPresses, ToggleTalksFromOnePressToTheNext) {
    Rig rig;
    rig.presses.SetMode(PttHotkeyMode::Toggle);
    rig.PressAndRelease();
    EXPECT_EQ(rig.events, (std::vector<int>{1}));
    EXPECT_TRUE(rig.pad.Pressed()) << "talking after the key came up";
    rig.PressAndRelease();
    EXPECT_EQ(rig.events, (std::vector<int>{1, 0}));
    EXPECT_FALSE(rig.polling);
}

TEST(PttHotkeyPresses, ChangingTheKeyWhileHeldEndsTheTalkInHoldMode) {
    Rig rig;
    rig.Run(rig.presses.Pressed());
    rig.Run(rig.presses.Stop());
    EXPECT_EQ(rig.events, (std::vector<int>{1, 0}));
    rig.Run(rig.presses.Polled(false, 10));
    EXPECT_EQ(rig.events.size(), 2u) << "a poll after the stop does nothing";
}

TEST(PttHotkeyPresses, AKeyNotYetSeenDownIsNotReleasedBeforeTheSettleTime) {
    // Wine's key state lags the hotkey message: the first polls may still read "up".
    Rig rig;
    rig.Run(rig.presses.Pressed());
    rig.Run(rig.presses.Polled(false, 10));
    rig.Run(rig.presses.Polled(false, kPressSettleMs - 1));
    EXPECT_EQ(rig.events, (std::vector<int>{1}));
    rig.Run(rig.presses.Polled(false, kPressSettleMs));
    EXPECT_EQ(rig.events, (std::vector<int>{1, 0})) << "a tap too short to be seen ends after the settle time";

    rig.presses.SetMode(PttHotkeyMode::Toggle);
    rig.Run(rig.presses.Pressed());
    rig.Run(rig.presses.Polled(false, 10));
    rig.Run(rig.presses.Pressed());  // Wine's repeat: the key is down
    EXPECT_EQ(rig.events, (std::vector<int>{1, 0, 1})) << "the repeat toggles nothing";
    rig.Run(rig.presses.Polled(false, 20));
    EXPECT_FALSE(rig.polling) << "seen down, then up: the press is over";
}

}  // namespace
