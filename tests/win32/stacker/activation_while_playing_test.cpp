// Ticking and unticking a hosted module while the music plays: the playback thread keeps
// running the chain through the published stack while the window thread runs the module's
// Init and Quit, each of which takes 300 ms (dsp_slowinit.dll), under the real structured
// guard. No block may wait for them, and the chain must never be inside the module before
// its Init has returned or once its Quit has begun.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

#include "stacker/published_chain.h"
#include "win32/stacker/plugin_folder.h"

using namespace stacker_test;

namespace {

constexpr int kFrames = 576;
constexpr int kChannels = 2;
constexpr int kBits = 16;
constexpr int kRate = 44100;
// What one block may take at most, the chain's own work being microseconds. Generous for a
// busy machine's scheduling, far below the 300 ms a block waiting for Init or Quit takes.
constexpr double kMostBlockMs = 25.0;
// Blocks that run between activation and deactivation.
constexpr int kBlocksWhileActive = 20;

double Milliseconds(LONGLONG ticks) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart);
}

LONGLONG Now() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

using ActivationWhilePlaying = PluginFolder;

TEST_F(ActivationWhilePlaying, ASlowInitOrQuitHoldsUpNoBlock) {
    AddOwnLibrary();
    AddFixture("dsp_slowinit.dll");
    Build();
    TDSPPluginModule& slow = Entry("Slow Init and Quit");

    std::atomic<bool> stop{false};
    std::atomic<long> blocks{0};
    LONGLONG longest = 0;
    std::thread playback([&] {
        std::vector<short> samples(2 * kFrames * kChannels);
        while (!stop) {
            const LONGLONG start = Now();
            int result = 0;
            RunPublishedChain(published, samples.data(), kFrames, kBits, kChannels, kRate, result);
            longest = std::max(longest, Now() - start);
            ++blocks;
            Sleep(1);
        }
    });
    while (blocks < 10) Sleep(1);

    const long beforeInit = blocks;
    EXPECT_TRUE(slow.SetActive(true));
    const long duringInit = blocks - beforeInit;
    const long afterInit = blocks;
    while (blocks - afterInit < kBlocksWhileActive) Sleep(1);
    const long beforeQuit = blocks;
    EXPECT_FALSE(slow.SetActive(false));
    const long duringQuit = blocks - beforeQuit;
    stop = true;
    playback.join();

    std::printf("slow Init and Quit while playing: longest block %.2f ms, %ld blocks during "
                "Init, %ld during Quit\n",
                Milliseconds(longest), duringInit, duringQuit);
    EXPECT_LT(Milliseconds(longest), kMostBlockMs);
    EXPECT_GT(duringInit, 10);
    EXPECT_GT(duringQuit, 10);
    // The block running while Init returned may have passed the module by.
    EXPECT_GE(Counter(slow, "FixtureModifyCalls"), kBlocksWhileActive - 1);
    EXPECT_EQ(Counter(slow, "FixtureModifyOutsideLife"), 0);
    EXPECT_EQ(Counter(slow, "FixtureInitCalls"), 1);
    EXPECT_EQ(Counter(slow, "FixtureQuitCalls"), 1);
}

}  // namespace
