// The chain's own cost per active entry per block on the Win32 build, where every call
// goes through the structured-exception guard: the MixIn entry and 64 modules that only
// return the count, against the MixIn entry alone. Prints the figure for
// docs/benchmarks.md and fails only when it is far out of line (a lock round trip to the
// kernel or an allocation per call would cost microseconds).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "host/structured_call_guard.h"
#include "unit/stacker/pass_through_chain.h"

namespace {

constexpr int kHosted = 64;
constexpr int kBlocks = 20000;
constexpr double kCeilingNsPerEntry = 1000.0;

double NanosecondsPerBlock(int hosted) {
    StructuredCallGuard guard;
    PassThroughChain chain(guard, hosted);
    volatile int sink = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kBlocks; ++i) sink = chain.RunBlock();
    const auto elapsed = std::chrono::steady_clock::now() - start;
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
