// TWaveInRecThread: the one thread that owns the wave-in device.
//
// It records in exactly the format the host plays, in half-second buffers, and keeps a FIFO
// of recorded buffers for the mixer. All device work happens on this thread, driven by
// messages to its hidden utility window: requests posted by other threads (each returns at
// once) and the device's MM_WIM_* callbacks. Other threads share only two locked queues:
// the recorded buffers (playback thread, under RecordedLock) and the pending push-to-talk
// marks (window thread, under MarksLock).
//
// Life cycle: the creator constructs it (suspended), calls Resume and waits until State is
// Idle (WaitUntilIdle) before posting any request. To end it: Quit, WaitFor, then delete on
// the owner's thread; the destructor closes a device still open and releases every buffer.
//
// A watchdog on the thread's own timer notices a device that stops delivering while it
// records (no buffer for several buffer lengths: a microphone unplugged, or removed from the
// sound server): the thread closes it, releasing every buffer, returns to Idle so that the
// mixer opens it again, and while that open fails retries it by itself once a second. The
// same holds for a started device that never delivered, and for a named device that is
// missing when it is opened. A
// close whose stop keeps failing gives up after a bounded number of tries and closes the
// device regardless. Trouble() tells the status line about both.
//
// Each buffer that arrives is brought from the microphone's clock to the host's at the
// ratio the mixer's clock follower sets (RecordedResampler), which may make it a few frames
// longer: data blocks have room for that beyond BuffSize. How late buffers arrive against
// the device's steady rate is measured too (ArrivalJitter), for the mixer's reserve.
//
// Owns: the utility window, the device handle, every capture header and data block except
// the blocks the mixer holds (given back with ReturnDataBlock, or freed with
// ReleaseDataBlock when taken before a reset or format change), and the pending marks.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <mutex>
#include <string>

#include "capture/arrival_jitter.h"
#include "capture/capture_format.h"
#include "capture/capture_header.h"
#include "capture/capture_queue.h"
#include "capture/capture_trouble.h"
#include "capture/data_block.h"
#include "capture/local_clock.h"
#include "capture/monotonic_clock.h"
#include "capture/recorded_resampler.h"
#include "capture/pending_marks.h"
#include "capture/suspended_thread.h"
#include "capture/tick_clock.h"
#include "capture/wave_in_api.h"
#include "base/relaxed_atomic.h"
#include "host/cust_allocate_hwnd.h"

inline constexpr const char* kRecThreadWindowClass = "QXTidewellMixInWaveInRecUtilWindow";

inline constexpr int32_t kPrepareBatch = 25;   // headers prepared in one go when none are left
inline constexpr int32_t kPreparedLimit = 25;  // more prepared headers than this are released
inline constexpr int32_t kRearmMinimum = 2;    // fewer prepared on arrival: a new batch, or a reset

// How long GetPriority waits for the capture thread's own answer.
inline constexpr unsigned kPriorityAnswerTimeoutMs = 1000;

inline constexpr uint32_t kWatchdogPeriodMs = 250;
// A recording device that delivers nothing for this many buffer lengths, and at least
// kStallMinimumMs (the first buffer of a fresh start takes a while), is taken as lost.
inline constexpr uint32_t kStallBufferLengths = 8;
inline constexpr uint32_t kStallMinimumMs = 4000;
// While a lost device stays missing, its open is retried at most this often.
inline constexpr uint32_t kReopenIntervalMs = 1000;
// A close tries the device's stop this many times, and its close as often, then goes on.
inline constexpr int kCloseStopAttempts = 10;
inline constexpr int kCloseAttempts = 10;

class TWaveInRecThread final : public SuspendedThread, public CaptureQueue {
public:
    // Created suspended at priority Higher (4). The wave-in table and the clocks are seams
    // for tests; the table must outlive the object.
    explicit TWaveInRecThread(WaveInApi& waveIn = WinmmWaveIn(), LocalClock clock = &LocalDateTimeNow,
                              TickClock tick = &SystemTickNow);
    ~TWaveInRecThread() override;

    // Spins until State is Idle; false on time-out. Call after Resume, before any request.
    bool WaitUntilIdle(DWORD timeoutMs);
    // Ends the message loop (from any thread; errors are swallowed). The owner then waits.
    void Quit();

    // Requests, from any thread.
    uint8_t State() const override { return state_; }
    // kTroubleNone, or what went wrong with the device (cleared by its next buffer).
    uint8_t Trouble() const { return trouble_; }
    bool RequestOpen(const std::string& deviceName, int32_t srate, int32_t bps, int32_t nch) override;
    void RequestStart() override;
    void RequestStop() override;
    void RequestPause() override;
    void RequestReset() override;
    // The latency setting of the next open: its buffer length and device depth.
    void SetLatency(LatencyMode mode) override { latency_ = mode; }
    // Push-to-talk event now (window thread): pending until a buffer comes back after it.
    // A release (0) takes effect `tailSeconds` later (0 to kLongestReleaseTailSeconds).
    void QueueMark(uint8_t on, double tailSeconds = 0.0);
    // Thread priority 0..6 (Idle .. Real-Time). GetPriority waits for the thread's answer,
    // at most kPriorityAnswerTimeoutMs; then it reads the thread's priority from the system.
    void SetPriority(int32_t priority);
    int32_t GetPriority();

