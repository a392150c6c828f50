#include "block_room.h"

#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <vector>

namespace {

constexpr int kFrames = 576;
constexpr int kFrameBytes = 4;  // 16-bit stereo

std::vector<uint8_t> Frames(int count) {
    std::vector<uint8_t> bytes(static_cast<size_t>(count) * kFrameBytes);
    std::iota(bytes.begin(), bytes.end(), uint8_t{1});
    return bytes;
}

TEST(BlockRoom, HoldsTheBlockAlignedWithRoomForTwiceItsFrames) {
    BlockRoom room(kFrames, kFrameBytes);
    EXPECT_EQ(room.RoomBytes(), 2u * kFrames * kFrameBytes);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(room.Samples()) % kBlockAlignment, 0u);
    const auto block = Frames(kFrames);
    room.Load(block.data(), kFrames);
    EXPECT_EQ(std::memcmp(room.Samples(), block.data(), block.size()), 0);
}

TEST(BlockRoom, AModuleUsingAllOfTheRoomLeavesTheGuardIntact) {
    BlockRoom room(kFrames, kFrameBytes);
    const auto block = Frames(kFrames);
    room.Load(block.data(), kFrames);
    std::memset(room.Samples(), 0, room.RoomBytes());
    EXPECT_TRUE(room.GuardIntact());
}

TEST(BlockRoom, OneByteBeyondTheRoomIsCaught) {
    BlockRoom room(kFrames, kFrameBytes);
    const auto block = Frames(kFrames);
    room.Load(block.data(), kFrames);
    room.Samples()[room.RoomBytes()] = 0;
    EXPECT_FALSE(room.GuardIntact());
    room.Load(block.data(), kFrames);  // the next block re-arms the guard
    EXPECT_TRUE(room.GuardIntact());
}

TEST(BlockRoom, AShortBlockMayUseOnlyTwiceItsOwnFrames) {
    BlockRoom room(kFrames, kFrameBytes);
    const int shortFrames = 10;
    const auto block = Frames(shortFrames);
    room.Load(block.data(), shortFrames);
    std::memset(room.Samples(), 0, 2 * shortFrames * kFrameBytes);
    EXPECT_TRUE(room.GuardIntact());
    room.Samples()[2 * shortFrames * kFrameBytes] = 0;
    EXPECT_FALSE(room.GuardIntact());
}

TEST(ReturnedFrames, HalfToTwiceTheFramesKeepTheContract) {
    for (int answer : {288, 576, 1152}) {
        const ReturnedFrames r = CheckReturnedFrames(answer, 576);
        EXPECT_TRUE(r.WithinContract) << answer;
        EXPECT_EQ(r.Frames, answer);
    }
    EXPECT_TRUE(CheckReturnedFrames(1, 1).WithinContract);
    EXPECT_TRUE(CheckReturnedFrames(2, 3).WithinContract);  // 2 is at least half of 3
}

TEST(ReturnedFrames, AnswersOutsideAreBoundedToTheRoomAndFlagged) {
    EXPECT_EQ(CheckReturnedFrames(287, 576).Frames, 287);
    EXPECT_FALSE(CheckReturnedFrames(287, 576).WithinContract);
    EXPECT_EQ(CheckReturnedFrames(1153, 576).Frames, 1152);
    EXPECT_FALSE(CheckReturnedFrames(1153, 576).WithinContract);
    EXPECT_EQ(CheckReturnedFrames(-5, 576).Frames, 0);
    EXPECT_FALSE(CheckReturnedFrames(-5, 576).WithinContract);
    EXPECT_EQ(CheckReturnedFrames(0x7FFFFFFF, 0x7FFFFFFF).Frames, 0x7FFFFFFF);
}

}  // namespace
