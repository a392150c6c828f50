// The frame loop: for every frame the control step (due marks, auto trigger, the mode's
// target, one fade step) and, for every channel, the recorded sample mixed into the host
// sample, clipped and stored in place, with the level follower fed from the recorded one.
// In the ramped latency settings a gate per frame fades the mix in after priming and out
// where the recorded data runs out.
#include <algorithm>

#include "core/mixin_messages.h"
#include "core/mixing_engine.h"
#include "base/sample_codecs.h"
#include "base/sample_limits.h"
#include "core/transition_curve.h"

namespace {

struct Weights {
    double in;  // the recorded sample's
    double ot;  // the host sample's (crossfade only)
};

// One mixed value, clipped to the width's range. The crossfade is truncated toward zero;
// clipping the double before converting it gives the same result as clipping the
// truncated value, and never converts a value that does not fit. Adding (no crossfade)
// puts the recorded signal, taken about the width's center, in at its weight on top of
// the host sample: a weight of 0 gives the host sample back exactly.
inline int64_t MixValue(Weights weights, bool crossfade, int64_t ltv, int64_t gtv, double ltvValue,
                        double gtvValue, int64_t center, int64_t h, int64_t x) {
    if (crossfade) {
        const double mixed = weights.ot * static_cast<double>(h) + weights.in * static_cast<double>(x);
        if (mixed > gtvValue) return gtv;
        if (mixed >= ltvValue) return static_cast<int64_t>(mixed);
        return ltv;
    }
    const int64_t sum = h + static_cast<int64_t>(weights.in * static_cast<double>(x - center));
    return sum > gtv ? gtv : (sum < ltv ? ltv : sum);
}

// The weights with the gate applied: the mix where it is open, the host alone where it
// is closed, and a straight line between the two.
inline Weights Gated(double gate, double weightIn, double weightOt) {
    if (gate >= 1.0) return {weightIn, weightOt};
    return {gate * weightIn, 1.0 - gate * (1.0 - weightOt)};
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

// The gate rises towards 1 by its step; from the fade-out frame on it may be no higher than
// the straight line that reaches 0 at the last frame with recorded data.
inline void MixingEngine::GateStep(Working& w, const BlockConstants& k, int64_t frame) {
    double gate = std::min(1.0, w.gate + k.gateUp);
    if (frame >= k.fadeOutFrom) {
        const double limit = static_cast<double>(k.dataFrames - 1 - frame) / k.rampFrames;
        gate = std::min(gate, std::max(0.0, limit));
    }
    w.gate = gate;
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
            if (k_.gated) {
                GatedFrames<Codec>(block, value, run);
            } else {
                FastFrames<Codec>(block, value, run);
            }
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
            Codec::Store(at, MixValue({w.weightIn, w.weightOt}, k.crossfade, k.ltv, k.gtv, k.ltvValue,
                                      k.gtvValue, k.center, Codec::Load(at), x));
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
    if (k.gated) GateStep(w_, k, value / k.nch);
    const Weights weights = k.gated ? Gated(w_.gate, w_.weightIn, w_.weightOt) : Weights{w_.weightIn, w_.weightOt};
    for (int c = 0; c < k.nch; ++c, ++value) {
        uint8_t* at = block + value * Codec::kBytes;
        const int64_t h = Codec::Load(at);
        if (!EnsureCaptureData(k.bps, k.nch, k.srate)) {
            // A buffer that arrived meanwhile is taken now, ready for the next block; the
            // rest of this block stays as the host gave it.
            EnsureCaptureData(k.bps, k.nch, k.srate);
            if (k.gated) w_.gate = 0.0;
            return false;
        }
        const int64_t x = Codec::Load(w_.capture + static_cast<int64_t>(w_.pointer) * Codec::kBytes);
        ++w_.pointer;
        Codec::Store(at, MixValue(weights, k.crossfade, k.ltv, k.gtv, k.ltvValue, k.gtvValue,
                                  k.center, h, x));
        if (EnsureCaptureData(k.bps, k.nch, k.srate) && k.trackLevel) {
            TrackLevel(w_, k, static_cast<double>(x - k.center));
        }
    }
    return true;
}

// Frames as in FastFrames, with the gate moved and applied frame by frame.
template <class Codec>
void MixingEngine::GatedFrames(uint8_t* block, int64_t value, int64_t frames) {
    Working w = w_;
    const BlockConstants k = k_;
    for (int64_t frame = 0; frame < frames; ++frame) {
        ControlStep(w, k);
        GateStep(w, k, value / k.nch);
        const Weights weights = Gated(w.gate, w.weightIn, w.weightOt);
        for (int c = 0; c < k.nch; ++c, ++value) {
            uint8_t* at = block + value * Codec::kBytes;
            const int64_t x = Codec::Load(w.capture + static_cast<int64_t>(w.pointer) * Codec::kBytes);
            ++w.pointer;
            Codec::Store(at, MixValue(weights, k.crossfade, k.ltv, k.gtv, k.ltvValue, k.gtvValue, k.center,
                                      Codec::Load(at), x));
            if (k.trackLevel) TrackLevel(w, k, static_cast<double>(x - k.center));
        }
    }
    w_ = w;
}

void MixingEngine::MixBlock(uint8_t* block, int numsamples) {
    switch (k_.bps) {
        case PcmU8::kBits: MixFrames<PcmU8>(block, numsamples); break;
        case PcmS16::kBits: MixFrames<PcmS16>(block, numsamples); break;
        case PcmS24::kBits: MixFrames<PcmS24>(block, numsamples); break;
        case PcmS32::kBits: MixFrames<PcmS32>(block, numsamples); break;
    }
}
