// Two threads fire 10,000 random requests (open, start, stop, pause, reset, push-to-talk
// mark) at the capture thread while the scripted device records at full speed and a
// consumer takes every buffer. Nothing may deadlock (the run is bounded), leak, or reach
// the consumer twice, and a final reset ends Idle.
#include <cstring>
#include <random>
#include <set>
#include <thread>

#include "win32/capture/rec_thread_fixture.h"

namespace {

constexpr int kRequestsPerThread = 5000;
constexpr DWORD kFinalResetMs = 30000;

TEST_F(RecThreadTest, RandomRequestsFromTwoThreadsNeitherDeadlockNorLeak) {
    device.SetPace(1);
    device.SetPartialBytesOnStop(1000);

    std::atomic<bool> firing{true};
    std::atomic<int> taken{0};
    std::atomic<int> duplicates{0};
    std::thread consumer([&] {
        std::set<uint32_t> seen;
        std::mt19937 random(7);
        while (firing) {
            CaptureBuffer buffer = thread->TakeRecordedBuffer();
            if (buffer.data == nullptr) {
                Sleep(0);
                continue;
            }
            ++taken;
            uint32_t sequence = 0;
            std::memcpy(&sequence, buffer.data, sizeof sequence);
            if (buffer.numsamples > 0 && sequence != 0 && !seen.insert(sequence).second) ++duplicates;
            thread->ReleaseMarkChain(buffer.events);
            // The mixer gives a block back, or releases it after a format change.
            if (random() % 8 == 0) {
                thread->ReleaseDataBlock(buffer.data);
            } else {
                thread->ReturnDataBlock(buffer.data);
            }
        }
    });

    auto fire = [&](unsigned seed) {
        std::mt19937 random(seed);
        for (int i = 0; i < kRequestsPerThread; ++i) {
            switch (random() % 6) {
                case 0: thread->RequestOpen("Scripted Microphone", kRate, kBits, kStereo); break;
                case 1: thread->RequestStart(); break;
                case 2: thread->RequestStop(); break;
                case 3: thread->RequestPause(); break;
                case 4: thread->RequestReset(); break;
                default: thread->QueueMark(static_cast<uint8_t>(random() & 1)); break;
            }
            if (random() % 16 == 0) Sleep(1);
        }
    };
    std::thread first(fire, 1u);
    std::thread second(fire, 2u);
    first.join();
    second.join();

    thread->RequestReset();
    const bool idle = WaitState(kStateIdle, kFinalResetMs);
    firing = false;
    consumer.join();
    ASSERT_TRUE(idle) << "state " << CaptureStateWord(thread->State());
    Settle();
    EXPECT_EQ(thread->State(), kStateIdle);
    EXPECT_EQ(duplicates.load(), 0) << "no buffer reaches the consumer twice";
    EXPECT_EQ(device.OpenHandles(), 0) << "no device left open behind the thread";
    EXPECT_GT(taken.load(), 0);
    std::printf("stress: %u buffers recorded, %d taken by the consumer\n", device.BuffersDelivered(), taken.load());
    // The fixture's final reset and destruction follow, and check that nothing leaked.
}

}  // namespace
