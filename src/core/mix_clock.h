// The clocks the mixing engine reads, once per block, on the host's playback thread.
// LocalDateTime is the local wall-clock date-time in days (the scale of the statistics
// report); MonotonicSeconds never jumps when the wall clock is set, and is what the auto
// trigger's hold time is measured with. The DLL reads GetLocalTime and
// QueryPerformanceCounter; tests use a clock they move by hand.
#pragma once

class MixClock {
public:
    virtual ~MixClock() = default;
    virtual double LocalDateTime() = 0;
    virtual double MonotonicSeconds() = 0;
};
