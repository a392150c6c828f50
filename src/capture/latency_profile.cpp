#include "capture/latency_profile.h"

#include "capture/capture_format.h"

namespace {

// Chosen by measuring under Wine with PulseAudio (docs/benchmarks.md, "make latency"): the
// device delivers every 10 ms, so 10 ms buffers are the shortest that arrive steadily. In
// the ramped settings the reserve is kept beyond the block being mixed, so a delivery may
// come the reserve less one buffer late: Lowest's three 10 ms buffers leave 20 ms (two left
// 10 ms and dropped out about once a minute), Low's four 20 ms buffers 60 ms, which rides
// out a busy machine. The device holds more buffers than the reserve (memory, not
// delay), so it never runs dry.
constexpr LatencyProfile kProfiles[kLatencyModeCount] = {
    {"Classic", "About 2.5 s late; rides out any hiccup.", 2, 5, 5, false},
    {"Low", "About 0.1 s late; fine on most machines.", 50, 10, 4, true},
    {"Lowest", "About 50 ms late; a busy machine drops out.", 100, 12, 3, true},
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
