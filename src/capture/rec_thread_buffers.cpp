// TWaveInRecThread's buffer recycling, on the capture thread: preparing headers, keeping
// the device supplied, taking recorded buffers in with their push-to-talk marks, recycling
// the headers and data blocks that come back, trimming and discarding, and releasing
// everything on a flush.
#include <cstring>
#include <mutex>

#include "capture/capture_locks.h"
#include "capture/mark_chain.h"
#include "capture/mark_position.h"
#include "capture/rec_thread_messages.h"
#include "capture/wave_in_rec_thread.h"

void TWaveInRecThread::PrepareBatch(int32_t count) {
    if (!IsStateIn(state_, {kStateInit, kStateOpen, kStateDataReady}) || device_ == nullptr) return;
    const uint32_t size = static_cast<uint32_t>(buffSize_.load());
    while (preparedHeaders_.Count() < count) {
        CaptureHeader* header = NewCaptureHeader();
        uint8_t* block = header != nullptr ? NewDataBlock(blockSize_) : nullptr;
        if (block == nullptr) {
            FreeCaptureHeader(header);
            return;
        }
        header->Wave.lpData = reinterpret_cast<LPSTR>(block);
        header->Wave.dwBufferLength = size;
        if (waveIn_.PrepareHeader(device_, &header->Wave, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
            FreeCaptureHeader(header);
            return;
        }
        preparedHeaders_.PushBack(header);
    }
}

bool TWaveInRecThread::AddToDevice(CaptureHeader* header) {
    if (IsStateIn(state_, {kStateReset, kStateClose, kStateUninit})) {
        preparedHeaders_.PushBack(header);
        return true;
    }
    const MMRESULT result = waveIn_.AddBuffer(device_, &header->Wave, sizeof(WAVEHDR));
    switch (result) {
        case MMSYSERR_NOERROR: deviceHeaders_.PushBack(header); return true;
        case MMSYSERR_INVALHANDLE: device_ = nullptr; [[fallthrough]];
        case MMSYSERR_NODRIVER:
        case MMSYSERR_NOMEM:
        case WAVERR_UNPREPARED:
            // A device that fails like this while recording is lost: it is reopened once back.
            if (deliveryExpected_) trouble_ = kTroubleDeviceLost;
            preparedHeaders_.PushBack(header);
            Flush();
            Post(WM_RECTHREAD_CLOSE);
            SetState(kStateClose);
            return false;
        default:
            // The device took the header into neither of its lists: release it, or it leaks.
            ReleasePrepared(header);
            return true;
    }
}

void TWaveInRecThread::BufferArrival(HWAVEIN device, WAVEHDR* wave) {
    const double now = clock_();
    if (device == nullptr || device != device_) return;
    lastDelivery_ = tick_();
    // A buffer of a running device proves it works again (not one handed back by a close).
    if (deliveryExpected_) trouble_ = kTroubleNone;
    Post(WM_RECTHREAD_TRIM);
    if (wave == nullptr) return;
    CaptureHeader* header = deviceHeaders_.Remove(wave);
    if (header == nullptr) return;  // not one this thread queued: nothing of ours to attach
    waveIn_.UnprepareHeader(device, &header->Wave, sizeof(WAVEHDR));
    const double arrival = MonotonicSecondsNow();
    ToHostClock(header, arrival);
    // The frames the resampler holds back come out ahead of this buffer's: its end, which
    // the marks are placed from, was recorded that much earlier.
    const double held = sampleRate_ > 0 ? static_cast<double>(resampler_.HeldFrames()) / sampleRate_ : 0.0;
    AttachMarks(header, now - held / kSecondsPerDay);
    {
        std::lock_guard<std::mutex> hold(RecordedLock());
        recordedQueue_.PushBack(header);
        newestArrival_ = arrival;
    }
    // A buffer handed back while the device is being reset or closed is not recording: the
    // state stays as the close has it, and no new buffer goes to a device on its way out.
    if (!IsStateIn(state_, {kStateStop, kStatePaused, kStateReset, kStateUninit, kStateClose})) {
        SetState(kStateDataReady);
    }
    Rearm();
}

// A buffer of a running device tells how late it came, and is resampled at the mixer's
// ratio in its own block (a buffer handed back by a stop or a close is only resampled).
void TWaveInRecThread::ToHostClock(CaptureHeader* header, double arrival) {
    const int64_t frameBytes = int64_t{bitsPerSample_} / kBitsPerByte * channels_;
    if (frameBytes <= 0 || header->Wave.lpData == nullptr) return;
    const int64_t frames = header->Wave.dwBytesRecorded / frameBytes;
    if (deliveryExpected_ && IsStateIn(state_, {kStateOpen, kStateDataReady}) && sampleRate_ > 0) {
        jitter_.Arrived(arrival, static_cast<double>(frames) / sampleRate_);
        lateness_ = jitter_.Estimate();
    }
    const int64_t made = resampler_.Process(reinterpret_cast<uint8_t*>(header->Wave.lpData), frames,
                                            blockSize_ / frameBytes, clockRatio_);
    header->Wave.dwBytesRecorded = static_cast<DWORD>(made * frameBytes);
}

void TWaveInRecThread::AttachMarks(CaptureHeader* header, double now) {
    CaptureMark* chain;
    {
        std::lock_guard<std::mutex> hold(MarksLock());
        chain = pendingMarks_.TakeDue(now);
    }
    for (CaptureMark* mark = chain; mark != nullptr; mark = mark->NextPTT) {
        mark->Sample = MarkSamplePosition(header->Wave.dwBytesRecorded, bitsPerSample_, now, mark->When,
                                          sampleRate_, channels_);
    }
    header->Marks = chain;
}

void TWaveInRecThread::Rearm() {
    if (!IsStateIn(state_, {kStateInit, kStateOpen, kStateDataReady, kStatePaused})) return;
    // A new batch as soon as fewer than the minimum are left (not only when none is): a
    // mixer that lags behind by a batch must not make the thread reset itself; the reset
    // below is for a batch that could not be prepared.
    if (preparedHeaders_.Count() < kRearmMinimum) {
        Trim();
        if (preparedHeaders_.Count() < kRearmMinimum) PrepareBatch(kPrepareBatch);
    }
    if (preparedHeaders_.Count() < kRearmMinimum) {
        Post(WM_RECTHREAD_RESET);
        SetState(kStateError);
        return;
    }
    AddToDevice(preparedHeaders_.PopFront());
}

void TWaveInRecThread::Recycle(CaptureHeader* header) {
    if (header == nullptr) return;
    if (state_ == kStateClose || preparedHeaders_.Count() > kPreparedLimit) {
        // Drop it; a detached header takes a spare block with it, so the pool shrinks too.
        if (header->Wave.lpData == nullptr) header->Wave.lpData = reinterpret_cast<LPSTR>(spareBlocks_.PopFront());
        FreeCaptureHeader(header);
        return;
    }
    const uint32_t size = static_cast<uint32_t>(buffSize_.load());
    uint8_t* block = BlockForRecycle(header, blockSize_);
    FreeMarkChain(header->Marks);
    *header = CaptureHeader{};
    if (block == nullptr) {
        FreeCaptureHeader(header);
        return;
    }
    std::memset(block, 0, size);
    header->Wave.lpData = reinterpret_cast<LPSTR>(block);
    header->Wave.dwBufferLength = size;
    switch (waveIn_.PrepareHeader(device_, &header->Wave, sizeof(WAVEHDR))) {
        case MMSYSERR_INVALHANDLE:
            SetState(kStateError);
            Post(WM_RECTHREAD_CLOSE);
            FreeCaptureHeader(header);
            return;
        case MMSYSERR_NODRIVER:
        case MMSYSERR_NOMEM:
        case MMSYSERR_INVALPARAM: FreeCaptureHeader(header); return;
        default: preparedHeaders_.PushBack(header); return;
    }
}

// The header's own block, else the oldest spare, else a new one. A block of another size
// (recorded before a format change) is released, never re-armed: it would overflow.
uint8_t* TWaveInRecThread::BlockForRecycle(CaptureHeader* header, uint32_t size) {
    uint8_t* block = reinterpret_cast<uint8_t*>(header->Wave.lpData);
    header->Wave.lpData = nullptr;
    if (block != nullptr && DataBlockSize(block) == size) return block;
    FreeDataBlock(block);
    while (uint8_t* spare = spareBlocks_.PopFront()) {
        if (DataBlockSize(spare) == size) return spare;
        FreeDataBlock(spare);
    }
    return NewDataBlock(size);
}

void TWaveInRecThread::Trim() {
    HeaderList dropped;
    {
        std::lock_guard<std::mutex> hold(RecordedLock());
        while (recordedQueue_.Count() > kRecordedLimit) dropped.PushBack(recordedQueue_.PopFront());
    }
    while (CaptureHeader* header = dropped.PopFront()) {
        FreeMarkChain(header->Marks);
        header->Marks = nullptr;
        PostRecycle(device_, header);  // it still carries its block, which is reused
    }
    while (preparedHeaders_.Count() > kPreparedLimit) ReleasePrepared(preparedHeaders_.PopFront());
}

void TWaveInRecThread::Discard(int32_t count) {
    HeaderList discarded;
    {
        std::lock_guard<std::mutex> hold(RecordedLock());
        for (int32_t i = 0; i < count; ++i) {
            CaptureHeader* header = recordedQueue_.PopFront();
            if (header == nullptr) break;
            discarded.PushBack(header);
        }
    }
    while (CaptureHeader* header = discarded.PopFront()) {
        FreeMarkChain(header->Marks);
        header->Marks = nullptr;
        PostRecycle(device_, header);
    }
}

void TWaveInRecThread::ReleasePrepared(CaptureHeader* header) {
    if (header == nullptr) return;
    if (HWAVEIN device = device_) waveIn_.UnprepareHeader(device, &header->Wave, sizeof(WAVEHDR));
    FreeCaptureHeader(header);
}

void TWaveInRecThread::Flush() {
    while (CaptureHeader* header = preparedHeaders_.PopFront()) ReleasePrepared(header);

    CaptureHeader* recorded;
    {
        std::lock_guard<std::mutex> hold(RecordedLock());
        recorded = recordedQueue_.TakeAll();
    }
    while (recorded != nullptr) {
        CaptureHeader* next = recorded->Next;
        FreeCaptureHeader(recorded);
        recorded = next;
    }

    // Buffers still queued at an open device are its to write into: they come back through
    // the reset of the close that follows, and are released then.
    if (device_ == nullptr) {
        for (CaptureHeader* header = deviceHeaders_.TakeAll(); header != nullptr;) {
            CaptureHeader* next = header->Next;
            FreeCaptureHeader(header);
            header = next;
        }
    }

    spareBlocks_.FreeAll();

    CaptureMark* marks;
    {
        std::lock_guard<std::mutex> hold(MarksLock());
        marks = pendingMarks_.TakeAll();
    }
    FreeMarkChain(marks);
}
