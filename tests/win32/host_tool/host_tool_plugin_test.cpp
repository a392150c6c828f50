// A smoke run of the plug-in itself through the substitute host.
#include "host_tool_fixture.h"

namespace {

constexpr int kRate = 44100;
// What 19 Init/Quit cycles may add to private bytes: allocation noise, not a per-cycle leak.
constexpr double kCycleGrowthBound = 256 * 1024;

class HostToolWithPlugin : public HostTool {
protected:
    // The plug-in with a plug-in folder and INI file of the test's own (no other libraries).
    HostRun RunPlugin(int module, std::vector<std::string> extra) {
        std::vector<std::string> args = {PluginDllPath(), input, output, "--module", std::to_string(module),
                                         "--plugin-dir", folder, "--ini", ini};
        args.insert(args.end(), extra.begin(), extra.end());
        return RunHost(args, folder);
    }
};

TEST_F(HostToolWithPlugin, BypassModuleInitFailsWithoutMixInAndTheRunGoesOn) {
    const WavStream in = WriteTestWav(input, {2, kRate, 16, false}, kRate / 4);
    const HostRun run = RunPlugin(1, {"--fast"});
    ASSERT_EQ(run.ExitCode, 0) << Said(run);
    EXPECT_TRUE(Contains(run.Out, "module 1 \"Tidewell Bypass\"")) << run.Out;
    EXPECT_TRUE(Contains(run.Out, "init: returned 1 (failure; the host carries on")) << run.Out;
    EXPECT_EQ(ReadTestWav(output).Data, in.Data);
}

TEST_F(HostToolWithPlugin, MixInModulePlaysTheStreamThroughUnchangedWhileOff) {
    const WavStream in = WriteTestWav(input, {2, kRate, 16, false}, kRate / 2);
    const HostRun run = RunPlugin(0, {});
    ASSERT_EQ(run.ExitCode, 0) << Said(run);
    EXPECT_TRUE(Contains(run.Out, "module 0 \"Tidewell MixIn\"")) << run.Out;
    EXPECT_TRUE(Contains(run.Out, "init: returned 0")) << run.Out;
    EXPECT_EQ(ReadTestWav(output).Data, in.Data);
}

TEST_F(HostToolWithPlugin, MixInModuleGoesThroughInitQuitCyclesWhileBlocksFlow) {
    // Each cycle builds and takes down the settings file, the DSP stack, the capture thread
    // and the control window (about 200 ms under Wine), so the stream is long enough for all.
    WriteTestWav(input, {2, kRate, 16, false}, 8 * kRate);
    const HostRun run = RunPlugin(0, {"--cycles", "20"});
    ASSERT_EQ(run.ExitCode, 0) << Said(run);
    EXPECT_EQ(LineNumber(run.Out, "summary:", "cycles"), 20);
    EXPECT_EQ(LineNumber(run.Out, "summary:", "init_failures"), 0);
    EXPECT_LE(LineNumber(run.Out, "resources after-cycles:", "handles"),
              LineNumber(run.Out, "resources before-cycles:", "handles") + 2)
        << "no handle left behind by a cycle";
    // Private bytes flat from the first cycle on (its one-time costs aside): 19 cycles that
    // each kept 40 KB would grow by 760 KB.
    EXPECT_LE(LineNumber(run.Out, "resources after-cycles:", "private_bytes") -
                  LineNumber(run.Out, "resources after-first-cycle:", "private_bytes"),
              kCycleGrowthBound)
        << run.Out;
}

}  // namespace
