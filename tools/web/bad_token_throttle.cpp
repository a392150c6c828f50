#include "bad_token_throttle.h"

#include <iterator>

void BadTokenThrottle::Forget(Record& record, int64_t nowMs) {
    while (!record.Failures.empty() && nowMs - record.Failures.front() >= kFailureWindowMs) {
        record.Failures.pop_front();
    }
}

int64_t BadTokenThrottle::WaitLeftMs(const std::string& address, int64_t nowMs) {
    const auto it = records_.find(address);
    if (it == records_.end()) return 0;
    return it->second.BlockedUntil > nowMs ? it->second.BlockedUntil - nowMs : 0;
}

void BadTokenThrottle::MakeRoom(int64_t nowMs) {
    for (auto it = records_.begin(); it != records_.end();) {
        Forget(it->second, nowMs);
        const bool expired = it->second.Failures.empty() && it->second.BlockedUntil <= nowMs;
        it = expired ? records_.erase(it) : std::next(it);
    }
}

void BadTokenThrottle::Failed(const std::string& address, int64_t nowMs) {
    if (records_.size() >= kMostAddresses && records_.find(address) == records_.end()) {
        MakeRoom(nowMs);
        if (records_.size() >= kMostAddresses) return;
    }
    Record& record = records_[address];
    if (record.BlockedUntil > nowMs) return;  // answered 429, not counted again
    Forget(record, nowMs);
    record.Failures.push_back(nowMs);
    if (record.Failures.size() >= kMostFailures) {
        record.Failures.clear();
        record.BlockedUntil = nowMs + kPenaltyMs;
    }
}
