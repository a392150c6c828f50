// The arithmetic of a capture format: the PCM format record handed to the device, the size
// of one capture buffer (half a second), and the sample counts the mixer receives.
// Pure logic, used by the capture thread on its own thread and by the mixer's hand-over.
#pragma once

#include <cstdint>

#include "base/wave_format_tags.h"

inline constexpr int32_t kBitsPerByte = 8;
inline constexpr int32_t kBufferPartsPerSecond = 2;  // a capture buffer holds half a second

// The platform's PCMWAVEFORMAT, field for field.
struct PcmFormat {
    uint16_t wFormatTag = 0;
    uint16_t nChannels = 0;
    uint32_t nSamplesPerSec = 0;
    uint32_t nAvgBytesPerSec = 0;
    uint16_t nBlockAlign = 0;
    uint16_t wBitsPerSample = 0;
};

// PCM, the given channels and rate, nBlockAlign = (bits / 8) x channels,
// nAvgBytesPerSec = rate x nBlockAlign.
PcmFormat MakePcmFormat(int32_t sampleRate, int32_t bitsPerSample, int32_t channels);

// Bytes per capture buffer: (bits x channels x rate / 8) / 2, integer divisions.
int32_t CaptureBufferSize(int32_t sampleRate, int32_t bitsPerSample, int32_t channels);

// Interleaved sample values (all channels counted) in `bytesRecorded` bytes:
// bytes / (bits / 8), unsigned division; 0 for a format of fewer than 8 bits.
int32_t RecordedSampleCount(uint32_t bytesRecorded, int32_t bitsPerSample);
