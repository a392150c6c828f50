// Priming and consumption: the reserve of recorded buffers the engine waits for (in the
// ramped latency settings, a delay measured from the newest buffer's arrival), what an
// underrun does to it (and, in the ramped settings, how it recovers and where the block's
// recorded data will run out), and the hand-over of recorded buffers and their
// push-to-talk marks from the capture queue.
#include <algorithm>
#include <cmath>

#include "core/mixin_messages.h"
#include "core/mixing_engine.h"

namespace {

bool MatchesFormat(const CaptureBuffer& buffer, int bps, int nch, int srate) {
    return buffer.bps == bps && buffer.nch == nch && buffer.srate == srate;
}

bool IsHalted(uint8_t captureState) { return captureState == kStatePaused || captureState == kStateStop; }

}  // namespace

// ---- the reserve -------------------------------------------------------------------------

// While capture is wanted, blocks pass unchanged until the reserve has been seen waiting;
// a block that starts without recorded data is an underrun. While it is not wanted, the
// frame loop plays out whatever is left.
bool MixingEngine::PrimeOrProceed(int numsamples, int bps, int nch, int srate) {
    if (!state_.last0_WantActivate) return true;
    if (ProfileOf(latency_).Ramped) return PrimeToDelay(numsamples, bps, nch, srate);
    if (state_.last0_rtab < state_.nominalbuffcount) {
        state_.last0_rtab = std::max(state_.last0_rtab.load(), queue_->RecordedCount());
        primed_ = false;
        return false;
    }
    if (!EnsureCaptureData(bps, nch, srate)) {
        CountUnderrun(true);
        return false;
    }
    FollowClassicClock(numsamples, nch, srate);
    return true;
}

// Classic keeps its buffers and its priming, and from then on holds the delay that priming
// left: measured over the first seconds after it, then followed.
void MixingEngine::FollowClassicClock(int numsamples, int nch, int srate) {
    if (!primed_) {
        primed_ = true;
        follower_.Restart();
        classicTarget_ = -1.0;
        framesSincePrimed_ = 0;
    }
    const double delay = DelaySeconds(clock_.MonotonicSeconds(), nch, srate);
    const double blockSeconds = static_cast<double>(numsamples) / srate;
    if (classicTarget_ < 0.0) {
        // Measuring: the drift learnt before (if any) still applies, the delay is not steered.
        follower_.Update(delay, std::nan(""), blockSeconds);
        framesSincePrimed_ += numsamples;
        if (static_cast<double>(framesSincePrimed_) >= kClassicTargetSeconds * srate) classicTarget_ = follower_.Delay();
    } else {
        follower_.Update(delay, classicTarget_, blockSeconds);
    }
    queue_->SetClockRatio(follower_.Ratio());
    PublishLatency(classicTarget_ < 0.0 ? follower_.Delay() : classicTarget_);
}

// Ramped settings: the reserve is a delay, not a count of buffers. Blocks pass unchanged
// (the gate closed) until the recorded data reaches the target delay; then what lies
// beyond the target, which piled up while priming (a device that delivers its first
// buffers in a burst, or buffers that arrived during an underrun), is skipped while nothing
// of it can be heard, and the gate opens over the fade-in. Counting buffers instead would
// leave the delay anywhere within a buffer and a block of the reserve, depending on when
// priming happened to end.
bool MixingEngine::PrimeToDelay(int numsamples, int bps, int nch, int srate) {
    const double now = clock_.MonotonicSeconds();
    const bool priming = state_.last0_rtab < state_.nominalbuffcount;
    const double target =
        SteerTarget(TargetDelay(numsamples, bps, nch, srate), static_cast<double>(numsamples) / srate, priming);
    if (priming) {
        const int32_t count = queue_->RecordedCount();
        const int64_t minimum = numsamples + RampFrames(srate);
        const bool reached = count > 0 && AvailableValues() / nch >= minimum &&
                             DelaySeconds(now, nch, srate) >= target;
        // A full queue is as much as the capture thread keeps: mixing starts regardless.
        if (!reached && count < kRecordedLimit) {
            state_.last0_rtab = std::min(std::max(state_.last0_rtab.load(), count), state_.nominalbuffcount - 1);
            w_.gate = 0.0;  // mixing resumes with a fade-in
            return false;
        }
        state_.last0_rtab = std::max(count, state_.nominalbuffcount.load());
    }
    if (!EnsureCaptureData(bps, nch, srate)) {
        CountUnderrun(CaptureLate(bps, nch, srate));
        w_.gate = 0.0;
        return false;
    }
    const bool silent = w_.fIn == 0.0 && w_.target == 0.0;
    if (w_.gate == 0.0) {
        SkipToDelay(now, target, numsamples, bps, nch, srate);
        follower_.Restart();
    } else if (underrunBacklog_) {
        // Delay an underrun left behind (buffers that arrived late, in a burst) is skipped
        // while the voice is not heard, so it does not stay for good. Any other excess is
        // left to the clock follower: no audio is dropped to shrink the delay.
        const double slack = static_cast<double>(BufferFrames(bps, nch, srate)) / srate;
        if (DelaySeconds(now, nch, srate) <= target + slack) {
            underrunBacklog_ = false;
        } else if (silent) {
            SkipToDelay(now, target, numsamples, bps, nch, srate);
            follower_.Restart();
        }
    }
    FollowClock(now, target, numsamples, nch, srate);
    RecoverReserve(numsamples, srate);
    return true;
}

