// The capture queue as the mixing engine sees it: the capture thread's state, the requests
// it accepts (each posted to the thread, returning at once) and its recorded-buffer queue.
// The capture thread implements it in the DLL; tests plug in a scripted queue.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include "capture/capture_types.h"
#include "capture/latency_profile.h"

enum CaptureState : uint8_t {
    kStateGoAway = 0,
    kStateIdle = 1,
    kStateInit = 2,
    kStateOpen = 3,
    kStateDataReady = 4,
    kStatePaused = 5,
    kStateReset = 6,
    kStateStop = 7,
    kStateClose = 8,
    kStateUninit = 9,
    kStateError = 10,
};

// The capture thread keeps at most this many recorded buffers (it drops the oldest beyond
// them), so a priming reserve larger than that could never be reached.
inline constexpr int32_t kRecordedLimit = 50;

// Whether the state is one of the given ones.
inline bool IsStateIn(uint8_t state, std::initializer_list<uint8_t> states) {
    for (uint8_t s : states) {
        if (s == state) return true;
    }
    return false;
}

// The status-line word of a state: "GoAway" ... "Error", "Unknown" for any other value.
const char* CaptureStateWord(uint8_t state);

class CaptureQueue {
public:
    virtual ~CaptureQueue() = default;

    virtual uint8_t State() const = 0;
    virtual bool RequestOpen(const std::string& deviceName, int32_t srate, int32_t bps,
                             int32_t nch) = 0;
    virtual void RequestStart() = 0;
    virtual void RequestStop() = 0;
    virtual void RequestPause() = 0;
    virtual void RequestReset() = 0;
    // The latency setting the next open uses for its buffer length and device depth. Called
    // by the mixer before RequestOpen, while no device is open.
    virtual void SetLatency(LatencyMode mode) = 0;

    virtual int32_t RecordedCount() const = 0;
    // The sample values (all channels counted) in the recorded buffers waiting.
    virtual int64_t RecordedValues() const = 0;
    // When the newest recorded buffer arrived, on the monotonic clock the mixer reads
    // (MonotonicSecondsNow). Set together with the buffer's entry in the queue, so read
    // after RecordedCount it is never older than the newest buffer counted.
    virtual double NewestArrival() const = 0;
    // The oldest recorded buffer with its marks, or the all-zero record.
    virtual CaptureBuffer TakeRecordedBuffer() = 0;
    // Gives a played data block back for reuse (only blocks of the current buffer size).
    virtual void ReturnDataBlock(uint8_t* block) = 0;
    // Frees a data block taken before a reset or format change instead of giving it back.
    virtual void ReleaseDataBlock(uint8_t* block) = 0;
    // Frees every mark of a chain; returns the On value of the last one (0 when empty).
    virtual uint8_t ReleaseMarkChain(CaptureMark* chain) = 0;

    // The ratio (input frames per output frame) at which the buffers that arrive from now
    // on are brought from the microphone's clock to the host's; exactly 1 leaves them as
    // recorded. Set by the mixer's clock follower.
    virtual void SetClockRatio(double ratio) = 0;
    // How late recorded buffers arrive against the device's steady rate: a high quantile
    // of the recent arrivals, in seconds (grows fast, shrinks slowly).
    virtual double ArrivalLateness() const = 0;
};
