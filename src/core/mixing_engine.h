// The mixing engine: mixes the live input recorded by the capture thread into each host
// block, in place, sample by sample.
//
// For every block it keeps the capture device opened in exactly the host's format (a
// change of format, device or a reset request restarts it), primes a reserve of recorded
// buffers (one more after every underrun, up to the capture thread's recorded limit), and
// then, frame by frame, runs the control step (due push-to-talk marks, auto trigger with
// its hold time, the mode's target, one fade step) and mixes each sample with the recorded
// sample at the same position: a crossfade through the transition curve, or a plain sum,
// clipped to the sample range. The level follower measures the recorded signal. Format
// changes, the level, the trigger and the push-to-talk state go out as notifications.
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
#include "core/level_follower.h"
#include "core/mix_clock.h"
#include "core/mix_state.h"
#include "core/notification_sink.h"
#include "core/pending_marks_mirror.h"

// The capture thread keeps at most this many recorded buffers; a priming reserve larger
// than that could never be reached.
inline constexpr int32_t kRecordedLimit = 50;
inline constexpr double kSecondsPerDay = 86400.0;

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
    void LoadWorking();
    void PublishWorking();
    void PrepareBlock(int bps, int nch, int srate);

    template <class Codec>
    void MixFrames(uint8_t* block, int numsamples);
    template <class Codec>
    void FastFrames(uint8_t* block, int64_t firstValue, int64_t frames);
    template <class Codec>
    bool SlowFrame(uint8_t* block, int64_t firstValue);
    int64_t FramesWithoutEvents();

    inline void ControlStep(Working& w, const BlockConstants& k);
    inline bool SpikeCheck(Working& w, const BlockConstants& k, bool spike);
    inline double ModeTarget(const Working& w) const;
    inline void TrackLevel(Working& w, const BlockConstants& k, double v);
    void ApplyDueMarks();

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

    // The last spike on the monotonic clock; invalid after a format reset.
    bool spikeValid_ = false;
    double spikeMonotonic_ = 0.0;

    // SpikeLevelSquare of the last threshold and full scale seen.
    uint64_t cachedThresholdBits_ = 0;
    double cachedFullScale_ = -1.0;
    double cachedSpikeSquare_ = 0.0;
};
