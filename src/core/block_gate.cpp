#include "core/block_gate.h"

#include <thread>

namespace {
constexpr std::chrono::milliseconds kPollInterval{1};
}

BlockGate& PluginBlockGate() {
    static BlockGate gate;
    return gate;
}

bool BlockGate::Enter() {
    inside_.fetch_add(1);
    if (open_.load()) return true;
    inside_.fetch_sub(1);
    return false;
}

void BlockGate::Leave() { inside_.fetch_sub(1); }

void BlockGate::Open() { open_.store(true); }

void BlockGate::Close() { open_.store(false); }

bool BlockGate::WaitIdle(std::chrono::milliseconds limit) const {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (inside_.load() != 0) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(kPollInterval);
    }
    return true;
}
