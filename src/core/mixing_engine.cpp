#include "core/mixing_engine.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "core/mixin_messages.h"
#include "core/sample_codecs.h"
#include "core/sample_limits.h"
#include "core/transition_curve.h"

namespace {

// The fade step that makes a change immediate.
constexpr double kImmediateStep = 1.0;

// Which kind of frame last found the level at or below the threshold, for LastSpikeTemp.
constexpr uint8_t kNoQuietFrame = 0;
constexpr uint8_t kQuietAfterOldSpike = 1;
constexpr uint8_t kQuietAfterFreshSpike = 2;

bool InUnitRange(double x) { return x >= 0.0 && x <= 1.0; }  // false for NaN

// Per-frame change of the capture gain for a full ramp of `fadeSeconds` at `srate`. A fade
// of exactly 0 is immediate; so is a negative or unusable one, which would otherwise move
// the gain away from its target (or turn it into NaN) for a whole block.
double FadeStep(double fadeSeconds, int srate) {
    if (fadeSeconds == 0.0) return kImmediateStep;
    const double step = 1.0 / fadeSeconds / srate;
    if (std::isnan(step) || step < 0.0) return kImmediateStep;
    return step;
}

bool MatchesFormat(const CaptureBuffer& buffer, int bps, int nch, int srate) {
    return buffer.bps == bps && buffer.nch == nch && buffer.srate == srate;
}

}  // namespace

MixingEngine::MixingEngine(MixStateRecord& state, NotificationSink& sink, MixClock& clock)
    : state_(state), sink_(sink), clock_(clock) {}

// ---- the block --------------------------------------------------------------------------

int MixingEngine::MixSamples(CaptureQueue* queue, void* samples, int numsamples, int bps,
                             int nch, int srate) {
    if (queue == nullptr) return numsamples;
    queue_ = queue;

    // A setter racing with the ramp, or a bad value: start again faded out.
    if (!InUnitRange(state_.fMixInPercent) || !InUnitRange(state_.fMixOtPercent)) {
        state_.fMixInPercent = 0.0;
        state_.fMixOtPercent = 1.0;
    }
    state_.MixInStep = FadeStep(state_.AutoMixInFade, srate);
    state_.MixOtStep = FadeStep(state_.AutoMixOtFade, srate);

    if (bps != state_.last0_bps || nch != state_.last0_nch || srate != state_.last0_srate ||
        state_.SelectedDeviceChanged || state_.WantReset) {
        FormatReset(numsamples, bps, nch, srate);
        return numsamples;
    }

    if (numsamples != state_.last0_numsamples) sink_.Post(WM_MIXIN_SAMPLES, numsamples);

    switch (queue->State()) {
        case kStateIdle:
            queue->RequestOpen(state_.last0_Device.Get(), srate, bps, nch);
            state_.last0_rtab = 0;
            state_.last0_WantActivate = state_.WantActivate.load();
            return numsamples;
        case kStateOpen:
            if (state_.last0_WantActivate) {
                queue->RequestStart();
                state_.last0_rtab = 0;
            }
            break;
        case kStateDataReady:
        case kStateStop:
            break;
        case kStatePaused:
            queue->RequestStart();
            break;
        case kStateClose:
            queue->RequestReset();
            return numsamples;
        default:  // GoAway, Init, Reset, Uninit, Error: nothing to mix yet
            return numsamples;
    }

    const bool wantActivate = state_.WantActivate;
    if (wantActivate != state_.last0_WantActivate) {
        state_.last0_WantActivate = wantActivate;
        state_.RMS0 = 0.0;
        if (wantActivate) {
            if (queue->RecordedCount() < 1 && queue->State() != kStatePaused) state_.last0_rtab = 0;
            queue->RequestStart();
        } else {
            queue->RequestStop();
        }
    }

    state_.last0_ltv = static_cast<int32_t>(state_.ltv0.load());
    state_.last0_gtv = static_cast<int32_t>(state_.gtv0.load());
    state_.last0_numsamples = numsamples;
    state_.last0_bps = bps;
    state_.last0_nch = nch;
    state_.last0_srate = srate;

    // Widths without a codec, and blocks with nothing in them, pass unchanged; the device
    // still follows the format so the control window shows it.
    if (!IsMixableWidth(bps) || nch <= 0 || numsamples <= 0 || samples == nullptr) {
        return numsamples;
    }

    LoadWorking();
    if (state_.last0_WantActivate) {
        if (state_.last0_rtab < state_.nominalbuffcount) {
            state_.last0_rtab = std::max(state_.last0_rtab.load(), queue->RecordedCount());
            PublishWorking();
            return numsamples;
        }
        if (!EnsureCaptureData(bps, nch, srate)) {
            // An underrun while recording: wait for a larger reserve next time, but never for
            // more buffers than the capture thread keeps.
            const uint8_t captureState = queue->State();
            if (captureState != kStatePaused && captureState != kStateStop) {
                state_.nominalbuffcount = std::min(state_.nominalbuffcount + 1, kRecordedLimit);
            }
            state_.last0_rtab = 0;
            PublishWorking();
            return numsamples;
        }
    }

    PrepareBlock(bps, nch, srate);
    uint8_t* block = static_cast<uint8_t*>(samples);
    switch (bps) {
        case PcmU8::kBits: MixFrames<PcmU8>(block, numsamples); break;
        case PcmS16::kBits: MixFrames<PcmS16>(block, numsamples); break;
        case PcmS24::kBits: MixFrames<PcmS24>(block, numsamples); break;
        case PcmS32::kBits: MixFrames<PcmS32>(block, numsamples); break;
    }
    PublishWorking();
    return numsamples;
}

