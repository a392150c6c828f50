#include "core/clock_follower.h"

#include <algorithm>
#include <cmath>

void ClockFollower::Reset() {
    Restart();
    engaged_ = false;
    integral_ = 0.0;
    ratio_ = 1.0;
}

void ClockFollower::SetBufferSeconds(double bufferSeconds) {
    smoothing_ = std::isfinite(bufferSeconds) ? std::max(kFollowerSmoothing, kFollowerSmoothingBuffers * bufferSeconds)
                                              : kFollowerSmoothing;
    const double slower = kFollowerSmoothing / smoothing_;
    proportional_ = kFollowerProportional * std::sqrt(slower);
    integralGain_ = kFollowerIntegral * slower;
}

void ClockFollower::Restart() {
    measured_ = false;
    smoothed_ = 0.0;
}

double ClockFollower::Update(double delaySeconds, double targetSeconds, double blockSeconds) {
    if (!std::isfinite(delaySeconds) || !(blockSeconds > 0.0)) return ratio_;
    if (!measured_) {
        measured_ = true;
        smoothed_ = delaySeconds;
        measuredSeconds_ = 0.0;
    } else {
        smoothed_ += (delaySeconds - smoothed_) * std::min(1.0, blockSeconds / smoothing_);
    }
    measuredSeconds_ += blockSeconds;
    if (!std::isfinite(targetSeconds)) {
        // No target yet: the delay is only measured, and the clocks' difference learnt so
        // far goes on being corrected.
        ratio_ = 1.0 + integral_;
        return ratio_;
    }
    const double error = smoothed_ - targetSeconds;
    // Engaged only by a smoothed error: a single measurement carries its arrival's jitter.
    if (!engaged_ && (measuredSeconds_ < smoothing_ || std::fabs(error) <= kFollowerEngage)) return ratio_;
    engaged_ = true;
    const double step = kFollowerSlewPerSecond * blockSeconds;
    const double low = std::max(-kMaxRatioDeviation, ratio_ - 1.0 - step);
    const double high = std::min(kMaxRatioDeviation, ratio_ - 1.0 + step);
    // The integral learns only while the ratio can still follow it: while the ratio is held
    // at a limit (a large step of the target), integrating the error would wind the integral
    // up to the limit, and the delay would overshoot the target by as much again.
    const double unlimited = proportional_ * error + integral_;
    if (!(unlimited >= high && error > 0.0) && !(unlimited <= low && error < 0.0)) {
        integral_ = std::clamp(integral_ + integralGain_ * error * blockSeconds, -kMaxRatioDeviation,
                               kMaxRatioDeviation);
    }
    ratio_ = 1.0 + std::clamp(proportional_ * error + integral_, low, high);
    return ratio_;
}
