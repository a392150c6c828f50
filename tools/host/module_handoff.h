// Who may call into the module right now. The playback thread holds the module while blocks
// flow; for an Init/Quit cycle it hands the module to the window thread and, until it is
// handed back, plays blocks unprocessed instead of waiting. After a fault nobody calls the
// module again.
//
// Shared by the playback thread and the window thread; lock-free. The hand-over stores
// release and the checks acquire, so what the window thread's Init wrote is visible to the
// next ModifySamples call.
#pragma once

#include <atomic>

class ModuleHandoff {
public:
    bool PlaybackHolds() const { return holder_.load(std::memory_order_acquire) == kPlayback; }
    void HandToWindowThread() { holder_.store(kWindow, std::memory_order_release); }
    void HandBackToPlayback() {
        int expected = kWindow;
        holder_.compare_exchange_strong(expected, kPlayback, std::memory_order_acq_rel);
    }
    void MarkFaulted() { holder_.store(kNobody, std::memory_order_release); }
    bool Faulted() const { return holder_.load(std::memory_order_acquire) == kNobody; }

private:
    static constexpr int kPlayback = 0;
    static constexpr int kWindow = 1;
    static constexpr int kNobody = 2;
    std::atomic<int> holder_{kPlayback};
};
