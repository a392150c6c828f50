// The recorded stream brought to the host's clock: untouched while the clocks agree, without
// a seam where resampling begins, and without a jump of pitch where the ratio changes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <numbers>
#include <vector>

#include "capture/recorded_resampler.h"

namespace {

constexpr int kRate = 44100;
constexpr int kStereo = 2;
constexpr int kBufferFrames = 441;

// A 997 Hz tone at half scale, 16-bit stereo, from frame `first` on.
void Tone(int64_t first, int64_t frames, int16_t* out) {
    for (int64_t f = 0; f < frames; ++f) {
        const double v = 16384.0 * std::sin(2.0 * std::numbers::pi * 997.0 * static_cast<double>(first + f) / kRate);
        out[2 * f] = out[2 * f + 1] = static_cast<int16_t>(std::lround(v));
    }
}

// The stream a tone becomes, buffer b (of bufferFrames frames) resampled at ratioOf(b).
std::vector<int16_t> Resampled(int buffers, const std::function<double(int)>& ratioOf,
                               int64_t bufferFrames = kBufferFrames) {
    RecordedResampler resampler;
    const int64_t capacity = bufferFrames + RecordedResampler::GrowthFrames(bufferFrames);
    EXPECT_TRUE(resampler.Configure(kRate, 16, kStereo, bufferFrames));
    std::vector<int16_t> stream;
    std::vector<int16_t> block(static_cast<size_t>(capacity * kStereo));
    for (int b = 0; b < buffers; ++b) {
        Tone(b * bufferFrames, bufferFrames, block.data());
        const int64_t frames =
            resampler.Process(reinterpret_cast<uint8_t*>(block.data()), bufferFrames, capacity, ratioOf(b));
        stream.insert(stream.end(), block.begin(), block.begin() + frames * kStereo);
    }
    return stream;
}

TEST(RecordedResampler, ClocksThatAgreePassEveryBufferBitForBit) {
    const std::vector<int16_t> stream = Resampled(50, [](int) { return 1.0; });
    std::vector<int16_t> tone(static_cast<size_t>(50 * kBufferFrames * kStereo));
    Tone(0, 50 * kBufferFrames, tone.data());
    EXPECT_EQ(stream, tone);
}

// Leaving out or repeating a frame, or a fraction of one, is a jump in the waveform: a
// second difference far above the tone's own (at most 16384 x (2 pi 997 / 44100)^2, about
// 330). Resampling begins at buffer 20; the ratio later passes through exactly 1 and on to
// the other side.
TEST(RecordedResampler, ResamplingBeginsAndCrossesOneWithoutASeamAndFollowsTheRatio) {
    const int buffers = 300;
    const auto ratioOf = [](int b) { return b < 20 ? 1.0 : b < 150 ? 1.001 : b < 170 ? 1.0 : 0.9995; };
    const std::vector<int16_t> stream = Resampled(buffers, ratioOf);
    int worst = 0;
    for (size_t i = 4; i < stream.size(); i += 2) {
        worst = std::max(worst, std::abs(stream[i] - 2 * stream[i - 2] + stream[i - 4]));
    }
    EXPECT_LT(worst, 400);
    double expected = 0.0;
    for (int b = 0; b < buffers; ++b) expected += kBufferFrames / ratioOf(b);
    EXPECT_NEAR(static_cast<double>(stream.size()) / kStereo, expected, 64.0) << "half a filter held back at most";
}

// A ratio that jumps changes the pitch at once, which a held note spreads across the
// spectrum. Between half-second buffers the ratio jumps by 300 ppm, and the tone's pitch
// must move in small steps: the length of ten periods (from the left channel's rising zero
// crossings, to about 0.001 frame) may change by no more than 70 ppm from one to the next.
TEST(RecordedResampler, ARatioThatJumpsBetweenLongBuffersMovesThePitchGradually) {
    const std::vector<int16_t> stream =
        Resampled(8, [](int b) { return b == 0 ? 1.0 : b % 2 == 1 ? 1.0003 : 1.0006; }, kRate / 2);
    std::vector<double> crossings;
    for (size_t i = 2; i < stream.size(); i += 2) {
        const double before = stream[i - 2];
        const double after = stream[i];
        if (before < 0.0 && after >= 0.0) crossings.push_back(static_cast<double>(i / 2 - 1) + before / (before - after));
    }
    double worst = 0.0;
    double lastSpan = 0.0;
    for (size_t k = 10; k + 10 < crossings.size(); k += 10) {
        const double span = crossings[k + 10] - crossings[k];
        if (crossings[k] > kRate && lastSpan > 0.0) worst = std::max(worst, std::abs(span - lastSpan));
        lastSpan = span;
    }
    EXPECT_LT(worst, 442.0 * 70e-6) << "frames";
}
}  // namespace
