// TWaveInRecThread's device work, on the capture thread: opening the device in the
// requested format, starting, stopping and pausing it, and closing or resetting it so that
// every buffer it held comes back and is released.
#include <mutex>

#include "capture/input_devices.h"
#include "capture/rec_thread_messages.h"
#include "capture/wave_in_rec_thread.h"
#include "host/error_beep.h"

namespace {

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

}  // namespace

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
    deliveryExpected_ = false;
    closeStopFailures_ = 0;
    lastOpenAttempt_ = tick_();
    const auto number = FindDeviceNumber(ListInputDevices(waveIn_), name);
    WAVEINCAPSA caps{};
    if (!number ||
        waveIn_.GetDevCaps(static_cast<UINT_PTR>(static_cast<UINT>(*number)), &caps, sizeof caps) !=
            MMSYSERR_NOERROR) {
        MissingDevice();
        return;
    }
    if (caps.wChannels < channels_) {
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
        const int64_t frameBytes = int64_t{bps} / kBitsPerByte * nch;
        const int64_t frames = frameBytes > 0 ? buffSize_ / frameBytes : 0;
        blockSize_ = static_cast<uint32_t>(buffSize_ + RecordedResampler::GrowthFrames(frames) * frameBytes);
        resampler_.Configure(srate, bps, nch, frames);
        clockRatio_ = 1.0;
        device_ = opened;
        sampleRate_ = static_cast<int32_t>(format.nSamplesPerSec);
        bitsPerSample_ = format.wBitsPerSample;
        channels_ = format.nChannels;
        return;  // Init until MM_WIM_OPEN says Open
    }
    if (result == WAVERR_BADFORMAT) {
        SoundErrorBeep();
        SetState(kStateError);
        return;
    }
    MissingDevice();
}

// A named device that is not there, or will not open, is missing for now: a microphone
// unplugged before the start, or lost while it was being opened (a USB device re-enumerating
// as the player starts). The watchdog opens it again once a second until it is back. A device
// that is there but cannot record the stream (too few channels, an unsupported format) is
// not retried.
void TWaveInRecThread::MissingDevice() {
    trouble_ = kTroubleDeviceLost;
    SetState(kStateError);
}

void TWaveInRecThread::Start() {
    if (device_ == nullptr) return;
    const bool wasPaused = state_ == kStatePaused;
    // The mixer asks for a start with every block until the first buffer comes back; those
    // repeats must not restart the watchdog's count, or a device lost before its first
    // buffer would be waited for forever.
    const bool recording = deliveryExpected_ && IsStateIn(state_, {kStateOpen, kStateDataReady});
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
        if (!recording) {
            lastDelivery_ = tick_();
            // Arrivals after a pause or a stop are late against the old timeline: start anew.
            jitter_.Reset();
        }
        deliveryExpected_ = true;
        SetState(wasPaused ? kStateDataReady : kStateOpen);
        return;
    }
    if (result == MMSYSERR_INVALHANDLE) device_ = nullptr;
    SetState(kStateError);
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
    if (device == nullptr || !IsStateIn(state_, {kStateOpen, kStateDataReady})) return;
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
    deliveryExpected_ = false;
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
        // Retried (posted again) until the stop succeeds or the handle proves invalid, but
        // not forever: a device that keeps refusing is reset and closed regardless.
        if (++closeStopFailures_ < kCloseStopAttempts) {
            Post(WM_RECTHREAD_CLOSE);
            return;
        }
        trouble_ = kTroubleDeviceStuck;
        waveIn_.Reset(device);
        Drain();
        SetState(kStateUninit);
        if (device_ != device) return;
    }
    closeStopFailures_ = 0;

    MMRESULT closed = waveIn_.Close(device);
    for (int attempt = 1; closed == WAVERR_STILLPLAYING && attempt < kCloseAttempts; ++attempt) {
        Drain();
        if (device_ != device) return;
        waveIn_.Reset(device);
        SetState(kStateUninit);
        closed = waveIn_.Close(device);
    }
    Drain();
    SetState(kStateUninit);
    if (closed == WAVERR_STILLPLAYING && device_ == device) {
        // The device still holds buffers it may write into: they are left to it (a bounded
        // loss of memory, once per such device) rather than released under its feet.
        trouble_ = kTroubleDeviceStuck;
        deviceHeaders_.TakeAll();
    }
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
