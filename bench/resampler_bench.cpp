// The recorded stream's resampler, per sample value, beside the mixing step (mixer_bench):
// a Lowest buffer (10 ms, 16-bit stereo at 44100 Hz) resampled at a ratio a drifting
// microphone needs, and the same buffer at a ratio of exactly 1 (passed unchanged).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "capture/recorded_resampler.h"

namespace {

constexpr int kRate = 44100;
constexpr int kNch = 2;
constexpr int kFrames = 441;

void ResampleBench(benchmark::State& state, double ratio) {
    RecordedResampler resampler;
    const int64_t capacity = kFrames + RecordedResampler::GrowthFrames(kFrames);
    resampler.Configure(kRate, 16, kNch, kFrames);
    std::vector<int16_t> tone(static_cast<size_t>(kFrames * kNch));
    for (int f = 0; f < kFrames; ++f) {
        tone[2 * f] = tone[2 * f + 1] = static_cast<int16_t>(12000.0 * std::sin(2.0 * std::numbers::pi * 997.0 * f / kRate));
    }
    std::vector<int16_t> block(static_cast<size_t>(capacity * kNch));
    for (auto _ : state) {
        std::copy(tone.begin(), tone.end(), block.begin());
        benchmark::DoNotOptimize(
            resampler.Process(reinterpret_cast<uint8_t*>(block.data()), kFrames, capacity, ratio));
    }
    // CPU time per sample value, as mixer_bench prints it.
    state.counters["per_value"] = benchmark::Counter(
        kFrames * kNch, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

BENCHMARK_CAPTURE(ResampleBench, drifting_300ppm, 1.0003);
BENCHMARK_CAPTURE(ResampleBench, clocks_agree, 1.0);

}  // namespace