void MixingEngine::FormatReset(int numsamples, int bps, int nch, int srate) {
    state_.SelectedDeviceChanged = false;
    CaptureBuffer& buffer = state_.buff0;
    if (buffer.data != nullptr) {
        // Recorded in the old format: released, not given back for reuse. Its marks stay
        // pending until the next buffer change.
        DiscardBuffer();
        buffer.numsamples = 0;
        buffer.srate = srate;
        buffer.nch = nch;
        buffer.bps = bps;
        mirror_.Publish(state_.PTTEvent, buffer.numsamples);
    }
    state_.WantReset = false;
    state_.PTTOn = false;
    w_.pttOn = false;
    sink_.Post(WM_MIXIN_PTT, 0);
    state_.fMixInPercent = 0.0;
    state_.fMixOtPercent = 1.0;

    state_.last0_bps = bps;
    const SampleLimits limits = LimitsForWidth(bps);
    state_.ltv0 = limits.ltv;
    state_.gtv0 = limits.gtv;
    state_.center0 = limits.center;
    state_.last0_nch = nch;
    state_.last0_srate = srate;
    queue_->RequestReset();
    state_.last0_numsamples = numsamples;

    sink_.Post(WM_MIXIN_SRATE, srate);
    sink_.Post(WM_MIXIN_BITS, bps);
    sink_.Post(WM_MIXIN_NCH, nch);
    sink_.Post(WM_MIXIN_SAMPLES, numsamples);

    state_.nominalbuffcount = kInitialPrimingBuffers;
    state_.RMS0 = 0.0;
    state_.RMS1 = 0.0;
    w_.level.rms0Square = 0.0;
    w_.level.rms1Square = 0.0;
    sink_.Post(WM_MIXIN_RMS, 0);
    sink_.Post(WM_MIXIN_TRIGGER, 0);
    state_.Level = false;
    state_.LastLevel = false;
    state_.LastSpikeTime = 0.0;
    spikeValid_ = false;
}

void MixingEngine::LoadWorking() {
    w_.pointer = state_.buff0pointer;
    SyncCapture();
    w_.fIn = state_.fMixInPercent;
    w_.fOt = state_.fMixOtPercent;
    w_.target = state_.MixInPercent;

    const double rms0 = state_.RMS0;
    const double rms1 = state_.RMS1;
    const double peak = state_.RMSNotifyPeak;
    if (rms0 != published_.rms0) w_.level.rms0Square = rms0 * rms0;
    if (rms1 != published_.rms1) w_.level.rms1Square = rms1 * rms1;
    if (peak != published_.peak) w_.level.peakSquare = peak * peak;
    w_.level.notifyCount = state_.RMSNotifyCount;

    w_.triggered = state_.Level;
    w_.lastTriggered = state_.LastLevel;
    w_.pttOn = state_.PTTOn;
    w_.spikedThisBlock = false;
    w_.quiet = kNoQuietFrame;
    if (state_.LastSpikeTime != published_.spikeTime) spikeValid_ = false;
}

