// The mixing engine: mixes the live input recorded by the capture thread into each host
// block, in place, sample by sample.
//
// For every block it keeps the capture device opened in exactly the host's format and
// latency setting (a change of format, device, setting or a reset request restarts it),
// primes a reserve of recorded buffers (one more after every underrun, up to the capture
// thread's recorded limit), and then, frame by frame, runs the control step (due
// push-to-talk marks, auto trigger with its hold time, the mode's target, one fade step)
// and mixes each sample with the recorded sample at the same position: a crossfade
// through the transition curve, or the captured signal added at its weight, clipped to
// the sample range. The level follower measures the recorded signal. Format changes, the
// level, the trigger and the push-to-talk state go out as notifications.
//
// In every setting a clock follower keeps the delay where it is aimed, against the drift
// between the microphone's clock and the host's: it sets the ratio at which the capture
// thread resamples the recorded stream (ClockFollower, CaptureQueue::SetClockRatio). Classic
// holds the delay it has once primed. In the Low and Lowest latency settings the reserve is
// a delay: the block and, beyond it, how late buffers arrive (a high quantile, from the
// capture queue) and a margin, counted from the newest buffer's arrival, so the delay is
// the same whenever priming ends. The engine keeps it small: the reserve grows at an
// underrun and steps back down after a stretch without one, delay piled up by an underrun
// is skipped while the voice is not heard, and where the recorded data will not last
// through a block the voice fades out (and the music back in) before it ends, and fades in
// again when mixing resumes, so an underrun is never a step in the output.
//
// The work is split by responsibility: mixing_engine.cpp holds the block-level control
// (format reset, capture states, activation, the block's constants), mixer_priming.cpp
// the priming reserve and the consumption of recorded buffers and marks,
// mixer_frame_loop.cpp the per-frame control step and the sample loop.
//
// Threads: MixSamples and EnsureCaptureData run on the host's playback thread only.
// The window thread changes the user's settings in MixState through its setters at any
// time; they take effect at the next frame (mode, targets) or block (everything else).
// Marks() may be read from any thread (the statistics report).
//
// Owns: the recorded buffer being consumed (MixState.buff0, its data block and its marks,
// MixState.PTTEvent) from the moment it is taken from the capture queue until it is given
// back or released. Uses, never owns: MixState, the notification sink, the clock, the
// capture queue. Allocates nothing; notifications are posted, the capture queue is only
// asked (it posts to its own thread), so the playback thread never waits on the window
// thread.
#pragma once

#include <cstdint>

#include "capture/capture_queue.h"
#include "core/clock_follower.h"
#include "core/level_follower.h"
#include "core/mix_clock.h"
#include "core/mix_state.h"
#include "core/notification_sink.h"
#include "core/pending_marks_mirror.h"

inline constexpr double kSecondsPerDay = 86400.0;
// The shortest fade where recorded data runs out or mixing resumes (ramped settings).
inline constexpr double kUnderrunRampSeconds = 0.002;
// A ramped setting's reserve steps down by one after this long without an underrun.
inline constexpr double kReserveRecoverySeconds = 30.0;
// Ramped settings: the reserve beyond the block covers a buffer's length, the underrun
// ramp, how late buffers arrive and this margin, within the setting's least reserve and
// kMaxReserveSeconds.
inline constexpr double kReserveMarginSeconds = 0.008;
inline constexpr double kMaxReserveSeconds = 0.250;
// Ramped settings: the target the clock follower steers by falls no faster than this (half
// of what its largest ratio moves the delay by, the rest left for the microphone's drift).
inline constexpr double kTargetSlewPerSecond = 0.0005;
// Classic holds the delay it has once primed, as measured over this long after priming.
inline constexpr double kClassicTargetSeconds = 2.0;

class MixingEngine {
public:
    MixingEngine(MixStateRecord& state, NotificationSink& sink, MixClock& clock);
    MixingEngine(const MixingEngine&) = delete;
    MixingEngine& operator=(const MixingEngine&) = delete;

    // The mixing step for one host block. A null queue (no capture thread) leaves the block
    // alone. Always returns numsamples.
    int MixSamples(CaptureQueue* queue, void* samples, int numsamples, int bps, int nch,
                   int srate);

    // True when buff0 holds an unread recorded sample value in the given format; takes the
    // next recorded buffer (giving the used one back) when needed. Uses the queue of the
    // last MixSamples call.
    bool EnsureCaptureData(int bps, int nch, int srate);

    // MixIn Quit: lets go of the buffer being consumed and its pending marks.
    void DropBuffer(CaptureQueue* queue);

    // The pending marks and buff0's sample count as the statistics report may read them.
    const PendingMarksMirror& Marks() const { return mirror_; }

private:
    // Which kind of frame last found the level at or below the threshold, for LastSpikeTemp.
    static constexpr uint8_t kNoQuietFrame = 0;
    static constexpr uint8_t kQuietAfterOldSpike = 1;
    static constexpr uint8_t kQuietAfterFreshSpike = 2;

    // What the frame loop changes, kept in locals while it runs and published to MixState
    // at the end of the block.
    struct Working {
        const uint8_t* capture = nullptr;  // buff0's data
        int32_t pointer = 0;               // buff0pointer
        int32_t count = 0;                 // buff0's sample count; 0 without data
        double fIn = 0.0;                  // fMixInPercent
        double fOt = 1.0;                  // fMixOtPercent
        double target = 0.0;               // MixInPercent
        double weightIn = 0.0;             // TransitionCurve(fIn)
        double weightOt = 1.0;             // TransitionCurve(fOt)
        LevelFollower level;
        bool triggered = false;            // Level
        bool lastTriggered = false;        // LastLevel
        bool pttOn = false;                // PTTOn
        bool spikedThisBlock = false;
        uint8_t quiet = 0;                 // last quiet frame: kNoQuietFrame, ...
        double gate = 1.0;                 // underrun ramp: 1 mixes, 0 gives the host back
    };

