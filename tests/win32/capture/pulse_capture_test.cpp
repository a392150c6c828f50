// The capture thread recording from a real device: Wine's wave-in driver over a private
// PulseAudio daemon (scripts/pulse-session, set up by this test's CMake entry). Two null
// sinks share the description PULSE_TWIN_DESCRIPTION, so Wine lists two microphones of one
// name. A sine of PULSE_TONE_HZ plays into each, at its own level (PULSE_TONE_LEVELS,
// fractions of full scale): Wine numbers devices of one name in an order of its own (kept in
// its prefix), so the level tells which sink a microphone is.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "capture/input_devices.h"
#include "capture/wave_in_rec_thread.h"
#include "host/error_beep.h"

namespace {

constexpr int32_t kRate = 44100;
constexpr int32_t kBits = 16;
constexpr int32_t kStereo = 2;
constexpr DWORD kWaitMs = 10000;
constexpr int kBuffersToMeasure = 3;
constexpr double kFullScale = 32767.0;
constexpr double kLevelTolerance = 0.01;

const std::string kMicrophone = std::string("Monitor of ") + PULSE_TWIN_DESCRIPTION;
const std::string kSecondMicrophone = kMicrophone + "(2)";

// Counts the calls that reach the real wave-in functions.
class CountingWaveIn final : public WaveInApi {
public:
    std::atomic<int> calls{0};
    UINT GetNumDevs() override { return ++calls, WinmmWaveIn().GetNumDevs(); }
    MMRESULT GetDevCaps(UINT_PTR id, WAVEINCAPSA* caps, UINT size) override {
        return ++calls, WinmmWaveIn().GetDevCaps(id, caps, size);
    }
    MMRESULT Open(HWAVEIN* device, UINT id, const WAVEFORMATEX* format, DWORD_PTR callback, DWORD_PTR instance,
                  DWORD flags) override {
        return ++calls, WinmmWaveIn().Open(device, id, format, callback, instance, flags);
    }
    MMRESULT PrepareHeader(HWAVEIN d, WAVEHDR* h, UINT s) override { return ++calls, WinmmWaveIn().PrepareHeader(d, h, s); }
    MMRESULT UnprepareHeader(HWAVEIN d, WAVEHDR* h, UINT s) override {
        return ++calls, WinmmWaveIn().UnprepareHeader(d, h, s);
    }
    MMRESULT AddBuffer(HWAVEIN d, WAVEHDR* h, UINT s) override { return ++calls, WinmmWaveIn().AddBuffer(d, h, s); }
    MMRESULT Start(HWAVEIN d) override { return ++calls, WinmmWaveIn().Start(d); }
    MMRESULT Stop(HWAVEIN d) override { return ++calls, WinmmWaveIn().Stop(d); }
    MMRESULT Reset(HWAVEIN d) override { return ++calls, WinmmWaveIn().Reset(d); }
    MMRESULT Close(HWAVEIN d) override { return ++calls, WinmmWaveIn().Close(d); }
};

bool Eventually(const std::function<bool()>& condition, DWORD timeoutMs = kWaitMs) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(5);
    }
    return true;
}

class PulseCaptureTest : public ::testing::Test {
protected:
    CountingWaveIn waveIn;
    std::unique_ptr<TWaveInRecThread> thread;
    std::atomic<int> beeps{0};

    void SetUp() override {
        // No audio server is a failure; skipping takes an explicit TIDEWELL_SKIP_AUDIO=1.
        const char* pulse = std::getenv("TIDEWELL_PULSE");
        const std::string reason = pulse == nullptr ? "no PulseAudio session: run through scripts/pulse-session"
                                                    : std::string("PulseAudio ") + pulse;
        if (pulse == nullptr || std::string(pulse) != "running") {
            const char* skip = std::getenv("TIDEWELL_SKIP_AUDIO");
            if (skip != nullptr && std::string(skip) == "1") GTEST_SKIP() << reason << " (TIDEWELL_SKIP_AUDIO=1)";
            FAIL() << reason << "; set TIDEWELL_SKIP_AUDIO=1 to skip the audio tests";
        }
        SetErrorBeepHandler([this] { ++beeps; });
        thread = std::make_unique<TWaveInRecThread>(waveIn);
        thread->Resume();
        ASSERT_TRUE(thread->WaitUntilIdle(kWaitMs));
    }

