// The chain runs once per host block on the playback thread: it must not allocate.
// This program counts every allocation of the process, so it stands apart.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "unit/stacker/scripted_dsp_folder.h"

namespace {
std::atomic<long> allocations{0};
}

// The replacements below pair malloc with free on purpose; the compiler cannot see that
// every operator new of the program is the counting one.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
    ++allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

using namespace scripted;

TEST(ChainAllocation, RunChainAllocatesNothing) {
    Folder folder;
    Host host;
    CatchingCallGuard guard;
    Library& own = folder.AddOwn();
    folder.Add({"dsp_a.dll", {{"A", Behaviour::Halve}, {"B", Behaviour::HalfCount}}});
    TDSPPlugins manager(host, folder.OwnOf(own), folder, guard);
    for (int i = 0; i < manager.Stack()->Count(); ++i) manager.Stack()->Get(i)->SetActive(true);
    Tracing() = false;

    short block[2 * 576 * 2] = {};
    manager.Stack()->RunChain(block, 576, 16, 2, 44100);  // first use of the lock
    const long before = allocations.load();
    for (int i = 0; i < 10; ++i) manager.Stack()->RunChain(block, 576, 16, 2, 44100);
    const long made = allocations.load() - before;
    Tracing() = true;
    EXPECT_EQ(made, 0);
}
