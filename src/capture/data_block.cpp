#include "capture/data_block.h"

#include <cstring>
#include <new>

namespace {

// The bookkeeping in front of every block; its size keeps the block's own alignment.
struct alignas(16) BlockPrefix {
    uint32_t Size;
    uint8_t* NextSpare;
};

BlockPrefix* PrefixOf(const uint8_t* block) {
    return reinterpret_cast<BlockPrefix*>(const_cast<uint8_t*>(block) - sizeof(BlockPrefix));
}

}  // namespace

CaptureAllocationCounts& CaptureAllocations() {
    // Never destroyed: blocks may still be released while the process ends.
    static CaptureAllocationCounts* counts = new CaptureAllocationCounts();
    return *counts;
}

uint8_t* NewDataBlock(uint32_t size) {
    auto* memory = new (std::nothrow) uint8_t[sizeof(BlockPrefix) + size];
    if (memory == nullptr) return nullptr;
    std::memset(memory, 0, sizeof(BlockPrefix) + size);
    auto* prefix = new (memory) BlockPrefix{size, nullptr};
    CaptureAllocationCounts::Up(CaptureAllocations().BlocksAllocated);
    CaptureAllocationCounts::Up(CaptureAllocations().BlocksLive);
    return reinterpret_cast<uint8_t*>(prefix) + sizeof(BlockPrefix);
}

uint32_t DataBlockSize(const uint8_t* block) { return block == nullptr ? 0 : PrefixOf(block)->Size; }

void FreeDataBlock(uint8_t* block) {
    if (block == nullptr) return;
    delete[] reinterpret_cast<uint8_t*>(PrefixOf(block));
    CaptureAllocationCounts::Down(CaptureAllocations().BlocksLive);
}

void DataBlockFifo::PushBack(uint8_t* block) {
    if (block == nullptr) return;
    PrefixOf(block)->NextSpare = nullptr;
    if (tail_ != nullptr) {
        PrefixOf(tail_)->NextSpare = block;
    } else {
        head_ = block;
    }
    tail_ = block;
    count_ = count_ + 1;
}

uint8_t* DataBlockFifo::PopFront() {
    uint8_t* block = head_;
    if (block == nullptr) return nullptr;
    head_ = PrefixOf(block)->NextSpare;
    if (head_ == nullptr) tail_ = nullptr;
    PrefixOf(block)->NextSpare = nullptr;
    count_ = count_ - 1;
    return block;
}

void DataBlockFifo::FreeAll() {
    while (uint8_t* block = PopFront()) FreeDataBlock(block);
}
