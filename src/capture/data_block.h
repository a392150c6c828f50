// Data blocks: the PCM memory of capture buffers.
//
// A block remembers its own size, so that a block of an earlier format is never re-armed
// with a larger buffer size, and can be chained in a spare list without any allocation.
// Blocks are allocated on the capture thread only; they may be released on any thread (the
// mixer releases a block it took before a reset). Every allocation and release is counted
// process-wide, so tests can prove that nothing leaks and that steady recording reuses
// its blocks.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "base/relaxed_atomic.h"

// Counters changed from several threads (read-modify-write, relaxed: they order nothing).
struct CaptureAllocationCounts {
    std::atomic<int32_t> BlocksAllocated{0};   // data blocks ever allocated
    std::atomic<int32_t> BlocksLive{0};        // data blocks allocated and not yet released
    std::atomic<int32_t> HeadersAllocated{0};  // capture headers ever allocated
    std::atomic<int32_t> HeadersLive{0};       // capture headers allocated and not yet released

    static void Up(std::atomic<int32_t>& counter) { counter.fetch_add(1, std::memory_order_relaxed); }
    static void Down(std::atomic<int32_t>& counter) { counter.fetch_sub(1, std::memory_order_relaxed); }
};

// The process-wide counters (the capture thread counts its headers here too).
CaptureAllocationCounts& CaptureAllocations();

// A zeroed block of `size` bytes, or null when memory is short.
uint8_t* NewDataBlock(uint32_t size);
// The size the block was allocated with.
uint32_t DataBlockSize(const uint8_t* block);
// Releases a block (null is ignored).
void FreeDataBlock(uint8_t* block);

// A FIFO of blocks, linked through the blocks' own bookkeeping (no allocation). Owned and
// changed by one thread; Count may be read by others (approximate).
class DataBlockFifo {
public:
    DataBlockFifo() = default;
    ~DataBlockFifo() { FreeAll(); }
    DataBlockFifo(const DataBlockFifo&) = delete;
    DataBlockFifo& operator=(const DataBlockFifo&) = delete;

    void PushBack(uint8_t* block);
    uint8_t* PopFront();  // null when empty
    void FreeAll();
    int32_t Count() const { return count_; }

private:
    uint8_t* head_ = nullptr;
    uint8_t* tail_ = nullptr;
    RelaxedAtomic<int32_t> count_{0};
};