    // Consumer operations (playback thread).
    int32_t RecordedCount() const override;
    int64_t RecordedValues() const override;
    double NewestArrival() const override;
    CaptureBuffer TakeRecordedBuffer() override;
    void ReturnDataBlock(uint8_t* block) override;
    void ReleaseDataBlock(uint8_t* block) override;
    uint8_t ReleaseMarkChain(CaptureMark* chain) override;
    void SetClockRatio(double ratio) override { clockRatio_ = ratio; }
    double ArrivalLateness() const override { return lateness_; }

    // Statistics, read without a lock (approximate while the thread works).
    int32_t InQueueBuffersCount() const { return deviceHeaders_.Count(); }
    int32_t UsedSamplesCount() const { return spareBlocks_.Count(); }
    int32_t ReadyBuffersCount() const { return preparedHeaders_.Count(); }
    int32_t PendingMarksCount() const;
    HWND UtilWindow() const { return utilWindow_; }
    int32_t BuffSize() const { return buffSize_; }
    std::string DeviceName() const;
    HWAVEIN Device() const { return device_; }
    PCMWAVEFORMAT Format() const;
    int32_t SampleRate() const { return sampleRate_; }
    int32_t BitsPerSample() const { return bitsPerSample_; }
    int32_t Channels() const { return channels_; }

protected:
    DWORD Execute() override;

private:
    void HandleMessage(WindowMessage& message);
    void Dispatch(WindowMessage& message);
    bool Post(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const;
    void PostRecycle(HWAVEIN device, CaptureHeader* header) const;
    void SetState(uint8_t state) { state_ = state; }
    void Drain();

    void Open();
    void MissingDevice();
    void Start();
    void PrepareBatch(int32_t count);
    bool AddToDevice(CaptureHeader* header);  // false: a fatal failure closed the device
    void BufferArrival(HWAVEIN device, WAVEHDR* wave);
    void AttachMarks(CaptureHeader* header, double now);
    void ToHostClock(CaptureHeader* header, double arrival);
    void Rearm();
    void Recycle(CaptureHeader* header);
    uint8_t* BlockForRecycle(CaptureHeader* header, uint32_t size);
    void Trim();
    void Discard(int32_t count);
    void Stop();
    void Pause();
    void Close();
    void Reset();
    void Flush();
    void ReleasePrepared(CaptureHeader* header);
    void Watchdog();
    void DeclareLost();
    uint32_t StallLimitMs() const;

    WaveInApi& waveIn_;
    const LocalClock clock_;
    const TickClock tick_;

    RelaxedAtomic<HWND> utilWindow_{nullptr};  // published: requests post here
    HWND ownWindow_ = nullptr;                 // the capture thread's own view, kept while it ends
    int drainDepth_ = 0;

    mutable std::mutex requestLock_;  // guards deviceName_ and format_ (written by RequestOpen)
    std::string deviceName_;
    PcmFormat format_;
    RelaxedAtomic<int32_t> sampleRate_{0};
    RelaxedAtomic<int32_t> bitsPerSample_{0};
    RelaxedAtomic<int32_t> channels_{0};

    RelaxedAtomic<HWAVEIN> device_{nullptr};
    RelaxedAtomic<uint8_t> state_{kStateGoAway};
    RelaxedAtomic<int32_t> buffSize_{0};
    uint32_t blockSize_ = 0;  // capture thread: a data block's room, BuffSize and what resampling may add
    RelaxedAtomic<LatencyMode> latency_{LatencyMode::Classic};

    RelaxedAtomic<uint8_t> trouble_{kTroubleNone};

    // The recorded stream brought to the host's clock at the mixer's ratio, and how late the
    // buffers arrive (capture thread; the two published values are read by the mixer).
    RecordedResampler resampler_;
    ArrivalJitter jitter_;
    RelaxedAtomic<double> clockRatio_{1.0};
    RelaxedAtomic<double> lateness_{0.0};

    // Watchdog (capture thread): a started device owes a buffer since lastDelivery_.
    bool deliveryExpected_ = false;
    uint32_t lastDelivery_ = 0;
    uint32_t lastOpenAttempt_ = 0;
    int closeStopFailures_ = 0;

    HeaderList preparedHeaders_;  // capture thread
    HeaderList deviceHeaders_;    // capture thread
    HeaderList recordedQueue_;    // under RecordedLock
    double newestArrival_ = 0.0;  // under RecordedLock: when the last buffer joined the queue
    DataBlockFifo spareBlocks_;   // capture thread
    PendingMarks pendingMarks_;   // under MarksLock
};
