// What the capture thread hands the mixing engine: one recorded buffer with the
// push-to-talk marks that happened while it was recorded.
#pragma once

#include <cstdint>

// One push-to-talk event. Marks form a chain, earliest first.
struct CaptureMark {
    uint8_t On = 0;              // 1 = push-to-talk pressed, 0 = released
    double When = 0.0;           // local date-time in days, millisecond resolution
    int32_t Sample = 0;          // interleaved sample index in the buffer; negative = before it
    CaptureMark* NextPTT = nullptr;
};

// One recorded buffer as the mixer receives it. When nothing is available every field is
// zero or null.
struct CaptureBuffer {
    int32_t srate = 0;
    int32_t nch = 0;
    int32_t bps = 0;
    int32_t numsamples = 0;       // interleaved sample values, all channels counted
    uint8_t* data = nullptr;      // owned by the mixer until given back to the capture thread
    CaptureMark* events = nullptr;  // owned by the mixer
};
