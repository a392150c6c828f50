// The substitute host as a module sees it: the window-message answers, the thread split,
// real-time pacing, held play states, Config calls and Init/Quit cycles.
#include <algorithm>

#include "host_tool_fixture.h"

namespace {

constexpr int kRate = 44100;
constexpr int kBlockFrames = 576;

// The distinct play states the probe saw, in order, with the time each began.
struct StateSpan {
    long long State;
    double Start;
};

std::vector<StateSpan> PlayStates(const std::vector<ProbeEntry>& log) {
    std::vector<StateSpan> spans;
    for (const ProbeEntry& e : EntriesOf(log, "state")) {
        const long long state = e.Number("play");
        if (spans.empty() || spans.back().State != state) spans.push_back({state, e.Time()});
    }
    return spans;
}

std::vector<double> BlockTimes(const std::vector<ProbeEntry>& log) {
    std::vector<double> times;
    for (const ProbeEntry& e : EntriesOf(log, "block")) times.push_back(e.Time());
    return times;
}

long long BlocksBetween(const std::vector<double>& blocks, double from, double to) {
    return std::count_if(blocks.begin(), blocks.end(), [&](double t) { return t > from && t < to; });
}

TEST_F(HostTool, TheMainWindowAnswersTheHostQuestions) {
    WriteTestWav(input, {2, kRate, 16, false}, kBlockFrames);
    const HostRun run = RunProbe(kHalfVolume, {"--fast", "--plugin-dir", folder});
    ASSERT_EQ(run.ExitCode, 0) << Said(run);
    const auto inits = EntriesOf(Log(), "init");
    ASSERT_EQ(inits.size(), 1u);
    const ProbeEntry& init = inits[0];
    EXPECT_EQ(init.Fields.at("parent_class"), "Winamp v1.x");
    EXPECT_EQ(init.Fields.at("playlist"), "Winamp PE");
    EXPECT_EQ(init.Fields.at("eq"), "(null)");
    EXPECT_EQ(init.Fields.at("browser"), "(null)");
    EXPECT_EQ(init.Fields.at("ini"), ini);
    EXPECT_EQ(init.Fields.at("plugins"), folder);
    EXPECT_EQ(init.Number("dialog_parent_is_parent"), 1);
    EXPECT_EQ(init.Number("unknown_answer"), 1);
    EXPECT_EQ(init.Number("instance_ok"), 1);
    EXPECT_EQ(init.Number("play"), 0);  // Init comes before playback starts
}

TEST_F(HostTool, ThePluginFolderDefaultsToTheLibrarysFolderAndTheIniFileToTheFolderAbove) {
    WriteTestWav(input, {2, kRate, 16, false}, kBlockFrames);
    const HostRun run = RunHost({Probe(), input, "--fast"}, folder);
    ASSERT_EQ(run.ExitCode, 0) << Said(run);
    const std::string fixtures = FixturePath("");
    const std::string pluginFolder = fixtures.substr(0, fixtures.size() - 1);
    EXPECT_TRUE(Contains(run.Out, "plug-in folder " + pluginFolder + ",")) << run.Out;
    EXPECT_TRUE(Contains(run.Out, "INI file " + TestProgramFolder() + "\\winamp.ini")) << run.Out;
}

TEST_F(HostTool, RealTimePacingTakesTheStreamsDuration) {
    WriteTestWav(input, {2, kRate, 16, false}, kRate);
    const HostRun run = RunProbe(kHalfVolume);
    ASSERT_EQ(run.ExitCode, 0) << Said(run);
    const double played = LineNumber(run.Out, "summary:", "play_seconds");
    EXPECT_GE(played, 0.97);
    EXPECT_LE(played, 1.6);
    const auto blocks = BlockTimes(Log());
    ASSERT_EQ(blocks.size(), static_cast<size_t>((kRate + kBlockFrames - 1) / kBlockFrames));
    // The last block starts one second minus its own length after the first.
    const double lastStart = static_cast<double>(kRate / kBlockFrames * kBlockFrames) / kRate;
    EXPECT_NEAR((blocks.back() - blocks.front()) / 1000.0, lastStart, 0.1);
}

TEST_F(HostTool, FastRunsDoNotWaitForTheClock) {
    WriteTestWav(input, {2, kRate, 16, false}, 10 * kRate);
    const HostRun run = RunProbe(kHalfVolume, {"--fast"});
    ASSERT_EQ(run.ExitCode, 0) << Said(run);
    EXPECT_LT(LineNumber(run.Out, "summary:", "play_seconds"), 5);  // half the stream's duration
}

TEST_F(HostTool, PausedAndStoppedSpansHoldThePlayStateAndTheBlocks) {
    const WavStream in = WriteTestWav(input, {2, kRate, 16, false}, kRate);
    const HostRun run = RunProbe(kHalfVolume, {"--pause", "0.3:0.4", "--stop", "0.6:0.3"});
    ASSERT_EQ(run.ExitCode, 0) << Said(run);
    EXPECT_TRUE(Contains(run.Out, "pause: at stream 0.300 s for 0.400 s (play state 3)")) << run.Out;
    EXPECT_TRUE(Contains(run.Out, "stop: at stream 0.600 s for 0.300 s (play state 0)")) << run.Out;

    const auto log = Log();
    const auto states = PlayStates(log);
    std::vector<long long> order;
    for (const StateSpan& s : states) order.push_back(s.State);
    ASSERT_EQ(order, (std::vector<long long>{0, 1, 3, 1, 0, 1, 0})) << Said(run);

    // Nothing reached the module while paused or stopped, and each hold lasted its span.
    const auto blocks = BlockTimes(log);
    const double pauseMs = states[3].Start - states[2].Start;
    const double stopMs = states[5].Start - states[4].Start;
    EXPECT_NEAR(pauseMs, 400, 100);
    EXPECT_NEAR(stopMs, 300, 100);
    EXPECT_EQ(BlocksBetween(blocks, states[2].Start, states[3].Start - 20), 0);
    EXPECT_EQ(BlocksBetween(blocks, states[4].Start, states[5].Start - 20), 0);

    // Holding drops nothing: every frame still comes out, processed.
    const WavStream out = ReadTestWav(output);
    ASSERT_EQ(out.Frames, in.Frames);
    for (size_t i = 0; i < SampleCount(in); ++i) ASSERT_EQ(SampleAt(out, i), SampleAt(in, i) / 2) << i;
}

TEST_F(HostTool, HoldsLastTheirWallTimeAlsoWhenRunningFast) {
    WriteTestWav(input, {2, kRate, 16, false}, kRate);
    const HostRun run = RunProbe(kHalfVolume, {"--fast", "--pause", "0.5:0.3"});
    ASSERT_EQ(run.ExitCode, 0) << Said(run);
    // Running fast, the probe's 5 ms poll may miss the short playing spans, not the pause.
    const auto states = PlayStates(Log());
    const auto paused = std::find_if(states.begin(), states.end(), [](const StateSpan& s) { return s.State == 3; });
    ASSERT_NE(paused, states.end()) << Said(run);
    ASSERT_NE(paused + 1, states.end());
    EXPECT_NEAR((paused + 1)->Start - paused->Start, 300, 100);
}

TEST_F(HostTool, ConfigRunsOnTheWindowThreadWhileBlocksKeepFlowing) {
    WriteTestWav(input, {2, kRate, 16, false}, kRate);
    const HostRun run = RunProbe(kConfigBox, {"--config-at", "0.2", "--config-close-after", "0.4"});
    ASSERT_EQ(run.ExitCode, 0) << Said(run);
    EXPECT_TRUE(Contains(run.Out, "config: returned after")) << run.Out;

    const auto log = Log();
    const auto configs = EntriesOf(log, "config");
    ASSERT_EQ(configs.size(), 2u);
    ASSERT_TRUE(configs[0].Has("begin"));
    ASSERT_TRUE(configs[1].Has("end"));
    const double openMs = configs[1].Time() - configs[0].Time();
    EXPECT_GE(openMs, 390);
    EXPECT_LT(openMs, 700);
    // The playback thread did not wait for the modal box: blocks kept coming in real time.
    EXPECT_GE(BlocksBetween(BlockTimes(log), configs[0].Time(), configs[1].Time()), 20);

    const auto init = EntriesOf(log, "init").at(0);
    const auto quit = EntriesOf(log, "quit").at(0);
    EXPECT_EQ(configs[0].Fields.at("thread"), init.Fields.at("thread"));
    EXPECT_EQ(quit.Fields.at("thread"), init.Fields.at("thread"));
    const auto blocks = EntriesOf(log, "block");
    ASSERT_FALSE(blocks.empty());
    for (const ProbeEntry& b : blocks) {
        EXPECT_EQ(b.Fields.at("thread"), blocks[0].Fields.at("thread"));
        EXPECT_NE(b.Fields.at("thread"), init.Fields.at("thread"));
    }
}

TEST_F(HostTool, AConfigBoxStillOpenWhenTheStreamEndsIsClosed) {
    WriteTestWav(input, {2, kRate, 16, false}, kRate / 2);
    const HostRun run = RunProbe(kConfigBox, {"--fast", "--config-at", "0"});
    ASSERT_EQ(run.ExitCode, 0) << Said(run);
    const auto configs = EntriesOf(Log(), "config");
    ASSERT_EQ(configs.size(), 2u);
    EXPECT_TRUE(configs[1].Has("end"));
    EXPECT_LT(run.Seconds, 20);
}

TEST_F(HostTool, AConfigDueWhileAnotherIsOpenIsCalledInsideIt) {
    WriteTestWav(input, {2, kRate, 16, false}, kRate * 6 / 10);
    const HostRun run =
        RunProbe(kConfigBox, {"--config-at", "0.1", "--config-at", "0.2", "--config-close-after", "0.3"});
    ASSERT_EQ(run.ExitCode, 0) << Said(run);
    EXPECT_TRUE(Contains(run.Out, "config: called while an earlier Config is open")) << run.Out;
    const auto configs = EntriesOf(Log(), "config");
    ASSERT_EQ(configs.size(), 4u);
    EXPECT_TRUE(configs[0].Has("begin"));
    EXPECT_TRUE(configs[1].Has("begin"));  // the second call came before the first returned
    EXPECT_EQ(LineNumber(run.Out, "summary:", "config_calls"), 2);
}

TEST_F(HostTool, InitQuitCyclesRunBetweenBlocksAndNeverDuringOne) {
    const WavStream in = WriteTestWav(input, {2, kRate, 16, false}, kRate);
    const HostRun run = RunProbe(kHalfVolume, {"--cycles", "20", "--cycle-every", "2"});
    ASSERT_EQ(run.ExitCode, 0) << Said(run);
    EXPECT_EQ(LineNumber(run.Out, "summary:", "cycles"), 20);
    // The host's own part of a cycle leaks nothing: the probe keeps nothing between cycles.
    const double handlesBefore = LineNumber(run.Out, "resources before-cycles:", "handles");
    const double privateBefore = LineNumber(run.Out, "resources before-cycles:", "private_bytes");
    EXPECT_GT(handlesBefore, 0);
    EXPECT_GT(privateBefore, 0);
    EXPECT_LE(LineNumber(run.Out, "resources after-cycles:", "handles") - handlesBefore, 2) << run.Out;
    EXPECT_LE(LineNumber(run.Out, "resources after-cycles:", "private_bytes") - privateBefore, 256 * 1024) << run.Out;

    const auto log = Log();
    std::string order;
    for (const ProbeEntry& e : log) {
        if (e.Kind == "init") order += 'I';
        if (e.Kind == "quit") order += 'Q';
        if (e.Kind == "block") {
            EXPECT_EQ(e.Number("initialised"), 1);
            EXPECT_EQ(e.Number("overlap"), 0);
        }
    }
    std::string expected;
    for (int i = 0; i < 21; ++i) expected += "IQ";
    EXPECT_EQ(order, expected);

    // Each block came out either processed or, while a cycle ran, untouched.
    const WavStream out = ReadTestWav(output);
    ASSERT_EQ(out.Frames, in.Frames);
    const size_t blockSamples = kBlockFrames * 2;
    long long processed = 0, untouched = 0;
    for (size_t start = 0; start < SampleCount(in); start += blockSamples) {
        const size_t end = std::min(SampleCount(in), start + blockSamples);
        bool halved = true, same = true;
        for (size_t i = start; i < end; ++i) {
            halved = halved && SampleAt(out, i) == SampleAt(in, i) / 2;
            same = same && SampleAt(out, i) == SampleAt(in, i);
        }
        ASSERT_TRUE(halved || same) << "block at sample " << start;
        processed += halved ? 1 : 0;
        untouched += halved ? 0 : 1;
    }
    EXPECT_EQ(processed, static_cast<long long>(EntriesOf(log, "block").size()));
    EXPECT_EQ(untouched, LineNumber(run.Out, "summary:", "unprocessed"));
    EXPECT_GE(untouched, 20);
}

TEST_F(HostTool, AStreamTooShortForTheCyclesEndsWithExitCode7) {
    WriteTestWav(input, {2, kRate, 16, false}, kRate / 10);
    const HostRun run = RunProbe(kHalfVolume, {"--fast", "--cycles", "50"});
    EXPECT_EQ(run.ExitCode, 7) << Said(run);
    EXPECT_TRUE(Contains(run.Err, "Init/Quit cycles")) << run.Err;
}

}  // namespace
