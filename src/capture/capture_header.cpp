#include "capture/capture_header.h"

#include <new>

#include "capture/data_block.h"

CaptureHeader* NewCaptureHeader() {
    auto* header = new (std::nothrow) CaptureHeader();
    if (header != nullptr) {
        CaptureAllocationCounts::Up(CaptureAllocations().HeadersAllocated);
        CaptureAllocationCounts::Up(CaptureAllocations().HeadersLive);
    }
    return header;
}

void FreeCaptureHeader(CaptureHeader* header) {
    if (header == nullptr) return;
    while (CaptureMark* mark = header->Marks) {
        header->Marks = mark->NextPTT;
        delete mark;
    }
    FreeDataBlock(reinterpret_cast<uint8_t*>(header->Wave.lpData));
    delete header;
    CaptureAllocationCounts::Down(CaptureAllocations().HeadersLive);
}

void HeaderList::PushBack(CaptureHeader* header) {
    if (header == nullptr) return;
    header->Next = nullptr;
    if (tail_ != nullptr) {
        tail_->Next = header;
    } else {
        head_ = header;
    }
    tail_ = header;
    count_ = count_ + 1;
}

CaptureHeader* HeaderList::PopFront() {
    CaptureHeader* header = head_;
    if (header == nullptr) return nullptr;
    head_ = header->Next;
    if (head_ == nullptr) tail_ = nullptr;
    header->Next = nullptr;
    count_ = count_ - 1;
    return header;
}

CaptureHeader* HeaderList::Remove(const WAVEHDR* wave) {
    CaptureHeader* previous = nullptr;
    for (CaptureHeader* header = head_; header != nullptr; previous = header, header = header->Next) {
        if (&header->Wave != wave) continue;
        (previous != nullptr ? previous->Next : head_) = header->Next;
        if (tail_ == header) tail_ = previous;
        header->Next = nullptr;
        count_ = count_ - 1;
        return header;
    }
    return nullptr;
}

CaptureHeader* HeaderList::TakeAll() {
    CaptureHeader* chain = head_;
    head_ = tail_ = nullptr;
    count_ = 0;
    return chain;
}

int64_t HeaderList::BytesRecorded() const {
    int64_t bytes = 0;
    for (const CaptureHeader* header = head_; header != nullptr; header = header->Next) {
        bytes += header->Wave.dwBytesRecorded;
    }
    return bytes;
}
