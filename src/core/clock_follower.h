// ClockFollower: keeps the delay from the microphone to the mix on its target by choosing
// the resampling ratio of the recorded stream (input frames per output frame), a
// proportional-integral controller on the measured delay, as the bridges between two audio
// clocks do.
//
// The delay is measured once per host block and smoothed over about kFollowerSmoothing
// seconds (arrivals come in steps of the device's period). A microphone whose clock runs
// fast piles up delay: the ratio rises above 1 until the integral has learnt the difference
// of the clocks, and the delay settles back on the target. The ratio never strays further
// than kMaxRatioDeviation from 1, so it moves the delay by at most a millisecond a second:
// small, slow and smooth, never a skip or a repeat.
//
// While the smoothed delay has never left the target by kFollowerEngage, the ratio stays
// exactly 1, so two clocks that agree leave the recorded stream untouched.
//
// Playback thread only. Pure; no allocation.
#pragma once

#include "capture/recorded_resampler.h"

// Proportional and integral gains: about 0.25 rad/s, damped, so a start or a step settles
// well within 20 s while the measurement's noise moves the ratio by little.
inline constexpr double kFollowerProportional = 0.4;   // per second
inline constexpr double kFollowerIntegral = 0.0625;    // per second squared
inline constexpr double kFollowerSmoothing = 0.5;      // seconds
inline constexpr double kFollowerEngage = 0.001;       // seconds
inline constexpr double kFollowerSmoothingBuffers = 4.0;
// The ratio moves by at most this much a second (a step of the target, or of the delay, is
// followed by a glide, never a jump of the pitch).
inline constexpr double kFollowerSlewPerSecond = 0.0005;

class ClockFollower {
public:
    // A new stream (start, format change): forgets everything, the drift learnt included.
    void Reset();
    // Buffers that arrive seldom (Classic's half seconds) make the measured delay jump by
    // their arrival's jitter: such a stream is smoothed over kFollowerSmoothingBuffers of
    // them, and the gains are lowered to match (the same damping, a slower loop).
    void SetBufferSeconds(double bufferSeconds);
    // A new start of the same stream (after an underrun or a new priming): the measurement
    // starts afresh, the clocks' difference learnt so far is kept.
    void Restart();

    // One block of `blockSeconds`: the delay measured now and the target; returns the ratio.
    // A target that is not a number only measures (the learnt difference still applies).
    double Update(double delaySeconds, double targetSeconds, double blockSeconds);

    double Ratio() const { return ratio_; }
    // The smoothed delay (seconds); 0 before the first measurement.
    double Delay() const { return smoothed_; }
    bool Engaged() const { return engaged_; }

private:
    double smoothing_ = kFollowerSmoothing;
    double proportional_ = kFollowerProportional;
    double integralGain_ = kFollowerIntegral;
    bool measured_ = false;
    bool engaged_ = false;
    double smoothed_ = 0.0;
    double measuredSeconds_ = 0.0;  // since the measurement (re)started
    double integral_ = 0.0;
    double ratio_ = 1.0;
};
