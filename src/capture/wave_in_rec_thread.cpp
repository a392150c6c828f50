#include "capture/wave_in_rec_thread.h"

#include <cstring>
#include <new>

#include "capture/capture_locks.h"
#include "capture/input_devices.h"
#include "capture/mark_position.h"
#include "capture/rec_thread_messages.h"
#include "capture/thread_priority.h"
#include "host/error_beep.h"

namespace {

// A drain nested inside another (a request dispatched by a drain that drains again) only
// takes the device's callbacks: the outer drain dispatches everything else, and nesting
// every queued request would make the stack as deep as the queue is long.
constexpr int kNestedDrainBudget = 1000;
// Without its end marker (the post failed) a drain stops after this many messages.
constexpr int kUnmarkedDrainBudget = 10000;
constexpr DWORD kIdleSpinMs = 1;

bool IsOneOf(uint8_t state, std::initializer_list<uint8_t> states) {
    for (uint8_t s : states) {
        if (s == state) return true;
    }
    return false;
}

WAVEFORMATEX PlatformFormat(const PcmFormat& f) {
    WAVEFORMATEX format{};
    format.wFormatTag = f.wFormatTag;
    format.nChannels = f.nChannels;
    format.nSamplesPerSec = f.nSamplesPerSec;
    format.nAvgBytesPerSec = f.nAvgBytesPerSec;
    format.nBlockAlign = f.nBlockAlign;
    format.wBitsPerSample = f.wBitsPerSample;
    format.cbSize = 0;
    return format;
}

void FreeMarks(CaptureMark* chain) {
    while (chain != nullptr) {
        CaptureMark* next = chain->NextPTT;
        delete chain;
        chain = next;
    }
}

}  // namespace

TWaveInRecThread::TWaveInRecThread(WaveInApi& waveIn, LocalClock clock) : waveIn_(waveIn), clock_(clock) {
    if (Handle() != nullptr) SetThreadPriority(Handle(), PlatformPriorityLevel(kPriorityHigher));
}

TWaveInRecThread::~TWaveInRecThread() {
    if (!Resumed()) {
        // Never started: let the run function see the terminate flag and end at once.
        Terminate();
        Resume();
    }
    if (!Finished()) Quit();
    WaitFor();
    SetState(kStateGoAway);
    if (HWAVEIN device = device_) {
        // The device must no longer write into buffers that are about to be released.
        waveIn_.Reset(device);
        waveIn_.Close(device);
        device_ = nullptr;
    }
    Flush();
}

bool TWaveInRecThread::WaitUntilIdle(DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (state_ != kStateIdle) {
        if (Finished() || GetTickCount() - start >= timeoutMs) return false;
        Sleep(kIdleSpinMs);
    }
    return true;
}

void TWaveInRecThread::Quit() {
    Terminate();
    if (GetCurrentThreadId() == ThreadId()) {
        PostQuitMessage(0);
    } else {
        PostThreadMessageA(ThreadId(), WM_QUIT, 0, 0);
    }
}

// ---- run function ----

DWORD TWaveInRecThread::Execute() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = kRecThreadWindowClass;
    ownWindow_ = CustAllocateHWnd(WindowMethod::Of<&TWaveInRecThread::HandleMessage>(this), &windowClass);
    if (ownWindow_ == nullptr) return 1;
    utilWindow_ = ownWindow_;
    RecordedLock();
    MarksLock();
    Post(WM_RECTHREAD_IDLE);

    DWORD result = 0;
    if (!Terminated()) {
        MSG msg;
        for (;;) {
            const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
            if (got == 0) {
                result = static_cast<DWORD>(msg.wParam);
                break;
            }
            if (got == -1) break;
            DispatchMessageA(&msg);
        }
    }

    SetState(kStateGoAway);
    Drain();
    // From here on posts fail, and their senders release what they would have handed over;
    // what was posted meanwhile is still handled before the window goes.
    utilWindow_ = nullptr;
    Drain();
    CustDeallocateHWnd(ownWindow_);
    ownWindow_ = nullptr;
    return result;
}

