#include "stream_schedule.h"

#include <algorithm>
#include <cmath>

StreamSchedule::StreamSchedule(std::vector<StreamAction> actions, int sampleRate)
    : actions_(std::move(actions)), sampleRate_(sampleRate) {
    std::stable_sort(actions_.begin(), actions_.end(),
                     [](const StreamAction& a, const StreamAction& b) { return a.AtSeconds < b.AtSeconds; });
    dueFrames_.reserve(actions_.size());
    for (const StreamAction& action : actions_) dueFrames_.push_back(DueFrame(action, sampleRate_));
}

int64_t StreamSchedule::DueFrame(const StreamAction& action, int sampleRate) {
    return std::llround(action.AtSeconds * sampleRate);
}

std::span<const StreamAction> StreamSchedule::TakeDue(int64_t frame) {
    const size_t first = next_;
    while (next_ < actions_.size() && dueFrames_[next_] <= frame) ++next_;
    return std::span<const StreamAction>(actions_).subspan(first, next_ - first);
}

std::span<const StreamAction> StreamSchedule::Remaining() const {
    return std::span<const StreamAction>(actions_).subspan(next_);
}
