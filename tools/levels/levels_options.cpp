#include "levels_options.h"

#include <algorithm>
#include <cmath>

#include "base/number_format.h"
#include "option_reader.h"

namespace {
constexpr char kOptionDecimalSeparator = '.';
constexpr double kMillisecondsPerSecond = 1000.0;
constexpr double kMostFrames = 1099511627776.0;  // 2^40: longer than any file, far from overflow
}  // namespace

bool ParseLevelsOptions(const std::vector<std::string>& arguments, LevelsOptions& options, std::string& error) {
    OptionReader reader(arguments);
    while (reader.Next()) {
        const std::string& name = reader.Name();
        if (!reader.IsOption()) {
            options.Files.push_back(name);
        } else if (name == "--help" || name == "-h") {
            if (!reader.RefuseValue(error)) return false;
            options.Help = true;
        } else if (name == "--window") {
            std::string value;
            if (!reader.TakeValue(value, error)) return false;
            double ms = 0;
            if (!ParseFloat(value, kOptionDecimalSeparator, ms) || !std::isfinite(ms) || ms <= 0) {
                error = "--window needs milliseconds, a number above 0, not \"" + value + "\"";
                return false;
            }
            options.WindowMs = ms;
        } else {
            error = "unknown option " + name;
            return false;
        }
    }
    if (!options.Help && options.Files.empty()) {
        error = "no WAV file given";
        return false;
    }
    return true;
}

bool WindowFrames(double windowMs, int rate, int64_t& frames, std::string& error) {
    const double exact = rate * windowMs / kMillisecondsPerSecond;
    if (!(exact >= 1)) {
        error = "--window " + FormatFloat(windowMs, kOptionDecimalSeparator) + " ms is shorter than one frame at " +
                std::to_string(rate) + " Hz";
        return false;
    }
    frames = static_cast<int64_t>(std::min(exact, kMostFrames));
    return true;
}

const char* LevelsUsage() {
    return "Usage: tidewell-levels [--window MS] FILE.wav [FILE.wav ...]\n"
           "\n"
           "Prints one row per window: the window's start in seconds, then for each file\n"
           "its RMS level in dBFS over all channels (-120 for silence). The rate of the first\n"
           "file sets the windows.\n"
           "\n"
           "Options (\"--name value\" or \"--name=value\"; after \"--\" only file names):\n"
           "  --window MS   window length in milliseconds (default 100); at least one frame\n"
           "  -h, --help    this text\n"
           "\n"
           "Exit codes: 0 done, 1 a file could not be read, 2 bad command line (a window\n"
           "shorter than one frame included).\n";
}
