// Where a push-to-talk event falls inside the buffer that came back after it.
//
// When a buffer comes back at time `now`, its last recorded sample value is at index
// numsamples; an event that happened (now - when) earlier lies that many seconds of
// interleaved sample values before it. The result may be negative (the event came before the
// buffer's first sample). Computed once per buffer on the capture thread, so that the mixer
// only compares integers.
#pragma once

#include <cstdint>

inline constexpr double kSecondsPerDay = 86400.0;

// truncate( bytesRecorded / (bits / 8) - (now - when) x 86400 x rate x channels ), the first
// term an unsigned integer division, the rest in floating point. `now` and `when` are
// date-times in days.
int32_t MarkSamplePosition(uint32_t bytesRecorded, int32_t bitsPerSample, double now, double when,
                           int32_t sampleRate, int32_t channels);
