// tidewell-levels: prints the level of one or more WAV files over time, one row per window,
// for plotting (gnuplot) and for the end-to-end checks.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "core/wav_file.h"

namespace {

void Usage(FILE* out) {
    std::fprintf(out,
                 "usage: tidewell-levels [--window MS] FILE.wav [FILE.wav ...]\n"
                 "\n"
                 "Prints one row per window: the window's start in seconds, then for each file\n"
                 "its RMS level in dBFS over all channels (-120 for silence). Default window 100 ms;\n"
                 "the rate of the first file sets the windows.\n");
}

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
    double windowMs = 100;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            Usage(stdout);
            return 0;
        }
        if (!std::strcmp(argv[i], "--window") && i + 1 < argc) {
            windowMs = std::atof(argv[++i]);
            continue;
        }
        files.emplace_back(argv[i]);
    }
    if (files.empty() || windowMs <= 0) {
        Usage(stderr);
        return 2;
    }
    try {
        std::vector<WavData> wavs;
        for (const auto& f : files) wavs.push_back(ReadWavFile(f));
        const int rate = wavs[0].SampleRate;
        const auto window = static_cast<int64_t>(rate * windowMs / 1000.0);
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
        std::fprintf(stderr, "tidewell-levels: %s\n", e.what());
        return 1;
    }
    return 0;
}