void MixingEngine::PublishWorking() {
    state_.buff0pointer = w_.pointer;
    state_.fMixInPercent = w_.fIn;
    state_.fMixOtPercent = w_.fOt;
    state_.MixInPercent = w_.target;

    published_.rms0 = std::sqrt(w_.level.rms0Square);
    published_.rms1 = std::sqrt(w_.level.rms1Square);
    published_.peak = std::sqrt(w_.level.peakSquare);
    state_.RMS0 = published_.rms0;
    state_.RMS1 = published_.rms1;
    state_.RMSNotifyPeak = published_.peak;
    state_.RMSNotifyCount = w_.level.notifyCount;

    state_.Level = w_.triggered;
    state_.LastLevel = w_.lastTriggered;
    state_.PTTOn = w_.pttOn;
    if (w_.spikedThisBlock) {
        spikeValid_ = true;
        spikeMonotonic_ = k_.nowMonotonic;
        state_.LastSpikeTime = k_.nowLocal;
    }
    published_.spikeTime = state_.LastSpikeTime;
    if (w_.quiet == kQuietAfterFreshSpike) state_.LastSpikeTemp = 0.0;
    if (w_.quiet == kQuietAfterOldSpike) state_.LastSpikeTemp = k_.oldSpikeAgeDays;
    w_.spikedThisBlock = false;
    w_.quiet = kNoQuietFrame;
}

void MixingEngine::PrepareBlock(int bps, int nch, int srate) {
    BlockConstants& k = k_;
    k.bps = bps;
    k.nch = nch;
    k.srate = srate;
    k.ltv = state_.ltv0;
    k.gtv = state_.gtv0;
    k.center = state_.center0;
    k.ltvValue = static_cast<double>(k.ltv);
    k.gtvValue = static_cast<double>(k.gtv);
    k.fullScale = static_cast<double>(k.gtv - k.center);
    k.inStep = state_.MixInStep;
    k.otStep = state_.MixOtStep;
    k.logarithmic = state_.LogTrans;
    k.crossfade = state_.MixIn;
    k.sendLevel = state_.SendNotifyWndRMS;
    const uint8_t captureState = queue_->State();
    k.trackLevel = captureState == kStateDataReady || captureState == kStateStop;

    const double threshold = state_.AutoMixThresh;
    const uint64_t thresholdBits = std::bit_cast<uint64_t>(threshold);
    if (thresholdBits != cachedThresholdBits_ || k.fullScale != cachedFullScale_) {
        cachedThresholdBits_ = thresholdBits;
        cachedFullScale_ = k.fullScale;
        cachedSpikeSquare_ = SpikeLevelSquare(threshold, k.fullScale);
    }
    k.spikeSquare = cachedSpikeSquare_;

    // The block is mixed in microseconds: one reading of the clocks serves all its frames.
    // The hold is measured on the monotonic clock, so setting the wall clock (daylight
    // saving, time sync) neither stretches nor cuts it; LastSpikeTime stays a date-time.
    k.nowMonotonic = clock_.MonotonicSeconds();
    k.nowLocal = clock_.LocalDateTime();
    k.oldSpikeAgeDays = spikeValid_ ? (k.nowMonotonic - spikeMonotonic_) / kSecondsPerDay
                                    : k.nowLocal - state_.LastSpikeTime;
    const double holdDays = state_.AutoMixHold / kSecondsPerDay;
    k.holdsAfterOldSpike = holdDays > k.oldSpikeAgeDays;
    k.holdsAfterFreshSpike = holdDays > 0.0;

    w_.weightIn = TransitionCurve(w_.fIn, k.logarithmic);
    w_.weightOt = TransitionCurve(w_.fOt, k.logarithmic);
}

// ---- the frame loop ---------------------------------------------------------------------

namespace {

// One mixed value, clipped to the width's range. The crossfade is truncated toward zero;
// clipping the double before converting it gives the same result as clipping the
// truncated value, and never converts a value that does not fit.
inline int64_t MixValue(double weightOt, double weightIn, bool crossfade, int64_t ltv,
                        int64_t gtv, double ltvValue, double gtvValue, int64_t h, int64_t x) {
    if (crossfade) {
        const double mixed = weightOt * static_cast<double>(h) + weightIn * static_cast<double>(x);
        if (mixed > gtvValue) return gtv;
        if (mixed >= ltvValue) return static_cast<int64_t>(mixed);
        return ltv;
    }
    const int64_t sum = h + x;
    return sum > gtv ? gtv : (sum < ltv ? ltv : sum);
}

}  // namespace

inline double MixingEngine::ModeTarget(const Working& w) const {
    switch (state_.MSMode.load()) {
        case kModeManual: return state_.ManualMixInPercent;
        case kModeAuto: return w.triggered ? state_.AutoMixInPercent.load() : 0.0;
        case kModePtt: return w.pttOn ? state_.PTTMixInPercent.load() : 0.0;
        default: return 0.0;  // Off, and any value out of range
    }
}

