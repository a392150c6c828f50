// Slows down guessing of the token: an address that sent kMostFailures requests with a
// missing or wrong token within kFailureWindowMs is answered 429 for kPenaltyMs, whatever it
// sends (a right token included, or the wait would tell it which guess was right).
//
// Threads: the server's one thread. Memory: at most kMostAddresses addresses are followed;
// records whose failures and penalty have expired make way first, and while every place is
// taken by a live record a new address is not followed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <unordered_map>

class BadTokenThrottle {
public:
    static constexpr size_t kMostFailures = 5;
    static constexpr int64_t kFailureWindowMs = 10000;
    static constexpr int64_t kPenaltyMs = 10000;
    static constexpr size_t kMostAddresses = 4096;

    // Milliseconds `address` must still wait; 0 when it may ask.
    int64_t WaitLeftMs(const std::string& address, int64_t nowMs);
    // A request from `address` had no token or a wrong one.
    void Failed(const std::string& address, int64_t nowMs);

private:
    struct Record {
        std::deque<int64_t> Failures;  // times within the window, oldest first
        int64_t BlockedUntil = 0;
    };
    static void Forget(Record& record, int64_t nowMs);
    void MakeRoom(int64_t nowMs);

    std::unordered_map<std::string, Record> records_;
};
