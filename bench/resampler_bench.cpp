// The recorded stream's resampler, per sample value, beside the mixing step (mixer_bench):
// a Lowest buffer (10 ms, 16-bit stereo at 44100 Hz) of a 997 Hz tone resampled at a ratio a
// drifting microphone needs, and the same buffer at a ratio of exactly 1 (passed unchanged).
// Each case also reports what the resampling does to the tone: over 32768 frames of its
// output (Blackman-Harris window), the energy farther than 40 Hz from the tone against the
// tone's own, in dB ("impurity_dB"; the 16-bit tone itself gives about -92).
#include <benchmark/benchmark.h>

#include <cmath>
#include <complex>
#include <cstdint>
#include <numbers>
#include <vector>

#include "capture/recorded_resampler.h"

namespace {

constexpr int kRate = 44100;
constexpr int kNch = 2;
constexpr int kFrames = 441;
constexpr double kToneHz = 997.0;
constexpr size_t kSpectrumFrames = 32768;

void Fft(std::vector<std::complex<double>>& a) {
    const size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    for (size_t length = 2; length <= n; length <<= 1) {
        const double angle = -2.0 * std::numbers::pi / static_cast<double>(length);
        const std::complex<double> step(std::cos(angle), std::sin(angle));
        for (size_t i = 0; i < n; i += length) {
            std::complex<double> w(1.0);
            for (size_t j = 0; j < length / 2; ++j, w *= step) {
                const std::complex<double> u = a[i + j], v = a[i + j + length / 2] * w;
                a[i + j] = u + v;
                a[i + j + length / 2] = u - v;
            }
        }
    }
}

// The left channel's impurity from frame `first` on.
double ImpurityDb(const std::vector<int16_t>& stream, size_t first) {
    std::vector<std::complex<double>> a(kSpectrumFrames);
    for (size_t i = 0; i < kSpectrumFrames; ++i) {
        const double x = 2.0 * std::numbers::pi * static_cast<double>(i) / (kSpectrumFrames - 1);
        const double window = 0.35875 - 0.48829 * std::cos(x) + 0.14128 * std::cos(2 * x) - 0.01168 * std::cos(3 * x);
        a[i] = window * stream[2 * (first + i)];
    }
    Fft(a);
    double tone = 0.0, rest = 0.0;
    for (size_t k = 1; k < kSpectrumFrames / 2; ++k) {
        const double hz = static_cast<double>(k) * kRate / kSpectrumFrames;
        (std::fabs(hz - kToneHz) <= 40.0 ? tone : rest) += std::norm(a[k]);
    }
    return 10.0 * std::log10(rest / tone);
}

void ResampleBench(benchmark::State& state, double ratio) {
    RecordedResampler resampler;
    const int64_t capacity = kFrames + RecordedResampler::GrowthFrames(kFrames);
    resampler.Configure(kRate, 16, kNch, kFrames);
    int64_t position = 0;
    auto tone = [&position](int16_t* out) {
        for (int f = 0; f < kFrames; ++f, ++position) {
            const double v = 16000.0 * std::sin(2.0 * std::numbers::pi * kToneHz * static_cast<double>(position) / kRate);
            out[2 * f] = out[2 * f + 1] = static_cast<int16_t>(std::lround(v));
        }
    };
    std::vector<int16_t> block(static_cast<size_t>(capacity * kNch));
    std::vector<int16_t> stream;
    while (stream.size() < 2 * (kRate + kSpectrumFrames)) {
        tone(block.data());
        const int64_t made = resampler.Process(reinterpret_cast<uint8_t*>(block.data()), kFrames, capacity, ratio);
        stream.insert(stream.end(), block.begin(), block.begin() + made * kNch);
    }
    std::vector<int16_t> buffer(block.begin(), block.begin() + kFrames * kNch);
    for (auto _ : state) {
        std::copy(buffer.begin(), buffer.end(), block.begin());
        benchmark::DoNotOptimize(
            resampler.Process(reinterpret_cast<uint8_t*>(block.data()), kFrames, capacity, ratio));
    }
    // CPU time per sample value, as mixer_bench prints it.
    state.counters["per_value"] = benchmark::Counter(
        kFrames * kNch, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["impurity_dB"] = ImpurityDb(stream, kRate);
}

BENCHMARK_CAPTURE(ResampleBench, mic_300ppm_fast, 1.0003);
BENCHMARK_CAPTURE(ResampleBench, mic_300ppm_slow, 0.9997);
BENCHMARK_CAPTURE(ResampleBench, mic_1000ppm_fast, 1.001);
BENCHMARK_CAPTURE(ResampleBench, clocks_agree, 1.0);

}  // namespace