inline bool MixingEngine::SpikeCheck(Working& w, const BlockConstants& k, bool spike) {
    if (spike) {
        w.spikedThisBlock = true;
        return true;
    }
    w.quiet = w.spikedThisBlock ? kQuietAfterFreshSpike : kQuietAfterOldSpike;
    return w.spikedThisBlock ? k.holdsAfterFreshSpike : k.holdsAfterOldSpike;
}

// Auto trigger, mode target and one fade step. (Due marks are applied before, by the slow
// frame; fast frames have none.)
inline void MixingEngine::ControlStep(Working& w, const BlockConstants& k) {
    w.triggered = SpikeCheck(w, k, w.level.rms0Square >= k.spikeSquare);
    if (w.triggered != w.lastTriggered) {
        sink_.Post(WM_MIXIN_TRIGGER, w.triggered ? 1 : 0);
        w.lastTriggered = w.triggered;
    }
    w.target = ModeTarget(w);
    if (w.fIn != w.target) {
        if (w.fIn > w.target) {
            w.fIn -= k.otStep;
            if (w.fIn < w.target) w.fIn = w.target;
        } else {
            w.fIn += k.inStep;
            if (w.fIn > w.target) w.fIn = w.target;
        }
        w.fOt = 1.0 - w.fIn;
        w.weightIn = TransitionCurve(w.fIn, k.logarithmic);
        w.weightOt = TransitionCurve(w.fOt, k.logarithmic);
    }
}

inline void MixingEngine::TrackLevel(Working& w, const BlockConstants& k, double v) {
    double peak = 0.0;
    if (w.level.Track(v, peak) && k.sendLevel) {
        sink_.Post(WM_MIXIN_RMS, LevelPercent(peak, k.fullScale));
    }
}

// Frames are mixed in runs that need no buffer change and meet no due mark (fast frames,
// everything in locals); the frame at such an event goes through the slow frame, which
// follows the general rule sample by sample.
template <class Codec>
void MixingEngine::MixFrames(uint8_t* block, int numsamples) {
    const int nch = k_.nch;
    int64_t value = 0;
    for (int64_t frames = numsamples; frames > 0;) {
        const int64_t run = std::min(frames, FramesWithoutEvents());
        if (run > 0) {
            FastFrames<Codec>(block, value, run);
            value += run * nch;
            frames -= run;
        } else {
            if (!SlowFrame<Codec>(block, value)) return;
            value += nch;
            --frames;
        }
    }
}

// Frames from buff0pointer on whose samples are all in buff0, with at least one sample
// left after them (so even the last one's follow-up check changes no buffer), and before
// the frame at which the next mark is due.
int64_t MixingEngine::FramesWithoutEvents() {
    if (w_.capture == nullptr || w_.pointer >= w_.count) return 0;
    const int64_t nch = k_.nch;
    int64_t run = (static_cast<int64_t>(w_.count) - w_.pointer - 1) / nch;
    if (const CaptureMark* head = state_.PTTEvent) {
        state_.LastPTTSampleIndex = head->Sample;
        if (w_.pointer >= head->Sample) return 0;
        run = std::min(run, (static_cast<int64_t>(head->Sample) - w_.pointer + nch - 1) / nch);
    }
    return run;
}

template <class Codec>
void MixingEngine::FastFrames(uint8_t* block, int64_t value, int64_t frames) {
    Working w = w_;
    const BlockConstants k = k_;
    for (int64_t frame = 0; frame < frames; ++frame) {
        ControlStep(w, k);
        for (int c = 0; c < k.nch; ++c, ++value) {
            uint8_t* at = block + value * Codec::kBytes;
            const int64_t x = Codec::Load(w.capture + static_cast<int64_t>(w.pointer) * Codec::kBytes);
            ++w.pointer;
            Codec::Store(at, MixValue(w.weightOt, w.weightIn, k.crossfade, k.ltv, k.gtv,
                                      k.ltvValue, k.gtvValue, Codec::Load(at), x));
            if (k.trackLevel) TrackLevel(w, k, static_cast<double>(x - k.center));
        }
    }
    w_ = w;
}

