// The short latency settings in the mixer (the reserve that recovers, the ramp where the
// recorded data runs out), and adding the live input (MixIn off) at the mode's weight in
// every mode and sample width.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "unit/support/mixer_rig.h"

namespace {

constexpr int kBlockFrames = 576;
constexpr int kBlocksEnough = 10000;  // a bound for loops that wait for the mixer

const LatencyProfile& Lowest() { return ProfileOf(LatencyMode::Lowest); }
const int kLowestBufferFrames = 44100 / Lowest().BuffersPerSecond;

std::vector<int16_t> Mono(size_t frames, int16_t v) { return std::vector<int16_t>(frames, v); }

// What the Lowest setting keeps once primed while the newest buffer has just arrived (the
// rig's clock stands still) and buffers arrive on time: the block and, beyond it, a buffer,
// the underrun ramp and the margin.
const int kLowestTargetFrames =
    kBlockFrames + kLowestBufferFrames + static_cast<int>(std::lround((kUnderrunRampSeconds + kReserveMarginSeconds) * 44100));

// A mono 16-bit rig in the Lowest setting, started, with more recorded than the setting
// keeps waiting, so that the next block is mixed.
void StartLowest(MixerRig& rig, int16_t captured) {
    rig.state.Latency = LatencyMode::Lowest;
    rig.StartCapture();
    for (int i = 0; i < kLowestTargetFrames / kLowestBufferFrames + 2; ++i) {
        rig.Record(Mono(kLowestBufferFrames, captured));
    }
}

TEST(MixerReserve, GrowsAtAnUnderrunAndGlidesBackAfterThirtyQuietSeconds) {
    MixerRig rig(RecordedFormat{44100, 1, 16});
    const int reserve = Lowest().PrimingReserve;
    StartLowest(rig, 0);
    EXPECT_EQ(rig.state.nominalbuffcount, reserve);

    // Played in real time while the capture delivers nothing more: it falls behind.
    auto block = Mono(kBlockFrames, 0);
    for (int i = 0; i < kBlocksEnough && rig.state.nominalbuffcount == reserve; ++i) {
        rig.Mix(block);
        rig.clock.Advance(kBlockFrames / 44100.0);
    }
    ASSERT_EQ(rig.state.nominalbuffcount, reserve + 1) << "an underrun grows the reserve";

    // The capture keeps up from now on: more than the grown reserve waits. The target never
    // falls faster than the clock follower can take the delay down.
    const double blockSeconds = kBlockFrames / 44100.0;
    double steepestFall = 0.0;
    auto keepUp = [&](double seconds) {
        for (int64_t frames = 0; frames < seconds * 44100; frames += kBlockFrames) {
            while (rig.queue.RecordedCount() < reserve + 5) rig.Record(Mono(kLowestBufferFrames, 0));
            rig.queue.newestArrival = rig.clock.monotonic;
            const double before = rig.state.LatencyTarget;
            rig.Mix(block);
            steepestFall = std::max(steepestFall, before - rig.state.LatencyTarget);
        }
    };
    keepUp(25.0);
    EXPECT_EQ(rig.state.nominalbuffcount, reserve + 1) << "not yet thirty seconds";
    keepUp(10.0);
    EXPECT_EQ(rig.state.nominalbuffcount, reserve) << "one step back";
    keepUp(35.0);
    EXPECT_EQ(rig.state.nominalbuffcount, reserve) << "never below the setting's own reserve";
    EXPECT_LE(steepestFall, kTargetSlewPerSecond * blockSeconds * 1.001) << "the target glides, never steps, down";
}

// A player's seek: the host hands over half a second of blocks at once while the capture
// keeps its pace. The data runs out (an underrun), but a larger reserve would not have
// helped, so the target stays where it was.
TEST(MixerReserve, AHostRunningAheadOfRealTimeDoesNotGrowTheReserve) {
    MixerRig rig(RecordedFormat{44100, 1, 16});
    StartLowest(rig, 0);
    auto block = Mono(kBlockFrames, 0);
    for (int i = 0; i < 50; ++i) {  // in real time, each buffer arriving on time
        rig.clock.Advance(kBlockFrames / 44100.0);
        while (rig.queue.RecordedCount() < Lowest().PrimingReserve + 2) rig.Record(Mono(kLowestBufferFrames, 0));
        rig.queue.newestArrival = rig.clock.monotonic;
        rig.Mix(block);
    }
    const double target = rig.state.LatencyTarget;
    for (int i = 0; i < 40; ++i) rig.Mix(block);  // the burst, within the same moment
    EXPECT_EQ(rig.state.Underruns, 1);
    EXPECT_EQ(rig.state.nominalbuffcount, Lowest().PrimingReserve);
    EXPECT_DOUBLE_EQ(rig.state.LatencyTarget, target);
}

// The live input at full level over silent music; the recorded data (what priming kept,
// nothing after it) ends in the middle of a block. Neither the start of mixing nor the end of the data may step.
TEST(MixerUnderrunRamp, NoStepAboveTheRampWhereTheDataRunsOutMidBlock) {
    constexpr int16_t kLevel = 20000;
    MixerRig rig(RecordedFormat{44100, 1, 16});
    rig.state.SetMSMode(kModeManual);
    rig.state.SetManualMixInPercent(1.0);
    rig.state.SetLogTrans(false);
    rig.state.SetAutoMixTiming(0.0, 0.0, 0.0);  // an immediate fade: only the ramp smooths
    StartLowest(rig, kLevel);

    const int dataFrames = kLowestTargetFrames;
    ASSERT_GT(dataFrames, kBlockFrames);
    ASSERT_NE(dataFrames % kBlockFrames, 0) << "the data must end in the middle of a block";
    std::vector<int16_t> output;
    for (int i = 0; i < dataFrames / kBlockFrames + 2; ++i) {
        auto block = Mono(kBlockFrames, 0);
        rig.Mix(block);
        rig.clock.Advance(kBlockFrames / 44100.0);  // played in real time: no drift to follow
        output.insert(output.end(), block.begin(), block.end());
    }

    const int rampFrames = static_cast<int>(std::lround(0.002 * 44100));
    const int allowedStep = kLevel / rampFrames + 1;
    int largestStep = std::abs(static_cast<int>(output[0]));
    for (size_t i = 1; i < output.size(); ++i) {
        largestStep = std::max(largestStep, std::abs(output[i] - output[i - 1]));
    }
    EXPECT_LE(largestStep, allowedStep);
    EXPECT_EQ(output[kBlockFrames - 1], kLevel) << "fully in once faded in";
    EXPECT_EQ(output[dataFrames - 1], 0) << "faded out at the last recorded frame";
    EXPECT_GT(output[dataFrames - rampFrames - 1], kLevel - allowedStep) << "the fade is no longer than the ramp";
    EXPECT_EQ(rig.state.nominalbuffcount, Lowest().PrimingReserve + 1)
        << "a block the data did not last through counts as an underrun";
}

// Priming ends at the target delay wherever the newest buffer's arrival falls: what lies
// beyond it is skipped, to the frame, and the same data mixed later starts later.
TEST(MixerReserve, PrimingKeepsExactlyTheTargetDelayCountedFromTheNewestArrival) {
    for (const int ageFrames : {0, 300}) {
        SCOPED_TRACE("newest buffer arrived " + std::to_string(ageFrames) + " frames ago");
        MixerRig rig(RecordedFormat{44100, 1, 16});
        rig.state.SetMSMode(kModeManual);
        rig.state.SetManualMixInPercent(1.0);
        rig.state.SetLogTrans(false);
        rig.state.SetAutoMixTiming(0.0, 0.0, 0.0);
        rig.state.Latency = LatencyMode::Lowest;
        rig.StartCapture();
        // Each recorded frame holds its own index, so the output tells which one was mixed.
        int16_t next = 0;
        auto record = [&] {
            std::vector<int16_t> buffer(kLowestBufferFrames);
            for (int16_t& v : buffer) v = next++;
            rig.Record(buffer);
        };
        record();
        auto block = Mono(kBlockFrames, 0);
        rig.Mix(block);
        EXPECT_EQ(block, Mono(kBlockFrames, 0)) << "too little waiting: the block passes";

        while (next < 2 * kLowestTargetFrames) record();
        rig.queue.newestArrival = rig.clock.monotonic - ageFrames / 44100.0;
        rig.Mix(block);
        const int ramp = static_cast<int>(std::lround(0.002 * 44100));
        const int firstMixed = block[ramp] - ramp;
        EXPECT_EQ(next - firstMixed, kLowestTargetFrames - ageFrames);
    }
}

// A microphone whose clock runs 0.05 % fast or slow against the host's, a minute long, the
// voice on all the time: the capture resamples at the ratio the mixer asks for, and the
// delay neither piles up nor runs dry.
TEST(MixerReserve, FollowsAMicrophoneClockThatDrifts) {
    for (const double drift : {0.0005, -0.0005}) {
        SCOPED_TRACE("microphone clock off by " + std::to_string(drift));
        MixerRig rig(RecordedFormat{44100, 1, 16});
        rig.state.SetMSMode(kModeManual);
        rig.state.SetManualMixInPercent(1.0);
        rig.state.Latency = LatencyMode::Lowest;
        rig.StartCapture();
        const double bufferSeconds = kLowestBufferFrames / (44100.0 * (1.0 + drift));
        const double start = rig.clock.monotonic;
        int recorded = 0;
        double resampled = 0.0;  // frames the resampler has made, at the ratio asked for
        int64_t made = 0;
        int64_t most = 0;
        auto block = Mono(kBlockFrames, 0);
        for (int i = 0; i < 60 * 44100 / kBlockFrames; ++i) {
            while (start + (recorded + 1) * bufferSeconds <= rig.clock.monotonic) {
                resampled += kLowestBufferFrames / rig.queue.clockRatio;
                const auto frames = static_cast<int64_t>(resampled) - made;
                made += frames;
                rig.Record(Mono(static_cast<size_t>(frames), 1000));
                rig.queue.newestArrival = start + ++recorded * bufferSeconds;
            }
            rig.Mix(block);
            rig.clock.Advance(kBlockFrames / 44100.0);
            if (i > 100) most = std::max(most, rig.queue.RecordedValues());
        }
        EXPECT_EQ(rig.state.nominalbuffcount, Lowest().PrimingReserve) << "no underrun";
        EXPECT_LE(most, kLowestTargetFrames + kLowestBufferFrames) << "no delay piled up";
        EXPECT_NEAR(rig.queue.clockRatio, 1.0 + drift, 0.0002) << "the ratio has learnt the drift";
    }
}

// ---- adding the live input (MixIn off) ----------------------------------------------------

int64_t Unpack(const std::vector<uint8_t>& bytes, size_t index, int bps) {
    const int width = bps / 8;
    uint64_t v = 0;
    for (int b = 0; b < width; ++b) v |= uint64_t{bytes[index * width + b]} << (8 * b);
    if (bps == 8) return static_cast<int64_t>(v);
    const uint64_t sign = uint64_t{1} << (bps - 1);
    return static_cast<int64_t>((v ^ sign) - sign);
}

struct AddCase {
    const char* name;
    void (*apply)(MixStateRecord&);
    double weight;  // of the captured signal once the mode's fade has ended
};

TEST(MixerAdding, TheCapturedSignalGoesInAboutItsCenterAtTheModesWeight) {
    const AddCase cases[] = {
        {"Off", [](MixStateRecord& s) { s.SetMSMode(kModeOff); }, 0.0},
        {"Manual 50 %", [](MixStateRecord& s) { s.SetMSMode(kModeManual); s.SetManualMixInPercent(0.5); }, 0.5},
        {"Manual 100 %", [](MixStateRecord& s) { s.SetMSMode(kModeManual); s.SetManualMixInPercent(1.0); }, 1.0},
        {"PTT released", [](MixStateRecord& s) { s.SetMSMode(kModePtt); s.SetPTTMixInPercent(1.0); }, 0.0},
        {"Auto below its threshold",
         [](MixStateRecord& s) { s.SetMSMode(kModeAuto); s.SetAutoMixInPercent(1.0); s.SetAutoMixThresh(100.0); }, 0.0},
    };
    for (int bps : {8, 16, 24, 32}) {
        const int64_t low = bps == 8 ? 0 : -(int64_t{1} << (bps - 1));
        const int64_t high = bps == 8 ? 255 : (int64_t{1} << (bps - 1)) - 1;
        const int64_t center = bps == 8 ? 128 : 0;
        const int64_t span = high - center;
        // Silence on both sides, ordinary values, and sums beyond both ends of the range.
        const std::vector<int64_t> host = {center, center + span / 3, center - span / 2, high - span / 10,
                                           low + span / 10, center + 7};
        const std::vector<int64_t> captured = {center, center - span / 4, center + span / 5, center + span / 2,
                                               center - span / 2, center};
        for (const AddCase& c : cases) {
            SCOPED_TRACE(std::string(c.name) + ", " + std::to_string(bps) + " bits");
            MixerRig rig(RecordedFormat{44100, 1, bps});
            rig.state.SetMixIn(false);
            rig.state.SetLogTrans(false);
            rig.state.SetAutoMixTiming(0.0, 0.0, 0.0);
            c.apply(rig.state);
            for (int i = 0; i < 5; ++i) rig.queue.Record(captured, rig.format);
            rig.StartCapture(static_cast<int>(host.size()));

            auto bytes = Pack(host, bps);
            const auto original = bytes;
            rig.MixPacked(bytes);
            if (c.weight == 0.0) {
                EXPECT_EQ(bytes, original) << "bit for bit";
                continue;
            }
            for (size_t i = 0; i < host.size(); ++i) {
                const int64_t added = host[i] + static_cast<int64_t>(c.weight * static_cast<double>(captured[i] - center));
                EXPECT_EQ(Unpack(bytes, i, bps), std::clamp(added, low, high)) << "value " << i;
            }
        }
    }
}

}  // namespace
