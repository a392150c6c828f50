// The level follower: a smoothed level of the captured signal, fed one captured value
// (minus the silence value) at a time, and the notification period that thins the level
// messages to one per kLevelNotifyPeriod values.
//
// The level is the quadratic mean of the last three values, where a positive value above
// the previous levels lifts them at once. The recurrence runs on squares (RMS0^2, RMS1^2,
// RMSNotifyPeak^2), so the per-value work has no square root; the levels themselves are
// square roots of these, taken when they are shown. The auto trigger compares squares too,
// against SpikeLevelSquare, which gives exactly the same decision as comparing the level's
// whole percent with the threshold.
//
// Owned and called by the mixing engine on the host's playback thread.
#pragma once

#include <cmath>
#include <cstdint>

inline constexpr int32_t kLevelNotifyPeriod = 60;
inline constexpr double kPercent = 100.0;
// The level is the quadratic mean of this many values: the last two levels and the new value.
inline constexpr double kLevelMeanOf = 3.0;

struct LevelFollower {
    double rms0Square = 0.0;  // RMS0^2: the smoothed level
    double rms1Square = 0.0;  // RMS1^2: the level before it
    double peakSquare = 0.0;  // RMSNotifyPeak^2: highest level of the notification period
    int32_t notifyCount = 0;  // values in the notification period

    // Feeds one value. Returns true when the period is complete; `peak` then holds the
    // period's peak level to notify, and the next period starts from the current level.
    bool Track(double v, double& peak) {
        const double vSquare = v * v;
        if (v > 0.0) {  // only a positive value lifts the levels
            if (vSquare > rms1Square) rms1Square = vSquare;
            if (vSquare > rms0Square) rms0Square = vSquare;
        }
        const double mean = (rms1Square + rms0Square + vSquare) / kLevelMeanOf;
        rms1Square = rms0Square;
        rms0Square = mean;
        if (mean > peakSquare) peakSquare = mean;
        if (++notifyCount < kLevelNotifyPeriod) return false;
        notifyCount = 0;
        peak = std::sqrt(peakSquare);
        peakSquare = mean;
        return true;
    }
};

// The smallest squared level whose whole percent of `fullScale` (rounded down) is above
// `thresholdPercent`: level^2 >= this  <=>  floor(level / fullScale * 100) > threshold.
// +infinity when no level can pass (a threshold of 100 % or more, a NaN threshold, or no
// positive full scale).
double SpikeLevelSquare(double thresholdPercent, double fullScale);

// A level as the whole percent of full scale that the level messages carry (truncated);
// 0 for anything that is not a number or out of range.
intptr_t LevelPercent(double level, double fullScale);
