// A capture queue driven by the test: its state, its recorded buffers and their marks are
// set by hand, and every request the mixer makes is recorded. With `followRequests` the
// state moves at once to where the capture thread would end up (open -> Open, start ->
// DataReady, stop -> Stop, pause -> Paused, reset -> Idle).
//
// It owns the data blocks and marks it has not handed out; the mixer gives blocks back
// (ReturnDataBlock / ReleaseDataBlock) and frees marks through ReleaseMarkChain, which
// this queue counts, so a test can see that nothing is lost or freed twice.
#pragma once

#include <cstdint>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "capture/capture_queue.h"

struct RecordedFormat {
    int32_t srate = 44100;
    int32_t nch = 2;
    int32_t bps = 16;
};

class ScriptedCaptureQueue : public CaptureQueue {
public:
    uint8_t state = kStateIdle;
    bool followRequests = true;

    std::vector<std::string> requests;
    std::string openedDevice;
    RecordedFormat openedFormat;
    LatencyMode latency = LatencyMode::Classic;
    double newestArrival = 1000.0;  // the manual clock's start: the newest buffer just arrived
    double clockRatio = 1.0;        // as the mixer's clock follower last set it
    double lateness = 0.0;          // what ArrivalLateness answers

    int blocksReturned = 0;
    int blocksReleased = 0;
    int marksFreed = 0;

    ~ScriptedCaptureQueue() override {
        for (CaptureBuffer& buffer : recorded_) {
            delete[] buffer.data;
            FreeChain(buffer.events);
        }
    }

    // Queues a recorded buffer holding `values` (interleaved sample values, all channels)
    // encoded in the format's width, with the given marks (earliest first).
    template <class T>
    void Record(const std::vector<T>& values, RecordedFormat format = {},
                CaptureMark* marks = nullptr) {
        const int bytes = format.bps / 8;
        CaptureBuffer buffer;
        buffer.srate = format.srate;
        buffer.nch = format.nch;
        buffer.bps = format.bps;
        buffer.numsamples = static_cast<int32_t>(values.size());
        buffer.data = new uint8_t[values.size() * bytes + 1];
        for (size_t i = 0; i < values.size(); ++i) {
            const int64_t v = static_cast<int64_t>(values[i]);
            for (int b = 0; b < bytes; ++b) buffer.data[i * bytes + b] = static_cast<uint8_t>(v >> (8 * b));
        }
        buffer.events = marks;
        recorded_.push_back(buffer);
    }

    // A chain of marks (On, Sample) in the order given.
    static CaptureMark* Marks(std::initializer_list<std::pair<int, int32_t>> marks) {
        CaptureMark* head = nullptr;
        CaptureMark** tail = &head;
        for (const auto& [on, sample] : marks) {
            *tail = new CaptureMark{static_cast<uint8_t>(on), 0.0, sample, nullptr};
            tail = &(*tail)->NextPTT;
        }
        return head;
    }

    uint8_t State() const override { return state; }
    bool RequestOpen(const std::string& deviceName, int32_t srate, int32_t bps,
                     int32_t nch) override {
        requests.push_back("Open");
        openedDevice = deviceName;
        openedFormat = {srate, nch, bps};
        if (followRequests) state = kStateOpen;
        return true;
    }
    void RequestStart() override {
        requests.push_back("Start");
        if (followRequests) state = kStateDataReady;
    }
    void RequestStop() override {
        requests.push_back("Stop");
        if (followRequests) state = kStateStop;
    }
    void RequestPause() override {
        requests.push_back("Pause");
        if (followRequests) state = kStatePaused;
    }
    void SetLatency(LatencyMode mode) override { latency = mode; }
    void RequestReset() override {
        requests.push_back("Reset");
        if (followRequests) state = kStateIdle;
    }

    int32_t RecordedCount() const override { return static_cast<int32_t>(recorded_.size()); }
    int64_t RecordedValues() const override {
        int64_t values = 0;
        for (const CaptureBuffer& buffer : recorded_) values += buffer.numsamples;
        return values;
    }
    void SetClockRatio(double ratio) override { clockRatio = ratio; }
    double ArrivalLateness() const override { return lateness; }
    double NewestArrival() const override { return newestArrival; }
    CaptureBuffer TakeRecordedBuffer() override {
        if (recorded_.empty()) return CaptureBuffer{};
        CaptureBuffer buffer = recorded_.front();
        recorded_.pop_front();
        return buffer;
    }
    void ReturnDataBlock(uint8_t* block) override {
        ++blocksReturned;
        delete[] block;
    }
    void ReleaseDataBlock(uint8_t* block) override {
        ++blocksReleased;
        delete[] block;
    }
    uint8_t ReleaseMarkChain(CaptureMark* chain) override {
        uint8_t last = 0;
        while (chain != nullptr) {
            last = chain->On;
            CaptureMark* next = chain->NextPTT;
            delete chain;
            ++marksFreed;
            chain = next;
        }
        return last;
    }

    int Count(const std::string& request) const {
        int n = 0;
        for (const std::string& r : requests) n += r == request;
        return n;
    }

private:
    static void FreeChain(CaptureMark* chain) {
        while (chain != nullptr) {
            CaptureMark* next = chain->NextPTT;
            delete chain;
            chain = next;
        }
    }

    std::deque<CaptureBuffer> recorded_;
};