// An underrun while recording: wait for a larger reserve next time, but never for more
// buffers than the capture thread keeps. A larger reserve helps only when the recorded
// buffers came late; when they came on time, the host asked for audio ahead of real time
// (a player's seek refills its output buffer at once), which no reserve rides out.
void MixingEngine::CountUnderrun(bool growReserve) {
    if (!IsHalted(queue_->State())) {
        if (growReserve) state_.nominalbuffcount = std::min(state_.nominalbuffcount + 1, kRecordedLimit);
        state_.Underruns = state_.Underruns + 1;
    }
    state_.last0_rtab = 0;
    framesSinceUnderrun_ = 0;
    primed_ = false;
    underrunBacklog_ = true;
}

// Ramped settings: whether the capture is behind its pace, its newest buffer older than a
// buffer's length, the lateness its buffers usually have and the margin.
bool MixingEngine::CaptureLate(int bps, int nch, int srate) const {
    if (srate <= 0) return true;
    const double lateness = queue_->ArrivalLateness();
    const double expected = static_cast<double>(BufferFrames(bps, nch, srate)) / srate + kReserveMarginSeconds +
                            (std::isfinite(lateness) ? std::max(0.0, lateness) : 0.0);
    return clock_.MonotonicSeconds() - queue_->NewestArrival() > expected;
}

// After a stretch without underruns the reserve steps back towards the setting's own.
void MixingEngine::RecoverReserve(int numsamples, int srate) {
    framesSinceUnderrun_ += numsamples;
    if (static_cast<double>(framesSinceUnderrun_) >= kReserveRecoverySeconds * srate) {
        framesSinceUnderrun_ = 0;
        if (state_.nominalbuffcount > ProfileOf(latency_).PrimingReserve) {
            state_.nominalbuffcount = state_.nominalbuffcount - 1;
        }
    }
}

// The delay the ramped settings keep: the block being mixed and, beyond it, a reserve that
// lasts from one arrival to the next (a buffer's length) with the underrun ramp, plus how
// late buffers arrive (a high quantile of their lateness) and a margin; never less than the
// setting's own least reserve, and one buffer more for every underrun not yet recovered
// from.
double MixingEngine::TargetDelay(int numsamples, int bps, int nch, int srate) const {
    const LatencyProfile& profile = ProfileOf(latency_);
    const double bufferSeconds = static_cast<double>(BufferFrames(bps, nch, srate)) / srate;
    const double lateness = queue_->ArrivalLateness();
    const double wanted = bufferSeconds + kUnderrunRampSeconds + kReserveMarginSeconds +
                          (std::isfinite(lateness) ? std::max(0.0, lateness) : kMaxReserveSeconds);
    const double reserve = std::clamp(wanted, profile.MinReserveSeconds, kMaxReserveSeconds);
    const int64_t grown = std::max<int64_t>(0, int64_t{state_.nominalbuffcount} - profile.PrimingReserve);
    return static_cast<double>(numsamples) / srate + reserve + static_cast<double>(grown) * bufferSeconds;
}

// What the clock follower steers by: while priming, the whole target (priming waits for
// it). From then on a target that rises is taken at once, so the delay grows as fast as the
// follower can make it when buffers start coming later; one that falls (lateness
// forgotten, a reserve stepping back after a quiet stretch) is followed at no more than
// kTargetSlewPerSecond, a pace the follower keeps up with whatever the microphone's drift,
// so the delay glides down on its target instead of trailing a step with the ratio on its
// limit.
double MixingEngine::SteerTarget(double wanted, double blockSeconds, bool priming) {
    if (priming || !targetKept_) {
        keptTarget_ = wanted;
        targetKept_ = true;
    } else {
        keptTarget_ = std::max(wanted, keptTarget_ - kTargetSlewPerSecond * blockSeconds);
    }
    return keptTarget_;
}

