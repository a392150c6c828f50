// The playback thread runs the chain through the published pointer while the window
// thread builds and destroys managers (MixIn Init and Quit): it must never run a stack
// that is being destroyed. Under the sanitizers a use after free here is reported.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "stacker/published_chain.h"
#include "unit/stacker/scripted_dsp_folder.h"

using namespace scripted;

namespace {

constexpr int kCycles = 200;
constexpr int kCyclesWithChains = 5;

TEST(PublishedChain, WithoutAStackTheCallerMixesDirectly) {
    TDSPPluginModulesStack* published = nullptr;
    short block[4] = {};
    int result = -1;
    EXPECT_FALSE(RunPublishedChain(published, block, 2, 16, 1, 44100, result));
    EXPECT_EQ(result, -1);
}

TEST(PublishedChain, PlaybackNeverRunsAStackBeingDestroyed) {
    Folder folder;
    Host host;
    CatchingCallGuard guard;
    Library& own = folder.AddOwn();
    folder.Add({"dsp_a.dll", {{"A"}, {"B"}}});
    host.lines = {"ModuleCount=2", "Module0Lib=dsp_a.dll", "Module0Mod=A", "Module0Act=true",
                  "Module1Lib=dsp_a.dll", "Module1Mod=B", "Module1Act=true"};
    const OwnLibrary ownLibrary = folder.OwnOf(own);
    Tracing() = false;

    TDSPPluginModulesStack* published = nullptr;
    std::atomic<bool> stop{false};
    std::atomic<long> chains{0};
    std::thread playback([&] {
        short block[2 * 64 * 2] = {};
        while (!stop) {
            int result = 0;
            if (RunPublishedChain(published, block, 64, 16, 2, 44100, result)) ++chains;
        }
    });
    // At least kCycles, and on until the playback thread has run chains during a few of
    // them: on a loaded machine it may not be scheduled at all during the first ones.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    int cyclesWithChains = 0;
    for (int i = 0; (i < kCycles || cyclesWithChains < kCyclesWithChains) &&
                    std::chrono::steady_clock::now() < deadline;
         ++i) {
        const long before = chains.load();
        {
            TDSPPlugins manager(host, ownLibrary, folder, guard, &published);
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
        if (chains.load() > before) ++cyclesWithChains;
    }
    stop = true;
    playback.join();
    Tracing() = true;
    EXPECT_EQ(published, nullptr);
    EXPECT_GE(cyclesWithChains, kCyclesWithChains) << "the playback thread ran during the cycles";
}

}  // namespace
