#include "core/bypass.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "core/mix_state.h"

namespace {

std::vector<int16_t> Ramp(int values, int16_t start) {
    std::vector<int16_t> block(values);
    for (int i = 0; i < values; ++i) block[i] = static_cast<int16_t>(start + i);
    return block;
}

class BypassTest : public ::testing::Test {
protected:
    void SetUp() override { Clear(); }
    void TearDown() override { Clear(); }

    static void Clear() {
        BypassFreeCopy();
        BypassCopy = BypassCopyRecord{};
        BypassSaved = false;
        BypassActive = false;
        MixState.EnableBypass = false;
    }

    static void TurnOn() {
        ASSERT_EQ(BypassInit(true, true), 0);
        MixState.SetEnableBypass(true);
    }
};

TEST_F(BypassTest, InitNeedsTheMixInModuleAndTheConfiguration) {
    EXPECT_EQ(BypassInit(true, false), 1);
    EXPECT_EQ(BypassInit(false, true), 1);
    EXPECT_FALSE(BypassActive);
    EXPECT_EQ(BypassInit(true, true), 0);
    EXPECT_TRUE(BypassActive);
    EXPECT_EQ(BypassInit(true, true), 1) << "a second Init fails";
    BypassQuit();
    EXPECT_FALSE(BypassActive);
}

TEST_F(BypassTest, MixInThenBypassGivesTheHostItsOwnBlock) {
    TurnOn();
    for (int round = 0; round < 3; ++round) {
        auto block = Ramp(576 * 2, static_cast<int16_t>(100 * round));
        const auto original = block;
        BypassSaveStep(block.data(), 576, 16, 2, 44100);
        EXPECT_TRUE(BypassSaved);
        for (auto& v : block) v = static_cast<int16_t>(v * 3);  // what the mix does
        EXPECT_EQ(BypassModifySamples(block.data(), 576, 16, 2, 44100), 576);
        EXPECT_EQ(block, original);
        EXPECT_FALSE(BypassSaved);
    }
}

TEST_F(BypassTest, BypassBeforeMixInLetsTheMixThrough) {
    TurnOn();
    auto block = Ramp(576 * 2, 7);
    BypassSaveStep(block.data(), 576, 16, 2, 44100);
    EXPECT_EQ(BypassModifySamples(block.data(), 576, 16, 2, 44100), 576);
    for (auto& v : block) v = static_cast<int16_t>(v + 1);  // the mix, after the Bypass entry
    EXPECT_EQ(block, Ramp(576 * 2, 8));
}

TEST_F(BypassTest, NothingIsKeptWhileBypassIsOffOrInactive) {
    auto block = Ramp(64, 0);
    BypassSaveStep(block.data(), 32, 16, 2, 44100);  // inactive, not enabled
    EXPECT_EQ(BypassCopy.Data, nullptr);
    EXPECT_FALSE(BypassSaved);

    ASSERT_EQ(BypassInit(true, true), 0);  // active but not enabled
    BypassSaveStep(block.data(), 32, 16, 2, 44100);
    EXPECT_EQ(BypassCopy.Data, nullptr);
}

TEST_F(BypassTest, SwitchingOffFreesTheCopyAtTheNextBlock) {
    TurnOn();
    auto block = Ramp(64, 0);
    BypassSaveStep(block.data(), 32, 16, 2, 44100);
    ASSERT_NE(BypassCopy.Data, nullptr);

    MixState.SetEnableBypass(false);
    auto next = Ramp(64, 500);
    BypassSaveStep(next.data(), 32, 16, 2, 44100);
    EXPECT_EQ(BypassCopy.Data, nullptr);
    EXPECT_FALSE(BypassSaved);

    const auto before = next;
    EXPECT_EQ(BypassModifySamples(next.data(), 32, 16, 2, 44100), 32);
    EXPECT_EQ(next, before);
}

TEST_F(BypassTest, AnUnrestoredCopyOfTheSameFormatStaysUntouched) {
    TurnOn();
    auto first = Ramp(64, 0);
    BypassSaveStep(first.data(), 32, 16, 2, 44100);
    auto second = Ramp(64, 1000);
    BypassSaveStep(second.data(), 32, 16, 2, 44100);  // first was never put back
    auto out = Ramp(64, -5);
    EXPECT_EQ(BypassModifySamples(out.data(), 32, 16, 2, 44100), 32);
    EXPECT_EQ(out, first);
}

TEST_F(BypassTest, FormatSwitchReallocatesAndRefillsTheCopy) {
    TurnOn();
    auto stereo16 = Ramp(576 * 2, 0);
    BypassSaveStep(stereo16.data(), 576, 16, 2, 44100);
    // An unrestored copy of another format is replaced at once.
    std::vector<uint8_t> mono8(576);
    for (int i = 0; i < 576; ++i) mono8[i] = static_cast<uint8_t>(i * 7);
    BypassSaveStep(mono8.data(), 576, 8, 1, 22050);
    EXPECT_EQ(BypassCopy.Bps, 8);
    EXPECT_EQ(BypassCopy.Nch, 1);
    EXPECT_EQ(BypassCopy.SRate, 22050);
    EXPECT_EQ(BypassCopy.NumSamples, 576);

    std::vector<uint8_t> out(576 * 2, 0xEE);  // the host's room: twice the frames
    EXPECT_EQ(BypassModifySamples(out.data(), 576, 8, 1, 22050), 576);
    EXPECT_TRUE(std::equal(mono8.begin(), mono8.end(), out.begin()));
    EXPECT_EQ(out[576], 0xEE) << "nothing written past the saved block";
}

TEST_F(BypassTest, BlockOfAnotherFormatAtTheBypassEntryPassesUnchanged) {
    TurnOn();
    auto block = Ramp(64, 0);
    BypassSaveStep(block.data(), 32, 16, 2, 44100);
    auto other = Ramp(64, 300);
    const auto before = other;
    EXPECT_EQ(BypassModifySamples(other.data(), 64, 16, 1, 44100), 64);  // channels differ
    EXPECT_EQ(BypassModifySamples(other.data(), 32, 16, 2, 48000), 32);  // rate differs
    EXPECT_EQ(other, before);
    EXPECT_TRUE(BypassSaved) << "the copy stays marked as not put back";
}

TEST_F(BypassTest, ShorterCountAtTheBypassEntryRestoresTheWholeSavedBlock) {
    TurnOn();
    auto block = Ramp(576 * 2 * 2, 0);  // host block of 576 stereo frames, room for twice that
    const std::vector<int16_t> saved(block.begin(), block.begin() + 576 * 2);
    BypassSaveStep(block.data(), 576, 16, 2, 44100);
    std::fill(block.begin(), block.end(), int16_t{-1});
    // A module before the Bypass entry halved the count.
    EXPECT_EQ(BypassModifySamples(block.data(), 288, 16, 2, 44100), 576);
    EXPECT_TRUE(std::equal(saved.begin(), saved.end(), block.begin()));
    EXPECT_EQ(block[576 * 2], -1);
}

TEST_F(BypassTest, LongerCountAtTheBypassEntryNeverReadsPastTheCopy) {
    TurnOn();
    auto block = Ramp(100 * 2, 0);
    BypassSaveStep(block.data(), 100, 16, 2, 44100);
    // A module doubled the count; the buffer holds the doubled block.
    std::vector<int16_t> doubled(200 * 2 * 2, 9);
    EXPECT_EQ(BypassModifySamples(doubled.data(), 200, 16, 2, 44100), 100);
    EXPECT_TRUE(std::equal(block.begin(), block.end(), doubled.begin()));
    EXPECT_EQ(doubled[100 * 2], 9);
}

TEST_F(BypassTest, CountFarBelowTheCopyNeverWritesPastTheRoomItImplies) {
    TurnOn();
    auto block = Ramp(576 * 2, 0);
    BypassSaveStep(block.data(), 576, 16, 2, 44100);
    // A caller that hands 100 frames has room for 200 at the most.
    std::vector<int16_t> small(200 * 2);
    EXPECT_EQ(BypassModifySamples(small.data(), 100, 16, 2, 44100), 200);
    EXPECT_TRUE(std::equal(small.begin(), small.end(), block.begin()));
}

TEST_F(BypassTest, EmptyOrNonsenseBlocksAreNeverSaved) {
    TurnOn();
    auto block = Ramp(64, 0);
    BypassSaveStep(block.data(), 0, 16, 2, 44100);
    EXPECT_EQ(BypassCopy.Data, nullptr);
    BypassSaveStep(block.data(), -5, 16, 2, 44100);
    EXPECT_EQ(BypassCopy.Data, nullptr);
    BypassSaveStep(block.data(), 32, 4, 2, 44100);  // under one byte per sample
    EXPECT_EQ(BypassCopy.Data, nullptr);
    EXPECT_FALSE(BypassSaved);
}

}  // namespace
