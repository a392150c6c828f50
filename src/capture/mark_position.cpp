#include "capture/mark_position.h"

#include <cmath>

#include "capture/capture_format.h"

int32_t MarkSamplePosition(uint32_t bytesRecorded, int32_t bitsPerSample, double now, double when,
                           int32_t sampleRate, int32_t channels) {
    const double samplesAgo = (now - when) * kSecondsPerDay * sampleRate * channels;
    const double position = std::trunc(RecordedSampleCount(bytesRecorded, bitsPerSample) - samplesAgo);
    // A clock that jumped by days must not overflow the integer: clamp to its range.
    if (!(position > INT32_MIN)) return INT32_MIN;
    if (position > INT32_MAX) return INT32_MAX;
    return static_cast<int32_t>(position);
}
