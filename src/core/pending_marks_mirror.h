// What the statistics report may see of the recorded buffer the mixer is consuming: its
// sample count and a copy of its pending push-to-talk marks.
//
// The marks themselves belong to the playback thread, which frees each one as it applies
// it; the report runs on the window thread and must never walk that chain. So the mixer
// publishes a copy here whenever the chain or the buffer changes, and the report reads the
// copy. The exchange is a sequence lock: the writer never waits (it bumps a counter around
// its stores); the reader retries while a write was under way. Every field is an atomic,
// so even a torn read is only a stale value, never an invalid memory access.
//
// Publish: playback thread only. Read: any thread.
#pragma once

#include <atomic>
#include <cstdint>

#include "capture/capture_types.h"
#include "base/relaxed_atomic.h"

class PendingMarksMirror {
public:
    // Marks copied per buffer; a longer chain shows its first kCapacity marks, the last of
    // them pointing on (non-zero NextPTT) to the ones not shown.
    static constexpr int kCapacity = 32;

    struct Mark {
        uint8_t On = 0;
        double When = 0.0;
        int32_t Sample = 0;
        uint32_t NextPTT = 0;  // identifier of the next mark, 0 for the last
    };
    struct View {
        int32_t bufferSamples = 0;
        int count = 0;
        Mark marks[kCapacity];
    };

    void Publish(const CaptureMark* chain, int32_t bufferSamples);
    View Read() const;

    // The identifier the report prints for a mark: the low 32 bits of its address, never 0.
    static uint32_t MarkIdentifier(const CaptureMark* mark);

private:
    struct Slot {
        RelaxedAtomic<uint8_t> on{0};
        RelaxedAtomic<double> when{0.0};
        RelaxedAtomic<int32_t> sample{0};
        RelaxedAtomic<uint32_t> next{0};
    };

    std::atomic<uint32_t> sequence_{0};  // odd while a write is under way
    RelaxedAtomic<int32_t> bufferSamples_{0};
    RelaxedAtomic<int32_t> count_{0};
    Slot slots_[kCapacity];
};
