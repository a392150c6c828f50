// MixState: the one process-wide record of mixing variables.
//
// Shared by the host's window thread (Init, Config, Quit, the control window, remote
// commands: it writes the user-facing settings through the setters below) and the host's
// playback thread (the mixing engine: it reads the settings at its next block or frame and
// writes its own state). Fields touched by both threads are RelaxedAtomic; nothing relies
// on the order in which different fields change. The field names are the keys of the
// statistics report.
//
// buff0 and PTTEvent belong to the playback thread (the mixing engine).
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "capture/capture_types.h"
#include "capture/latency_profile.h"
#include "base/relaxed_atomic.h"

// Sample rate the fade steps assume until the first block tells the real one.
inline constexpr double kDefaultStepRate = 44100.0;
inline constexpr int32_t kInitialPrimingBuffers = 5;
inline constexpr double kDefaultPttMixInPercent = 0.7;

enum MixMode : int8_t { kModeOff = 0, kModeManual = 1, kModeAuto = 2, kModePtt = 3 };

// The device name is text, so it cannot be a lock-free field; a short lock guards it.
// It is written on device selection and read when the capture device is (re)opened.
class LockedText {
public:
    void Set(std::string text);
    std::string Get() const;

private:
    mutable std::mutex lock_;
    std::string text_;
};

struct MixStateRecord {
    // Format of the last host block (the format key is bps, nch, srate).
    RelaxedAtomic<int32_t> last0_numsamples{0};
    RelaxedAtomic<int32_t> last0_bps{0};
    RelaxedAtomic<int32_t> last0_nch{0};
    RelaxedAtomic<int32_t> last0_srate{0};
    RelaxedAtomic<int32_t> last0_ltv{0};
    RelaxedAtomic<int32_t> last0_gtv{0};
    RelaxedAtomic<int64_t> gtv0{0};
    RelaxedAtomic<int64_t> ltv0{0};
    RelaxedAtomic<int64_t> center0{0};

    // The recorded buffer being consumed and its pending marks (playback thread only).
    CaptureBuffer buff0{};
    RelaxedAtomic<int32_t> buff0pointer{0};
    CaptureMark* PTTEvent = nullptr;

    RelaxedAtomic<bool> last0_WantActivate{false};
    RelaxedAtomic<bool> WantActivate{false};  // not reset by Init
    RelaxedAtomic<int32_t> last0_rtab{0};
    RelaxedAtomic<int32_t> nominalbuffcount{kInitialPrimingBuffers};

    // Gain positions, fractions 0..1.
    RelaxedAtomic<double> fMixInPercent{0.0};
    RelaxedAtomic<double> fMixOtPercent{1.0};
    RelaxedAtomic<double> MixInPercent{0.0};
    RelaxedAtomic<double> ManualMixInPercent{0.0};
    RelaxedAtomic<double> AutoMixInPercent{0.0};
    RelaxedAtomic<double> PTTMixInPercent{kDefaultPttMixInPercent};
    RelaxedAtomic<int8_t> MSMode{kModeOff};
    RelaxedAtomic<bool> MixIn{true};
    RelaxedAtomic<bool> LogTrans{true};

    // Fades (seconds) and the per-frame steps derived from them and the block's rate.
    RelaxedAtomic<double> AutoMixInFade{0.01};
    RelaxedAtomic<double> AutoMixOtFade{1.0};
    RelaxedAtomic<double> MixInStep{1.0 / (0.01 * kDefaultStepRate)};
    RelaxedAtomic<double> MixOtStep{1.0 / (1.0 * kDefaultStepRate)};

    // Auto trigger.
    RelaxedAtomic<double> AutoMixThresh{0.0};  // percent of full scale
    RelaxedAtomic<double> AutoMixHold{0.0};    // seconds
    RelaxedAtomic<bool> Level{false};
    RelaxedAtomic<bool> LastLevel{false};
    RelaxedAtomic<double> LastSpikeTime{0.0};  // date-time, days
    RelaxedAtomic<double> LastSpikeTemp{0.0};  // date-time difference, days

    // Level follower.
    RelaxedAtomic<double> RMS0{0.0};
    RelaxedAtomic<double> RMS1{0.0};
    RelaxedAtomic<int32_t> RMSNotifyCount{0};  // not reset by Init
    RelaxedAtomic<double> RMSNotifyPeak{0.0};  // not reset by Init

    // Push-to-talk.
    RelaxedAtomic<bool> PTTOn{false};
    RelaxedAtomic<int32_t> LastPTTSampleIndex{0};

    // Requests and wiring.
    LockedText last0_Device;
    RelaxedAtomic<bool> SelectedDeviceChanged{false};
    RelaxedAtomic<bool> WantReset{false};
    RelaxedAtomic<void*> NotifyHWnd{nullptr};
    RelaxedAtomic<bool> SendNotifyWndRMS{true};
    RelaxedAtomic<bool> EnableBypass{false};
    RelaxedAtomic<bool> InitBusy{false};
    // The latency setting (Init sets it from the configuration); the mixer applies it at
    // its next format reset, so a change comes with a reset request.
    RelaxedAtomic<LatencyMode> Latency{LatencyMode::Classic};
    // How late the voice is mixed, as the mixer keeps it: the delay measured (smoothed) and
    // the delay aimed at (seconds), the resampling ratio of the recorded stream (input frames
    // per output frame) and the underruns since Init.
    RelaxedAtomic<double> LatencyDelay{0.0};
    RelaxedAtomic<double> LatencyTarget{0.0};
    RelaxedAtomic<double> ClockRatio{1.0};
    RelaxedAtomic<int32_t> Underruns{0};

    // Puts every field that MixIn Init resets back to its start value. The fields marked
    // "not reset by Init", the mode, the PTT level, NotifyHWnd, EnableBypass and buff0 are
    // left alone: Init sets those itself at later steps.
    void ResetForInit();

    // Setters: plain stores, no range checks; the mixing engine picks them up at its next
    // block or frame.
    void SetWantReset() { WantReset = true; }
    void SetLogTrans(bool on) { LogTrans = on; }
    void SetMixIn(bool on) { MixIn = on; }
    void SetAutoMixTiming(double fadeInSeconds, double fadeOutSeconds, double holdSeconds);
    void SetAutoMixThresh(double percent) { AutoMixThresh = percent; }
    void SetSelectedDeviceChanged() { SelectedDeviceChanged = true; }
    void SetDevice(std::string name) { last0_Device.Set(std::move(name)); }
    void SetWantActivate(bool on) { WantActivate = on; }
    void SetManualMixInPercent(double fraction) { ManualMixInPercent = fraction; }
    void SetAutoMixInPercent(double fraction) { AutoMixInPercent = fraction; }
    void SetPTTMixInPercent(double fraction) { PTTMixInPercent = fraction; }
    void SetMSMode(int8_t mode) { MSMode = mode; }
    void SetSendNotifyWndRMS(bool on) { SendNotifyWndRMS = on; }
    void SetEnableBypass(bool on) { EnableBypass = on; }
    // A new latency setting restarts the capture the way the Reset button does.
    void SetLatency(LatencyMode mode) {
        Latency = mode;
        WantReset = true;
    }
};

extern MixStateRecord MixState;