    void TearDown() override {
        if (thread) {
            thread->RequestReset();
            EXPECT_TRUE(Eventually([&] { return thread->State() == kStateIdle; }));
            thread->Quit();
            EXPECT_TRUE(thread->WaitFor(kWaitMs));
            thread.reset();
        }
        SetErrorBeepHandler(nullptr);
    }

    // Records from `name` and returns the RMS level (fraction of full scale) of a few whole
    // buffers, after the first one (which may hold the start of the stream).
    double RecordLevel(const std::string& name) {
        EXPECT_TRUE(thread->RequestOpen(name, kRate, kBits, kStereo));
        EXPECT_TRUE(Eventually([&] { return thread->State() == kStateOpen; })) << CaptureStateWord(thread->State());
        thread->RequestStart();
        double sumOfSquares = 0;
        int64_t count = 0;
        for (int taken = 0; taken <= kBuffersToMeasure;) {
            CaptureBuffer buffer;
            if (!Eventually([&] { return (buffer = thread->TakeRecordedBuffer()).data != nullptr; })) {
                ADD_FAILURE() << "no recorded buffer in time, state " << CaptureStateWord(thread->State());
                return 0;
            }
            EXPECT_EQ(buffer.srate, kRate);
            EXPECT_EQ(buffer.nch, kStereo);
            EXPECT_EQ(buffer.bps, kBits);
            if (taken++ > 0) {
                EXPECT_EQ(buffer.numsamples, kRate) << "a full half second, both channels";
                const auto* samples = reinterpret_cast<const int16_t*>(buffer.data);
                for (int32_t i = 0; i < buffer.numsamples; ++i) sumOfSquares += double(samples[i]) * samples[i];
                count += buffer.numsamples;
            }
            thread->ReleaseMarkChain(buffer.events);
            thread->ReturnDataBlock(buffer.data);
        }
        thread->RequestReset();
        EXPECT_TRUE(Eventually([&] { return thread->State() == kStateIdle; }));
        return std::sqrt(sumOfSquares / std::max<int64_t>(count, 1)) / kFullScale;
    }
};

TEST_F(PulseCaptureTest, TwoMicrophonesOfOneNameAreListedAsPAndP2) {
    std::vector<std::string> names;
    for (const NamedDevice& device : ListInputDevices(WinmmWaveIn())) names.push_back(device.Name);
    EXPECT_EQ(std::count(names.begin(), names.end(), kMicrophone), 1);
    EXPECT_EQ(std::count(names.begin(), names.end(), kSecondMicrophone), 1);
}

TEST_F(PulseCaptureTest, EachMicrophoneOfOneNameRecordsItsOwnSineAtItsLevel) {
    const double sines[] = {PULSE_TONE_LEVELS};
    const double second = RecordLevel(kSecondMicrophone);
    const double first = RecordLevel(kMicrophone);
    std::printf("RMS levels: %s %.5f, %s %.5f\n", kMicrophone.c_str(), first, kSecondMicrophone.c_str(), second);
    // The RMS of a sine is its amplitude divided by the square root of 2.
    auto matches = [](double level, double amplitude) {
        const double expected = amplitude / std::sqrt(2.0);
        return std::fabs(level - expected) <= expected * kLevelTolerance;
    };
    const bool inOrder = matches(second, sines[1]) && matches(first, sines[0]);
    const bool swapped = matches(second, sines[0]) && matches(first, sines[1]);
    EXPECT_TRUE(inOrder || swapped) << "the " << PULSE_TONE_HZ << " Hz sines at " << sines[0] << " and " << sines[1]
                                    << " of full scale, one in each microphone, within 1%";
    EXPECT_EQ(beeps.load(), 0);
}

TEST_F(PulseCaptureTest, RefusedFormatBeepsOnceAndGivesError) {
    ASSERT_TRUE(thread->RequestOpen(kSecondMicrophone, kRate, 24, kStereo));
    ASSERT_TRUE(Eventually([&] { return thread->State() == kStateError; }));
    EXPECT_EQ(beeps.load(), 1);
    EXPECT_EQ(thread->Device(), nullptr);
}

TEST_F(PulseCaptureTest, EmptyNameGivesErrorWithoutADeviceCall) {
    ASSERT_TRUE(thread->RequestOpen("", kRate, kBits, kStereo));
    ASSERT_TRUE(Eventually([&] { return thread->State() == kStateError; }));
    EXPECT_EQ(waveIn.calls.load(), 0);
}

}  // namespace
