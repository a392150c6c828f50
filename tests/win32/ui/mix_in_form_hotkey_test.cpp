// The control window's push-to-talk hotkey: its presses act on the pad, every release
// carries the release tail, and the key is given back when the window goes.
#include "win32/ui/mix_in_form_fixture.h"

#include "ui/mix_in_form.h"
#include "ui/ptt_hotkey_control.h"
#include "control/remote_commands.h"

namespace {

// A key no test machine's user presses while the tests run.
constexpr const char* kKeyName = "F22";
constexpr UINT kKey = VK_F22;

class MixInFormHotkey : public MixInFormTest {
protected:
    void SetUp() override {
        MixInFormTest::SetUp();
        Seed("PTTHotkey", kKeyName);
        Seed("PTTReleaseDelay", "0.4");
        MakeConfig();
        OpenForm();
    }
};

TEST_F(MixInFormHotkey, EveryReleaseCarriesTheReleaseTail) {
    ASSERT_TRUE(form->Hotkey().Registered()) << form->Hotkey().Problem();
    // The hotkey: its press, then the first poll that finds the key up.
    SendMessageA(form->Handle(), WM_HOTKEY, kPttHotkeyId, MAKELPARAM(0, kKey));
    EXPECT_TRUE(form->PttPressed());
    Sleep(kPressSettleMs + 10);  // the key never read down: up counts after the settle time
    SendMessageA(form->Handle(), WM_TIMER, kHotkeyPollTimerId, 0);
    EXPECT_FALSE(form->PttPressed());
    // The link's words, and the Hold button.
    form->AnswerControlWord(RemoteCommand::PushToTalk, "PTT Down");
    form->AnswerControlWord(RemoteCommand::PushToTalk, "PTT Up");
    Click(Controls().PTTHoldButton);
    Click(Controls().PTTHoldButton);
    EXPECT_EQ(capture.Marks, (std::vector<uint8_t>{1, 0, 1, 0, 1, 0}));
    EXPECT_EQ(capture.Tails, (std::vector<double>{0, 0.4, 0, 0.4, 0, 0.4}));
}

TEST_F(MixInFormHotkey, TheKeyIsTheWindowsWhileItLivesAndFreeAfterwards) {
    constexpr int kTestId = 7;
    EXPECT_FALSE(RegisterHotKey(nullptr, kTestId, 0, kKey)) << "the window holds the key";
    form.reset();
    EXPECT_TRUE(RegisterHotKey(nullptr, kTestId, 0, kKey)) << "the window gave the key back";
    UnregisterHotKey(nullptr, kTestId);
}

}  // namespace
