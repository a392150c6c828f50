// What a fuzzed wire of posted messages can suffer between two windows: the oldest message
// lost, or a later one overtaking it. Each returns whether the wire changed, so the harness
// knows it may no longer demand that every text arrives.
#pragma once

#include <cstddef>
#include <iterator>

template <class Wire>
bool LoseOldest(Wire& wire) {
    if (wire.empty()) return false;
    wire.pop_front();
    return true;
}

// `pick` is asked for one byte, and only when there is a later message to choose.
template <class Wire, class Pick>
bool OvertakeOldest(Wire& wire, Pick pick) {
    if (wire.size() < 2) return false;
    const size_t index = 1 + pick() % (wire.size() - 1);
    const auto overtaking = wire[index];
    wire.erase(wire.begin() + static_cast<std::ptrdiff_t>(index));
    wire.push_front(overtaking);
    return true;
}
