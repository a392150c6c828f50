// The capture thread's buffers against the scripted device: hand-over to the consumer,
// recycling, the recorded limit, push-to-talk marks, flushes and steady-state reuse.
#include <cstring>

#include "capture/rec_thread_messages.h"
#include "win32/capture/rec_thread_fixture.h"

namespace {

uint32_t SequenceOf(const CaptureBuffer& buffer) {
    uint32_t sequence = 0;
    if (buffer.data == nullptr) return sequence;
    std::memcpy(&sequence, buffer.data, sizeof sequence);
    return sequence;
}

CaptureBuffer TakeWhenAvailable(TWaveInRecThread& thread) {
    CaptureBuffer buffer;
    Eventually([&] {
        buffer = thread.TakeRecordedBuffer();
        return buffer.data != nullptr;
    });
    return buffer;
}

TEST_F(RecThreadTest, FullBufferReachesTheConsumerInTheThreadsFormat) {
    OpenAndStart();
    Record(1);
    ASSERT_EQ(thread->RecordedCount(), 1);
    CaptureBuffer buffer = thread->TakeRecordedBuffer();
    ASSERT_NE(buffer.data, nullptr);
    EXPECT_EQ(buffer.srate, 44100);
    EXPECT_EQ(buffer.nch, 2);
    EXPECT_EQ(buffer.bps, 16);
    EXPECT_EQ(buffer.numsamples, 44100) << "22050 frames of 2 values";
    EXPECT_EQ(buffer.events, nullptr);
    EXPECT_EQ(SequenceOf(buffer), 1u);
    EXPECT_EQ(DataBlockSize(buffer.data), BlockRoom(kStereoBuffSize, 4));
    EXPECT_EQ(thread->RecordedCount(), 0);
    thread->ReturnDataBlock(buffer.data);
}

TEST_F(RecThreadTest, NothingRecordedGivesTheAllZeroRecord) {
    OpenAndStart();
    const CaptureBuffer buffer = thread->TakeRecordedBuffer();
    EXPECT_EQ(buffer.data, nullptr);
    EXPECT_EQ(buffer.events, nullptr);
    EXPECT_EQ(buffer.numsamples, 0);
    EXPECT_EQ(buffer.srate, 0);
}

TEST_F(RecThreadTest, TakenHeaderComesBackAndReturnedBlockIsReused) {
    OpenAndStart();
    Record(2);
    const int32_t ready = thread->ReadyBuffersCount();
    CaptureBuffer first = thread->TakeRecordedBuffer();
    Settle();
    EXPECT_EQ(thread->ReadyBuffersCount(), ready + 1) << "the header is prepared again";
    thread->ReturnDataBlock(first.data);
    Settle();
    EXPECT_EQ(thread->UsedSamplesCount(), 1);
    const int32_t allocated = CaptureAllocations().BlocksAllocated.load();
    CaptureBuffer second = thread->TakeRecordedBuffer();
    Settle();
    EXPECT_EQ(thread->UsedSamplesCount(), 0) << "the spare block went into the recycled header";
    EXPECT_EQ(CaptureAllocations().BlocksAllocated.load(), allocated);
    thread->ReleaseDataBlock(second.data);
}

TEST_F(RecThreadTest, TakeWithNoDeviceOpenReturnsZeroAndTheNextFlushReleasesTheEntries) {
    OpenAndStart();
    Record(2);
    device.FailNext(WaveInCall::Stop, MMSYSERR_INVALHANDLE);  // the device dies under a pause
    thread->RequestPause();
    Settle();
    ASSERT_EQ(thread->Device(), nullptr);
    const CaptureBuffer buffer = thread->TakeRecordedBuffer();
    EXPECT_EQ(buffer.data, nullptr);
    EXPECT_EQ(thread->RecordedCount(), 2) << "the queue is not touched";
    thread->RequestReset();
    ASSERT_TRUE(WaitState(kStateIdle));
    EXPECT_EQ(thread->RecordedCount(), 0);
}

TEST_F(RecThreadTest, RecordedQueueNeverHoldsMoreThanFiftyAfterATrim) {
    OpenAndStart();
    int32_t most = 0;
    for (int i = 0; i < 60; ++i) {
        Record(1);
        most = std::max(most, thread->RecordedCount());
    }
    EXPECT_EQ(most, kRecordedLimit);
    EXPECT_EQ(thread->State(), kStateDataReady);
    CaptureBuffer oldest = thread->TakeRecordedBuffer();
    EXPECT_EQ(SequenceOf(oldest), 11u) << "the ten oldest were dropped";
    thread->ReturnDataBlock(oldest.data);
}

TEST_F(RecThreadTest, DiscardDropsTheOldestRecordedBuffers) {
    OpenAndStart();
    Record(4);
    PostMessageA(thread->UtilWindow(), WM_RECTHREAD_DISCARD, 3, 0);
    Settle();
    EXPECT_EQ(thread->RecordedCount(), 1);
    CaptureBuffer last = thread->TakeRecordedBuffer();
    EXPECT_EQ(SequenceOf(last), 4u);
    thread->ReturnDataBlock(last.data);
}

TEST_F(RecThreadTest, MarkOneSecondBeforeArrivalLiesABufferLengthBack) {
    OpenAndStart();
    const double start = fakeNow.load();
    thread->QueueMark(1);
    fakeNow = start + 0.25 * kOneSecond;
    thread->QueueMark(0);
    fakeNow = start + kOneSecond;
    Record(1);
    fakeNow = start;
    EXPECT_EQ(thread->PendingMarksCount(), 0);
    CaptureBuffer buffer = thread->TakeRecordedBuffer();
    ASSERT_NE(buffer.events, nullptr);
    EXPECT_EQ(buffer.events->On, 1) << "the oldest mark heads the chain";
    EXPECT_EQ(buffer.events->Sample, 44100 - 88200);
    ASSERT_NE(buffer.events->NextPTT, nullptr);
    EXPECT_EQ(buffer.events->NextPTT->On, 0);
    EXPECT_EQ(buffer.events->NextPTT->Sample, 44100 - 66150);
    EXPECT_EQ(buffer.events->NextPTT->NextPTT, nullptr);
    EXPECT_EQ(thread->ReleaseMarkChain(buffer.events), 0) << "the On value of the last mark";
    EXPECT_EQ(thread->ReleaseMarkChain(nullptr), 0);
    thread->ReturnDataBlock(buffer.data);
}

TEST_F(RecThreadTest, MarkStaysPendingWhileNoBufferComesBack) {
    OpenAndStart();
    thread->RequestStop();
    Settle();
    thread->QueueMark(1);
    Settle();
    EXPECT_EQ(thread->PendingMarksCount(), 1);
    thread->RequestStart();
    Settle();
    Record(1);
    EXPECT_EQ(thread->PendingMarksCount(), 0);
    CaptureBuffer buffer = thread->TakeRecordedBuffer();
    ASSERT_NE(buffer.events, nullptr);
    EXPECT_EQ(buffer.events->Sample, 44100) << "at the same instant: the end of the buffer";
    thread->ReleaseMarkChain(buffer.events);
    thread->ReturnDataBlock(buffer.data);
}

TEST_F(RecThreadTest, FlushWithMarksPendingEmptiesThemAndTheThreadStaysResponsive) {
    OpenAndStart();
    for (int i = 0; i < 3; ++i) thread->QueueMark(static_cast<uint8_t>(i & 1));
    thread->RequestReset();
    ASSERT_TRUE(WaitState(kStateIdle));
    EXPECT_EQ(thread->PendingMarksCount(), 0);
    EXPECT_EQ(thread->GetPriority(), kPriorityHigher);
    OpenAndStart();
    Record(1);
    CaptureBuffer buffer = thread->TakeRecordedBuffer();
    EXPECT_EQ(buffer.events, nullptr) << "no mark of before the flush survives";
    thread->ReturnDataBlock(buffer.data);
}

TEST_F(RecThreadTest, BlockTakenBeforeAResetIsReleasedByTheMixer) {
    OpenAndStart();
    Record(1);
    CaptureBuffer buffer = thread->TakeRecordedBuffer();
    thread->RequestReset();
    ASSERT_TRUE(WaitState(kStateIdle));
    thread->ReleaseDataBlock(buffer.data);
}

TEST_F(RecThreadTest, BlockOfAnEarlierFormatIsNeverReArmed) {
    ASSERT_TRUE(thread->RequestOpen("Scripted Microphone", kRate, kBits, 1));
    ASSERT_TRUE(WaitState(kStateOpen));
    thread->RequestStart();
    Settle();
    Record(1);
    CaptureBuffer mono = thread->TakeRecordedBuffer();
    ASSERT_EQ(DataBlockSize(mono.data), BlockRoom(kStereoBuffSize / 2, 2));
    thread->RequestReset();
    ASSERT_TRUE(WaitState(kStateIdle));

    OpenAndStart();
    Record(1);
    thread->ReturnDataBlock(mono.data);  // against the rule: a block of the old size
    Settle();
    const int32_t allocated = CaptureAllocations().BlocksAllocated.load();
    CaptureBuffer stereo = thread->TakeRecordedBuffer();
    Settle();
    EXPECT_EQ(thread->UsedSamplesCount(), 0);
    EXPECT_EQ(CaptureAllocations().BlocksAllocated.load(), allocated + 1)
        << "the small block was released and a block of the current size made";
    thread->ReturnDataBlock(stereo.data);
}

TEST_F(RecThreadTest, BlockGivenBackAfterTheThreadEndedIsReleased) {
    OpenAndStart();
    Record(1);
    CaptureBuffer buffer = thread->TakeRecordedBuffer();
    thread->Quit();
    ASSERT_TRUE(thread->WaitFor(kWaitMs));
    thread->ReturnDataBlock(buffer.data);
    thread.reset();
}

// A minute of audio (120 half-second buffers) with a consumer that keeps up and plays each
// block while the next one records: after the first 30 buffers no data block is allocated.
TEST_F(RecThreadTest, SteadyRecordingStopsAllocatingBlocks) {
    constexpr int kBuffersPerMinute = 120;
    constexpr int kWarmUpBuffers = 30;
    OpenAndStart();
    uint8_t* playing = nullptr;
    int32_t allocatedAfterWarmUp = 0;
    for (int i = 1; i <= kBuffersPerMinute; ++i) {
        ASSERT_EQ(device.Deliver(1), 1);
        CaptureBuffer buffer = TakeWhenAvailable(*thread);
        ASSERT_NE(buffer.data, nullptr) << "buffer " << i;
        EXPECT_EQ(SequenceOf(buffer), static_cast<uint32_t>(i));
        thread->ReturnDataBlock(playing);
        playing = buffer.data;
        if (i == kWarmUpBuffers) allocatedAfterWarmUp = CaptureAllocations().BlocksAllocated.load();
    }
    Settle();
    EXPECT_EQ(CaptureAllocations().BlocksAllocated.load(), allocatedAfterWarmUp);
    EXPECT_EQ(thread->State(), kStateDataReady);
    EXPECT_EQ(thread->InQueueBuffersCount(), kDeviceDepth);
    thread->ReturnDataBlock(playing);
}

}  // namespace
