// The mixing step on 16-bit stereo at 44100 Hz in Auto mode with the logarithmic curve, in
// 576-frame blocks: in steady state (triggered, gain position settled at 0.7) and with a
// fade in progress (the gain position moves every frame). Against, over the same buffers:
// the formulas read literally (curve and square root per sample value) and a plain
// saturating add. Each case first checks, untimed, that the engine's output equals the
// literal reading's sample for sample.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/mix_state.h"
#include "core/mixing_engine.h"
#include "unit/support/literal_mixer.h"

namespace {

constexpr int kFrames = 576;
constexpr int kNch = 2;
constexpr int kSrate = 44100;
constexpr int kValues = kFrames * kNch;
constexpr int kBlocksPerBuffer = 38;  // a recorded buffer of 21888 frames, about 0.5 s
constexpr int kWarmUpBlocks = 200;
constexpr int kCheckedBlocks = 400;

struct Signals {
    std::vector<int16_t> host;     // kBlocksPerBuffer blocks of music-like sound
    std::vector<int16_t> capture;  // one recorded buffer of a loud voice-like tone
    Signals() : host(kValues * kBlocksPerBuffer), capture(kValues * kBlocksPerBuffer) {
        uint32_t seed = 1;
        for (size_t i = 0; i < host.size(); ++i) {
            const double t = static_cast<double>(i / kNch) / kSrate;
            seed = seed * 1664525u + 1013904223u;
            host[i] = static_cast<int16_t>(9000 * std::sin(6.2831853 * 220 * t) +
                                           5000 * std::sin(6.2831853 * 330 * t) +
                                           static_cast<int16_t>(seed >> 16) / 64);
            capture[i] = static_cast<int16_t>(12000 * std::sin(6.2831853 * 150 * t) +
                                              6000 * std::sin(6.2831853 * 300 * t));
        }
    }
};

const Signals& TheSignals() {
    static const Signals signals;
    return signals;
}

// Hands out the same recorded buffer over and over, as a capture thread that always keeps
// up would.
class LoopingQueue : public CaptureQueue {
public:
    uint8_t State() const override { return kStateDataReady; }
    bool RequestOpen(const std::string&, int32_t, int32_t, int32_t) override { return true; }
    void RequestStart() override {}
    void RequestStop() override {}
    void RequestPause() override {}
    void RequestReset() override {}
    void SetLatency(LatencyMode) override {}
    int32_t RecordedCount() const override { return kRecordedLimit; }
    int64_t RecordedValues() const override {
        return int64_t{kRecordedLimit} * static_cast<int64_t>(TheSignals().capture.size());
    }
    void SetClockRatio(double) override {}
    double ArrivalLateness() const override { return 0.0; }
    double NewestArrival() const override { return 0.0; }
    CaptureBuffer TakeRecordedBuffer() override {
        CaptureBuffer buffer;
        buffer.srate = kSrate;
        buffer.nch = kNch;
        buffer.bps = 16;
        buffer.numsamples = static_cast<int32_t>(TheSignals().capture.size());
        buffer.data = const_cast<uint8_t*>(reinterpret_cast<const uint8_t*>(TheSignals().capture.data()));
        return buffer;
    }
    void ReturnDataBlock(uint8_t*) override {}
    void ReleaseDataBlock(uint8_t*) override {}
    uint8_t ReleaseMarkChain(CaptureMark*) override { return 0; }
};

class DiscardingSink : public NotificationSink {
public:
    void Post(uint32_t, intptr_t) override {}
};

class StillClock : public MixClock {
public:
    double LocalDateTime() override { return 45444.5; }
    double MonotonicSeconds() override { return 1000.0; }
};

struct Case {
    double fadeInSeconds;
};
constexpr Case kSteady{0.01};
constexpr Case kFading{1.0e5};  // the fade-in never ends while measured

LiteralMixSettings SettingsFor(Case c) {
    LiteralMixSettings s;
    s.mode = kModeAuto;
    s.thresholdPercent = 10.0;
    s.holdSeconds = 0.5;
    s.autoPercent = 0.7;
    s.fadeInSeconds = c.fadeInSeconds;
    s.fadeOutSeconds = 1.0;
    s.logarithmic = true;
    s.crossfade = true;
    return s;
}

struct EngineRig {
    MixStateRecord state;
    DiscardingSink sink;
    StillClock clock;
    LoopingQueue queue;
    MixingEngine engine{state, sink, clock};
    std::vector<int16_t> block = std::vector<int16_t>(kValues);
    int next = 0;