void TWaveInRecThread::Drain() {
    if (ownWindow_ == nullptr) return;
    MSG msg;
    if (drainDepth_ > 0) {
        for (int budget = kNestedDrainBudget;
             budget > 0 && PeekMessageA(&msg, ownWindow_, MM_WIM_OPEN, MM_WIM_DATA, PM_REMOVE); --budget) {
            DispatchMessageA(&msg);
        }
        return;
    }
    ++drainDepth_;
    // Only what is queued now: the end marker goes behind it.
    const bool marked = PostMessageA(ownWindow_, WM_RECTHREAD_DRAIN_END, 0, 0) != 0;
    bool sawQuit = false;
    WPARAM quitCode = 0;
    for (int budget = kUnmarkedDrainBudget; PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);) {
        if (msg.message == WM_QUIT) {
            sawQuit = true;
            quitCode = msg.wParam;
            continue;
        }
        if (msg.hwnd == ownWindow_ && msg.message == WM_RECTHREAD_DRAIN_END) break;
        DispatchMessageA(&msg);
        if (!marked && --budget == 0) break;
    }
    --drainDepth_;
    if (sawQuit) {
        PostQuitMessage(static_cast<int>(quitCode));
        Terminate();
    }
}

bool TWaveInRecThread::Post(UINT msg, WPARAM wParam, LPARAM lParam) const {
    HWND window = utilWindow_;
    return window != nullptr && PostMessageA(window, msg, wParam, lParam) != 0;
}

void TWaveInRecThread::PostRecycle(HWAVEIN device, CaptureHeader* header) const {
    if (!Post(WM_RECTHREAD_RECYCLE, reinterpret_cast<WPARAM>(device), reinterpret_cast<LPARAM>(header))) {
        FreeCaptureHeader(header);  // nobody left to recycle it
    }
}

// ---- messages ----

void TWaveInRecThread::HandleMessage(WindowMessage& message) {
    try {
        Dispatch(message);
    } catch (...) {
        // Nothing may escape a window procedure; a failed step leaves the state as it is.
    }
}

void TWaveInRecThread::Dispatch(WindowMessage& message) {
    switch (message.Msg) {
        case WM_RECTHREAD_OPEN: Open(); break;
        case WM_RECTHREAD_CLOSE: Close(); break;
        case WM_RECTHREAD_IDLE: SetState(kStateIdle); break;
        case WM_RECTHREAD_RECYCLE: Recycle(reinterpret_cast<CaptureHeader*>(message.LParam)); break;
        case WM_RECTHREAD_TRIM: Trim(); break;
        case WM_RECTHREAD_STOP: Stop(); break;
        case WM_RECTHREAD_START: Start(); break;
        case WM_RECTHREAD_DISCARD: Discard(static_cast<int32_t>(message.WParam)); break;
        case WM_RECTHREAD_RESET: Reset(); break;
        case WM_RECTHREAD_SPARE: spareBlocks_.PushBack(reinterpret_cast<uint8_t*>(message.WParam)); break;
        case WM_RECTHREAD_SETPRIORITY: {
            const auto priority = static_cast<int32_t>(message.WParam);
            if (IsPriorityIndex(priority)) SetThreadPriority(GetCurrentThread(), PlatformPriorityLevel(priority));
            break;
        }
        case WM_RECTHREAD_GETPRIORITY:
            message.Result = PriorityIndexOf(GetThreadPriority(GetCurrentThread()));
            break;
        case WM_RECTHREAD_PAUSE: Pause(); break;
        case WM_RECTHREAD_DRAIN_END: break;  // a drain's marker that no drain waits for
        case MM_WIM_OPEN:
            if (device_ != nullptr && reinterpret_cast<HWAVEIN>(message.WParam) == device_) SetState(kStateOpen);
            break;
        case MM_WIM_CLOSE:
            if (device_ != nullptr && reinterpret_cast<HWAVEIN>(message.WParam) == device_) {
                device_ = nullptr;
                SetState(kStateClose);
            }
            break;
        case MM_WIM_DATA:
            BufferArrival(reinterpret_cast<HWAVEIN>(message.WParam), reinterpret_cast<WAVEHDR*>(message.LParam));
            break;
        case WM_DESTROY:
            Quit();
            DefaultWindowMessage(message);
            break;
        default: DefaultWindowMessage(message); break;
    }
}

// ---- requests ----

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
    Post(WM_RECTHREAD_STOP);
    SetState(kStateStop);
}

void TWaveInRecThread::RequestPause() {
    const uint8_t state = state_;
    if (state == kStateOpen || state == kStateDataReady) Post(WM_RECTHREAD_PAUSE);
}

