#include "capture/arrival_jitter.h"

#include <algorithm>
#include <cmath>

void ArrivalJitter::Reset() {
    histogram_.fill(0.0);
    mass_ = 0.0;
    started_ = false;
    streamSeconds_ = 0.0;
    lastArrival_ = 0.0;
    estimate_ = 0.0;
    peaked_ = false;
    recurring_ = false;
    slots_ = 0;
    next_ = 0;
}

void ArrivalJitter::Arrived(double at, double seconds) {
    if (!std::isfinite(at) || !std::isfinite(seconds) || seconds < 0.0) return;
    // The buffer's last frame was recorded at streamSeconds_ + seconds after the start.
    streamSeconds_ += seconds;
    const double relative = at - streamSeconds_;
    const double lateness = std::max(0.0, relative - Reference(at, relative));

    for (double& bin : histogram_) bin *= kJitterForgetFactor;
    mass_ *= kJitterForgetFactor;
    const int bin = std::min(kBins - 1, static_cast<int>(lateness * 1000.0));
    histogram_[static_cast<size_t>(bin)] += 1.0 - kJitterForgetFactor;
    mass_ += 1.0 - kJitterForgetFactor;

    const double quantile = Quantile();
    const double elapsed = started_ ? std::max(0.0, at - lastArrival_) : 0.0;
    // Until arrivals have shown how late they come, a buffer's length is assumed: the first
    // seconds of a stream on a busy machine are its most uneven ones.
    if (!started_) estimate_ = seconds;
    started_ = true;
    lastArrival_ = at;
    estimate_ = std::max(quantile, estimate_ - kJitterShrinkPerSecond * elapsed);
    if (lateness > quantile + kJitterPeakMargin) NotePeak(at, lateness);
}

// Late arrivals less than kJitterPeakSeparation apart belong to one peak (the buffers of
// one stall); a peak that begins within kJitterPeakPeriod of the last one is a recurring
// peak, held at the higher of the two heights.
void ArrivalJitter::NotePeak(double at, double lateness) {
    const bool samePeak = peaked_ && at - peakAt_ < kJitterPeakSeparation;
    if (!samePeak) {
        recurring_ = peaked_ && at - peakAt_ <= kJitterPeakPeriod;
        if (recurring_) estimate_ = std::max(estimate_, peakLateness_);
        peakLateness_ = 0.0;
    }
    peaked_ = true;
    peakAt_ = at;
    peakLateness_ = std::max(peakLateness_, lateness);
    if (recurring_) estimate_ = std::max(estimate_, lateness);
}

// The earliest relative delay of the arrivals in the last kJitterReferenceSeconds, this
// one included.
double ArrivalJitter::Reference(double at, double relative) {
    slotTime_[static_cast<size_t>(next_)] = at;
    slotDelay_[static_cast<size_t>(next_)] = relative;
    next_ = (next_ + 1) % kReferenceSlots;
    slots_ = std::min(slots_ + 1, kReferenceSlots);
    double earliest = relative;
    for (int i = 0; i < slots_; ++i) {
        if (at - slotTime_[static_cast<size_t>(i)] <= kJitterReferenceSeconds) {
            earliest = std::min(earliest, slotDelay_[static_cast<size_t>(i)]);
        }
    }
    return earliest;
}

// The upper edge of the bin where the cumulative weight reaches the quantile.
double ArrivalJitter::Quantile() const {
    if (mass_ <= 0.0) return 0.0;
    const double wanted = kJitterQuantile * mass_;
    double sum = 0.0;
    for (int i = 0; i < kBins; ++i) {
        sum += histogram_[static_cast<size_t>(i)];
        if (sum >= wanted) return static_cast<double>(i + 1) / 1000.0;
    }
    return static_cast<double>(kBins) / 1000.0;
}
