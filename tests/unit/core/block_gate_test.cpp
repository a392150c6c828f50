// Quit racing blocks: a playback thread runs blocks through the gate without pause while
// the test closes it, waits for it to be idle and tears down what the blocks use, over and
// over. No block may run on a torn-down resource, and a block that finds the gate closed
// passes at once.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "core/block_gate.h"

namespace {

using std::chrono::milliseconds;

TEST(BlockGate, QuitRacingBlocksNeverFreesWhatABlockUses) {
    BlockGate gate;
    std::atomic<std::vector<int>*> resource{nullptr};
    std::atomic<bool> stop{false};
    std::atomic<long> blocks{0}, passedClosed{0};

    std::thread playback([&] {
        while (!stop.load()) {
            BlockPass pass(gate);
            if (!pass) {
                ++passedClosed;
                continue;
            }
            std::vector<int>* used = resource.load();
            ASSERT_NE(used, nullptr) << "a block ran after the gate was closed and the resource freed";
            for (int& v : *used) ++v;  // touches every element: a freed vector is caught by ASan
            ++blocks;
        }
    });

    constexpr int kCycles = 300;
    for (int cycle = 0; cycle < kCycles; ++cycle) {
        resource.store(new std::vector<int>(64, 0));
        gate.Open();
        const long before = blocks.load();
        while (blocks.load() == before) std::this_thread::yield();  // at least one block ran
        gate.Close();
        ASSERT_TRUE(gate.WaitIdle(milliseconds(2000)));
        std::unique_ptr<std::vector<int>> freed(resource.exchange(nullptr));
    }
    stop.store(true);
    playback.join();
    EXPECT_GT(passedClosed.load(), 0);
}

TEST(BlockGate, WaitForABlockThatDoesNotEndIsBounded) {
    BlockGate gate;
    gate.Open();
    ASSERT_TRUE(gate.Enter());
    gate.Close();
    EXPECT_FALSE(gate.Enter()) << "no new block once closed";
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(gate.WaitIdle(milliseconds(50)));
    EXPECT_LT(std::chrono::steady_clock::now() - start, milliseconds(2000));
    gate.Leave();
    EXPECT_TRUE(gate.WaitIdle(milliseconds(50)));
}

}  // namespace
