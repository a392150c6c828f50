// The stream through the substitute host: every sample reaches the module and comes back
// into the output file exactly, in every format a module can be handed.
#include "host_tool_fixture.h"

namespace {

constexpr int kSecondOfFrames = 44100;

void ExpectEverySampleHalved(const WavStream& in, const WavStream& out) {
    ASSERT_EQ(out.Frames, in.Frames);
    EXPECT_EQ(out.FormatChunk, in.FormatChunk);
    const size_t count = SampleCount(in);
    size_t wrong = 0;
    for (size_t i = 0; i < count; ++i) {
        if (SampleAt(out, i) != Halved(SampleAt(in, i), in.Format.BitsPerSample) && wrong++ < 5) {
            ADD_FAILURE() << "sample " << i << ": in " << SampleAt(in, i) << ", out " << SampleAt(out, i);
        }
    }
    EXPECT_EQ(wrong, 0u);
}

TEST_F(HostTool, HalvingModuleHalvesEverySampleExactly) {
    const WavStream in = WriteTestWav(input, {2, 44100, 16, false}, kSecondOfFrames);
    const HostRun run = RunProbe(kHalfVolume, {"--fast"});
    ASSERT_EQ(run.ExitCode, 0) << Said(run);
    ExpectEverySampleHalved(in, ReadTestWav(output));
    EXPECT_EQ(LineNumber(run.Out, "summary:", "blocks"), (kSecondOfFrames + 575) / 576);
    EXPECT_EQ(LineNumber(run.Out, "summary:", "processed"), (kSecondOfFrames + 575) / 576);
}

TEST_F(HostTool, EverySampleWidthAndChannelCountPassesThroughTheModule) {
    const TestStreamFormat formats[] = {
        {1, 8000, 8, false}, {3, 48000, 24, true}, {6, 22050, 32, true}, {2, 96000, 24, false}};
    for (const TestStreamFormat& format : formats) {
        SCOPED_TRACE(std::to_string(format.Bits) + " bits, " + std::to_string(format.Channels) + " channels");
        const WavStream in = WriteTestWav(input, format, 3000);
        const HostRun run = RunProbe(kHalfVolume, {"--fast"});
        ASSERT_EQ(run.ExitCode, 0) << Said(run);
        ExpectEverySampleHalved(in, ReadTestWav(output));
        const auto blocks = EntriesOf(Log(), "block");
        ASSERT_FALSE(blocks.empty());
        EXPECT_EQ(blocks.back().Number("bps"), format.Bits);
        EXPECT_EQ(blocks.back().Number("nch"), format.Channels);
        EXPECT_EQ(blocks.back().Number("srate"), format.SampleRate);
        DeleteFileA((ini + ".probe.log").c_str());
    }
}

TEST_F(HostTool, TheModuleGetsBlocksOfTheChosenSizeAndMayFillTwiceTheirFrames) {
    const int frames = 1050;  // ten blocks of 100 and one of 50
    const WavStream in = WriteTestWav(input, {2, 44100, 16, false}, frames);
    const HostRun run = RunProbe(kStretch, {"--fast", "--block", "100"});
    ASSERT_EQ(run.ExitCode, 0) << Said(run);
    EXPECT_EQ(LineNumber(run.Out, "summary:", "room_overruns"), 0);

    const auto blocks = EntriesOf(Log(), "block");
    ASSERT_EQ(blocks.size(), 11u);
    for (size_t i = 0; i < 10; ++i) EXPECT_EQ(blocks[i].Number("n"), 100);
    EXPECT_EQ(blocks[10].Number("n"), 50);

    // The module doubled every frame into the room; the host kept all of it.
    const WavStream out = ReadTestWav(output);
    ASSERT_EQ(out.Frames, 2 * frames);
    const int nch = in.Format.Channels;
    for (int frame = 0; frame < frames; ++frame) {
        for (int c = 0; c < nch; ++c) {
            ASSERT_EQ(SampleAt(out, (2 * frame) * nch + c), SampleAt(in, frame * nch + c)) << frame;
            ASSERT_EQ(SampleAt(out, (2 * frame + 1) * nch + c), SampleAt(in, frame * nch + c)) << frame;
        }
    }
}

TEST_F(HostTool, AnEmptyStreamStillInitialisesAndQuitsTheModule) {
    WriteTestWav(input, {2, 44100, 16, false}, 0);
    const HostRun run = RunProbe(kHalfVolume, {"--fast"});
    ASSERT_EQ(run.ExitCode, 0) << Said(run);
    EXPECT_EQ(ReadTestWav(output).Frames, 0);
    const auto log = Log();
    EXPECT_EQ(EntriesOf(log, "init").size(), 1u);
    EXPECT_EQ(EntriesOf(log, "quit").size(), 1u);
    EXPECT_TRUE(EntriesOf(log, "block").empty());
}

}  // namespace
