// The mixing engine block by block: format resets, the capture thread's states, priming
// and underruns, consumption of recorded buffers, the sample widths and clipping.
#include "core/mixing_engine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numeric>
#include <vector>

#include "core/mixin_messages.h"
#include "unit/support/mixer_rig.h"

namespace {

using Posted = std::vector<std::pair<uint32_t, intptr_t>>;

std::vector<int16_t> Constant(size_t values, int16_t v) { return std::vector<int16_t>(values, v); }

std::vector<int16_t> Counting(size_t values, int start) {
    std::vector<int16_t> out(values);
    for (size_t i = 0; i < values; ++i) out[i] = static_cast<int16_t>(start + static_cast<int>(i));
    return out;
}

// Manual mode at `percent`, reached within the first frame, on the linear curve.
void UseManualAt(MixerRig& rig, double percent) {
    rig.state.SetMSMode(kModeManual);
    rig.state.SetManualMixInPercent(percent);
    rig.state.SetLogTrans(false);
    rig.state.SetAutoMixTiming(0.0, 0.0, 0.0);
}

// Adding (MixIn off) at full weight from the first frame: for the signed widths the output
// is host + captured, which shows exactly which recorded values were mixed where.
void UsePlainSum(MixerRig& rig) {
    rig.state.SetMixIn(false);
    UseManualAt(rig, 1.0);
}

// ---- format reset ------------------------------------------------------------------------

TEST(MixerFormatReset, FirstBlockAfterInitResetsAndPostsTheFormat) {
    MixerRig rig;
    auto block = Counting(576 * 2, -500);
    const auto original = block;

    EXPECT_EQ(rig.Mix(block), 576);

    EXPECT_EQ(block, original);
    EXPECT_EQ(rig.sink.posted, (Posted{{WM_MIXIN_PTT, 0},
                                       {WM_MIXIN_SRATE, 44100},
                                       {WM_MIXIN_BITS, 16},
                                       {WM_MIXIN_NCH, 2},
                                       {WM_MIXIN_SAMPLES, 576},
                                       {WM_MIXIN_RMS, 0},
                                       {WM_MIXIN_TRIGGER, 0}}));
    EXPECT_EQ(rig.queue.requests, (std::vector<std::string>{"Reset"}));
    EXPECT_EQ(rig.state.gtv0, 32767);
    EXPECT_EQ(rig.state.ltv0, -32768);
    EXPECT_EQ(rig.state.center0, 0);
    EXPECT_EQ(rig.state.nominalbuffcount, 5);
}

TEST(MixerFormatReset, WithoutCaptureQueueTheBlockPassesUntouched) {
    MixerRig rig;
    auto block = Counting(576 * 2, 7);
    const auto original = block;
    EXPECT_EQ(rig.engine.MixSamples(nullptr, block.data(), 576, 16, 2, 44100), 576);
    EXPECT_EQ(block, original);
    EXPECT_TRUE(rig.sink.posted.empty());
    EXPECT_EQ(rig.state.last0_bps, 0);
}

TEST(MixerFormatReset, ARateChangeResetsAndAFrameCountChangeOnlyNotifies) {
    MixerRig rig;
    for (int i = 0; i < 5; ++i) rig.Record(Constant(2000, 100));
    UsePlainSum(rig);
    rig.StartCapture();

    auto shorter = Constant(300 * 2, 1);
    EXPECT_EQ(rig.Mix(shorter), 300);
    EXPECT_EQ(rig.sink.Values(WM_MIXIN_SAMPLES), (std::vector<intptr_t>{300}));
    EXPECT_EQ(shorter, Constant(600, 101)) << "a new frame count is mixed normally";

    rig.format.srate = 48000;
    auto block = Constant(576 * 2, 1);
    rig.Mix(block);
    EXPECT_EQ(block, Constant(576 * 2, 1));
    EXPECT_EQ(rig.sink.Values(WM_MIXIN_SRATE), (std::vector<intptr_t>{48000}));
    EXPECT_EQ(rig.queue.requests.back(), "Reset");
    EXPECT_EQ(rig.queue.blocksReleased, 1) << "the buffer recorded at the old rate is released";
}

TEST(MixerFormatReset, ResetRequestAndDeviceChangeRestartTheDevice) {
    MixerRig rig;
    rig.StartCapture();
    rig.queue.requests.clear();

    rig.state.SetWantReset();
    auto block = Constant(576 * 2, 5);
    rig.Mix(block);
    EXPECT_FALSE(rig.state.WantReset);
    EXPECT_EQ(rig.queue.requests, (std::vector<std::string>{"Reset"}));

    rig.state.SetDevice("Line In(2)");
    rig.state.SetSelectedDeviceChanged();
    rig.Mix(block);
    EXPECT_FALSE(rig.state.SelectedDeviceChanged);
    rig.Mix(block);  // Idle: open the chosen device in the host's format
    EXPECT_EQ(rig.queue.openedDevice, "Line In(2)");
    EXPECT_EQ(rig.queue.openedFormat.srate, 44100);
    EXPECT_EQ(rig.queue.openedFormat.bps, 16);
    EXPECT_EQ(rig.queue.openedFormat.nch, 2);
}

// ---- the capture thread's states ---------------------------------------------------------

TEST(MixerCaptureStates, StatesWithoutARecordingLeaveTheBlockAndAskNothing) {
    for (uint8_t s : std::vector<uint8_t>{kStateGoAway, kStateInit, kStateReset, kStateUninit,
                                          kStateError, 42}) {
        MixerRig rig;
        for (int i = 0; i < 6; ++i) rig.Record(Constant(2000, 100));
        UsePlainSum(rig);
        rig.StartCapture();
        rig.queue.state = s;
        rig.queue.requests.clear();
        auto block = Constant(576 * 2, 3);
        rig.Mix(block);
        EXPECT_EQ(block, Constant(576 * 2, 3)) << "state " << int(s);
        EXPECT_TRUE(rig.queue.requests.empty()) << "state " << int(s);
    }
}

TEST(MixerCaptureStates, CloseAsksForAResetAndPausedForAStart) {
    MixerRig rig;
    for (int i = 0; i < 6; ++i) rig.Record(Constant(2000, 100));
    UsePlainSum(rig);
    rig.StartCapture();
    rig.queue.followRequests = false;

    rig.queue.state = kStateClose;
    auto block = Constant(576 * 2, 3);
    rig.Mix(block);
    EXPECT_EQ(block, Constant(576 * 2, 3));
    EXPECT_EQ(rig.queue.requests.back(), "Reset");

    rig.queue.state = kStatePaused;
    rig.Mix(block);
    EXPECT_EQ(rig.queue.requests.back(), "Start");
    EXPECT_EQ(block, Constant(576 * 2, 103)) << "paused with buffers waiting: mixed";
}

TEST(MixerCaptureStates, DeactivatingStopsAndPlaysOutWhatIsLeft) {
    MixerRig rig;
    for (int i = 0; i < 5; ++i) rig.Record(Constant(1000, 10));
    UsePlainSum(rig);
    rig.StartCapture();
    auto first = Constant(576 * 2, 0);
    rig.Mix(first);  // mixing: 1152 of the 5000 recorded values used

    rig.state.SetWantActivate(false);
    auto second = Constant(576 * 2, 0);
    rig.Mix(second);
    EXPECT_EQ(rig.queue.requests.back(), "Stop");
    EXPECT_EQ(second, Constant(576 * 2, 10)) << "recorded buffers keep playing out";

    std::vector<int16_t> rest;
    for (int i = 0; i < 3; ++i) {
        auto block = Constant(576 * 2, 0);
        rig.Mix(block);
        rest.insert(rest.end(), block.begin(), block.end());
    }
    const auto mixed = std::count(rest.begin(), rest.end(), 10);
    EXPECT_EQ(mixed, 5000 - 2 * 1152) << "the first value without data ends the mixing";
    EXPECT_TRUE(std::all_of(rest.begin() + mixed, rest.end(), [](int16_t v) { return v == 0; }));
}

// ---- priming and underruns ---------------------------------------------------------------

TEST(MixerPriming, BlocksPassUntilFiveBuffersWaitThenSixAfterAnUnderrun) {
    MixerRig rig;
    UsePlainSum(rig);
    rig.StartCapture();  // empty queue: primed with nothing waiting

    auto mixedAfterRecording = [&](int buffersAdded) {
        for (int i = 0; i < buffersAdded; ++i) rig.Record(Constant(1152, 1));
        auto block = Constant(576 * 2, 0);
        rig.Mix(block);
        return block != Constant(576 * 2, 0);
    };

    for (int waiting = 1; waiting <= 5; ++waiting) {
        EXPECT_FALSE(mixedAfterRecording(1)) << waiting << " buffers waiting";
    }
    EXPECT_EQ(rig.state.last0_rtab, 5);
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(mixedAfterRecording(0)) << "buffer " << i;

    EXPECT_FALSE(mixedAfterRecording(0)) << "underrun at the start of a block";
    EXPECT_EQ(rig.state.nominalbuffcount, 6);
    EXPECT_EQ(rig.state.last0_rtab, 0);

    for (int waiting = 1; waiting <= 6; ++waiting) {
        EXPECT_FALSE(mixedAfterRecording(1)) << waiting << " buffers waiting";
    }
    EXPECT_TRUE(mixedAfterRecording(0));
}

TEST(MixerPriming, TheReserveNeverOutgrowsTheRecordedLimit) {
    MixerRig rig;
    UsePlainSum(rig);
    rig.StartCapture();
    rig.state.nominalbuffcount = kRecordedLimit;
    rig.state.last0_rtab = kRecordedLimit;

    auto block = Constant(576 * 2, 0);
    rig.Mix(block);  // underrun
    EXPECT_EQ(rig.state.nominalbuffcount, kRecordedLimit);

    // The capture thread keeps at most 50 recorded buffers: seeing 50 must end priming.
    for (int i = 0; i < kRecordedLimit; ++i) rig.Record(Constant(1152, 1));
    rig.Mix(block);
    EXPECT_EQ(block, Constant(576 * 2, 0));
    rig.Mix(block);
    EXPECT_EQ(block, Constant(576 * 2, 1)) << "mixing resumes with a full recorded queue";
}

TEST(MixerPriming, AnUnderrunWhileStoppedDoesNotGrowTheReserve) {
    MixerRig rig;
    UsePlainSum(rig);
    for (int i = 0; i < 5; ++i) rig.Record(Constant(1152, 1));
    rig.StartCapture();
    for (int i = 0; i < 5; ++i) {
        auto block = Constant(576 * 2, 0);
        rig.Mix(block);
    }
    rig.queue.followRequests = false;
    rig.queue.state = kStateStop;
    auto block = Constant(576 * 2, 0);
    rig.Mix(block);
    EXPECT_EQ(rig.state.nominalbuffcount, 5);
}

// ---- recorded buffers --------------------------------------------------------------------

TEST(MixerConsumption, RecordedBuffersOfAnotherLengthPlayOnAcrossBlocks) {
    MixerRig rig;
    UsePlainSum(rig);
    std::vector<int16_t> stream;
    for (int i = 0; i < 6; ++i) {
        auto values = Counting(1000, 1000 * i);
        stream.insert(stream.end(), values.begin(), values.end());
        rig.Record(values);
    }
    rig.StartCapture();

    std::vector<int16_t> out;
    for (int b = 0; b < 5; ++b) {
        auto block = Constant(576 * 2, 0);
        rig.Mix(block);
        out.insert(out.end(), block.begin(), block.end());
    }
    EXPECT_EQ(out, std::vector<int16_t>(stream.begin(), stream.begin() + 5 * 1152));
    EXPECT_EQ(rig.queue.blocksReturned, 5) << "used buffers are given back for reuse";
    EXPECT_EQ(rig.state.buff0pointer, 5 * 1152 - 5000);
}

TEST(MixerConsumption, ABufferInAnotherFormatIsDiscardedNeverMixed) {
    MixerRig rig;
    UsePlainSum(rig);
    rig.queue.Record(Constant(1152, 999), RecordedFormat{48000, 2, 16});
    // Taking it is an underrun, so six buffers are needed before mixing starts again.
    for (int i = 0; i < 6; ++i) rig.Record(Constant(1152, 1));
    rig.StartCapture();

    std::vector<int16_t> out;
    for (int b = 0; b < 12; ++b) {
        auto block = Constant(576 * 2, 0);
        rig.Mix(block);
        out.insert(out.end(), block.begin(), block.end());
    }
    EXPECT_EQ(std::count(out.begin(), out.end(), 999), 0);
    EXPECT_EQ(std::count(out.begin(), out.end(), 1), 6 * 1152);
    EXPECT_EQ(rig.queue.blocksReleased, 1);
}

TEST(MixerConsumption, AnEmptyRecordedBufferIsSkipped) {
    MixerRig rig;
    UsePlainSum(rig);
    rig.Record(Counting(1000, 0));
    rig.Record(std::vector<int16_t>{});
    rig.Record(Counting(1000, 1000));
    for (int i = 0; i < 3; ++i) rig.Record(Counting(1000, 2000 + 1000 * i));
    rig.StartCapture();

    auto first = Constant(576 * 2, 0);
    rig.Mix(first);
    auto second = Constant(576 * 2, 0);
    rig.Mix(second);
    EXPECT_EQ(second, Counting(1152, 1152)) << "no value is read from the empty buffer";
}

TEST(MixerConsumption, QuitReleasesTheBufferBeingMixedAndItsMarks) {
    MixerRig rig;
    UsePlainSum(rig);
    for (int i = 0; i < 5; ++i) rig.Record(Constant(4000, 1), ScriptedCaptureQueue::Marks({{1, 3000}, {0, 3500}}));
    rig.StartCapture();
    auto block = Constant(576 * 2, 0);
    rig.Mix(block);

    rig.engine.DropBuffer(&rig.queue);
    EXPECT_EQ(rig.state.buff0.data, nullptr);
    EXPECT_EQ(rig.state.PTTEvent, nullptr);
    EXPECT_EQ(rig.queue.blocksReleased, 1);
    EXPECT_EQ(rig.queue.marksFreed, 2);
}

// ---- sample widths and clipping ----------------------------------------------------------

TEST(MixerSamples, Crossfade16BitAtHalfOnTheLinearCurve) {
    MixerRig rig;
    for (int i = 0; i < 5; ++i) rig.Record(Constant(1152, 3000));
    UseManualAt(rig, 0.5);
    rig.StartCapture();
    auto block = Constant(576 * 2, 1000);
    rig.Mix(block);
    EXPECT_EQ(block, Constant(576 * 2, 2000));
}

TEST(MixerSamples, PlainSumClipsToTheSampleRange) {
    MixerRig rig;
    std::vector<int16_t> captured(1152);
    for (size_t i = 0; i < captured.size(); ++i) captured[i] = i % 2 ? -30000 : 30000;
    for (int i = 0; i < 5; ++i) rig.Record(captured);
    UsePlainSum(rig);
    rig.StartCapture();
    std::vector<int16_t> block = captured;
    rig.Mix(block);
    for (size_t i = 0; i < block.size(); ++i) {
        ASSERT_EQ(block[i], i % 2 ? -32768 : 32767) << i;
    }
}

TEST(MixerSamples, EightBitFadedOutKeepsTheHostAndAddingSilenceStaysSilent) {
    MixerRig rig(RecordedFormat{44100, 1, 8});
    for (int i = 0; i < 5; ++i) rig.Record(std::vector<uint8_t>(576, 128));
    rig.state.SetLogTrans(false);
    rig.StartCapture();
    std::vector<uint8_t> block(576);
    std::iota(block.begin(), block.end(), 0);
    const auto original = block;
    rig.Mix(block);
    EXPECT_EQ(block, original) << "gain position 0: the host sample";

    UsePlainSum(rig);
    std::vector<uint8_t> silence(576, 128);
    rig.Mix(silence);
    EXPECT_EQ(silence, std::vector<uint8_t>(576, 128)) << "silence added to silence at full weight";
}

TEST(MixerSamples, TwentyFourBitValuesAreStoredLowWordFirst) {
    MixerRig rig(RecordedFormat{44100, 1, 24});
    std::vector<int64_t> captured(576, 0);
    captured[0] = -1;
    captured[1] = -65537;
    captured[2] = 8388607;
    captured[3] = 1;
    for (int i = 0; i < 5; ++i) rig.Record(captured);
    UsePlainSum(rig);
    rig.StartCapture();
    auto block = Pack(std::vector<int64_t>(576, 0), 24);
    block[3 * 3] = 0xFF;  // host value 8388607 at index 3: plus 1 clips
    block[3 * 3 + 1] = 0xFF;
    block[3 * 3 + 2] = 0x7F;
    rig.MixPacked(block);
    EXPECT_EQ(std::vector<uint8_t>(block.begin(), block.begin() + 12),
              (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0x7F, 0xFF,
                                    0xFF, 0x7F}));
}

