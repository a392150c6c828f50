#include "block_room.h"

#include <algorithm>
#include <cstring>

BlockRoom::BlockRoom(int maxFrames, int frameBytes)
    : roomBytes_(static_cast<size_t>(kBlockRoomFactor) * maxFrames * frameBytes),
      totalBytes_(roomBytes_ + kGuardTailBytes),
      frameBytes_(frameBytes) {
    storage_.assign(totalBytes_ + kBlockAlignment, 0);
    const auto address = reinterpret_cast<uintptr_t>(storage_.data());
    samples_ = storage_.data() + (kBlockAlignment - address % kBlockAlignment) % kBlockAlignment;
    guardFrom_ = roomBytes_;
    std::memset(samples_ + guardFrom_, kGuardPattern, totalBytes_ - guardFrom_);
}

void BlockRoom::Load(const uint8_t* source, int frames) {
    const size_t bytes = static_cast<size_t>(frames) * frameBytes_;
    std::memcpy(samples_, source, bytes);
    guardFrom_ = std::min(totalBytes_, static_cast<size_t>(kBlockRoomFactor) * bytes);
    std::memset(samples_ + guardFrom_, kGuardPattern, totalBytes_ - guardFrom_);
}

bool BlockRoom::GuardIntact() const {
    return std::all_of(samples_ + guardFrom_, samples_ + totalBytes_,
                       [](uint8_t b) { return b == kGuardPattern; });
}

ReturnedFrames CheckReturnedFrames(int returned, int given) {
    ReturnedFrames result;
    const long long twice = static_cast<long long>(kBlockRoomFactor) * given;
    result.WithinContract = returned >= 0 && static_cast<long long>(returned) * kBlockRoomFactor >= given &&
                            returned <= twice;
    result.Frames = static_cast<int>(std::clamp<long long>(returned, 0, twice));
    return result;
}