    // What stays fixed for one block.
    struct BlockConstants {
        int bps = 0;
        int nch = 0;
        int srate = 0;
        int64_t ltv = 0;
        int64_t gtv = 0;
        int64_t center = 0;
        double ltvValue = 0.0;
        double gtvValue = 0.0;
        double fullScale = 0.0;
        double inStep = 0.0;
        double otStep = 0.0;
        bool logarithmic = true;
        bool crossfade = true;
        bool trackLevel = false;
        bool sendLevel = true;
        double spikeSquare = 0.0;
        bool holdsAfterFreshSpike = false;
        bool holdsAfterOldSpike = false;
        double oldSpikeAgeDays = 0.0;
        double nowMonotonic = 0.0;
        double nowLocal = 0.0;
        // Underrun ramps (ramped settings only): the gate rises by gateUp per frame and,
        // from frame fadeOutFrom of the block on, falls so that it is 0 at the last frame
        // with recorded data (frame dataFrames - 1).
        bool gated = false;
        double gateUp = 1.0;
        int64_t fadeOutFrom = INT64_MAX;
        int64_t dataFrames = INT64_MAX;
        double rampFrames = 1.0;
    };

    // What this engine last wrote to MixState for values it keeps in another form; a
    // different value found there was set by someone else (Init) and is taken over.
    struct Published {
        double rms0 = 0.0;
        double rms1 = 0.0;
        double peak = 0.0;
        double spikeTime = 0.0;
    };

    void FormatReset(int numsamples, int bps, int nch, int srate);
    // Priming, underruns and (ramped settings) the reserve's recovery; false: the block
    // passes unchanged.
    bool PrimeOrProceed(int numsamples, int bps, int nch, int srate);
    bool PrimeToDelay(int numsamples, int bps, int nch, int srate);
    void CountUnderrun(bool growReserve);
    bool CaptureLate(int bps, int nch, int srate) const;
    void RecoverReserve(int numsamples, int srate);
    double TargetDelay(int numsamples, int bps, int nch, int srate) const;
    double SteerTarget(double wanted, double blockSeconds, bool priming);
    double DelaySeconds(double now, int nch, int srate) const;
    void SkipToDelay(double now, double target, int numsamples, int bps, int nch, int srate);
    void FollowClock(double now, double target, int numsamples, int nch, int srate);
    void FollowClassicClock(int numsamples, int nch, int srate);
    void PublishLatency(double target);
    // Frames in one capture buffer of the current setting, and in the underrun ramp.
    int64_t BufferFrames(int bps, int nch, int srate) const;
    static int64_t RampFrames(int srate);
    // Recorded sample values available now: the rest of buff0 and the waiting buffers.
    int64_t AvailableValues() const;
    void PlanGate(int numsamples);
    void MixBlock(uint8_t* block, int numsamples);
    void LoadWorking();
    void PublishWorking();
    void PrepareBlock(int bps, int nch, int srate);

    template <class Codec>
    void MixFrames(uint8_t* block, int numsamples);
    template <class Codec>
    void FastFrames(uint8_t* block, int64_t firstValue, int64_t frames);
    template <class Codec>
    bool SlowFrame(uint8_t* block, int64_t firstValue);
    template <class Codec>
    void GatedFrames(uint8_t* block, int64_t firstValue, int64_t frames);
    int64_t FramesWithoutEvents();

    inline void ControlStep(Working& w, const BlockConstants& k);
    static inline void GateStep(Working& w, const BlockConstants& k, int64_t frame);
    inline bool SpikeCheck(Working& w, const BlockConstants& k, bool spike);
    inline double ModeTarget(const Working& w) const;
    inline void TrackLevel(Working& w, const BlockConstants& k, double v);
    void ApplyDueMarks();

    bool TakeMatchingBuffer(int bps, int nch, int srate);
    void TakeNextBuffer();
    void GiveBackBuffer();
    void DiscardBuffer();
    void ReleasePendingMarks();
    void SetPendingMarks(CaptureMark* head);
    void SyncCapture();

    MixStateRecord& state_;
    NotificationSink& sink_;
    MixClock& clock_;
    CaptureQueue* queue_ = nullptr;

    Working w_;
    BlockConstants k_;
    Published published_;
    PendingMarksMirror mirror_;

    // The latency setting applied at the last format reset, and the frames mixed since the
    // last underrun (for the reserve's recovery).
    LatencyMode latency_ = LatencyMode::Classic;
    int64_t framesSinceUnderrun_ = 0;
    // The clock follower, and what it aims at in Classic (the delay held since priming;
    // negative until measured) with the frames mixed since priming ended.
    ClockFollower follower_;
    bool primed_ = false;
    double classicTarget_ = -1.0;
    int64_t framesSincePrimed_ = 0;
    // Ramped settings: delay an underrun left behind may still be skipped while unheard.
    bool underrunBacklog_ = false;
    // Ramped settings: the target the clock follower steers by; targetKept_ is false until
    // the stream's first block.
    double keptTarget_ = 0.0;
    bool targetKept_ = false;
    bool gateOpening_ = false;  // mixing resumed: the gate opens over the fade-in

    // The last spike on the monotonic clock; invalid after a format reset.
    bool spikeValid_ = false;
    double spikeMonotonic_ = 0.0;

    // SpikeLevelSquare of the last threshold and full scale seen.
    uint64_t cachedThresholdBits_ = 0;
    double cachedFullScale_ = -1.0;
    double cachedSpikeSquare_ = 0.0;
};
