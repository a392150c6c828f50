// The command line of tidewell-levels, and the one rule that needs the files' rate: a window
// must hold at least one frame, or the rows would never advance.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct LevelsOptions {
    double WindowMs = 100;
    std::vector<std::string> Files;
    bool Help = false;
};

// Fills `options` from the arguments after the program name; on a mistake returns false with
// a one-line explanation in `error`.
bool ParseLevelsOptions(const std::vector<std::string>& arguments, LevelsOptions& options, std::string& error);

// The window in frames at `rate`; false with `error` when it holds less than one frame.
bool WindowFrames(double windowMs, int rate, int64_t& frames, std::string& error);

// The --help text.
const char* LevelsUsage();
