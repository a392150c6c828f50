// Shared set-up of the capture-thread tests: a scripted device, a controllable clock, the
// thread started and Idle, beeps counted, and a check at the end that every header and
// data block the thread allocated has been released.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>

#include "capture/data_block.h"
#include "capture/thread_priority.h"
#include "capture/wave_in_rec_thread.h"
#include "host/error_beep.h"
#include "win32/support/scripted_wave_in.h"

// The clock the thread reads: a date-time in days that the test sets.
inline std::atomic<double> fakeNow{45000.5};
inline double FakeNow() { return fakeNow.load(); }
inline constexpr double kOneSecond = 1.0 / 86400.0;

// The millisecond tick the thread's watchdog reads: it moves only when the test moves it.
inline std::atomic<uint32_t> fakeTick{1000};
inline uint32_t FakeTick() { return fakeTick.load(); }

inline constexpr int32_t kRate = 44100;
inline constexpr int32_t kBits = 16;
inline constexpr int32_t kStereo = 2;
inline constexpr int32_t kStereoBuffSize = 88200;
// A data block's room for a buffer of `buffSize` bytes: what resampling may add beyond it.
inline uint32_t BlockRoom(int32_t buffSize, int32_t frameBytes) {
    return static_cast<uint32_t>(buffSize + RecordedResampler::GrowthFrames(buffSize / frameBytes) * frameBytes);
}
// Buffers kept queued at the device in the Classic setting, which the thread opens with.
inline const int32_t kDeviceDepth = ProfileOf(LatencyMode::Classic).DeviceDepth;
inline constexpr DWORD kWaitMs = 5000;

// Polls `condition` until it holds or the time is up.
inline bool Eventually(const std::function<bool()>& condition, DWORD timeoutMs = kWaitMs) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(1);
    }
    return true;
}

class RecThreadTest : public ::testing::Test {
protected:
    ScriptedWaveIn device;
    std::unique_ptr<TWaveInRecThread> thread;
    std::atomic<int> beeps{0};

    void SetUp() override {
        headersBefore_ = CaptureAllocations().HeadersLive.load();
        blocksBefore_ = CaptureAllocations().BlocksLive.load();
        SetErrorBeepHandler([this] { ++beeps; });
        thread = std::make_unique<TWaveInRecThread>(device, &FakeNow, &FakeTick);
        thread->Resume();
        ASSERT_TRUE(thread->WaitUntilIdle(kWaitMs));
    }

    void TearDown() override {
        if (thread) {
            thread->RequestReset();
            EXPECT_TRUE(WaitState(kStateIdle)) << "a final reset ends Idle";
            DestroyThread();
        }
        SetErrorBeepHandler(nullptr);
        EXPECT_EQ(CaptureAllocations().HeadersLive.load(), headersBefore_) << "every header released";
        EXPECT_EQ(CaptureAllocations().BlocksLive.load(), blocksBefore_) << "every data block released";
    }

    void DestroyThread() {
        thread->Quit();
        ASSERT_TRUE(thread->WaitFor(kWaitMs));
        thread.reset();
    }

    bool WaitState(uint8_t state, DWORD timeoutMs = kWaitMs) {
        return Eventually([&] { return thread->State() == state; }, timeoutMs);
    }

    // Returns once the thread has handled everything posted so far, and what that posted in
    // turn: a posted priority change is answered only after the messages before it.
    void Settle(int rounds = 3) {
        for (int round = 0; round < rounds; ++round) {
            const int32_t before = thread->GetPriority();
            const int32_t marker = before == kPriorityHigher ? kPriorityHigher - 1 : kPriorityHigher;
            thread->SetPriority(marker);
            ASSERT_TRUE(Eventually([&] { return thread->GetPriority() == marker; }));
            thread->SetPriority(before);
            ASSERT_TRUE(Eventually([&] { return thread->GetPriority() == before; }));
        }
    }

    // Open the scripted microphone at 44100/16/2 and wait for Open.
    void OpenStereo() {
        ASSERT_TRUE(thread->RequestOpen("Scripted Microphone", kRate, kBits, kStereo));
        ASSERT_TRUE(WaitState(kStateOpen));
    }

    // Open and start; the device then holds 5 buffers.
    void OpenAndStart() {
        OpenStereo();
        thread->RequestStart();
        Settle();
        ASSERT_EQ(thread->InQueueBuffersCount(), kDeviceDepth);
        ASSERT_TRUE(device.Started());
    }

    // Delivers `count` buffers one at a time; each is recorded and its trim done after.
    void Record(int count) {
        for (int i = 0; i < count; ++i) {
            ASSERT_EQ(device.Deliver(1), 1);
            Settle(2);
        }
    }

private:
    int32_t headersBefore_ = 0;
    int32_t blocksBefore_ = 0;
};
