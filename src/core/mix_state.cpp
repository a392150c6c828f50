#include "core/mix_state.h"

MixStateRecord MixState;

void LockedText::Set(std::string text) {
    std::lock_guard<std::mutex> hold(lock_);
    text_ = std::move(text);
}

std::string LockedText::Get() const {
    std::lock_guard<std::mutex> hold(lock_);
    return text_;
}

void MixStateRecord::SetAutoMixTiming(double fadeInSeconds, double fadeOutSeconds,
                                      double holdSeconds) {
    AutoMixInFade = fadeInSeconds;
    AutoMixOtFade = fadeOutSeconds;
    AutoMixHold = holdSeconds;
}

void MixStateRecord::ResetForInit() {
    last0_numsamples = 0;
    last0_bps = 0;
    last0_nch = 0;
    last0_srate = 0;
    last0_ltv = 0;
    last0_gtv = 0;
    gtv0 = 0;
    ltv0 = 0;
    center0 = 0;
    buff0pointer = 0;
    last0_WantActivate = false;
    last0_rtab = 0;
    fMixInPercent = 0.0;
    fMixOtPercent = 1.0;
    RMS0 = 0.0;
    RMS1 = 0.0;
    last0_Device.Set(std::string());
    LastSpikeTime = 0.0;
    LastSpikeTemp = 0.0;
    LastLevel = false;
    nominalbuffcount = kInitialPrimingBuffers;
    AutoMixThresh = 0.0;
    AutoMixHold = 0.0;
    Level = false;
    LogTrans = true;
    WantReset = false;
    MixIn = true;
    AutoMixInFade = 0.01;
    AutoMixOtFade = 1.0;
    SelectedDeviceChanged = false;
    MixInPercent = 0.0;
    ManualMixInPercent = 0.0;
    AutoMixInPercent = 0.0;
    MixInStep = 1.0 / (AutoMixInFade * kDefaultStepRate);
    MixOtStep = 1.0 / (AutoMixOtFade * kDefaultStepRate);
    PTTOn = false;
    LastPTTSampleIndex = 0;
    LatencyDelay = 0.0;
    LatencyTarget = 0.0;
    ClockRatio = 1.0;
    Underruns = 0;
}
