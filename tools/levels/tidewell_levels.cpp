// tidewell-levels: prints the level of one or more WAV files over time, one row per window,
// for plotting (gnuplot) and for the end-to-end checks.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "base/wav_file.h"
#include "levels_options.h"
#include "option_reader.h"

namespace {

double Rms(const WavData& wav, int64_t firstFrame, int64_t frames) {
    const int64_t end = std::min(wav.Frames(), firstFrame + frames);
    double sum = 0;
    int64_t n = 0;
    for (int64_t f = firstFrame; f < end; ++f) {
        for (int c = 0; c < wav.Channels; ++c) {
            const double v = wav.Sample(f * wav.Channels + c);
            sum += v * v;
            ++n;
        }
    }
    return n > 0 ? std::sqrt(sum / n) : 0.0;
}

}  // namespace

int main(int argc, char** argv) {
    constexpr char kProgram[] = "tidewell-levels";
    LevelsOptions options;
    std::string error;
    if (!ParseLevelsOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
        return ReportUsageError(kProgram, error);
    }
    if (options.Help) {
        std::fputs(LevelsUsage(), stdout);
        return 0;
    }
    try {
        std::vector<WavData> wavs;
        for (const auto& f : options.Files) wavs.push_back(ReadWavFile(f));
        const int rate = wavs[0].SampleRate;
        int64_t window = 0;
        if (!WindowFrames(options.WindowMs, rate, window, error)) return ReportUsageError(kProgram, error);
        int64_t longest = 0;
        for (const auto& w : wavs) longest = std::max<int64_t>(longest, w.Frames() * rate / std::max(1, w.SampleRate));
        for (int64_t start = 0; start < longest; start += window) {
            std::printf("%.3f", static_cast<double>(start) / rate);
            for (const auto& w : wavs) {
                const int64_t first = start * w.SampleRate / rate;
                const double rms = Rms(w, first, window * w.SampleRate / rate);
                std::printf(" %.2f", rms > 1e-6 ? 20 * std::log10(rms) : -120.0);
            }
            std::printf("\n");
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", kProgram, e.what());
        return 1;
    }
    return 0;
}
