// The capture thread's requests against the scripted device: opening by name, the format
// it opens, start, stop, pause and reset, priorities.
#include "capture/input_devices.h"

#include <atomic>
#include <thread>

#include "win32/capture/rec_thread_fixture.h"

namespace {

TEST_F(RecThreadTest, StartsIdleAtHigherPriorityWithItsOwnUtilityWindow) {
    EXPECT_EQ(thread->State(), kStateIdle);
    EXPECT_EQ(thread->GetPriority(), kPriorityHigher);
    HWND window = thread->UtilWindow();
    ASSERT_TRUE(IsWindow(window));
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    EXPECT_STREQ(className, "QXTidewellMixInWaveInRecUtilWindow");
    EXPECT_EQ(GetWindowThreadProcessId(window, nullptr), thread->ThreadId());
    EXPECT_FALSE(IsWindowVisible(window));
}

TEST_F(RecThreadTest, PriorityReadsBackWhatWasSet) {
    // The change is posted, the question sent: it is answered once the change has been made.
    thread->SetPriority(kPriorityRealTime);
    EXPECT_TRUE(Eventually([&] { return thread->GetPriority() == kPriorityRealTime; }));
    thread->SetPriority(kPriorityIdle);
    EXPECT_TRUE(Eventually([&] { return thread->GetPriority() == kPriorityIdle; }));
    thread->SetPriority(kPriorityCount);  // out of range: ignored
    thread->SetPriority(-1);
    Settle();
    EXPECT_EQ(thread->GetPriority(), kPriorityIdle);
}

// The configuration dialog asks for the priority on the window thread: a capture thread
// that cannot answer must not hang it.
TEST_F(RecThreadTest, PriorityOfAThreadThatDoesNotAnswerComesFromTheSystemInBoundedTime) {
    thread->SetPriority(kPriorityIdle);
    ASSERT_TRUE(Eventually([&] { return thread->GetPriority() == kPriorityIdle; }));
    ASSERT_NE(SuspendThread(thread->Handle()), static_cast<DWORD>(-1));
    std::atomic<int32_t> answer{-1};
    std::thread asking([&] { answer = thread->GetPriority(); });
    const bool answered = Eventually([&] { return answer.load() != -1; });
    ResumeThread(thread->Handle());
    asking.join();
    EXPECT_TRUE(answered) << "GetPriority waited for a thread that could not answer";
    EXPECT_EQ(answer, kPriorityIdle);
}

TEST_F(RecThreadTest, EmptyDeviceNameIsAcceptedThenErrorWithoutAnyDeviceCall) {
    const int callsBefore = device.TotalCalls();
    EXPECT_TRUE(thread->RequestOpen("", kRate, kBits, kStereo));
    ASSERT_TRUE(WaitState(kStateError));
    EXPECT_EQ(device.TotalCalls(), callsBefore);
    EXPECT_EQ(thread->Device(), nullptr);
}

TEST_F(RecThreadTest, UnknownOrDifferentlyCasedNameIsNotFound) {
    for (const char* name : {"No Such Microphone", "scripted microphone"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(thread->RequestOpen(name, kRate, kBits, kStereo));
        ASSERT_TRUE(WaitState(kStateError));
        EXPECT_EQ(device.Calls(WaveInCall::Open), 0);
    }
}

TEST_F(RecThreadTest, OpensInTheHostFormatWithHalfSecondBuffers) {
    OpenStereo();
    EXPECT_EQ(thread->BuffSize(), kStereoBuffSize);
    const PCMWAVEFORMAT format = thread->Format();
    EXPECT_EQ(format.wf.wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(format.wf.nChannels, 2);
    EXPECT_EQ(format.wf.nSamplesPerSec, 44100u);
    EXPECT_EQ(format.wf.nBlockAlign, 4);
    EXPECT_EQ(format.wf.nAvgBytesPerSec, 176400u);
    EXPECT_EQ(format.wBitsPerSample, 16);
    const WAVEFORMATEX opened = device.LastOpenedFormat();
    EXPECT_EQ(opened.nBlockAlign, 4);
    EXPECT_EQ(opened.nAvgBytesPerSec, 176400u);
    EXPECT_EQ(device.LastOpenedDeviceId(), 0u);
    EXPECT_EQ(thread->DeviceName(), "Scripted Microphone");
}

TEST_F(RecThreadTest, RequestOpenWhileOpenReturnsFalseAndChangesNothing) {
    OpenStereo();
    EXPECT_FALSE(thread->RequestOpen("Other", 48000, 8, 1));
    EXPECT_EQ(thread->State(), kStateOpen);
    EXPECT_EQ(thread->Format().wf.nSamplesPerSec, 44100u);
    EXPECT_EQ(thread->Format().wBitsPerSample, 16);
    EXPECT_EQ(thread->DeviceName(), "Scripted Microphone");
    Settle();
    EXPECT_EQ(device.Calls(WaveInCall::Open), 1);
}

TEST_F(RecThreadTest, DevicesOfOneProductNameAreTellApartByNumberSuffix) {
    device.SetDevices({"Mapper", 2}, {{"Mic", 2}, {"MIC", 2}, {"Line", 2, true}, {"mic", 2}});
    std::vector<std::string> names;
    for (const NamedDevice& d : ListInputDevices(device)) names.push_back(d.Name);
    EXPECT_EQ(names, (std::vector<std::string>{"Mapper", "Mic", "MIC(2)", "mic(3)"}))
        << "a device whose capabilities fail is left out";

    ASSERT_TRUE(thread->RequestOpen("MIC(2)", kRate, kBits, kStereo));
    ASSERT_TRUE(WaitState(kStateOpen));
    EXPECT_EQ(device.LastOpenedDeviceId(), 1u);
    thread->RequestReset();
    ASSERT_TRUE(WaitState(kStateIdle));
    ASSERT_TRUE(thread->RequestOpen("mic(3)", kRate, kBits, kStereo));
    ASSERT_TRUE(WaitState(kStateOpen));
    EXPECT_EQ(device.LastOpenedDeviceId(), 3u);
    thread->RequestReset();
    ASSERT_TRUE(WaitState(kStateIdle));
    ASSERT_TRUE(thread->RequestOpen("Mapper", kRate, kBits, kStereo));
    ASSERT_TRUE(WaitState(kStateOpen));
    EXPECT_EQ(device.LastOpenedDeviceId(), static_cast<UINT>(WAVE_MAPPER));
}

TEST_F(RecThreadTest, MonoDeviceRefusesAStereoStreamBeforeAnyOpen) {
    device.SetDevices({"Mapper", 1}, {{"Mono Mic", 1}});
    ASSERT_TRUE(thread->RequestOpen("Mono Mic", kRate, kBits, kStereo));
    ASSERT_TRUE(WaitState(kStateError));
    EXPECT_EQ(device.Calls(WaveInCall::Open), 0);
    EXPECT_EQ(beeps.load(), 0) << "no message to the user";
}

TEST_F(RecThreadTest, RefusedFormatBeepsOnceOtherOpenFailuresOnlyError) {
    device.RefuseBitsPerSample(24);
    ASSERT_TRUE(thread->RequestOpen("Scripted Microphone", kRate, 24, kStereo));
    ASSERT_TRUE(WaitState(kStateError));
    EXPECT_EQ(beeps.load(), 1);
    EXPECT_EQ(thread->BuffSize(), 132300) << "computed whatever the result";

    for (MMRESULT failure : {MMSYSERR_NOMEM, MMSYSERR_NODRIVER, MMSYSERR_INVALPARAM, MMSYSERR_INVALHANDLE}) {
        SCOPED_TRACE(failure);
        device.FailNext(WaveInCall::Open, failure);
        ASSERT_TRUE(thread->RequestOpen("Scripted Microphone", kRate, kBits, kStereo));
        ASSERT_TRUE(WaitState(kStateError));
        EXPECT_EQ(thread->Device(), nullptr);
    }
    EXPECT_EQ(beeps.load(), 1);
}

TEST_F(RecThreadTest, StartQueuesFiveOfTwentyFivePreparedBuffers) {
    OpenAndStart();
    EXPECT_EQ(thread->State(), kStateOpen);
    EXPECT_EQ(thread->ReadyBuffersCount(), kPrepareBatch - kDeviceDepth);
    EXPECT_EQ(device.QueuedBuffers(), kDeviceDepth);
    Record(1);
    EXPECT_EQ(thread->State(), kStateDataReady);
    EXPECT_EQ(thread->InQueueBuffersCount(), kDeviceDepth) << "every buffer that comes back is replaced";
}

TEST_F(RecThreadTest, PauseIsPostedOnlyFromOpenOrDataReady) {
    thread->RequestPause();  // Idle
    OpenAndStart();
    Record(1);
    thread->RequestPause();
    ASSERT_TRUE(WaitState(kStatePaused));
    thread->RequestPause();  // Paused
    Settle();
    EXPECT_EQ(device.Calls(WaveInCall::Stop), 1);
    EXPECT_EQ(thread->State(), kStatePaused);
}

TEST_F(RecThreadTest, StartAfterPauseQueuesNothingNewAndGivesDataReady) {
    device.SetPartialBytesOnStop(4000);
    OpenAndStart();
    Record(2);
    thread->RequestPause();
    ASSERT_TRUE(WaitState(kStatePaused));
    Settle();
    EXPECT_EQ(thread->InQueueBuffersCount(), kDeviceDepth) << "the partial buffer came back and was replaced";
    const int adds = device.Calls(WaveInCall::AddBuffer);
    thread->RequestStart();
    Settle();
    EXPECT_EQ(thread->State(), kStateDataReady);
    EXPECT_EQ(device.Calls(WaveInCall::AddBuffer), adds);
    EXPECT_TRUE(device.Started());
}

TEST_F(RecThreadTest, StartAfterStopTopsTheDeviceUpAndGivesOpen) {
    device.SetPartialBytesOnStop(4000);
    OpenAndStart();
    Record(2);
    thread->RequestStop();
    EXPECT_EQ(thread->State(), kStateStop) << "set at once by the request";
    Settle();
    EXPECT_EQ(thread->State(), kStateStop);
    EXPECT_EQ(thread->InQueueBuffersCount(), kDeviceDepth - 1) << "the partial buffer is not replaced";
    EXPECT_EQ(thread->RecordedCount(), 3);
    thread->RequestStart();
    Settle();
    EXPECT_EQ(thread->State(), kStateOpen);
    EXPECT_EQ(thread->InQueueBuffersCount(), kDeviceDepth);
}

TEST_F(RecThreadTest, ResetClosesTheDeviceReleasesEverythingAndEndsIdle) {
    OpenAndStart();
    Record(3);
    thread->QueueMark(1);
    thread->RequestReset();
    // Reset at once; the capture thread may already have gone on to close the device (the
    // device's close message shows Close for a moment), or even finished the reset: never
    // again a recording state, not even for the buffers the closing device hands back.
    EXPECT_TRUE(IsStateIn(thread->State(), {kStateReset, kStateUninit, kStateClose, kStateIdle}))
        << "set at once by the request, found " << CaptureStateWord(thread->State());
    ASSERT_TRUE(WaitState(kStateIdle));
    Settle();
    EXPECT_EQ(thread->State(), kStateIdle);
    EXPECT_EQ(thread->Device(), nullptr);
    EXPECT_EQ(device.OpenHandles(), 0);
    EXPECT_EQ(thread->RecordedCount(), 0);
    EXPECT_EQ(thread->InQueueBuffersCount(), 0);
    EXPECT_EQ(thread->ReadyBuffersCount(), 0);
    EXPECT_EQ(thread->UsedSamplesCount(), 0);
    EXPECT_EQ(thread->PendingMarksCount(), 0);

    OpenAndStart();  // ready for a new open
}

TEST_F(RecThreadTest, DestructionWithTheDeviceRecordingClosesItAndReleasesAll) {
    OpenAndStart();
    Record(2);
    DestroyThread();
    EXPECT_EQ(device.OpenHandles(), 0);
    EXPECT_EQ(device.QueuedBuffers(), 0);
}

TEST_F(RecThreadTest, QuitEndsTheLoopAndTheUtilityWindow) {
    HWND window = thread->UtilWindow();
    thread->Quit();
    ASSERT_TRUE(thread->WaitFor(kWaitMs));
    EXPECT_EQ(thread->State(), kStateGoAway);
    EXPECT_EQ(thread->UtilWindow(), nullptr);
    EXPECT_FALSE(IsWindow(window));
    thread->RequestStart();  // nothing to post to: harmless
    thread.reset();
}

TEST(RecThreadLifetime, NeverResumedThreadIsDestroyedCleanly) {
    ScriptedWaveIn device;
    auto thread = std::make_unique<TWaveInRecThread>(device, &FakeNow);
    EXPECT_EQ(thread->State(), kStateGoAway);
    EXPECT_EQ(thread->UtilWindow(), nullptr);
    thread.reset();
    EXPECT_EQ(device.TotalCalls(), 0);
}

}  // namespace
