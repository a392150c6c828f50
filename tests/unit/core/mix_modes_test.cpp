// Mix modes and transitions: the auto trigger with its threshold and hold, the mode
// targets, the fades, push-to-talk marks at their exact sample, and the level messages.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "core/mixin_messages.h"
#include "unit/support/mixer_rig.h"

namespace {

constexpr double kFrame = 1.0 / 44100.0;

// Mono 16-bit at 44100 Hz, mixed one frame per block, so the gain positions and the
// trigger can be read after every frame.
struct FrameByFrame : MixerRig {
    FrameByFrame() : MixerRig(RecordedFormat{44100, 1, 16}) {}

    // Records `values` in buffers of 1000 and starts the capture (after the start blocks
    // the next frame is mixed).
    void RecordStream(const std::vector<int16_t>& values) {
        for (size_t at = 0; at < values.size(); at += 1000) {
            const size_t end = std::min(values.size(), at + 1000);
            Record(std::vector<int16_t>(values.begin() + at, values.begin() + end));
        }
        StartCapture(1);
    }

    // Mixes one frame of silence; the clock moves on by one frame.
    int16_t Frame() {
        std::vector<int16_t> block(1, 0);
        Mix(block);
        clock.Advance(kFrame);
        return block[0];
    }
};

std::vector<int16_t> Repeat(int16_t v, size_t n) { return std::vector<int16_t>(n, v); }

std::vector<int16_t> Join(std::vector<int16_t> a, const std::vector<int16_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// ---- auto trigger ------------------------------------------------------------------------

// A steady captured value v makes the level exactly v; 3571 is 10.898 % of 32767, 3605 is
// 11.002 %, 327 is 0.998 % and 328 is 1.001 %.
bool TriggersAt(int16_t level, double threshold) {
    FrameByFrame rig;
    rig.state.SetAutoMixThresh(threshold);
    rig.RecordStream(Repeat(level, 6000));
    for (int i = 0; i < 100; ++i) rig.Frame();
    return rig.state.Level;
}

TEST(MixerAutoTrigger, TheWholePercentMustExceedTheThreshold) {
    EXPECT_FALSE(TriggersAt(3571, 10.0)) << "10.9 % is 10 when rounded down";
    EXPECT_TRUE(TriggersAt(3605, 10.0)) << "11 %";
    EXPECT_FALSE(TriggersAt(327, 0.0)) << "below 1 %";
    EXPECT_TRUE(TriggersAt(328, 0.0)) << "1 % with a threshold of 0";
}

TEST(MixerAutoTrigger, RisesReachesItsLevelHoldsThenFadesOut) {
    FrameByFrame rig;
    rig.state.SetMSMode(kModeAuto);
    rig.state.SetAutoMixThresh(10.0);
    rig.state.SetAutoMixTiming(0.01, 1.0, 0.5);
    rig.state.SetAutoMixInPercent(0.7);
    const int loud = 2000;
    rig.RecordStream(Join(Repeat(8000, loud), Repeat(0, 60000)));

    int frame = 0;
    int risen = -1, reached = -1, lastSpike = -1, fell = -1, faded = -1;
    for (; frame < loud + 60000 - 10; ++frame) {
        rig.Frame();
        const double percent = std::floor(rig.state.RMS0 / 32767.0 * 100.0);
        if (percent > 10.0) lastSpike = frame;
        if (risen < 0 && rig.state.Level) risen = frame;
        if (reached < 0 && rig.state.fMixInPercent == 0.7) reached = frame;
        if (risen >= 0 && fell < 0 && !rig.state.Level) fell = frame;
        if (fell >= 0 && faded < 0 && rig.state.fMixInPercent == 0.0) faded = frame;
    }
    // The level is measured after a frame's sample, the trigger at the start of the next.
    EXPECT_EQ(risen, 1);
    EXPECT_EQ(reached - risen + 1, 309) << "0.7 at a fade-in of 0.01 s";
    const double held = (fell - lastSpike) * kFrame;
    EXPECT_GT(held, 0.5);
    EXPECT_LT(held, 0.5 + 2 * kFrame);
    EXPECT_NEAR(faded - fell + 1, 30870, 1) << "0.7 at a fade-out of 1 s";
    EXPECT_EQ(rig.sink.Values(WM_MIXIN_TRIGGER), (std::vector<intptr_t>{1, 0}));
}

TEST(MixerAutoTrigger, WithoutHoldTheTriggerFallsOnTheFirstQuietFrame) {
    FrameByFrame rig;
    rig.state.SetAutoMixThresh(10.0);
    rig.RecordStream(Join(Repeat(8000, 100), Repeat(0, 5900)));
    for (int frame = 0; frame < 200; ++frame) {
        const double percentBefore = std::floor(rig.state.RMS0 / 32767.0 * 100.0);
        rig.Frame();
        ASSERT_EQ(rig.state.Level, percentBefore > 10.0) << "frame " << frame;
    }
}

TEST(MixerAutoTrigger, TheHoldIgnoresWallClockChanges) {
    for (double jumpDays : {-1.0 / 24, +1.0 / 24}) {
        FrameByFrame rig;
        rig.state.SetAutoMixThresh(10.0);
        rig.state.SetAutoMixTiming(0.01, 1.0, 0.5);
        rig.RecordStream(Join(Repeat(8000, 100), Repeat(0, 40000)));
        for (int i = 0; i < 120; ++i) rig.Frame();  // loud, then the level decays
        ASSERT_TRUE(rig.state.Level);
        ASSERT_LT(rig.state.RMS0, 3000.0);
        const double spikeAt = rig.state.LastSpikeTime;

        rig.clock.SetWallClock(rig.clock.localDays + jumpDays);  // daylight saving, time sync
        for (int i = 0; i < 21000; ++i) rig.Frame();
        EXPECT_TRUE(rig.state.Level) << "still within the hold, clock moved by " << jumpDays;
        for (int i = 0; i < 1200; ++i) rig.Frame();
        EXPECT_FALSE(rig.state.Level) << "hold over, clock moved by " << jumpDays;
        EXPECT_EQ(rig.state.LastSpikeTime, spikeAt) << "reported as a wall-clock date-time";
        EXPECT_GT(rig.state.LastSpikeTemp * 86400, 0.5);
        EXPECT_LT(rig.state.LastSpikeTemp * 86400, 0.6);
    }
}

// ---- modes -------------------------------------------------------------------------------

TEST(MixerModes, ManualFullOnTheLinearCurveGivesTheCapturedSignalAlone) {
    FrameByFrame rig;
    rig.state.SetMSMode(kModeManual);
    rig.state.SetManualMixInPercent(1.0);
    rig.state.SetLogTrans(false);
    rig.RecordStream(Repeat(-1234, 6000));
    int16_t out = 0;
    for (int i = 0; i < 500; ++i) out = rig.Frame();
    EXPECT_EQ(out, -1234) << "after the 0.01 s fade-in";
}

void ExpectFadesOutLikeOff(int8_t mode) {
    FrameByFrame rig;
    rig.state.SetMSMode(kModeManual);
    rig.state.SetManualMixInPercent(1.0);
    rig.state.SetAutoMixTiming(0.0, 0.1, 0.0);
    rig.RecordStream(Repeat(100, 9000));
    rig.Frame();
    ASSERT_EQ(rig.state.fMixInPercent, 1.0);

    rig.state.SetMSMode(mode);
    for (int i = 0; i < 4408; ++i) rig.Frame();
    EXPECT_GT(rig.state.fMixInPercent, 0.0) << "mode " << int(mode);
    for (int i = 0; i < 3; ++i) rig.Frame();
    EXPECT_EQ(rig.state.fMixInPercent, 0.0) << "faded out over 0.1 s, mode " << int(mode);
    EXPECT_EQ(rig.state.fMixOtPercent, 1.0);
}

TEST(MixerModes, OffFadesTheCaptureOutOverTheFadeOutTime) { ExpectFadesOutLikeOff(kModeOff); }

TEST(MixerModes, AModeOutOfRangeBehavesAsOff) { ExpectFadesOutLikeOff(7); }

// ---- push-to-talk marks ------------------------------------------------------------------

// Stereo, PTT full on the linear curve with immediate fades: each output frame is either
// the host's (-1) or the captured frame (its index).
struct PttRig : MixerRig {
    PttRig() {
        state.SetMSMode(kModePtt);
        state.SetPTTMixInPercent(1.0);
        state.SetLogTrans(false);
        state.SetAutoMixTiming(0.0, 0.0, 0.0);
    }
    std::vector<int16_t> Frames() {
        std::vector<int16_t> buffer(2000);
        for (int i = 0; i < 2000; ++i) buffer[i] = static_cast<int16_t>(i / 2);
        return buffer;
    }
    // The frame indexes the capture was heard at, one block of 1000 frames.
    std::vector<bool> HeardFrames() {
        std::vector<int16_t> block(2000, -1);
        Mix(block);
        std::vector<bool> heard(1000);
        for (int f = 0; f < 1000; ++f) heard[f] = block[2 * f] != -1;
        return heard;
    }
};

TEST(MixerPushToTalk, AMarkAppliesAtTheFirstFrameAtOrAfterItsSample) {
    PttRig rig;
    rig.Record(rig.Frames(), ScriptedCaptureQueue::Marks({{1, 1000}}));
    for (int i = 0; i < 4; ++i) rig.Record(rig.Frames());
    rig.StartCapture(1000);
    const auto heard = rig.HeardFrames();
    for (int f = 0; f < 1000; ++f) ASSERT_EQ(heard[f], f >= 500) << "frame " << f;
    EXPECT_EQ(rig.sink.Values(WM_MIXIN_PTT), (std::vector<intptr_t>{1}));
    EXPECT_EQ(rig.queue.marksFreed, 1);
}

TEST(MixerPushToTalk, AnOddSampleAppliesAtTheNextFrame) {
    PttRig rig;
    rig.Record(rig.Frames(), ScriptedCaptureQueue::Marks({{1, 1001}, {0, 1500}}));
    for (int i = 0; i < 4; ++i) rig.Record(rig.Frames());
    rig.StartCapture(1000);
    const auto heard = rig.HeardFrames();
    for (int f = 0; f < 1000; ++f) ASSERT_EQ(heard[f], f >= 501 && f < 750) << "frame " << f;
}

TEST(MixerPushToTalk, SeveralMarksAtOnePositionLetTheLastOneWin) {
    PttRig rig;
    rig.Record(rig.Frames(), ScriptedCaptureQueue::Marks({{1, 600}, {0, 600}, {1, 600}}));
    for (int i = 0; i < 4; ++i) rig.Record(rig.Frames());
    rig.StartCapture(1000);
    const auto heard = rig.HeardFrames();
    for (int f = 0; f < 1000; ++f) ASSERT_EQ(heard[f], f >= 300) << "frame " << f;
    EXPECT_EQ(rig.sink.Values(WM_MIXIN_PTT), (std::vector<intptr_t>{1, 0, 1}));
}

TEST(MixerPushToTalk, ANegativeSampleAppliesAtTheBuffersFirstFrame) {
    PttRig rig;
    rig.Record(rig.Frames(), ScriptedCaptureQueue::Marks({{1, -4410}}));
    for (int i = 0; i < 4; ++i) rig.Record(rig.Frames());
    rig.StartCapture(1000);
    const auto heard = rig.HeardFrames();
    EXPECT_EQ(std::count(heard.begin(), heard.end(), true), 1000);
}

TEST(MixerPushToTalk, MarksLeftAtTheBuffersEndApplyWhenItIsLeft) {
    PttRig rig;
    rig.Record(rig.Frames(), ScriptedCaptureQueue::Marks({{1, 2000}}));
    for (int i = 0; i < 4; ++i) rig.Record(rig.Frames());
    rig.StartCapture(1000);
    const auto first = rig.HeardFrames();
    EXPECT_EQ(std::count(first.begin(), first.end(), true), 0);
    EXPECT_TRUE(rig.state.PTTOn) << "applied as the buffer was left";
    EXPECT_EQ(rig.state.LastPTTSampleIndex, 0);
    const auto second = rig.HeardFrames();
    EXPECT_EQ(std::count(second.begin(), second.end(), true), 1000);
}

TEST(MixerPushToTalk, PendingMarksAcrossBlocksAreAppliedInTheLaterBlock) {
    PttRig rig;
    rig.Record(Join(rig.Frames(), rig.Frames()), ScriptedCaptureQueue::Marks({{1, 3000}, {0, 3600}}));
    for (int i = 0; i < 4; ++i) rig.Record(rig.Frames());
    rig.StartCapture(1000);
    const auto first = rig.HeardFrames();
    EXPECT_EQ(std::count(first.begin(), first.end(), true), 0);
    EXPECT_EQ(rig.state.LastPTTSampleIndex, 3000);
    const auto second = rig.HeardFrames();
    for (int f = 0; f < 1000; ++f) ASSERT_EQ(second[f], f >= 500 && f < 800) << "frame " << f;
}

// ---- level messages ----------------------------------------------------------------------

TEST(MixerLevelMessages, OneLevelMessagePerSixtyValues) {
    MixerRig rig;
    for (int i = 0; i < 5; ++i) rig.Record(Repeat(16384, 1152));
    rig.StartCapture();
    auto block = Repeat(0, 1152);
    rig.Mix(block);
    const auto levels = rig.sink.Values(WM_MIXIN_RMS);
    EXPECT_EQ(levels.size(), 1152u / 60);
    EXPECT_EQ(levels.front(), 50) << "16384 of 32767";
    EXPECT_EQ(rig.state.RMSNotifyCount, 1152 % 60);
}

TEST(MixerLevelMessages, SwitchedOffOnlyTheResetZeroIsPosted) {
    MixerRig rig;
    rig.state.SetSendNotifyWndRMS(false);
    for (int i = 0; i < 5; ++i) rig.Record(Repeat(16384, 1152));
    auto first = Repeat(0, 1152);
    rig.state.SetWantActivate(true);
    rig.Mix(first);
    EXPECT_EQ(rig.sink.Values(WM_MIXIN_RMS), (std::vector<intptr_t>{0}));
    for (int b = 0; b < 6; ++b) {
        auto block = Repeat(0, 1152);
        rig.Mix(block);
    }
    EXPECT_EQ(rig.sink.Values(WM_MIXIN_RMS), (std::vector<intptr_t>{0}));
    EXPECT_GT(rig.state.RMS0, 16000.0) << "the level is still measured";
}

TEST(MixerLevelMessages, NoLevelIsMeasuredWhileTheDeviceIsOnlyOpen) {
    MixerRig rig;
    for (int i = 0; i < 5; ++i) rig.Record(Repeat(16384, 1152));
    rig.StartCapture();
    rig.queue.followRequests = false;
    rig.queue.state = kStateOpen;
    auto block = Repeat(0, 1152);
    rig.Mix(block);
    EXPECT_EQ(rig.state.RMS0, 0.0);
    EXPECT_EQ(block, Repeat(0, 1152)) << "fully faded out: the host signal";
}

}  // namespace
