// The gate between the host's playback thread and MixIn Quit: every block of the MixIn
// (and Bypass) module passes it, and Quit closes it and waits, for a bounded time, until no
// block is inside any more, before it frees what a block uses (the mixer's buffer, the
// capture thread, the bypass copy, the module stack).
//
// The playback thread never waits here: a block that finds the gate closed passes through
// unchanged at once. Only the window thread (Init, Quit) opens, closes and waits.
#pragma once

#include <atomic>
#include <chrono>

class BlockGate {
public:
    // Playback thread: true when the block may run; it then must call Leave. False when the
    // gate is closed: the block passes through unchanged.
    bool Enter();
    void Leave();

    // Window thread.
    void Open();
    void Close();
    bool IsOpen() const { return open_.load(); }
    // Waits until no block is inside, polling; false when `limit` passed first.
    bool WaitIdle(std::chrono::milliseconds limit) const;

private:
    // Sequentially consistent, both: a block counts itself in before it looks at open_, and
    // Close clears open_ before it looks at the count, so one of the two always sees the other.
    std::atomic<int> inside_{0};
    std::atomic<bool> open_{false};
};

// The library's one gate: MixIn and Bypass blocks pass it, MixIn Init and Quit work it.
BlockGate& PluginBlockGate();

// One block's pass through the gate.
class BlockPass {
public:
    explicit BlockPass(BlockGate& gate) : gate_(gate), entered_(gate.Enter()) {}
    ~BlockPass() {
        if (entered_) gate_.Leave();
    }
    BlockPass(const BlockPass&) = delete;
    BlockPass& operator=(const BlockPass&) = delete;
    explicit operator bool() const { return entered_; }

private:
    BlockGate& gate_;
    const bool entered_;
};
