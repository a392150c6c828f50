// The chain's own cost per active entry per block on the Win32 build, where every call
// goes through the structured-exception guard: the MixIn entry and 64 modules that only
// return the count, against the MixIn entry alone. Prints the figure for
// docs/benchmarks.md and fails only when it is far out of line (a lock round trip to the
// kernel or an allocation per call would cost microseconds).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "stacker/structured_call_guard.h"
#include "unit/stacker/scripted_dsp_folder.h"

using namespace scripted;

namespace {

constexpr int kFrames = 576;
constexpr int kChannels = 2;
constexpr int kHosted = 64;
constexpr int kBlocks = 20000;
constexpr double kCeilingNsPerEntry = 1000.0;

int TIDEWELL_CDECL NoMixing(winampDSPModule*, short*, int n, int, int, int) { return n; }

double NanosecondsPerBlock(int hosted) {
    Folder folder;
    Host host;
    host.enableBypass = false;
    StructuredCallGuard guard;
    Library& own = folder.AddOwn();
    std::vector<ModuleScript> modules;
    for (int i = 0; i < hosted; ++i) modules.push_back({"Pass" + std::to_string(i)});
    folder.Add({"dsp_pass.dll", modules});
    OwnLibrary ownLibrary = folder.OwnOf(own);
    ownLibrary.MixSamples = NoMixing;
    TDSPPlugins manager(host, ownLibrary, folder, guard);
    for (int i = 0; i < manager.Stack()->Count(); ++i) manager.Stack()->Get(i)->SetActive(true);
    Tracing() = false;

    std::vector<short> block(2 * kFrames * kChannels);
    volatile int sink = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kBlocks; ++i) sink = manager.Stack()->RunChain(block.data(), kFrames, 16, kChannels, 44100);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    Tracing() = true;
    (void)sink;
    return std::chrono::duration<double, std::nano>(elapsed).count() / kBlocks;
}

TEST(ChainOverhead, PerActiveEntryPerBlockUnderTheStructuredGuard) {
    const double alone = NanosecondsPerBlock(0);
    const double full = NanosecondsPerBlock(kHosted);
    const double perEntry = (full - alone) / kHosted;
    std::printf("chain overhead (Win32, structured guard): %.1f ns per block with the MixIn "
                "entry alone, %.1f ns per additional active entry\n",
                alone, perEntry);
    EXPECT_LT(perEntry, kCeilingNsPerEntry);
}

}  // namespace
