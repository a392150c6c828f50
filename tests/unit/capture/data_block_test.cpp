#include "capture/data_block.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <thread>
#include <vector>

namespace {

TEST(DataBlock, RemembersItsSizeAndIsZeroedAndAligned) {
    uint8_t* block = NewDataBlock(88200);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(DataBlockSize(block), 88200u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % 8, 0u);
    for (uint32_t i = 0; i < 88200; i += 997) EXPECT_EQ(block[i], 0);
    block[88199] = 0x7F;  // the whole size is usable
    FreeDataBlock(block);
    FreeDataBlock(nullptr);
    EXPECT_EQ(DataBlockSize(nullptr), 0u);
}

TEST(DataBlock, EveryAllocationAndReleaseIsCounted) {
    auto& counts = CaptureAllocations();
    const int32_t allocated = counts.BlocksAllocated.load();
    const int32_t live = counts.BlocksLive.load();
    uint8_t* a = NewDataBlock(16);
    uint8_t* b = NewDataBlock(0);
    EXPECT_EQ(counts.BlocksAllocated.load(), allocated + 2);
    EXPECT_EQ(counts.BlocksLive.load(), live + 2);
    FreeDataBlock(a);
    FreeDataBlock(b);
    EXPECT_EQ(counts.BlocksLive.load(), live);
    EXPECT_EQ(counts.BlocksAllocated.load(), allocated + 2);
}

TEST(DataBlock, ReleasesFromSeveralThreadsKeepTheCountExact) {
    auto& counts = CaptureAllocations();
    const int32_t live = counts.BlocksLive.load();
    std::vector<uint8_t*> blocks;
    for (int i = 0; i < 2000; ++i) blocks.push_back(NewDataBlock(8));
    std::thread other([&] {
        for (size_t i = 0; i < blocks.size(); i += 2) FreeDataBlock(blocks[i]);
    });
    for (size_t i = 1; i < blocks.size(); i += 2) FreeDataBlock(blocks[i]);
    other.join();
    EXPECT_EQ(counts.BlocksLive.load(), live);
}

TEST(DataBlockFifo, FirstInFirstOutWithoutAllocating) {
    DataBlockFifo fifo;
    uint8_t* a = NewDataBlock(4);
    uint8_t* b = NewDataBlock(4);
    uint8_t* c = NewDataBlock(4);
    const int32_t allocated = CaptureAllocations().BlocksAllocated.load();
    fifo.PushBack(a);
    fifo.PushBack(b);
    fifo.PushBack(nullptr);  // ignored
    EXPECT_EQ(fifo.Count(), 2);
    EXPECT_EQ(fifo.PopFront(), a);
    fifo.PushBack(c);
    EXPECT_EQ(fifo.PopFront(), b);
    EXPECT_EQ(fifo.PopFront(), c);
    EXPECT_EQ(fifo.PopFront(), nullptr);
    EXPECT_EQ(fifo.Count(), 0);
    EXPECT_EQ(CaptureAllocations().BlocksAllocated.load(), allocated);
    fifo.PushBack(a);
    fifo.PushBack(b);
    fifo.PushBack(c);
}  // the FIFO releases what it still holds (ASan would report a leak)

}  // namespace
