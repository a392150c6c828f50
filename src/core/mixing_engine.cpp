#include "core/mixing_engine.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "core/mixin_messages.h"
#include "base/sample_codecs.h"
#include "base/sample_limits.h"
#include "core/transition_curve.h"

// Block-level control: the format reset, the capture thread's states, activation, and the
// constants one block is mixed with. Priming and consumption are in mixer_priming.cpp, the
// frames in mixer_frame_loop.cpp.

namespace {

// The fade step that makes a change immediate.
constexpr double kImmediateStep = 1.0;

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
            queue->SetLatency(latency_);
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
    if (!PrimeOrProceed(numsamples, bps, nch, srate)) {
        PublishWorking();
        return numsamples;
    }
    PrepareBlock(bps, nch, srate);
    PlanGate(numsamples);
    MixBlock(static_cast<uint8_t*>(samples), numsamples);
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

    // The latency setting takes effect here: the capture device is reopened with its
    // buffers, and the reserve starts at its size.
    latency_ = state_.Latency;
    state_.nominalbuffcount = ProfileOf(latency_).PrimingReserve;
    framesSinceUnderrun_ = 0;
    // A new stream: the clocks' difference is learnt anew, and the recorded stream passes
    // as recorded until then.
    follower_.Reset();
    follower_.SetBufferSeconds(static_cast<double>(BufferFrames(bps, nch, srate)) / srate);
    queue_->SetClockRatio(1.0);
    primed_ = false;
    underrunBacklog_ = false;
    targetKept_ = false;
    PublishLatency(0.0);
    w_.gate = 0.0;
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
