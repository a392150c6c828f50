// A device that goes away while recording, and one that will not stop: the capture thread
// notices the first by the time it has gone without a buffer (the watchdog's tick is the
// test's), closes it and reopens it once it is back; the second it closes after a bounded
// number of tries. The fixture checks at the end that every buffer was released.
#include "capture/rec_thread_messages.h"
#include "win32/capture/rec_thread_fixture.h"

namespace {

// Long enough for a few rounds of the watchdog's timer.
constexpr DWORD kWatchdogRoundsMs = 4 * kWatchdogPeriodMs;

class RecThreadDeviceLossTest : public RecThreadTest {
protected:
    void Recording() {
        OpenAndStart();
        Record(2);
        ASSERT_EQ(thread->State(), kStateDataReady);
    }

    int opensBefore = 0;
    int Opens() const { return device.Calls(WaveInCall::Open) - opensBefore; }
    bool OpensReach(int count) {
        return Eventually([&] { return Opens() >= count; });
    }
};

TEST_F(RecThreadDeviceLossTest, SilentDeviceIsClosedAndReopenedAtABoundedRateUntilItIsBack) {
    Recording();

    // A paused device owes no buffer, however long it stays paused.
    thread->RequestPause();
    Settle();
    ASSERT_EQ(thread->State(), kStatePaused);
    fakeTick += 60 * kStallMinimumMs;
    Sleep(kWatchdogRoundsMs);
    EXPECT_EQ(thread->State(), kStatePaused);
    EXPECT_EQ(thread->Trouble(), kTroubleNone);
    thread->RequestStart();
    Settle();
    ASSERT_EQ(thread->State(), kStateDataReady);

    // Recording, then nothing more for the stall limit: lost, closed, everything released.
    fakeTick += kStallMinimumMs - 1;
    Sleep(kWatchdogRoundsMs);
    ASSERT_EQ(thread->State(), kStateDataReady) << "not lost a millisecond early";
    fakeTick += 1;
    ASSERT_TRUE(WaitState(kStateIdle));
    Settle();
    EXPECT_EQ(thread->Trouble(), kTroubleDeviceLost);
    EXPECT_EQ(device.OpenHandles(), 0);
    EXPECT_EQ(thread->InQueueBuffersCount(), 0);
    EXPECT_EQ(thread->RecordedCount(), 0);

    // The mixer asks for it again while it is missing: Error, and the thread retries by
    // itself, once per interval.
    device.FailNext(WaveInCall::Open, MMSYSERR_NOTENABLED, 2);
    opensBefore = device.Calls(WaveInCall::Open);
    ASSERT_TRUE(thread->RequestOpen("Scripted Microphone", kRate, kBits, kStereo));
    ASSERT_TRUE(OpensReach(1));
    ASSERT_TRUE(WaitState(kStateError));
    fakeTick += kReopenIntervalMs - 1;
    Sleep(kWatchdogRoundsMs);
    EXPECT_EQ(Opens(), 1) << "no retry before the interval";
    fakeTick += 1;
    ASSERT_TRUE(OpensReach(2));
    Sleep(kWatchdogRoundsMs);
    EXPECT_EQ(Opens(), 2) << "one retry per interval";
    EXPECT_EQ(thread->State(), kStateError);

    // Back: the next retry opens it, and its first buffer clears the trouble.
    fakeTick += kReopenIntervalMs;
    ASSERT_TRUE(WaitState(kStateOpen));
    EXPECT_EQ(thread->Trouble(), kTroubleDeviceLost) << "until it delivers";
    thread->RequestStart();
    Settle();
    Record(1);
    EXPECT_EQ(thread->State(), kStateDataReady);
    EXPECT_EQ(thread->Trouble(), kTroubleNone);
}

// A microphone gone as the player starts: missing at the first open, then back but silent
// from its start on, while the mixer asks for a start with every block as it does until the
// first buffer comes.
TEST_F(RecThreadDeviceLossTest, DeviceThatNeverDeliveredIsRetriedAndReopenedLikeALostOne) {
    device.FailNext(WaveInCall::Open, MMSYSERR_BADDEVICEID, 1);
    ASSERT_TRUE(thread->RequestOpen("Scripted Microphone", kRate, kBits, kStereo));
    ASSERT_TRUE(WaitState(kStateError));
    EXPECT_EQ(thread->Trouble(), kTroubleDeviceLost);
    fakeTick += kReopenIntervalMs;
    ASSERT_TRUE(WaitState(kStateOpen)) << "retried by itself";

    thread->RequestStart();
    Settle();
    for (uint32_t waited = 0; waited < kStallMinimumMs; waited += kWatchdogPeriodMs) {
        fakeTick += kWatchdogPeriodMs;
        thread->RequestStart();
        Settle(1);
    }
    ASSERT_TRUE(WaitState(kStateIdle)) << "taken as lost, though it never delivered";
    EXPECT_EQ(thread->Trouble(), kTroubleDeviceLost);
    EXPECT_EQ(device.OpenHandles(), 0);
}

TEST_F(RecThreadDeviceLossTest, CloseWhoseStopKeepsFailingClosesTheDeviceAfterBoundedTries) {
    Recording();
    constexpr int kRefusals = 1000;  // far more than the thread tries
    device.FailNext(WaveInCall::Stop, MMSYSERR_NODRIVER, kRefusals);
    thread->RequestReset();
    ASSERT_TRUE(Eventually([&] { return device.OpenHandles() == 0; }));
    Settle();
    EXPECT_EQ(device.Calls(WaveInCall::Stop), kCloseStopAttempts);
    EXPECT_EQ(thread->State(), kStateIdle);
    EXPECT_EQ(thread->Trouble(), kTroubleDeviceStuck);
    EXPECT_EQ(thread->InQueueBuffersCount(), 0);
}

}  // namespace
