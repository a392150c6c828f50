// The control window with the real capture thread (on a scripted wave-in device) published
// in WaveInRecThread, as MixIn Init leaves it: the window reaches the thread through the
// global, lists the device's inputs, and its pad's events wait at the thread for the next
// recorded buffer.
#include "capture/wave_in_rec_thread.h"
#include "win32/support/scripted_wave_in.h"
#include "control/remote_commands.h"
#include "win32/ui/mix_in_form_fixture.h"

namespace {

constexpr DWORD kWaitMs = 5000;

class MixInFormWithCaptureThread : public MixInFormTest {
protected:
    void SetUp() override {
        MixInFormTest::SetUp();
        scripted.SetDevices({"Scripted Mapper"}, {{"Desk Mic"}, {"Desk Mic"}});
        thread = std::make_unique<TWaveInRecThread>(scripted);
        thread->Resume();
        ASSERT_TRUE(thread->WaitUntilIdle(kWaitMs));
        WaveInRecThread = thread.get();
        ControlWindowSeams seams;
        seams.Devices = &scripted;  // the capture thread: the published one
        form = std::make_unique<TMixInForm>(host.Handle(), seams);
        form->HostLink = link.get();
        KillTimer(form->Handle(), kStatusTimerId);
        KillTimer(form->Handle(), kMeterTimerId);
    }
    void TearDown() override {
        form.reset();
        WaveInRecThread = nullptr;
        thread->Quit();
        EXPECT_TRUE(thread->WaitFor(kWaitMs));
        thread.reset();
        MixInFormTest::TearDown();
    }

    ScriptedWaveIn scripted;
    std::unique_ptr<TWaveInRecThread> thread;
};

TEST_F(MixInFormWithCaptureThread, PadEventsWaitAtTheThreadForTheNextBuffer) {
    Click(Controls().PTTHoldButton);
    Click(Controls().PTTHoldButton);
    EXPECT_EQ(thread->PendingMarksCount(), 2);
}

TEST_F(MixInFormWithCaptureThread, StatusLineShowsTheThreadsStateAndWaitingBuffers) {
    SendMessageA(form->Handle(), WM_TIMER, kStatusTimerId, 0);
    EXPECT_EQ(form->StatusText(), "Idle AvailBuffs: 0");
}

TEST_F(MixInFormWithCaptureThread, DeviceListUsesTheCaptureThreadsNames) {
    HWND combo = Controls().ComboBox1;
    ASSERT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 4);
    char item[64] = {};
    SendMessageA(combo, CB_GETLBTEXT, 3, reinterpret_cast<LPARAM>(item));
    EXPECT_STREQ(item, "Desk Mic(2)");
}

TEST_F(MixInFormWithCaptureThread, ResetButtonResetsTheThread) {
    Click(Controls().Button3);
    const DWORD start = GetTickCount();
    while (thread->State() != kStateIdle && GetTickCount() - start < kWaitMs) Sleep(1);
    EXPECT_EQ(thread->State(), kStateIdle) << "the reset ran and ended Idle";
    EXPECT_TRUE(MixState.WantReset);
}

// "RamPTT" pumps the message queue while it runs: a second RamPTT arriving meanwhile is
// not run inside it, and a MixIn Quit dispatched meanwhile (the window destroyed) ends the
// run without touching the window again.
std::unique_ptr<TMixInForm>* destroyingFixture = nullptr;  // the fixture's window
void CALLBACK DestroyTheWindow(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    destroyingFixture->reset();
}

TEST_F(MixInFormWithCaptureThread, RamPttRunsOnceAtATimeAndStopsWhenTheWindowGoes) {
    PostMessageA(form->Handle(), kRunRamPttMessage, 0, 0);
    PostMessageA(form->Handle(), kRunRamPttMessage, 0, 0);
    PumpMessages();
    EXPECT_EQ(thread->PendingMarksCount(), kRamPttMarks) << "the nested run was dropped";

    destroyingFixture = &form;
    const UINT_PTR timer = SetTimer(nullptr, 0, 1, &DestroyTheWindow);
    ASSERT_NE(timer, 0u);
    PostMessageA(form->Handle(), kRunRamPttMessage, 0, 0);
    PumpMessages();
    EXPECT_EQ(form, nullptr);
    EXPECT_LT(thread->PendingMarksCount(), 2 * kRamPttMarks) << "the run stopped with its window";
}

}  // namespace
