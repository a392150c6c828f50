// The command server's control words move the window's own controls, exactly as the clicks
// do: the mode buttons and pages, the pad (with its mark), the sliders, and the saved file.
#include "win32/ui/mix_in_form_fixture.h"

namespace {

class MixInFormControlWords : public MixInFormTest {
protected:
    void SetUp() override {
        MixInFormTest::SetUp();
        MakeConfig();
        OpenForm();
    }
    std::string Say(const std::string& text) {
        const std::string reply = form->AnswerControlWord(MatchRemoteCommand(text), text);
        PumpMessages();
        return reply;
    }
    int Position(HWND slider) { return static_cast<int>(SendMessageA(slider, TBM_GETPOS, 0, 0)); }
};

TEST_F(MixInFormControlWords, EachWordMovesTheControlsAndBadArgumentsChangeNothing) {
    EXPECT_EQ(Say("SetMode Auto"), "OK");
    EXPECT_TRUE(IsTicked(Controls().ModeButtons[kAutoAction]));
    EXPECT_FALSE(IsTicked(Controls().ModeButtons[kOffAction]));
    EXPECT_EQ(ShownPage(), kPageAuto);
    EXPECT_EQ(MixState.MSMode, kModeAuto);
    EXPECT_EQ(Ini("MixInMode"), "2");

    EXPECT_EQ(Say("SetLevel Manual 35"), "OK");
    EXPECT_EQ(Say("SetLevel PTT 55"), "OK");
    EXPECT_EQ(Position(Controls().TrackBar1), 35);
    EXPECT_EQ(Position(Controls().TrackBar4), 55);
    EXPECT_DOUBLE_EQ(MixState.ManualMixInPercent, 0.35);
    EXPECT_EQ(Ini("PTTMixInPercent"), "0.55");

    EXPECT_EQ(Say("PTT Down"), "OK");
    EXPECT_EQ(Say("PTT Down"), "OK");
    EXPECT_TRUE(form->PttPressed());
    EXPECT_EQ(Say("PTT Up"), "OK");
    EXPECT_FALSE(form->PttPressed());
    EXPECT_EQ(capture.Marks, (std::vector<uint8_t>{1, 0})) << "a second press of a pressed pad queues nothing";

    EXPECT_EQ(Say("GetState").substr(0, 25), "{\"mode\":\"auto\",\"ptt\":\"up\"");
    for (const char* bad : {"SetMode Loud", "SetLevel Manual 101", "SetLevel Off 3", "PTT Maybe"}) {
        EXPECT_EQ(Say(bad).rfind("ERROR: ", 0), 0u) << bad;
    }
    EXPECT_TRUE(IsTicked(Controls().ModeButtons[kAutoAction]));
    EXPECT_EQ(Position(Controls().TrackBar1), 35);

    captureExists = false;
    EXPECT_EQ(Say("PTT Down"), "ERROR: no capture thread");
    EXPECT_FALSE(form->PttPressed());
}

}  // namespace
