#include "capture/pending_marks.h"

#include "capture/mark_chain.h"
#include "capture/mark_position.h"

namespace {
// A mark further ahead than the longest tail (and a second for the clock's grain) can only
// come from a clock that was set back since it was stamped.
constexpr double kFurthestAheadDays = (kLongestReleaseTailSeconds + 1.0) / kSecondsPerDay;
}  // namespace

PendingMarks::~PendingMarks() { FreeMarkChain(head_); }

void PendingMarks::Push(CaptureMark* mark) {
    if (mark == nullptr) return;
    mark->NextPTT = nullptr;
    CaptureMark** link = &head_;
    while (*link != nullptr) {
        CaptureMark* queued = *link;
        if (mark->On != 0 && queued->On == 0 && queued->When > mark->When) {
            *link = queued->NextPTT;  // a tail still running: the press continues the talk
            queued->NextPTT = nullptr;
            FreeMarkChain(queued);
            --count_;
            continue;
        }
        if (queued->When > mark->When) break;
        link = &queued->NextPTT;
    }
    mark->NextPTT = *link;
    *link = mark;
    ++count_;
}

CaptureMark* PendingMarks::TakeDue(double now) {
    auto isDue = [now](const CaptureMark* mark) { return mark->When <= now || mark->When - now > kFurthestAheadDays; };
    if (head_ == nullptr || !isDue(head_)) return nullptr;
    CaptureMark* due = head_;
    CaptureMark* last = head_;
    --count_;
    while (last->NextPTT != nullptr && isDue(last->NextPTT)) {
        last = last->NextPTT;
        --count_;
    }
    head_ = last->NextPTT;
    last->NextPTT = nullptr;
    return due;
}

CaptureMark* PendingMarks::TakeAll() {
    CaptureMark* all = head_;
    head_ = nullptr;
    count_ = 0;
    return all;
}