// How old the oldest recorded frame available is: the newest buffer's age (counted from
// its arrival) plus the frames waiting. The arrival is read after the count, so a buffer
// arriving in between makes the delay look shorter, never longer.
double MixingEngine::DelaySeconds(double now, int nch, int srate) const {
    const int64_t frames = AvailableValues() / nch;
    const double age = std::max(0.0, now - queue_->NewestArrival());
    return age + static_cast<double>(frames) / srate;
}

// Skips the oldest recorded frames, unheard, until the delay is the target; never below
// what this block and a ramp need.
void MixingEngine::SkipToDelay(double now, double target, int numsamples, int bps, int nch, int srate) {
    const int64_t frames = AvailableValues() / nch;
    const double age = std::max(0.0, now - queue_->NewestArrival());
    const int64_t wanted = std::llround((target - age) * srate);
    const int64_t keep = std::max(wanted, int64_t{numsamples} + RampFrames(srate));
    int64_t values = (frames - keep) * nch;
    while (values > 0 && EnsureCaptureData(bps, nch, srate)) {
        const int64_t step = std::min<int64_t>(values, int64_t{w_.count} - w_.pointer);
        w_.pointer += static_cast<int32_t>(step);
        values -= step;
    }
}

// The microphone's clock and the host's never run at exactly the same rate (a few hundred
// parts per million between two sound cards is common): left alone, the delay would creep
// up without end, or underruns would come back at regular intervals. The clock follower
// turns the measured delay into the ratio at which the capture thread resamples what it
// records next, so the delay stays on the target without a skipped or repeated frame.
void MixingEngine::FollowClock(double now, double target, int numsamples, int nch, int srate) {
    follower_.Update(DelaySeconds(now, nch, srate), target, static_cast<double>(numsamples) / srate);
    queue_->SetClockRatio(follower_.Ratio());
    PublishLatency(target);
}

void MixingEngine::PublishLatency(double target) {
    state_.LatencyDelay = follower_.Delay();
    state_.LatencyTarget = target;
    state_.ClockRatio = follower_.Ratio();
}

int64_t MixingEngine::BufferFrames(int bps, int nch, int srate) const {
    const int bytes = bps / 8;
    if (bytes <= 0 || nch <= 0) return 0;
    return LatencyBufferSize(latency_, srate, bps, nch) / bytes / nch;
}

int64_t MixingEngine::RampFrames(int srate) {
    return std::max<int64_t>(1, std::lround(kUnderrunRampSeconds * srate));
}

int64_t MixingEngine::AvailableValues() const {
    const int64_t inBuffer = w_.capture != nullptr ? std::max<int64_t>(0, int64_t{w_.count} - w_.pointer) : 0;
    return inBuffer + queue_->RecordedValues();
}

// Ramped settings: the gate opens over the fade-in (at least the underrun ramp), and when
// the recorded data will not last through the block and a ramp beyond it, it closes along
// a straight line that reaches 0 at the last frame with data (a line that may begin in one
// block and end in the next). The block in which the data runs out counts as an underrun,
// so the next ones prime the reserve again.
void MixingEngine::PlanGate(int numsamples) {
    BlockConstants& k = k_;
    k.gated = ProfileOf(latency_).Ramped;
    k.fadeOutFrom = INT64_MAX;
    k.dataFrames = INT64_MAX;
    if (!k.gated) return;
    const int64_t ramp = RampFrames(k.srate);
    k.rampFrames = static_cast<double>(ramp);
    k.gateUp = std::min(k.inStep, 1.0 / static_cast<double>(ramp));
    const int64_t dataFrames = AvailableValues() / k.nch;
    if (dataFrames >= numsamples + ramp) return;
    k.dataFrames = dataFrames;
    k.fadeOutFrom = std::max<int64_t>(0, dataFrames - ramp);
    if (dataFrames < numsamples && state_.last0_WantActivate) CountUnderrun(CaptureLate(k.bps, k.nch, k.srate));
}

// ---- push-to-talk marks and recorded buffers --------------------------------------------

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
    if (buffer.data == nullptr && !TakeMatchingBuffer(bps, nch, srate)) return false;
    // Used up: give it back and move on. A buffer that holds no samples at all is used up
    // as soon as it is taken, so the mixer never reads a value that was not recorded.
    while (w_.pointer >= buffer.numsamples) {
        GiveBackBuffer();
        if (!TakeMatchingBuffer(bps, nch, srate)) return false;
    }
    return true;
}

// The next recorded buffer, once the marks left pending are applied; one recorded in
// another format (before a reset) is released, not mixed.
bool MixingEngine::TakeMatchingBuffer(int bps, int nch, int srate) {
    ReleasePendingMarks();
    TakeNextBuffer();
    if (state_.buff0.data == nullptr) return false;
    if (MatchesFormat(state_.buff0, bps, nch, srate)) return true;
    DiscardBuffer();
    return false;
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
