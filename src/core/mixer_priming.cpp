// Priming and consumption: the reserve of recorded buffers the engine waits for, what an
// underrun does to it (and, in the ramped latency settings, how it recovers and where the
// block's recorded data will run out), and the hand-over of recorded buffers and their
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
    const bool ramped = ProfileOf(latency_).Ramped;
    if (!state_.last0_WantActivate) return true;
    if (state_.last0_rtab < state_.nominalbuffcount) {
        state_.last0_rtab = std::max(state_.last0_rtab.load(), queue_->RecordedCount());
        if (ramped) w_.gate = 0.0;  // mixing resumes with a fade-in
        return false;
    }
    if (!EnsureCaptureData(bps, nch, srate)) {
        CountUnderrun();
        if (ramped) w_.gate = 0.0;
        return false;
    }
    if (ramped) {
        if (w_.gate == 0.0) SkipBeyondReserve(bps, nch, srate);
        RecoverReserve(numsamples, bps, nch, srate);
    }
    return true;
}

// Mixing resumes (the gate is closed, it opens over the fade-in): recorded data beyond the
// reserve, which piled up while priming (a device that delivers its first buffers in a
// burst, or buffers that arrived during an underrun), would only add delay. It is skipped
// now, while nothing of it can be heard.
void MixingEngine::SkipBeyondReserve(int bps, int nch, int srate) {
    while (queue_->RecordedCount() > state_.nominalbuffcount && w_.capture != nullptr) {
        w_.pointer = w_.count;
        state_.buff0pointer = w_.pointer;
        if (!EnsureCaptureData(bps, nch, srate)) return;
    }
}

// An underrun while recording: wait for a larger reserve next time, but never for more
// buffers than the capture thread keeps.
void MixingEngine::CountUnderrun() {
    if (!IsHalted(queue_->State())) {
        state_.nominalbuffcount = std::min(state_.nominalbuffcount + 1, kRecordedLimit);
    }
    state_.last0_rtab = 0;
    framesSinceUnderrun_ = 0;
}

// After a stretch without underruns the reserve steps back towards the setting's own, and
// recorded data beyond it (waiting since an underrun) is skipped while the voice is not
// heard, so the delay an underrun added does not stay for good.
void MixingEngine::RecoverReserve(int numsamples, int bps, int nch, int srate) {
    framesSinceUnderrun_ += numsamples;
    if (static_cast<double>(framesSinceUnderrun_) >= kReserveRecoverySeconds * srate) {
        framesSinceUnderrun_ = 0;
        if (state_.nominalbuffcount > ProfileOf(latency_).PrimingReserve) {
            state_.nominalbuffcount = state_.nominalbuffcount - 1;
        }
    }
    const bool silent = w_.fIn == 0.0 && w_.target == 0.0;
    if (silent && queue_->RecordedCount() > state_.nominalbuffcount + 1 && w_.capture != nullptr) {
        w_.pointer = w_.count;  // the rest of buff0 is used up unheard
        state_.buff0pointer = w_.pointer;
        EnsureCaptureData(bps, nch, srate);
    }
}

int64_t MixingEngine::AvailableValues() const {
    const int64_t inBuffer = w_.capture != nullptr ? std::max<int64_t>(0, int64_t{w_.count} - w_.pointer) : 0;
    const int bytes = k_.bps / 8;
    if (bytes <= 0) return inBuffer;
    const int64_t perBuffer = LatencyBufferSize(latency_, k_.srate, k_.bps, k_.nch) / bytes;
    return inBuffer + int64_t{queue_->RecordedCount()} * perBuffer;
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
    const int64_t ramp = std::max<int64_t>(1, std::lround(kUnderrunRampSeconds * k.srate));
    k.rampFrames = static_cast<double>(ramp);
    k.gateUp = std::min(k.inStep, 1.0 / static_cast<double>(ramp));
    const int64_t dataFrames = AvailableValues() / k.nch;
    if (dataFrames >= numsamples + ramp) return;
    k.dataFrames = dataFrames;
    k.fadeOutFrom = std::max<int64_t>(0, dataFrames - ramp);
    if (dataFrames < numsamples && state_.last0_WantActivate) CountUnderrun();
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
