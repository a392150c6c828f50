#include "player_output_buffer.h"

#include <gtest/gtest.h>

namespace {

// A 500 ms buffer at 1000 Hz in blocks of 100 frames: one block is 0.1 s of play.
constexpr int kRate = 1000;
constexpr int kBlock = 100;

PlayerOutputBuffer HalfSecondBuffer() { return PlayerOutputBuffer(PlayerBufferFrames(500, kRate), kRate); }

// How many blocks one wake-up at `now` hands over.
int Burst(PlayerOutputBuffer& buffer, double now) {
    int blocks = 0;
    while (buffer.Fits(kBlock, now)) {
        buffer.Add(kBlock, now);
        ++blocks;
    }
    return blocks;
}

TEST(PlayerOutputBuffer, TheFirstWakeUpFillsItAndLaterOnesTopUpWhatPlayedOut) {
    PlayerOutputBuffer buffer = HalfSecondBuffer();
    EXPECT_EQ(Burst(buffer, 0), 5);
    EXPECT_EQ(Burst(buffer, 0.01), 0);    // 10 frames of room
    EXPECT_EQ(Burst(buffer, 0.105), 1);   // a block played out
    EXPECT_EQ(Burst(buffer, 0.41), 3);
    EXPECT_NEAR(buffer.BufferedFrames(0.41), 490, 1e-6);
}

TEST(PlayerOutputBuffer, AWriteIntoAnEmptyBufferStartsPlayingAndSaysHowLongItWasSilent) {
    PlayerOutputBuffer buffer = HalfSecondBuffer();
    EXPECT_TRUE(buffer.Add(kBlock, 1.0).Started);
    EXPECT_FALSE(buffer.Add(kBlock, 1.05).Started);
    const PlayerOutputBuffer::Write late = buffer.Add(kBlock, 1.5);  // ran dry at 1.2
    EXPECT_TRUE(late.Started);
    EXPECT_NEAR(late.SilentSeconds, 0.3, 1e-9);
}

TEST(PlayerOutputBuffer, ASeekDropsWhatWasNotPlayedSoTheNextWakeUpRefillsIt) {
    PlayerOutputBuffer buffer = HalfSecondBuffer();
    Burst(buffer, 0);
    EXPECT_NEAR(buffer.Empty(0.15), 350, 1e-6);
    EXPECT_TRUE(buffer.Fits(kBlock, 0.16));
    EXPECT_TRUE(buffer.Add(kBlock, 0.16).Started);
    EXPECT_EQ(Burst(buffer, 0.16), 4);
}

TEST(PlayerOutputBuffer, NothingPlaysOutWhileThePlayerIsPaused) {
    PlayerOutputBuffer buffer = HalfSecondBuffer();
    Burst(buffer, 0);
    buffer.Hold(0.1, 2.0);
    EXPECT_NEAR(buffer.BufferedFrames(2.1), 400, 1e-6);
    EXPECT_EQ(Burst(buffer, 2.1), 1);
}

}  // namespace
