#include "event_log.h"

#include <cstdio>

EventLog::EventLog() : start_(std::chrono::steady_clock::now()) {}

double EventLog::SecondsSinceStart() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void EventLog::Line(const std::string& text) {
    std::printf("[%8.3f] %s\n", SecondsSinceStart(), text.c_str());
    std::fflush(stdout);
}

void EventLog::Problem(const std::string& text) {
    std::fprintf(stderr, "tidewell-host: %s\n", text.c_str());
    std::fflush(stderr);
}

std::string FormatSeconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", seconds);
    return text;
}