    explicit EngineRig(Case c) {
        const LiteralMixSettings s = SettingsFor(c);
        state.SetMSMode(kModeAuto);
        state.SetAutoMixThresh(s.thresholdPercent);
        state.SetAutoMixTiming(s.fadeInSeconds, s.fadeOutSeconds, s.holdSeconds);
        state.SetAutoMixInPercent(s.autoPercent);
        state.SetWantActivate(true);
        // Format reset, then the activation that primes: no output yet.
        for (int i = 0; i < 2; ++i) engine.MixSamples(&queue, block.data(), kFrames, 16, kNch, kSrate);
    }
    const int16_t* MixNext() {
        std::memcpy(block.data(), TheSignals().host.data() + next * kValues, sizeof(int16_t) * kValues);
        engine.MixSamples(&queue, block.data(), kFrames, 16, kNch, kSrate);
        next = (next + 1) % kBlocksPerBuffer;
        return block.data();
    }
};

struct LiteralRig {
    LiteralMixer mixer{16, kNch, kSrate};
    std::vector<int16_t> block = std::vector<int16_t>(kValues);
    int next = 0;

    explicit LiteralRig(Case c) { mixer.settings = SettingsFor(c); }
    const int16_t* MixNext() {
        std::memcpy(block.data(), TheSignals().host.data() + next * kValues, sizeof(int16_t) * kValues);
        mixer.MixBlock(reinterpret_cast<uint8_t*>(block.data()), kFrames,
                       reinterpret_cast<const uint8_t*>(TheSignals().capture.data() + next * kValues),
                       1000.0);
        next = (next + 1) % kBlocksPerBuffer;
        return block.data();
    }
};

bool SameOutput(Case c) {
    EngineRig engine(c);
    LiteralRig literal(c);
    for (int b = 0; b < kWarmUpBlocks + kCheckedBlocks; ++b) {
        const int16_t* mixed = engine.MixNext();
        const int16_t* expected = literal.MixNext();
        if (std::memcmp(mixed, expected, sizeof(int16_t) * kValues) != 0) return false;
    }
    return true;
}

void PerValue(benchmark::State& state) {
    // CPU time per sample value, printed with its unit ("9.5ns").
    state.counters["per_value"] = benchmark::Counter(
        kValues, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void MixSamplesBench(benchmark::State& state, Case c) {
    if (!SameOutput(c)) {
        state.SkipWithError("engine output differs from the literal reading");
        return;
    }
    EngineRig rig(c);
    for (int b = 0; b < kWarmUpBlocks; ++b) rig.MixNext();
    for (auto _ : state) benchmark::DoNotOptimize(rig.MixNext());
    PerValue(state);
}

void LiteralBench(benchmark::State& state, Case c) {
    LiteralRig rig(c);
    for (int b = 0; b < kWarmUpBlocks; ++b) rig.MixNext();
    for (auto _ : state) benchmark::DoNotOptimize(rig.MixNext());
    PerValue(state);
}

void SaturatingAddBench(benchmark::State& state) {
    std::vector<int16_t> block(kValues);
    int next = 0;
    for (auto _ : state) {
        const int16_t* host = TheSignals().host.data() + next * kValues;
        const int16_t* capture = TheSignals().capture.data() + next * kValues;
        std::memcpy(block.data(), host, sizeof(int16_t) * kValues);
        for (int i = 0; i < kValues; ++i) {
            const int32_t sum = block[i] + capture[i];
            block[i] = static_cast<int16_t>(sum > 32767 ? 32767 : (sum < -32768 ? -32768 : sum));
        }
        benchmark::DoNotOptimize(block.data());
        next = (next + 1) % kBlocksPerBuffer;
    }
    PerValue(state);
}

BENCHMARK_CAPTURE(MixSamplesBench, steady, kSteady);
BENCHMARK_CAPTURE(LiteralBench, steady, kSteady);
BENCHMARK_CAPTURE(MixSamplesBench, fading, kFading);
BENCHMARK_CAPTURE(LiteralBench, fading, kFading);
BENCHMARK(SaturatingAddBench);

}  // namespace

BENCHMARK_MAIN();
