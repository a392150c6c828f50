// The module chain's own cost per block: the MixIn entry plus N active hosted modules that
// do nothing but return the count, so what is timed is the lock, the walk over the entries,
// the guarded indirect calls and the count checks. The slope over N is the overhead per
// active entry per block.
#include <benchmark/benchmark.h>

#include "unit/stacker/scripted_dsp_folder.h"

using namespace scripted;

namespace {

constexpr int kFrames = 576;
constexpr int kChannels = 2;

int TIDEWELL_CDECL NoMixing(winampDSPModule*, short*, int n, int, int, int) { return n; }

void BM_RunChain(benchmark::State& state) {
    const int hosted = static_cast<int>(state.range(0));
    Folder folder;
    Host host;
    host.enableBypass = false;
    CatchingCallGuard guard;
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
    for (auto _ : state) {
        benchmark::DoNotOptimize(manager.Stack()->RunChain(block.data(), kFrames, 16, kChannels, 44100));
        benchmark::ClobberMemory();
    }
    Tracing() = true;
    state.counters["active_entries"] = hosted + 1;
}
BENCHMARK(BM_RunChain)->Arg(0)->Arg(1)->Arg(4)->Arg(16)->Arg(64);

}  // namespace
