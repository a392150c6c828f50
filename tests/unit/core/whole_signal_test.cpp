// A minute of synthetic music (the host stream) and voice (the live input) through the
// mixing engine in Manual, Auto and PTT mode, with settings changed on the way, compared
// sample for sample with the formulas read literally (unit/support/literal_mixer.h).
// Shorter runs cover the other sample widths.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <map>
#include <tuple>
#include <vector>

#include "base/sample_limits.h"
#include "unit/support/literal_mixer.h"
#include "unit/support/mixer_rig.h"

namespace {

constexpr int kBlockFrames = 576;
constexpr int kBufferFrames = 22050;  // half a second, as the capture thread records
constexpr double kTwoPi = 6.283185307179586;

struct Lcg {
    uint32_t state;
    double Next() {  // -1 .. 1
        state = state * 1664525u + 1013904223u;
        return static_cast<double>(static_cast<int32_t>(state)) / 2147483648.0;
    }
};

// A sine by table: the signals only need to sound like something, and a minute of them
// must be made quickly.
double Sine(double cycles) {
    constexpr int kTableSize = 4096;
    static const std::vector<double> table = [] {
        std::vector<double> t(kTableSize);
        for (int i = 0; i < kTableSize; ++i) t[i] = std::sin(kTwoPi * i / kTableSize);
        return t;
    }();
    const double wrapped = cycles - std::floor(cycles);
    return table[static_cast<int>(wrapped * kTableSize) & (kTableSize - 1)];
}

// Chords of three notes that change every two seconds, with a slow swell and some noise.
std::vector<double> Music(int frames, int nch, int srate) {
    std::vector<double> out(static_cast<size_t>(frames) * nch);
    Lcg noise{1};
    const double chords[4][3] = {{220.0, 277.2, 329.6}, {196.0, 246.9, 293.7},
                                 {174.6, 220.0, 261.6}, {246.9, 311.1, 370.0}};
    for (int f = 0; f < frames; ++f) {
        const double t = static_cast<double>(f) / srate;
        const double* chord = chords[(f / (2 * srate)) % 4];
        const double swell = 0.6 + 0.4 * Sine(0.07 * t);
        for (int c = 0; c < nch; ++c) {
            double v = 0.0;
            for (int n = 0; n < 3; ++n) v += Sine(chord[n] * (1.0 + 0.001 * c) * t + 0.3 * n);
            out[static_cast<size_t>(f) * nch + c] = 0.25 * swell * v / 3.0 + 0.01 * noise.Next();
        }
    }
    return out;
}

// Phrases of syllables (a buzzy voiced tone under an envelope) with pauses of room noise.
std::vector<double> Voice(int frames, int nch, int srate) {
    std::vector<double> out(static_cast<size_t>(frames) * nch);
    Lcg random{99};
    int f = 0;
    while (f < frames) {
        const int phrase = static_cast<int>((1.5 + 1.5 * (random.Next() + 1.0)) * srate);
        const int pause = static_cast<int>((0.8 + 0.6 * (random.Next() + 1.0)) * srate);
        const double pitch = 140.0 + 60.0 * random.Next();
        for (int i = 0; i < phrase + pause && f < frames; ++i, ++f) {
            const double t = static_cast<double>(i) / srate;
            double v = 0.004 * random.Next();
            if (i < phrase) {
                const double syllable = std::max(0.0, Sine(4.0 * t));
                double tone = 0.0;
                for (int h = 1; h <= 5; ++h) tone += Sine(pitch * h * t) / h;
                v += 0.45 * syllable * tone / 2.3;
            }
            for (int c = 0; c < nch; ++c) out[static_cast<size_t>(f) * nch + c] = v;
        }
    }
    return out;
}

std::vector<int64_t> Quantize(const std::vector<double>& signal, int bps) {
    const SampleLimits limits = LimitsForWidth(bps);
    const double scale = static_cast<double>(limits.gtv - limits.center);
    std::vector<int64_t> out(signal.size());
    for (size_t i = 0; i < signal.size(); ++i) {
        out[i] = limits.center + static_cast<int64_t>(std::lround(signal[i] * scale));
    }
    return out;
}

// The host's music and the captured voice of one format and length, made once and shared
// by the runs that use them.
struct Signals {
    std::vector<uint8_t> host;     // packed
    std::vector<int64_t> capture;  // values
    std::vector<uint8_t> capturePacked;
};

const Signals& SignalsFor(RecordedFormat format, int hostFrames, int captureFrames) {
    static std::map<std::tuple<int, int, int, int>, Signals> made;
    Signals& s = made[{format.nch, format.bps, hostFrames, captureFrames}];
    if (s.host.empty()) {
        s.host = Pack(Quantize(Music(hostFrames, format.nch, format.srate), format.bps), format.bps);
        s.capture = Quantize(Voice(captureFrames, format.nch, format.srate), format.bps);
        s.capturePacked = Pack(s.capture, format.bps);
    }
    return s;
}

// How the capture thread attached a mark to a buffer.
enum class Attached {
    kInside,     // to the buffer it happened in
    kAtTheEnd,   // to the buffer that ends at it (Sample = the buffer's sample count)
    kLate,       // to the next buffer, with a negative Sample
};

struct Mark {
    int64_t position;  // in the captured stream, sample values
    bool on;
    Attached attached = Attached::kInside;
};

// Settings applied to both mixers at the start of a block.
using Schedule = std::function<void(int block, MixStateRecord&, LiteralMixSettings&)>;

struct RunResult {
    double framesWithInput = 0.0;  // share of frames with a gain position above 0
    int triggerChanges = 0;
};

RunResult RunAndCompare(RecordedFormat format, double seconds, const Schedule& schedule,
                        const std::vector<Mark>& marks = {}) {
    const int frames = static_cast<int>(seconds * format.srate);
    const int blocks = frames / kBlockFrames;
    const int bytes = format.bps / 8;
    const int captureFrames = (blocks * kBlockFrames / kBufferFrames + 2) * kBufferFrames;
    const Signals& signals = SignalsFor(format, frames, captureFrames);
    const std::vector<uint8_t>& host = signals.host;
    const std::vector<int64_t>& capture = signals.capture;
    const std::vector<uint8_t>& capturePacked = signals.capturePacked;

    MixerRig rig(format);
    LiteralMixer literal(format.bps, format.nch, format.srate);
    const int64_t bufferValues = static_cast<int64_t>(kBufferFrames) * format.nch;
    std::vector<std::vector<std::pair<bool, int32_t>>> chains(capture.size() / bufferValues);
    for (const Mark& mark : marks) {
        int64_t buffer = mark.position / bufferValues;
        if (mark.attached == Attached::kAtTheEnd) --buffer;
        if (mark.attached == Attached::kLate) ++buffer;
        const int32_t sample = static_cast<int32_t>(mark.position - buffer * bufferValues);
        chains[buffer].emplace_back(mark.on, sample);
        // The engine applies a mark at the first frame at or after its sample, and one
        // with a negative sample at its buffer's first frame.
        literal.AddMark(buffer * bufferValues + std::max(sample, 0), mark.on);
    }
    for (size_t b = 0; b < chains.size(); ++b) {
        CaptureMark* chain = nullptr;
        CaptureMark** tail = &chain;
        for (const auto& [on, sample] : chains[b]) {
            *tail = new CaptureMark{static_cast<uint8_t>(on), 0.0, sample, nullptr};
            tail = &(*tail)->NextPTT;
        }
        const auto start = capture.begin() + static_cast<int64_t>(b) * bufferValues;
        rig.queue.Record(std::vector<int64_t>(start, start + bufferValues), format, chain);
    }

    schedule(0, rig.state, literal.settings);
    rig.StartCapture(kBlockFrames);

    RunResult result;
    bool lastLevel = false;
    int64_t consumed = 0;
    const size_t blockBytes = static_cast<size_t>(kBlockFrames) * format.nch * bytes;
    for (int b = 0; b < blocks; ++b) {
        schedule(b, rig.state, literal.settings);
        std::vector<uint8_t> mixed(host.begin() + b * blockBytes, host.begin() + (b + 1) * blockBytes);
        std::vector<uint8_t> expected = mixed;
        rig.MixPacked(mixed);
        literal.MixBlock(expected.data(), kBlockFrames, capturePacked.data() + consumed * bytes,
                         rig.clock.monotonic);
        consumed += static_cast<int64_t>(kBlockFrames) * format.nch;
        if (mixed != expected) {
            const auto at = std::mismatch(mixed.begin(), mixed.end(), expected.begin()).first - mixed.begin();
            ADD_FAILURE() << "block " << b << " differs at byte " << at << " (frame "
                          << at / bytes / format.nch << "), gain position " << literal.fIn();
            return result;
        }
        rig.clock.Advance(static_cast<double>(kBlockFrames) / format.srate);
        result.framesWithInput += literal.fIn() > 0.0 ? 1.0 / blocks : 0.0;
        if (literal.level() != lastLevel) ++result.triggerChanges;
        lastLevel = literal.level();
    }
    return result;
}

void Apply(int8_t mode, const LiteralMixSettings& s, MixStateRecord& state, LiteralMixSettings& literal) {
    literal = s;
    literal.mode = mode;
    state.SetMSMode(mode);
    state.SetManualMixInPercent(s.manualPercent);
    state.SetAutoMixInPercent(s.autoPercent);
    state.SetPTTMixInPercent(s.pttPercent);
    state.SetAutoMixThresh(s.thresholdPercent);
    state.SetAutoMixTiming(s.fadeInSeconds, s.fadeOutSeconds, s.holdSeconds);
    state.SetLogTrans(s.logarithmic);
    state.SetMixIn(s.crossfade);
}

int BlockAt(double seconds) { return static_cast<int>(seconds * 44100 / kBlockFrames); }

TEST(MixerWholeSignal, ManualMinuteMatchesTheFormulas) {
    const Schedule schedule = [](int block, MixStateRecord& state, LiteralMixSettings& literal) {
        LiteralMixSettings s;
        s.fadeInSeconds = 0.5;
        s.fadeOutSeconds = 2.0;
        if (block == 0) s.manualPercent = 0.6;
        if (block == BlockAt(20)) s.manualPercent = 0.2;
        if (block == BlockAt(35)) {
            s.manualPercent = 1.0;
            s.logarithmic = false;
        }
        if (block == BlockAt(50)) {
            s.manualPercent = 0.5;
            s.crossfade = false;
        }
        if (block == 0 || block == BlockAt(20) || block == BlockAt(35) || block == BlockAt(50)) {
            Apply(kModeManual, s, state, literal);
        }
    };
    const RunResult result = RunAndCompare(RecordedFormat{44100, 2, 16}, 60.0, schedule);
    EXPECT_GT(result.framesWithInput, 0.95);
}

TEST(MixerWholeSignal, AutoMinuteMatchesTheFormulas) {
    const Schedule schedule = [](int block, MixStateRecord& state, LiteralMixSettings& literal) {
        LiteralMixSettings s;
        s.thresholdPercent = 10.0;
        s.holdSeconds = 0.5;
        s.autoPercent = 0.7;
        if (block == BlockAt(30)) {
            s.thresholdPercent = 20.0;
            s.holdSeconds = 0.2;
            s.fadeInSeconds = 0.05;
            s.fadeOutSeconds = 0.5;
            s.logarithmic = false;
        }
        if (block == 0 || block == BlockAt(30)) Apply(kModeAuto, s, state, literal);
    };
    const RunResult result = RunAndCompare(RecordedFormat{44100, 2, 16}, 60.0, schedule);
    EXPECT_GT(result.triggerChanges, 20) << "the voice's phrases switch the trigger";
    EXPECT_GT(result.framesWithInput, 0.3);
    EXPECT_LT(result.framesWithInput, 0.95);
}

std::vector<Mark> TalkMarks(int nch, double seconds, int srate) {
    std::vector<Mark> marks;
    Lcg random{5};
    const int64_t valuesPerSecond = static_cast<int64_t>(srate) * nch;
    bool on = true;
    for (double t = 0.3; t < seconds; t += 0.7 + 1.5 * (random.Next() + 1.0)) {
        const int64_t at = static_cast<int64_t>(t * valuesPerSecond) / nch * nch;
        marks.push_back({at, on});
        if (random.Next() > 0.6) {  // a quick double press: several marks at one position
            marks.push_back({at, !on});
            marks.push_back({at, on});
        }
        on = !on;
    }
    // A mark exactly at a buffer's end, one that came late and one at a buffer's start.
    const int64_t bufferValues = static_cast<int64_t>(kBufferFrames) * nch;
    const int64_t last = static_cast<int64_t>(seconds) * 2 - 4;  // buffers of half a second
    marks.push_back({last * bufferValues, !on, Attached::kAtTheEnd});
    marks.push_back({(last + 1) * bufferValues - 3000 * nch, on, Attached::kLate});
    marks.push_back({(last + 2) * bufferValues, !on});
    // Chains are built in this order and must stay in time order within a buffer.
    std::stable_sort(marks.begin(), marks.end(), [&](const Mark& a, const Mark& b) {
        auto effective = [&](const Mark& m) {
            return m.attached == Attached::kLate ? (m.position / bufferValues + 1) * bufferValues
                                                 : m.position;
        };
        return effective(a) < effective(b);
    });
    return marks;
}

TEST(MixerWholeSignal, PushToTalkMinuteMatchesTheFormulas) {
    const Schedule schedule = [](int block, MixStateRecord& state, LiteralMixSettings& literal) {
        LiteralMixSettings s;
        s.pttPercent = 0.8;
        s.fadeInSeconds = 0.02;
        s.fadeOutSeconds = 0.3;
        if (block == BlockAt(30)) {
            s.pttPercent = 1.0;
            s.logarithmic = false;
        }
        if (block == 0 || block == BlockAt(30)) Apply(kModePtt, s, state, literal);
    };
    const RunResult result =
        RunAndCompare(RecordedFormat{44100, 2, 16}, 60.0, schedule, TalkMarks(2, 60.0, 44100));
    EXPECT_GT(result.framesWithInput, 0.2);
    EXPECT_LT(result.framesWithInput, 0.9);
}

TEST(MixerWholeSignal, OtherWidthsMatchTheFormulas) {
    const auto autoMode = [](int block, MixStateRecord& state, LiteralMixSettings& literal) {
        LiteralMixSettings s;
        s.thresholdPercent = 10.0;
        s.holdSeconds = 0.3;
        s.autoPercent = 0.9;
        if (block == 0) Apply(kModeAuto, s, state, literal);
    };
    const auto manual = [](int block, MixStateRecord& state, LiteralMixSettings& literal) {
        LiteralMixSettings s;
        s.manualPercent = 0.5;
        s.logarithmic = false;
        if (block == 0) Apply(kModeManual, s, state, literal);
        if (block == BlockAt(5)) {
            s.crossfade = false;
            Apply(kModeManual, s, state, literal);
        }
    };
    const auto ptt = [](int block, MixStateRecord& state, LiteralMixSettings& literal) {
        LiteralMixSettings s;
        s.pttPercent = 0.6;
        if (block == 0) Apply(kModePtt, s, state, literal);
    };
    RunAndCompare(RecordedFormat{44100, 1, 8}, 10.0, autoMode);
    RunAndCompare(RecordedFormat{44100, 1, 8}, 10.0, manual);
    RunAndCompare(RecordedFormat{44100, 2, 24}, 10.0, manual);
    RunAndCompare(RecordedFormat{44100, 1, 32}, 10.0, ptt, TalkMarks(1, 10.0, 44100));
    RunAndCompare(RecordedFormat{44100, 2, 24}, 10.0, autoMode);
}

}  // namespace
