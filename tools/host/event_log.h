// The tool's running commentary: one line per event on standard output, stamped with the
// seconds since the log was made; problems on standard error. Both threads write to it;
// each line is written and flushed in one call, so lines never interleave.
#pragma once

#include <chrono>
#include <string>

class EventLog {
public:
    EventLog();

    void Line(const std::string& text);     // "[   1.234] text" on standard output
    void Problem(const std::string& text);  // "tidewell-host: text" on standard error

    double SecondsSinceStart() const;

private:
    std::chrono::steady_clock::time_point start_;
};

// "1.234": seconds with three decimals, for log lines.
std::string FormatSeconds(double seconds);
