// TWaveInRecThread's side facing other threads: the requests (each posted to the capture
// thread's window, returning at once), the push-to-talk marks queued by the window thread,
// and the consumer operations of the playback thread on the recorded-buffer queue.
#include <algorithm>
#include <mutex>
#include <new>

#include "capture/capture_locks.h"
#include "capture/mark_chain.h"
#include "capture/mark_position.h"
#include "capture/rec_thread_messages.h"
#include "capture/thread_priority.h"
#include "capture/wave_in_rec_thread.h"

bool TWaveInRecThread::RequestOpen(const std::string& deviceName, int32_t srate, int32_t bps, int32_t nch) {
    if (device_ != nullptr) return false;
    {
        std::lock_guard<std::mutex> hold(requestLock_);
        deviceName_ = deviceName;
        format_ = MakePcmFormat(srate, bps, nch);
    }
    sampleRate_ = srate;
    bitsPerSample_ = bps;
    channels_ = nch;
    SetState(kStateInit);
    Post(WM_RECTHREAD_OPEN);
    return true;
}

void TWaveInRecThread::RequestStart() { Post(WM_RECTHREAD_START); }

void TWaveInRecThread::RequestStop() {
    // Stop before the post, never after: the capture thread may handle the request at once,
    // and its answer (Error for a failed stop) must not be overwritten by this write.
    SetState(kStateStop);
    Post(WM_RECTHREAD_STOP);
}

void TWaveInRecThread::RequestPause() {
    const uint8_t state = state_;
    if (state == kStateOpen || state == kStateDataReady) Post(WM_RECTHREAD_PAUSE);
}

void TWaveInRecThread::RequestReset() {
    SetState(kStateReset);
    Post(WM_RECTHREAD_RESET);
}

void TWaveInRecThread::QueueMark(uint8_t on, double tailSeconds) {
    double when = clock_();
    if (on == 0 && tailSeconds > 0.0) {
        when += std::min(tailSeconds, kLongestReleaseTailSeconds) / kSecondsPerDay;
    }
    auto* mark = new (std::nothrow) CaptureMark{on, when, 0, nullptr};
    if (mark == nullptr) return;
    std::lock_guard<std::mutex> hold(MarksLock());
    pendingMarks_.Push(mark);
}

void TWaveInRecThread::SetPriority(int32_t priority) {
    Post(WM_RECTHREAD_SETPRIORITY, static_cast<WPARAM>(priority));
}

int32_t TWaveInRecThread::GetPriority() {
    // The question waits behind the requests posted before it, so the answer includes them;
    // but a thread that does not answer in time (busy, hung in a driver) must not hang the
    // window thread: the system is asked instead, which gives the priority as it is now.
    if (HWND window = utilWindow_) {
        DWORD_PTR answer = 0;
        if (SendMessageTimeoutA(window, WM_RECTHREAD_GETPRIORITY, 0, 0, SMTO_NORMAL, kPriorityAnswerTimeoutMs,
                                &answer) != 0) {
            return static_cast<int32_t>(answer);
        }
    }
    return PriorityIndexOf(GetThreadPriority(Handle()));
}

// ---- consumer operations ----

int32_t TWaveInRecThread::RecordedCount() const {
    std::lock_guard<std::mutex> hold(RecordedLock());
    return recordedQueue_.Count();
}

int64_t TWaveInRecThread::RecordedValues() const {
    const int32_t bytesPerValue = bitsPerSample_ / kBitsPerByte;
    if (bytesPerValue <= 0) return 0;
    std::lock_guard<std::mutex> hold(RecordedLock());
    return recordedQueue_.BytesRecorded() / bytesPerValue;
}

double TWaveInRecThread::NewestArrival() const {
    std::lock_guard<std::mutex> hold(RecordedLock());
    return newestArrival_;
}

CaptureBuffer TWaveInRecThread::TakeRecordedBuffer() {
    CaptureBuffer buffer;
    const HWAVEIN device = device_;
    if (device == nullptr) return buffer;
    CaptureHeader* header;
    {
        std::lock_guard<std::mutex> hold(RecordedLock());
        header = recordedQueue_.PopFront();
    }
    if (header == nullptr) return buffer;
    buffer.srate = sampleRate_;
    buffer.nch = channels_;
    buffer.bps = bitsPerSample_;
    buffer.numsamples = RecordedSampleCount(header->Wave.dwBytesRecorded, buffer.bps);
    buffer.data = reinterpret_cast<uint8_t*>(header->Wave.lpData);
    buffer.events = header->Marks;
    header->Wave.lpData = nullptr;  // the block travels with the mixer, the header goes back
    header->Marks = nullptr;
    PostRecycle(device, header);
    return buffer;
}

void TWaveInRecThread::ReturnDataBlock(uint8_t* block) {
    if (block == nullptr) return;
    if (!Post(WM_RECTHREAD_SPARE, reinterpret_cast<WPARAM>(block))) FreeDataBlock(block);
}

void TWaveInRecThread::ReleaseDataBlock(uint8_t* block) { FreeDataBlock(block); }

uint8_t TWaveInRecThread::ReleaseMarkChain(CaptureMark* chain) {
    uint8_t last = 0;
    for (CaptureMark* mark = chain; mark != nullptr; mark = mark->NextPTT) last = mark->On;
    FreeMarkChain(chain);
    return last;
}

int32_t TWaveInRecThread::PendingMarksCount() const {
    std::lock_guard<std::mutex> hold(MarksLock());
    return pendingMarks_.Count();
}

std::string TWaveInRecThread::DeviceName() const {
    std::lock_guard<std::mutex> hold(requestLock_);
    return deviceName_;
}

PCMWAVEFORMAT TWaveInRecThread::Format() const {
    PcmFormat f;
    {
        std::lock_guard<std::mutex> hold(requestLock_);
        f = format_;
    }
    PCMWAVEFORMAT format{};
    format.wf.wFormatTag = f.wFormatTag;
    format.wf.nChannels = f.nChannels;
    format.wf.nSamplesPerSec = f.nSamplesPerSec;
    format.wf.nAvgBytesPerSec = f.nAvgBytesPerSec;
    format.wf.nBlockAlign = f.nBlockAlign;
    format.wBitsPerSample = f.wBitsPerSample;
    return format;
}
