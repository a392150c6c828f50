#include "core/pending_marks_mirror.h"

#include <thread>

namespace {
// A reader that keeps meeting writes gives up and keeps its last copy: every value in it
// is still a valid number, just possibly mixed from two publications.
constexpr int kReadAttempts = 1000;
}  // namespace

uint32_t PendingMarksMirror::MarkIdentifier(const CaptureMark* mark) {
    if (mark == nullptr) return 0;
    const uint32_t id = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(mark));
    return id != 0 ? id : 1;
}

void PendingMarksMirror::Publish(const CaptureMark* chain, int32_t bufferSamples) {
    const uint32_t start = sequence_.load(std::memory_order_relaxed);
    sequence_.store(start + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);

    int count = 0;
    for (const CaptureMark* mark = chain; mark != nullptr && count < kCapacity;
         mark = mark->NextPTT, ++count) {
        Slot& slot = slots_[count];
        slot.on = mark->On;
        slot.when = mark->When;
        slot.sample = mark->Sample;
        slot.next = MarkIdentifier(mark->NextPTT);
    }
    count_ = count;
    bufferSamples_ = bufferSamples;

    sequence_.store(start + 2, std::memory_order_release);
}

PendingMarksMirror::View PendingMarksMirror::Read() const {
    View view;
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        const uint32_t before = sequence_.load(std::memory_order_acquire);
        if (before & 1u) {
            std::this_thread::yield();
            continue;
        }
        view.bufferSamples = bufferSamples_;
        int count = count_;
        if (count < 0) count = 0;
        if (count > kCapacity) count = kCapacity;
        view.count = count;
        for (int i = 0; i < count; ++i) {
            view.marks[i].On = slots_[i].on;
            view.marks[i].When = slots_[i].when;
            view.marks[i].Sample = slots_[i].sample;
            view.marks[i].NextPTT = slots_[i].next;
        }
        std::atomic_thread_fence(std::memory_order_acquire);
        if (sequence_.load(std::memory_order_relaxed) == before) break;
    }
    return view;
}
