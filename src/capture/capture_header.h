// A capture buffer's header: the platform's WAVEHDR (what the device sees) followed by the
// thread's own bookkeeping, and the list that holds headers without allocating.
//
// A header is in at most one list at a time (prepared, at the device, recorded) or travels
// alone in a message (to be recycled). Headers are allocated on the capture thread; the
// playback thread only detaches a recorded header's block and posts the header back.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <cstdint>

#include "capture/capture_types.h"
#include "base/relaxed_atomic.h"

struct CaptureHeader {
    WAVEHDR Wave{};                 // first, so the device's pointer is the header's own
    CaptureMark* Marks = nullptr;   // while recorded: the push-to-talk marks inside it
    CaptureHeader* Next = nullptr;  // link of the list that holds it
};

// A zeroed header (counted in CaptureAllocations), or null when memory is short.
CaptureHeader* NewCaptureHeader();
// Releases the header, its data block and any marks still chained to it (null is ignored).
void FreeCaptureHeader(CaptureHeader* header);

// A FIFO of headers linked through their Next field. Changed by one thread at a time (the
// owner, or whoever holds its lock); Count may be read by others without a lock.
class HeaderList {
public:
    HeaderList() = default;
    HeaderList(const HeaderList&) = delete;
    HeaderList& operator=(const HeaderList&) = delete;

    void PushBack(CaptureHeader* header);
    CaptureHeader* PopFront();  // null when empty
    // Takes out the header whose WAVEHDR is `wave`; null when it is not in the list.
    CaptureHeader* Remove(const WAVEHDR* wave);
    // Detaches the whole chain (oldest first, linked by Next) and leaves the list empty.
    CaptureHeader* TakeAll();
    int32_t Count() const { return count_; }
    // The bytes recorded in all its headers (by the thread that may change it).
    int64_t BytesRecorded() const;

private:
    CaptureHeader* head_ = nullptr;
    CaptureHeader* tail_ = nullptr;
    RelaxedAtomic<int32_t> count_{0};
};
