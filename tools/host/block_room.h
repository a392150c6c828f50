// The sample buffer the host hands to ModifySamples: room for twice the block's frames,
// because a module may return up to twice the frames it was given, followed by a guard tail.
// Everything past twice the current block's frames is filled with a known pattern before
// the call and checked after it, so a module that writes beyond the room it may use is
// caught instead of silently corrupting the host's memory.
//
// Owned and used by the playback thread; allocates only in its constructor.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

inline constexpr int kBlockRoomFactor = 2;      // room for twice the frames handed over
inline constexpr size_t kGuardTailBytes = 64;   // pattern after the room of a full block
inline constexpr uint8_t kGuardPattern = 0xA5;
inline constexpr size_t kBlockAlignment = 16;   // the samples pointer's alignment

class BlockRoom {
public:
    BlockRoom(int maxFrames, int frameBytes);

    // Copies `frames` frames to the start of the room and arms the guard for a block of
    // that many frames (frames <= maxFrames).
    void Load(const uint8_t* source, int frames);

    // The pointer handed to ModifySamples.
    uint8_t* Samples() { return samples_; }
    const uint8_t* Samples() const { return samples_; }

    // True when nothing past twice the loaded block's frames was written.
    bool GuardIntact() const;

    size_t RoomBytes() const { return roomBytes_; }  // for a full block

private:
    std::vector<uint8_t> storage_;
    uint8_t* samples_ = nullptr;
    size_t roomBytes_ = 0;
    size_t totalBytes_ = 0;  // room of a full block plus the guard tail
    size_t guardFrom_ = 0;   // start of the armed guard for the loaded block
    int frameBytes_ = 0;
};

// What the host keeps of a module's answer: the frames it says the block now holds,
// bounded to the room (never negative, never more than twice the frames handed over), and
// whether the answer kept to the contract (from half to twice the frames handed over).
struct ReturnedFrames {
    int Frames = 0;
    bool WithinContract = true;
};

ReturnedFrames CheckReturnedFrames(int returned, int given);
