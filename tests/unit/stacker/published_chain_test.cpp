// The playback thread runs the chain through the published pointer while the window
// thread builds and destroys managers (MixIn Init and Quit): it must never run a stack
// that is being destroyed. Under the sanitizers a use after free here is reported.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "stacker/published_chain.h"
#include "unit/stacker/scripted_dsp_folder.h"

using namespace scripted;

namespace {

constexpr int kCycles = 200;

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
    for (int i = 0; i < kCycles; ++i) {
        TDSPPlugins manager(host, ownLibrary, folder, guard, &published);
        std::this_thread::yield();
    }
    stop = true;
    playback.join();
    Tracing() = true;
    EXPECT_EQ(published, nullptr);
    EXPECT_GT(chains.load(), 0);
}

}  // namespace