TEST(MixerSamples, ThirtyTwoBitSumsClipAtTheFullRange) {
    MixerRig rig(RecordedFormat{44100, 2, 32});
    std::vector<int32_t> captured(1152);
    for (size_t i = 0; i < captured.size(); ++i) captured[i] = i % 2 ? -2000000000 : 2000000000;
    for (int i = 0; i < 5; ++i) rig.Record(captured);
    UsePlainSum(rig);
    rig.StartCapture();
    std::vector<int32_t> block = captured;
    rig.Mix(block);
    EXPECT_EQ(block[0], 2147483647);
    EXPECT_EQ(block[1], -2147483647 - 1);
}

TEST(MixerSamples, OtherWidthsPassUnchangedAndConsumeNothing) {
    MixerRig rig(RecordedFormat{44100, 2, 12});
    rig.StartCapture(100);
    std::vector<uint8_t> block(100 * 2 * 1, 0x55);
    const auto original = block;
    EXPECT_EQ(rig.MixPacked(block), 100);
    EXPECT_EQ(block, original);
}

TEST(MixerSamples, OffModeFadedOutGivesTheHostBlockBackBitForBit) {
    for (bool logarithmic : {true, false}) {
        MixerRig rig;
        std::vector<int16_t> noise(1152);
        uint32_t seed = 12345;
        auto next = [&] {
            seed = seed * 1664525u + 1013904223u;
            return static_cast<int16_t>(seed >> 16);
        };
        for (int i = 0; i < 6; ++i) {
            for (auto& v : noise) v = next();
            rig.Record(noise);
        }
        rig.state.SetLogTrans(logarithmic);
        rig.StartCapture();
        for (int b = 0; b < 5; ++b) {
            std::vector<int16_t> block(1152);
            for (auto& v : block) v = next();
            const auto original = block;
            rig.Mix(block);
            ASSERT_EQ(block, original) << "block " << b << (logarithmic ? " log" : " linear");
        }
    }
}

