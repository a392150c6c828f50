// RecordedResampler: brings recorded buffers from the microphone's clock to the host's, in
// place, at a ratio the mixer's clock follower chooses (input frames per output frame).
//
// Two sound cards never run at exactly the same rate, so the frames a microphone delivers
// per host second differ by up to a few hundred parts per million. Leaving out or repeating
// single frames would follow the drift, but each one is a jump of the waveform that a held
// note turns into a buzz; a fractional-rate resampler (speexdsp's) moves the whole waveform
// smoothly instead.
//
// While the ratio is exactly 1 and has always been, buffers pass bit for bit: two clocks
// that agree need no resampling, and nothing is filtered. The first ratio other than 1
// engages the resampler for good (until Reset): its filter is primed with the frames that
// passed just before, so the waveform goes on without a seam, and from then on it holds
// back half a filter's length of frames, which come out with the next buffer.
//
// Capture thread only: Configure (allocates) at the device's open, Process for each buffer
// as it arrives, Reset when the stream starts again. Pure (no Windows), so it is tested and
// benchmarked natively.
#pragma once

#include <cstdint>
#include <vector>

struct SpeexResamplerState_;

// The resampler's quality (speexdsp's scale 0..10): 3 keeps a steady
// tone's impurity near the floor of a direct 16-bit recording (docs/benchmarks.md).
inline constexpr int kResamplerQuality = 3;
// The ratio is passed to the resampler as a fraction over this prime, in steps of about
// 15 parts per million. The resampler rescales its phase by the old and the new
// denominator in 32 bits, so the denominator must stay below 65536; a prime one is never
// reduced (but for a ratio of exactly 1), so it does not change from one ratio to the next.
inline constexpr int64_t kRatioDenominator = 65521;
// The furthest the ratio may stray from 1, either way.
inline constexpr double kMaxRatioDeviation = 0.001;
// A new ratio is reached over the buffer in steps this far apart (seconds of audio): one
// step in a 10 ms buffer, fifty in a half-second one.
inline constexpr double kRatioStepSeconds = 0.010;

class RecordedResampler {
public:
    RecordedResampler() = default;
    ~RecordedResampler();
    RecordedResampler(const RecordedResampler&) = delete;
    RecordedResampler& operator=(const RecordedResampler&) = delete;

    // For a stream of this format whose buffers hold at most maxFrames frames. False for a
    // format it cannot resample (the buffers then always pass unchanged).
    bool Configure(int32_t srate, int32_t bps, int32_t nch, int64_t maxFrames);
    // Forgets the stream: the next buffer passes unchanged again until the ratio moves.
    void Reset();

    // Frames a buffer of `frames` frames may grow by; a block must have room for them.
    static int64_t GrowthFrames(int64_t frames);

    // The buffer's `frames` frames become the frames at the host's clock, written over them
    // (room for `capacity` frames, at least frames + GrowthFrames(frames)); returns how
    // many there are now. `ratio` is clamped to 1 +- kMaxRatioDeviation, and reached by
    // the buffer's end from the ratio the last one ended at, in steps of kRatioStepSeconds.
    int64_t Process(uint8_t* data, int64_t frames, int64_t capacity, double ratio);

    bool Engaged() const { return engaged_; }
    // Frames held back inside the filter now (0 while not engaged).
    int64_t HeldFrames() const;

private:
    void Engage(int64_t numerator);
    void SetRatio(int64_t numerator);
    void Remember(const uint8_t* data, int64_t frames);
    int64_t Resample(uint8_t* data, int64_t frames, int64_t capacity, int64_t numerator);

    SpeexResamplerState_* speex_ = nullptr;
    int32_t srate_ = 0;
    int32_t bps_ = 0;
    int32_t nch_ = 0;
    int64_t numerator_ = kRatioDenominator;
    bool engaged_ = false;
    int64_t discard_ = 0;               // primed outputs still to be dropped
    std::vector<float> history_;        // the last frames that passed unchanged, oldest first
    int64_t historyFrames_ = 0;
    std::vector<float> input_;          // one buffer as floats
    std::vector<float> output_;         // its frames at the host's clock
};
