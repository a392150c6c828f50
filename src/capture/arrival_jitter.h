// ArrivalJitter: how late recorded buffers arrive, against the steady rate at which the
// device records them, as a high quantile that forgets old arrivals.
//
// Each buffer's lateness is its arrival time less its place in the stream (the recorded
// time before it), measured from the earliest such value of the last two seconds, so a
// slow drift between the clocks does not count. The lateness of every arrival goes into a
// histogram of 1 ms bins whose old weight is forgotten by a constant factor per arrival;
// the estimate is the 95 % point of that histogram, as a network jitter buffer's delay
// manager keeps it. It grows the moment the quantile does and shrinks no faster than
// kJitterShrinkPerSecond, so the reserve built on it has time to follow without dropping
// audio.
//
// A stall of the capture (a busy machine) makes a few buffers very late at once, too few
// for the quantile, which forgets them within a second. Such peaks tend to come back: a
// peak (lateness beyond the quantile by kJitterPeakMargin) that begins within
// kJitterPeakPeriod of the last one raises the estimate to the higher of the two at once, as
// a jitter buffer's peak detector does; from there it shrinks as slowly as ever.
//
// Capture thread only (Arrived, Reset); Estimate is published by the owner. Pure; no
// allocation after construction.
#pragma once

#include <array>
#include <cstdint>

inline constexpr double kJitterQuantile = 0.95;
inline constexpr double kJitterForgetFactor = 0.983;
// Less than the clock follower can shrink the delay (1 ms a second at its largest ratio,
// less a fast microphone's drift), so the delay keeps up with a shrinking reserve.
inline constexpr double kJitterShrinkPerSecond = 0.0005;
// The window whose earliest arrival is the reference (seconds).
inline constexpr double kJitterReferenceSeconds = 2.0;
inline constexpr double kJitterPeakMargin = 0.005;
inline constexpr double kJitterPeakPeriod = 20.0;
inline constexpr double kJitterPeakSeparation = 0.5;

class ArrivalJitter {
public:
    ArrivalJitter() { Reset(); }

    // Forgets everything (a new start of the device).
    void Reset();
    // A buffer of `seconds` of audio arrived at `at` (monotonic seconds).
    void Arrived(double at, double seconds);
    // The lateness quantile in seconds, as grown fast and shrunk slowly; 0 before any data,
    // a buffer's length at the first arrival.
    double Estimate() const { return estimate_; }

private:
    static constexpr int kBins = 500;               // 1 ms each; later arrivals fall in the last
    static constexpr int kReferenceSlots = 256;     // arrivals remembered for the reference

    double Reference(double at, double relative);
    double Quantile() const;
    void NotePeak(double at, double lateness);

    std::array<double, kBins> histogram_{};
    double mass_ = 0.0;
    bool started_ = false;
    double streamSeconds_ = 0.0;  // recorded time before the next buffer
    double lastArrival_ = 0.0;
    double estimate_ = 0.0;
    // The last peak (if any): its last late arrival, its largest lateness, and whether it
    // came within kJitterPeakPeriod of the one before.
    bool peaked_ = false;
    double peakAt_ = 0.0;
    double peakLateness_ = 0.0;
    bool recurring_ = false;
    // The last arrivals (time, relative delay), for the earliest relative delay in the window.
    std::array<double, kReferenceSlots> slotTime_{};
    std::array<double, kReferenceSlots> slotDelay_{};
    int slots_ = 0;
    int next_ = 0;
};
