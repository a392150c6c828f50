// The playback thread must not allocate while it mixes: this program replaces the global
// allocation functions with counting ones and mixes blocks with buffer changes, marks,
// trigger changes and notifications.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

#include "core/mixing_engine.h"
#include "unit/support/manual_clock.h"
#include "unit/support/scripted_capture_queue.h"

namespace {
std::atomic<bool> counting{false};
std::atomic<int> allocations{0};

void* Allocate(std::size_t size) {
    if (counting) ++allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

class CountingSink : public NotificationSink {
public:
    int posted = 0;
    void Post(uint32_t, intptr_t) override { ++posted; }
};

TEST(MixerAllocation, MixingAllocatesNothing) {
    MixStateRecord state;
    CountingSink sink;
    ManualClock clock;
    ScriptedCaptureQueue queue;
    MixingEngine engine(state, sink, clock);
    state.SetMSMode(kModeAuto);
    state.SetAutoMixThresh(10.0);
    state.SetAutoMixTiming(0.01, 0.05, 0.1);
    state.SetAutoMixInPercent(0.7);
    state.SetWantActivate(true);

    // Bursts of tone and silence, with push-to-talk marks in every buffer.
    std::vector<int16_t> values(5000);
    for (int b = 0; b < 60; ++b) {
        for (size_t i = 0; i < values.size(); ++i) values[i] = (b % 4 < 2) ? ((i / 20) % 2 ? 9000 : -9000) : 0;
        queue.Record(values, RecordedFormat{}, ScriptedCaptureQueue::Marks({{1, 100}, {0, 2500}, {1, 4999}}));
    }
    std::vector<int16_t> block(576 * 2);
    for (int i = 0; i < 4; ++i) engine.MixSamples(&queue, block.data(), 576, 16, 2, 44100);

    counting = true;
    for (int i = 0; i < 200; ++i) {
        engine.MixSamples(&queue, block.data(), 576, 16, 2, 44100);
        clock.Advance(576.0 / 44100);
    }
    counting = false;

    EXPECT_EQ(allocations, 0);
    EXPECT_GT(queue.blocksReturned, 40) << "buffers changed while counting";
    EXPECT_GT(queue.marksFreed, 100) << "marks were applied while counting";
    EXPECT_GT(sink.posted, 1000) << "notifications went out while counting";
    engine.DropBuffer(&queue);
}

}  // namespace
