#include "capture/latency_profile.h"

#include "capture/capture_format.h"

namespace {

// Chosen by measuring under Wine with PulseAudio (docs/benchmarks.md, "make latency"): the
// device delivers every 10 ms, so 10 ms buffers are the shortest that arrive steadily. In
// the ramped settings the reserve kept beyond the block being mixed follows how late the
// buffers arrive (a high quantile of their lateness and a margin), never less than the
// setting's least reserve: Low keeps 60 ms whatever the arrivals, which rides out a busy
// machine. Each underrun adds one buffer (the priming reserve counts from the setting's
// own) until a quiet stretch takes it back. The device holds more buffers than any reserve
// (memory, not delay), so it never runs dry.
constexpr LatencyProfile kProfiles[kLatencyModeCount] = {
    {"Classic", "About 2.5 s late; rides out any hiccup.", 2, 5, 5, false, 0.0},
    {"Low", "About 0.1 s late; fine on most machines.", 50, 10, 4, true, 0.060},
    {"Lowest", "About 40 ms late; a busy machine drops out.", 100, 12, 3, true, 0.010},
};

}  // namespace

const LatencyProfile& ProfileOf(LatencyMode mode) {
    const auto index = static_cast<int>(mode);
    return kProfiles[index >= 0 && index < kLatencyModeCount ? index : 0];
}

LatencyMode LatencyModeFromNumber(int64_t number) {
    return number >= 0 && number < kLatencyModeCount ? static_cast<LatencyMode>(number) : LatencyMode::Classic;
}

int32_t LatencyBufferSize(LatencyMode mode, int32_t sampleRate, int32_t bitsPerSample, int32_t channels) {
    if (mode == LatencyMode::Classic) return CaptureBufferSize(sampleRate, bitsPerSample, channels);
    const int64_t frameBytes = int64_t{bitsPerSample} / kBitsPerByte * channels;
    const int64_t frames = int64_t{sampleRate} / ProfileOf(mode).BuffersPerSecond;
    const int64_t size = frames * frameBytes;
    return size <= 0 || size > INT32_MAX ? 0 : static_cast<int32_t>(size);
}
