// Fault injection: every listed result code from every wave-in call drives the capture
// thread to the documented state, a final reset brings it back to Idle, and (checked by the
// fixture at the end of each test) every header and data block it allocated is released.
#include "capture/rec_thread_messages.h"
#include "win32/capture/rec_thread_fixture.h"

namespace {

class RecThreadFaultTest : public RecThreadTest {
protected:
    void ResetToIdle() {
        thread->RequestReset();
        ASSERT_TRUE(WaitState(kStateIdle));
        Settle();
    }

    // Open, start, and two buffers recorded: the device holds 5, the consumer may take 2.
    void Recording() {
        OpenAndStart();
        Record(2);
        ASSERT_EQ(thread->State(), kStateDataReady);
    }
};

TEST_F(RecThreadFaultTest, FailedCapabilitiesLeaveTheDeviceOutOrFailTheOpen) {
    for (MMRESULT code : {MMSYSERR_NODRIVER, MMSYSERR_NOMEM, MMSYSERR_INVALPARAM, MMSYSERR_BADDEVICEID}) {
        SCOPED_TRACE(code);
        device.FailNext(WaveInCall::GetDevCaps, code, 1, 1);  // the microphone's, while listing
        ASSERT_TRUE(thread->RequestOpen("Scripted Microphone", kRate, kBits, kStereo));
        ASSERT_TRUE(WaitState(kStateError));
        device.FailNext(WaveInCall::GetDevCaps, code, 1, 2);  // the open's own query
        ASSERT_TRUE(thread->RequestOpen("Scripted Microphone", kRate, kBits, kStereo));
        ASSERT_TRUE(WaitState(kStateError));
    }
    EXPECT_EQ(device.Calls(WaveInCall::Open), 0);
}

TEST_F(RecThreadFaultTest, FailedPrepareStopsTheBatchAtWhatIsPrepared) {
    for (MMRESULT code : {MMSYSERR_NODRIVER, MMSYSERR_NOMEM, MMSYSERR_INVALPARAM}) {
        SCOPED_TRACE(code);
        device.FailNext(WaveInCall::PrepareHeader, code, 1, 2);
        OpenStereo();
        thread->RequestStart();
        Settle();
        EXPECT_EQ(thread->State(), kStateOpen);
        EXPECT_EQ(thread->InQueueBuffersCount(), 2);
        EXPECT_EQ(thread->ReadyBuffersCount(), 0);
        ResetToIdle();
    }
}

TEST_F(RecThreadFaultTest, AddBufferWithAnInvalidHandleForgetsTheDeviceAndShowsClose) {
    OpenStereo();
    device.FailNext(WaveInCall::AddBuffer, MMSYSERR_INVALHANDLE);
    thread->RequestStart();
    Settle();
    EXPECT_EQ(thread->State(), kStateClose);
    EXPECT_EQ(thread->Device(), nullptr);
    EXPECT_EQ(thread->ReadyBuffersCount(), 0) << "everything released";
    EXPECT_EQ(device.Calls(WaveInCall::Start), 0);
}

TEST_F(RecThreadFaultTest, FatalAddBufferReleasesEverythingAndClosesTheDevice) {
    for (int queuedFirst : {0, 2}) {
        for (MMRESULT code : {MMSYSERR_NODRIVER, MMSYSERR_NOMEM, WAVERR_UNPREPARED}) {
            SCOPED_TRACE(testing::Message() << code << " after " << queuedFirst);
            OpenStereo();
            device.FailNext(WaveInCall::AddBuffer, code, 1, queuedFirst);
            thread->RequestStart();
            ASSERT_TRUE(WaitState(kStateIdle)) << "the posted close runs to the end";
            Settle();
            EXPECT_EQ(thread->Device(), nullptr);
            EXPECT_EQ(device.OpenHandles(), 0);
            EXPECT_EQ(thread->InQueueBuffersCount(), 0);
            EXPECT_EQ(thread->ReadyBuffersCount(), 0);
            EXPECT_EQ(thread->RecordedCount(), 0);
        }
    }
}

TEST_F(RecThreadFaultTest, UnlistedAddBufferResultReleasesThatHeader) {
    for (MMRESULT code : {MMSYSERR_INVALPARAM, WAVERR_STILLPLAYING, MMSYSERR_ERROR}) {
        SCOPED_TRACE(code);
        OpenStereo();
        const int32_t headers = CaptureAllocations().HeadersLive.load();
        device.FailNext(WaveInCall::AddBuffer, code, 1, 1);
        thread->RequestStart();
        Settle();
        EXPECT_EQ(thread->State(), kStateOpen);
        EXPECT_EQ(thread->InQueueBuffersCount(), kDeviceDepth - 1);
        EXPECT_EQ(thread->ReadyBuffersCount(), kPrepareBatch - kDeviceDepth);
        EXPECT_EQ(CaptureAllocations().HeadersLive.load(), headers + kPrepareBatch - 1)
            << "the refused header is in neither list and released";
        ResetToIdle();
    }
}

TEST_F(RecThreadFaultTest, FailedStartGivesErrorAndForgetsAnInvalidHandle) {
    for (MMRESULT code : {MMSYSERR_INVALHANDLE, MMSYSERR_NODRIVER, MMSYSERR_NOMEM}) {
        SCOPED_TRACE(code);
        OpenStereo();
        device.FailNext(WaveInCall::Start, code);
        thread->RequestStart();
        ASSERT_TRUE(WaitState(kStateError));
        Settle();
        EXPECT_EQ(thread->Device() == nullptr, code == MMSYSERR_INVALHANDLE);
        ResetToIdle();
    }
}

TEST_F(RecThreadFaultTest, FailedStopGivesErrorExceptForAnInvalidHandle) {
    for (MMRESULT code : {MMSYSERR_INVALHANDLE, MMSYSERR_NODRIVER, MMSYSERR_NOMEM}) {
        SCOPED_TRACE(code);
        Recording();
        device.FailNext(WaveInCall::Stop, code);
        thread->RequestStop();
        Settle();
        EXPECT_EQ(thread->State(), code == MMSYSERR_INVALHANDLE ? kStateStop : kStateError);
        EXPECT_NE(thread->Device(), nullptr);
        ResetToIdle();
        EXPECT_EQ(thread->Device(), nullptr);
    }
}

TEST_F(RecThreadFaultTest, FailedPauseForgetsAnInvalidHandleAndOtherwiseChangesNothing) {
    for (MMRESULT code : {MMSYSERR_INVALHANDLE, MMSYSERR_NODRIVER, MMSYSERR_NOMEM}) {
        SCOPED_TRACE(code);
        Recording();
        device.FailNext(WaveInCall::Stop, code);
        thread->RequestPause();
        Settle();
        EXPECT_EQ(thread->State(), kStateDataReady);
        EXPECT_EQ(thread->Device() == nullptr, code == MMSYSERR_INVALHANDLE);
        ResetToIdle();
    }
}

TEST_F(RecThreadFaultTest, RecycledHeaderWhosePrepareFailsIsReleased) {
    for (MMRESULT code : {MMSYSERR_NODRIVER, MMSYSERR_NOMEM, MMSYSERR_INVALPARAM}) {
        SCOPED_TRACE(code);
        Recording();
        const int32_t ready = thread->ReadyBuffersCount();
        device.FailNext(WaveInCall::PrepareHeader, code);
        CaptureBuffer buffer = thread->TakeRecordedBuffer();
        Settle();
        EXPECT_EQ(thread->ReadyBuffersCount(), ready);
        EXPECT_EQ(thread->State(), kStateDataReady);
        thread->ReturnDataBlock(buffer.data);
        ResetToIdle();
    }
}

TEST_F(RecThreadFaultTest, RecycledHeaderWithAnInvalidHandleClosesAndStaysUninit) {
    Recording();
    device.FailNext(WaveInCall::PrepareHeader, MMSYSERR_INVALHANDLE);
    CaptureBuffer buffer = thread->TakeRecordedBuffer();
    ASSERT_TRUE(WaitState(kStateUninit)) << "Error, then the posted close finds the handle invalid";
    Settle();
    EXPECT_EQ(thread->State(), kStateUninit);
    EXPECT_EQ(thread->Device(), nullptr);
    thread->ReleaseDataBlock(buffer.data);
    ResetToIdle();
}

TEST_F(RecThreadFaultTest, TooFewPreparedHeadersAndNoNewBatchMakeTheThreadResetItself) {
    OpenAndStart();
    Record(kPrepareBatch - kDeviceDepth - 1);  // nobody takes them: one prepared header left
    ASSERT_EQ(thread->ReadyBuffersCount(), 1);
    device.FailNext(WaveInCall::PrepareHeader, MMSYSERR_NOMEM);
    ASSERT_EQ(device.Deliver(1), 1);
    ASSERT_TRUE(WaitState(kStateIdle)) << "Error, then the posted reset";
    EXPECT_EQ(device.OpenHandles(), 0);
}

TEST_F(RecThreadFaultTest, StopFailingDuringACloseRetriesTheClose) {
    Recording();
    device.FailNext(WaveInCall::Stop, MMSYSERR_NOMEM, 2);
    thread->RequestReset();
    ASSERT_TRUE(WaitState(kStateIdle));
    Settle();
    EXPECT_EQ(device.Calls(WaveInCall::Stop), 3);
    EXPECT_EQ(device.OpenHandles(), 0);
}

TEST_F(RecThreadFaultTest, StopWithAnInvalidHandleDuringACloseForgetsTheDevice) {
    Recording();
    device.FailNext(WaveInCall::Stop, MMSYSERR_INVALHANDLE);
    PostMessageA(thread->UtilWindow(), WM_RECTHREAD_CLOSE, 0, 0);
    ASSERT_TRUE(Eventually([&] { return thread->Device() == nullptr; }));
    Settle();
    EXPECT_EQ(thread->State(), kStateUninit);
    EXPECT_EQ(device.Calls(WaveInCall::Close), 0);
    ResetToIdle();
}

TEST_F(RecThreadFaultTest, CloseStillPlayingIsResetAndClosedAgain) {
    Recording();
    device.FailNext(WaveInCall::Close, WAVERR_STILLPLAYING, 2);
    thread->RequestReset();
    ASSERT_TRUE(WaitState(kStateIdle));
    Settle();
    EXPECT_EQ(device.Calls(WaveInCall::Close), 3);
    EXPECT_EQ(device.OpenHandles(), 0);
}

TEST_F(RecThreadFaultTest, FailedResetLeavesBuffersQueuedUntilTheCloseLoopResetsAgain) {
    Recording();
    device.FailNext(WaveInCall::Reset, MMSYSERR_NOMEM);
    thread->RequestReset();
    ASSERT_TRUE(WaitState(kStateIdle));
    Settle();
    EXPECT_EQ(device.OpenHandles(), 0);
    EXPECT_EQ(device.QueuedBuffers(), 0);
}

TEST_F(RecThreadFaultTest, CloseFailingOutrightForgetsTheHandle) {
    Recording();
    device.FailNext(WaveInCall::Close, MMSYSERR_NOMEM);
    thread->RequestReset();
    ASSERT_TRUE(WaitState(kStateIdle));
    Settle();
    EXPECT_EQ(thread->Device(), nullptr);
    ASSERT_TRUE(thread->RequestOpen("Scripted Microphone", kRate, kBits, kStereo)) << "a new open is possible";
    ASSERT_TRUE(WaitState(kStateOpen));
}

TEST_F(RecThreadFaultTest, FailedUnprepareOnArrivalStillRecordsTheBuffer) {
    OpenAndStart();
    device.FailNext(WaveInCall::UnprepareHeader, MMSYSERR_NOMEM);
    Record(1);
    EXPECT_EQ(thread->RecordedCount(), 1);
    EXPECT_EQ(thread->State(), kStateDataReady);
}

}  // namespace
