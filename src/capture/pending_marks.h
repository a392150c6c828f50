// PendingMarks: the push-to-talk marks queued since the last recorded buffer came back,
// earliest first, and the release tail.
//
// A mark is stamped with the local time of its event. A release may be stamped later than
// now, by the release tail (PTTReleaseDelay): push-to-talk stays on until then, so the last
// syllable is not cut. Such a mark stays pending until a buffer comes back at or after its
// time, and then lands in that buffer at the sample of its time. A press queued while a tail
// runs drops the release still ahead of it: the talk goes on without a gap.
//
// Not locked: the capture thread keeps it under MarksLock. Owns every mark it holds.
#pragma once

#include <cstdint>

#include "capture/capture_types.h"

// The longest release tail, seconds.
inline constexpr double kLongestReleaseTailSeconds = 5.0;

class PendingMarks {
public:
    PendingMarks() = default;
    ~PendingMarks();
    PendingMarks(const PendingMarks&) = delete;
    PendingMarks& operator=(const PendingMarks&) = delete;

    // Takes `mark` into the queue, in order of its time (after marks of the same time). A
    // press drops every release stamped later than itself.
    void Push(CaptureMark* mark);
    // The marks due at `now` (local date-time in days), earliest first, as a chain the caller
    // owns. A mark is due once its time has come, or when it lies further ahead than any
    // tail can (the local clock was set back): a tail never outlasts a clock change.
    CaptureMark* TakeDue(double now);
    // Every pending mark, as a chain the caller owns.
    CaptureMark* TakeAll();
    int32_t Count() const { return count_; }

private:
    CaptureMark* head_ = nullptr;
    int32_t count_ = 0;
};