template <class Codec>
bool MixingEngine::SlowFrame(uint8_t* block, int64_t value) {
    const BlockConstants& k = k_;
    ApplyDueMarks();
    ControlStep(w_, k);
    for (int c = 0; c < k.nch; ++c, ++value) {
        uint8_t* at = block + value * Codec::kBytes;
        const int64_t h = Codec::Load(at);
        if (!EnsureCaptureData(k.bps, k.nch, k.srate)) {
            // A buffer that arrived meanwhile is taken now, ready for the next block; the
            // rest of this block stays as the host gave it.
            EnsureCaptureData(k.bps, k.nch, k.srate);
            return false;
        }
        const int64_t x = Codec::Load(w_.capture + static_cast<int64_t>(w_.pointer) * Codec::kBytes);
        ++w_.pointer;
        Codec::Store(at, MixValue(w_.weightOt, w_.weightIn, k.crossfade, k.ltv, k.gtv,
                                  k.ltvValue, k.gtvValue, h, x));
        if (EnsureCaptureData(k.bps, k.nch, k.srate) && k.trackLevel) {
            TrackLevel(w_, k, static_cast<double>(x - k.center));
        }
    }
    return true;
}

// ---- push-to-talk marks and recorded buffers ---------------------------------------------

// Every pending mark whose sample position has been reached is applied, earliest first,
// and freed; the last one applied decides PTTOn.
void MixingEngine::ApplyDueMarks() {
    CaptureMark* head = state_.PTTEvent;
    if (head == nullptr) return;
    state_.LastPTTSampleIndex = head->Sample;
    bool applied = false;
    while (head != nullptr && w_.pointer >= head->Sample) {
        w_.pttOn = head->On != 0;
        sink_.Post(WM_MIXIN_PTT, w_.pttOn ? 1 : 0);
        CaptureMark* next = head->NextPTT;
        head->NextPTT = nullptr;
        queue_->ReleaseMarkChain(head);
        head = next;
        applied = true;
        if (head != nullptr) state_.LastPTTSampleIndex = head->Sample;
    }
    if (applied) SetPendingMarks(head);
}

bool MixingEngine::EnsureCaptureData(int bps, int nch, int srate) {
    if (queue_ == nullptr) return false;
    CaptureBuffer& buffer = state_.buff0;
    if (buffer.data == nullptr) {
        ReleasePendingMarks();
        TakeNextBuffer();
        if (buffer.data == nullptr) return false;
        if (!MatchesFormat(buffer, bps, nch, srate)) {
            DiscardBuffer();
            return false;
        }
    }
    // Used up: give it back and move on. A buffer that holds no samples at all is used up
    // as soon as it is taken, so the mixer never reads a value that was not recorded.
    while (w_.pointer >= buffer.numsamples) {
        GiveBackBuffer();
        ReleasePendingMarks();
        TakeNextBuffer();
        if (buffer.data == nullptr) return false;
        if (!MatchesFormat(buffer, bps, nch, srate)) {
            DiscardBuffer();
            return false;
        }
    }
    return true;
}

// A mark chain left over when its buffer is left is applied at once, as a whole.
void MixingEngine::ReleasePendingMarks() {
    if (state_.PTTEvent == nullptr) return;
    state_.LastPTTSampleIndex = 0;
    w_.pttOn = queue_->ReleaseMarkChain(state_.PTTEvent) != 0;
    SetPendingMarks(nullptr);
    sink_.Post(WM_MIXIN_PTT, w_.pttOn ? 1 : 0);
}

void MixingEngine::TakeNextBuffer() {
    state_.buff0 = queue_->TakeRecordedBuffer();
    w_.pointer = 0;
    SyncCapture();
    SetPendingMarks(state_.buff0.events);
}

void MixingEngine::GiveBackBuffer() {
    uint8_t* data = state_.buff0.data;
    state_.buff0.data = nullptr;
    SyncCapture();
    queue_->ReturnDataBlock(data);
}

void MixingEngine::DiscardBuffer() {
    uint8_t* data = state_.buff0.data;
    state_.buff0.data = nullptr;
    SyncCapture();
    queue_->ReleaseDataBlock(data);
}

void MixingEngine::SetPendingMarks(CaptureMark* head) {
    state_.PTTEvent = head;
    state_.buff0.events = head;
    mirror_.Publish(head, state_.buff0.numsamples);
}

void MixingEngine::SyncCapture() {
    const CaptureBuffer& buffer = state_.buff0;
    w_.capture = buffer.data;
    w_.count = buffer.data != nullptr ? std::max(buffer.numsamples, 0) : 0;
}

void MixingEngine::DropBuffer(CaptureQueue* queue) {
    if (queue == nullptr) return;
    queue_ = queue;
    if (state_.buff0.data != nullptr) DiscardBuffer();
    if (state_.PTTEvent != nullptr) queue->ReleaseMarkChain(state_.PTTEvent);
    state_.buff0 = CaptureBuffer{};
    SetPendingMarks(nullptr);
}