// ---- fades -------------------------------------------------------------------------------

TEST(MixerFades, AFadeTimeOfZeroJumpsWithinOneFrame) {
    MixerRig rig;
    for (int i = 0; i < 5; ++i) rig.Record(Constant(1152, 1234));
    UseManualAt(rig, 1.0);
    rig.StartCapture();
    auto block = Constant(576 * 2, -77);
    rig.Mix(block);
    EXPECT_EQ(block, Constant(576 * 2, 1234)) << "only the captured signal from the first frame";
}

TEST(MixerFades, UnusableFadeTimesAreImmediateInsteadOfRunningAway) {
    for (double fade : {-1.0, std::nan("")}) {
        MixerRig rig;
        for (int i = 0; i < 5; ++i) rig.Record(Constant(1152, 1234));
        UseManualAt(rig, 1.0);
        rig.state.SetAutoMixTiming(fade, fade, 0.0);
        rig.StartCapture();
        auto block = Constant(576 * 2, -77);
        rig.Mix(block);
        EXPECT_EQ(block, Constant(576 * 2, 1234)) << fade;
    }
}

TEST(MixerFades, GainPositionsOutOfRangeRestartFadedOut) {
    MixerRig rig;
    for (int i = 0; i < 5; ++i) rig.Record(Constant(1152, 1000));
    rig.state.SetLogTrans(false);
    rig.StartCapture();
    rig.state.fMixInPercent = 1.5;
    rig.state.fMixOtPercent = -0.5;
    auto block = Constant(576 * 2, 3000);
    rig.Mix(block);
    EXPECT_EQ(block, Constant(576 * 2, 3000));
    EXPECT_EQ(rig.state.fMixInPercent, 0.0);
    EXPECT_EQ(rig.state.fMixOtPercent, 1.0);
}

}  // namespace
