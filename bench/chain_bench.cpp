// The module chain's own cost per block: the MixIn entry plus N active hosted modules that
// do nothing but return the count, so what is timed is the lock, the walk over the entries,
// the guarded indirect calls and the count checks. The slope over N is the overhead per
// active entry per block.
#include <benchmark/benchmark.h>

#include "unit/stacker/pass_through_chain.h"

namespace {

void BM_RunChain(benchmark::State& state) {
    const int hosted = static_cast<int>(state.range(0));
    CatchingCallGuard guard;
    PassThroughChain chain(guard, hosted);
    for (auto _ : state) {
        benchmark::DoNotOptimize(chain.RunBlock());
        benchmark::ClobberMemory();
    }
    state.counters["active_entries"] = hosted + 1;
}
BENCHMARK(BM_RunChain)->Arg(0)->Arg(1)->Arg(4)->Arg(16)->Arg(64);

}  // namespace