void TWaveInRecThread::RequestReset() {
    SetState(kStateReset);
    Post(WM_RECTHREAD_RESET);
}

void TWaveInRecThread::QueueMark(uint8_t on) {
    auto* mark = new (std::nothrow) CaptureMark{on, clock_(), 0, nullptr};
    if (mark == nullptr) return;
    std::lock_guard<std::mutex> hold(MarksLock());
    (pendingTail_ != nullptr ? pendingTail_->NextPTT : pendingHead_) = mark;
    pendingTail_ = mark;
    ++pendingCount_;
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
    FreeMarks(chain);
    return last;
}

int32_t TWaveInRecThread::PendingMarksCount() const {
    std::lock_guard<std::mutex> hold(MarksLock());
    return pendingCount_;
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

// ---- device work (capture thread) ----

void TWaveInRecThread::Open() {
    std::string name;
    {
        std::lock_guard<std::mutex> hold(requestLock_);
        name = deviceName_;
    }
    // A device still open would be lost (never closed) behind a second handle: refuse.
    if (name.empty() || device_ != nullptr) {
        SetState(kStateError);
        return;
    }
    const auto number = FindDeviceNumber(ListInputDevices(waveIn_), name);
    WAVEINCAPSA caps{};
    if (!number ||
        waveIn_.GetDevCaps(static_cast<UINT_PTR>(static_cast<UINT>(*number)), &caps, sizeof caps) !=
            MMSYSERR_NOERROR ||
        caps.wChannels < channels_) {
        SetState(kStateError);
        return;
    }
    const int32_t srate = sampleRate_, bps = bitsPerSample_, nch = channels_;
    const PcmFormat format = MakePcmFormat(srate, bps, nch);
    {
        std::lock_guard<std::mutex> hold(requestLock_);
        format_ = format;
    }
    const WAVEFORMATEX platformFormat = PlatformFormat(format);
    HWAVEIN opened = nullptr;
    const MMRESULT result = waveIn_.Open(&opened, static_cast<UINT>(*number), &platformFormat,
                                         reinterpret_cast<DWORD_PTR>(ownWindow_), 0, CALLBACK_WINDOW);
    buffSize_ = LatencyBufferSize(latency_, srate, bps, nch);
    if (result == MMSYSERR_NOERROR) {
        device_ = opened;
        sampleRate_ = static_cast<int32_t>(format.nSamplesPerSec);
        bitsPerSample_ = format.wBitsPerSample;
        channels_ = format.nChannels;
        return;  // Init until MM_WIM_OPEN says Open
    }
    if (result == WAVERR_BADFORMAT) SoundErrorBeep();
    SetState(kStateError);
}

void TWaveInRecThread::Start() {
    if (device_ == nullptr) return;
    const bool wasPaused = state_ == kStatePaused;
    if (preparedHeaders_.Count() == 0) PrepareBatch(kPrepareBatch);
    if (!wasPaused) {
        const int32_t depth = ProfileOf(latency_).DeviceDepth;
        for (int32_t i = 0; i < depth && deviceHeaders_.Count() < depth; ++i) {
            CaptureHeader* header = preparedHeaders_.PopFront();
            if (header == nullptr) break;
            // A fatal add has released everything and posted a close: starting is pointless.
            if (!AddToDevice(header)) return;
        }
    }
    const HWAVEIN device = device_;
    const MMRESULT result = device != nullptr ? waveIn_.Start(device) : MMSYSERR_INVALHANDLE;
    if (result == MMSYSERR_NOERROR) {
        SetState(wasPaused ? kStateDataReady : kStateOpen);
        return;
    }
    if (result == MMSYSERR_INVALHANDLE) device_ = nullptr;
    SetState(kStateError);
}

void TWaveInRecThread::PrepareBatch(int32_t count) {
    if (!IsOneOf(state_, {kStateInit, kStateOpen, kStateDataReady}) || device_ == nullptr) return;
    const uint32_t size = static_cast<uint32_t>(buffSize_.load());
    while (preparedHeaders_.Count() < count) {
        CaptureHeader* header = NewCaptureHeader();
        uint8_t* block = header != nullptr ? NewDataBlock(size) : nullptr;
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
    if (IsOneOf(state_, {kStateReset, kStateClose, kStateUninit})) {
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
    Post(WM_RECTHREAD_TRIM);
    if (wave == nullptr) return;
    CaptureHeader* header = deviceHeaders_.Remove(wave);
    if (header == nullptr) return;  // not one this thread queued: nothing of ours to attach
    waveIn_.UnprepareHeader(device, &header->Wave, sizeof(WAVEHDR));
    AttachMarks(header, now);
    {
        std::lock_guard<std::mutex> hold(RecordedLock());
        recordedQueue_.PushBack(header);
    }
    if (state_ != kStateStop && state_ != kStatePaused) SetState(kStateDataReady);
    Rearm();
}

void TWaveInRecThread::AttachMarks(CaptureHeader* header, double now) {
    CaptureMark* chain;
    {
        std::lock_guard<std::mutex> hold(MarksLock());
        chain = pendingHead_;
        pendingHead_ = pendingTail_ = nullptr;
        pendingCount_ = 0;
    }
    for (CaptureMark* mark = chain; mark != nullptr; mark = mark->NextPTT) {
        mark->Sample = MarkSamplePosition(header->Wave.dwBytesRecorded, bitsPerSample_, now, mark->When,
                                          sampleRate_, channels_);
    }
    header->Marks = chain;
}

void TWaveInRecThread::Rearm() {
    if (!IsOneOf(state_, {kStateInit, kStateOpen, kStateDataReady, kStatePaused})) return;
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
    uint8_t* block = BlockForRecycle(header, size);
    FreeMarks(header->Marks);
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
        FreeMarks(header->Marks);
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
        FreeMarks(header->Marks);
        header->Marks = nullptr;
        PostRecycle(device_, header);
    }
}

void TWaveInRecThread::Stop() {
    const HWAVEIN device = device_;
    if (device == nullptr) return;
    const MMRESULT result = waveIn_.Stop(device);
    if (result == MMSYSERR_NOERROR) {
        SetState(kStateStop);
    } else if (result != MMSYSERR_INVALHANDLE) {
        SetState(kStateError);
    }
}

void TWaveInRecThread::Pause() {
    const HWAVEIN device = device_;
    if (device == nullptr || !IsOneOf(state_, {kStateOpen, kStateDataReady})) return;
    const MMRESULT result = waveIn_.Stop(device);
    if (result == MMSYSERR_NOERROR) {
        SetState(kStatePaused);
    } else if (result == MMSYSERR_INVALHANDLE) {
        device_ = nullptr;
    }
}

void TWaveInRecThread::Close() {
    const HWAVEIN device = device_;
    if (device == nullptr) return;
    SetState(kStateUninit);
    waveIn_.Reset(device);
    Drain();
    SetState(kStateUninit);
    // A request handled during a drain may have closed this device already (it then posted
    // its own Idle); there is nothing left to close.
    if (device_ != device) return;

    const MMRESULT stopped = waveIn_.Stop(device);
    Drain();
    SetState(kStateUninit);
    if (stopped == MMSYSERR_INVALHANDLE) {
        device_ = nullptr;
        Flush();
        return;  // stays Uninit
    }
    if (device_ != device) return;
    if (stopped != MMSYSERR_NOERROR) {
        Post(WM_RECTHREAD_CLOSE);  // retried until the stop succeeds or the handle proves invalid
        return;
    }

    MMRESULT closed = waveIn_.Close(device);
    while (closed == WAVERR_STILLPLAYING) {
        Drain();
        if (device_ != device) return;
        waveIn_.Reset(device);
        SetState(kStateUninit);
        closed = waveIn_.Close(device);
    }
    Drain();
    SetState(kStateUninit);
    // MM_WIM_CLOSE has cleared the handle during the drain. Should it not have come, or the
    // close have failed outright, the handle is of no further use: forget it, so that a new
    // open is possible and the buffers below are released.
    if (device_ == device) device_ = nullptr;
    Flush();
    Post(WM_RECTHREAD_IDLE);
}

void TWaveInRecThread::Reset() {
    Discard(RecordedCount());
    SetState(kStateReset);
    Close();
    SetState(kStateReset);
    Drain();
    SetState(kStateReset);
    // A device that went away by itself (closed, or its handle proved invalid) left its
    // buffers behind, prepared for a handle that no longer exists: they must not be queued
    // at the next device.
    if (device_ == nullptr) Flush();
    Post(WM_RECTHREAD_IDLE);
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
        marks = pendingHead_;
        pendingHead_ = pendingTail_ = nullptr;
        pendingCount_ = 0;
    }
    FreeMarks(marks);
}
