// The latency settings: how long a capture buffer is, how many buffers the device holds
// and how many recorded buffers the mixer waits for before it mixes (the priming reserve).
//
// One description serves everyone who needs it: the capture thread sizes its buffers and
// its device queue from it, the mixing engine primes its reserve and decides whether the
// click-free underrun ramps and the reserve's recovery apply, and the configuration store
// and dialog read, show and save the choice. Pure; any thread.
//
// Classic is the original behaviour and the default: half-second buffers, five at the
// device, a reserve of five. Low and Lowest trade headroom against delay: short buffers,
// a small reserve that grows after an underrun and comes back down after a quiet stretch,
// and ramps instead of steps where the recorded data runs out.
#pragma once

#include <cstdint>

enum class LatencyMode : uint8_t { Classic = 0, Low = 1, Lowest = 2 };

inline constexpr int kLatencyModeCount = 3;

struct LatencyProfile {
    const char* Name;              // as the configuration dialog shows it
    const char* Tradeoff;          // the dialog's one-line explanation of the choice
    int32_t BuffersPerSecond;      // a capture buffer holds 1/BuffersPerSecond s of audio
    int32_t DeviceDepth;           // buffers kept queued at the device
    int32_t PrimingReserve;        // recorded buffers waiting before mixing starts (ramped
                                   // settings: beyond the block, as a delay)
    bool Ramped;                   // underrun ramps, fade-in after priming, reserve recovery
    double MinReserveSeconds;      // ramped settings: the least reserve beyond the block
};

// The profile of a mode; anything out of range is Classic.
const LatencyProfile& ProfileOf(LatencyMode mode);

// The mode a stored number stands for: 0, 1 or 2; anything else is Classic.
LatencyMode LatencyModeFromNumber(int64_t number);

// Bytes per capture buffer in a mode. Classic: (bits x channels x rate / 8) / 2, integer
// divisions, exactly as ever. The short buffers hold a whole number of frames, so a
// device never has to split a frame across two buffers. 0 for a format that makes no sense.
int32_t LatencyBufferSize(LatencyMode mode, int32_t sampleRate, int32_t bitsPerSample, int32_t channels);
