// TWaveInRecThread's watchdog, on the capture thread's timer: a recording device that has
// stopped delivering is closed and reopened once it is back.
//
// A device can vanish without a word: Wine's wave-in over PulseAudio, when the source goes
// away, simply sends no more buffers (no error, no close message; the stop still works, the
// reset fails, the close works, and opening the device fails until it returns). So the
// sign of a lost device is time: a started device that has returned no buffer for several
// buffer lengths. A device that reports a fatal error while recording is taken as lost too
// (AddToDevice).
#include "capture/wave_in_rec_thread.h"

#include <algorithm>

void TWaveInRecThread::Watchdog() {
    const uint32_t now = tick_();
    if (deliveryExpected_ && device_ != nullptr && IsStateIn(state_, {kStateOpen, kStateDataReady}) &&
        now - lastDelivery_ >= StallLimitMs()) {
        DeclareLost();
        return;
    }
    // The mixer's open of a lost device failed (it is still missing), or its handle proved
    // invalid while closing: try again, at a bounded rate, until it is back.
    if (trouble_ == kTroubleDeviceLost && device_ == nullptr && IsStateIn(state_, {kStateError, kStateUninit}) &&
        now - lastOpenAttempt_ >= kReopenIntervalMs) {
        SetState(kStateInit);
        Open();
    }
}

void TWaveInRecThread::DeclareLost() {
    trouble_ = kTroubleDeviceLost;
    deliveryExpected_ = false;
    // Drops what was recorded, closes the device (its buffers come back or are released with
    // the handle) and ends Idle, where the mixer asks for the device again.
    Reset();
    lastOpenAttempt_ = tick_();
}

uint32_t TWaveInRecThread::StallLimitMs() const {
    const int64_t bytesPerSecond = int64_t{sampleRate_} * (bitsPerSample_ / kBitsPerByte) * channels_;
    const int32_t size = buffSize_;
    if (bytesPerSecond <= 0 || size <= 0) return kStallMinimumMs;
    const uint64_t bufferMs = static_cast<uint64_t>(size) * 1000u / static_cast<uint64_t>(bytesPerSecond);
    return static_cast<uint32_t>(std::max<uint64_t>(kStallMinimumMs, bufferMs * kStallBufferLengths));
}
