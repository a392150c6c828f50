// What the substitute host says and which exit code it gives when the stream, the library
// or the module is at fault; and that it contains a module's faults as the player does.
#include <fstream>

#include "host_tool_fixture.h"

namespace {

constexpr int kRate = 44100;

// Little-endian helpers for hand-made (and broken) RIFF files.
std::string U16(unsigned v) { return {static_cast<char>(v), static_cast<char>(v >> 8)}; }
std::string U32(unsigned v) { return U16(v & 0xFFFF) + U16(v >> 16); }
std::string Chunk(const std::string& id, const std::string& data) {
    return id + U32(static_cast<unsigned>(data.size())) + data + (data.size() % 2 ? std::string(1, '\0') : "");
}
std::string Fmt(unsigned tag, unsigned channels, unsigned bits) {
    const unsigned align = channels * bits / 8;
    return U16(tag) + U16(channels) + U32(kRate) + U32(kRate * align) + U16(align) + U16(bits);
}
std::string Riff(const std::string& chunks) { return "RIFF" + U32(static_cast<unsigned>(chunks.size() + 4)) + "WAVE" + chunks; }

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

TEST_F(HostTool, InputsThatAreNotAPlayablePcmWaveEndWithExitCode3) {
    const std::string samples(64, '\x10');
    struct Case {
        const char* Name;
        std::string Bytes;
        const char* Message;
    };
    const Case cases[] = {
        {"empty", "", "is not a RIFF WAVE file"},
        {"text", "hello, I am not a sound file at all", "is not a RIFF WAVE file"},
        {"avi", "RIFF" + U32(4) + "AVI ", "is not a RIFF WAVE file"},
        {"no-fmt", Riff(Chunk("data", samples)), "has no 'fmt ' chunk"},
        {"no-data", Riff(Chunk("fmt ", Fmt(1, 2, 16))), "has no 'data' chunk"},
        {"truncated", Riff(Chunk("fmt ", Fmt(1, 2, 16)) + "data" + U32(100000) + samples), "is truncated"},
        {"float", Riff(Chunk("fmt ", Fmt(3, 2, 32)) + Chunk("data", samples)), "format tag 0x0003 is not integer PCM"},
        {"12-bit", Riff(Chunk("fmt ", Fmt(1, 1, 12)) + Chunk("data", samples)), "12 bits per sample"},
        {"short-fmt", Riff(Chunk("fmt ", Fmt(1, 2, 16).substr(0, 12)) + Chunk("data", samples)), "fewer than the 16"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        WriteBytes(input, c.Bytes);
        const HostRun run = RunProbe(kHalfVolume, {"--fast"});
        EXPECT_EQ(run.ExitCode, 3) << Said(run);
        EXPECT_TRUE(Contains(run.Err, c.Message)) << run.Err;
        EXPECT_FALSE(FileExists(output));
        EXPECT_TRUE(Log().empty());  // refused before the library was touched
    }
    DeleteFileA(input.c_str());
    const HostRun missing = RunProbe(kHalfVolume, {"--fast"});
    EXPECT_EQ(missing.ExitCode, 3) << Said(missing);
    EXPECT_TRUE(Contains(missing.Err, "cannot open " + input)) << missing.Err;
}

TEST_F(HostTool, ChunksInAnyOrderAndExtraChunksAreRead) {
    const std::string samples = U16(100) + U16(static_cast<unsigned>(-100)) + U16(7) + U16(static_cast<unsigned>(-7));
    WriteBytes(input, Riff(Chunk("LIST", "INFOjunk") + Chunk("data", samples) + Chunk("fmt ", Fmt(1, 2, 16))));
    const HostRun run = RunProbe(kHalfVolume, {"--fast"});
    ASSERT_EQ(run.ExitCode, 0) << Said(run);
    const WavStream out = ReadTestWav(output);
    ASSERT_EQ(out.Frames, 2);
    EXPECT_EQ(SampleAt(out, 0), 50);
    EXPECT_EQ(SampleAt(out, 1), -50);
    EXPECT_EQ(SampleAt(out, 2), 3);
    EXPECT_EQ(SampleAt(out, 3), -3);
}

TEST_F(HostTool, APartialLastFrameIsDroppedWithAWarning) {
    WriteBytes(input, Riff(Chunk("fmt ", Fmt(1, 2, 16)) + Chunk("data", std::string(4 * 10 + 3, '\x02'))));
    const HostRun run = RunProbe(kHalfVolume, {"--fast"});
    ASSERT_EQ(run.ExitCode, 0) << Said(run);
    EXPECT_TRUE(Contains(run.Err, "dropped a partial last frame of 3 bytes")) << run.Err;
    EXPECT_EQ(ReadTestWav(output).Frames, 10);
}

TEST_F(HostTool, LibrariesTheHostCannotUseEndWithExitCode4) {
    WriteTestWav(input, {2, kRate, 16, false}, 100);
    struct Case {
        std::string Library;
        std::string Module;
        std::string Message;
    };
    const Case cases[] = {
        {folder + "\\no_such.dll", "0", "cannot load " + folder + "\\no_such.dll"},
        {FixturePath("hostfix_noentry.dll"), "0", "has no winampDSPGetHeader2 entry point"},
        {FixturePath("hostfix_nullheader.dll"), "0", "returned no header"},
        {FixturePath("hostfix_badversion.dll"), "0", "has version 0x00000010, this host takes 0x00000020"},
        {Probe(), "9", "module index 9 is out of range: " + Probe() + " has 9 modules (0 to 8)"},
        {Probe(), "-1", "module index -1 is out of range"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Library + " module " + c.Module);
        const HostRun run = RunHost({c.Library, input, output, "--module", c.Module, "--ini", ini, "--fast"}, folder);
        EXPECT_EQ(run.ExitCode, 4) << Said(run);
        EXPECT_TRUE(Contains(run.Err, c.Message)) << run.Err;
        EXPECT_FALSE(FileExists(output));
    }
}

TEST_F(HostTool, CommandLineMistakesEndWithExitCode2AndHelpWithExitCode0) {
    const HostRun wrong = RunHost({Probe(), input, "--block", "0"}, folder);
    EXPECT_EQ(wrong.ExitCode, 2) << Said(wrong);
    EXPECT_TRUE(Contains(wrong.Err, "--block: frames must be")) << wrong.Err;
    const HostRun help = RunHost({"--help"}, folder);
    EXPECT_EQ(help.ExitCode, 0) << Said(help);
    EXPECT_TRUE(Contains(help.Out, "Usage: tidewell-host")) << help.Out;
    EXPECT_TRUE(Contains(help.Out, "Exit codes:")) << help.Out;
}

TEST_F(HostTool, AnOutputThatCannotBeWrittenEndsWithExitCode5) {
    WriteTestWav(input, {2, kRate, 16, false}, 100);
    const HostRun run =
        RunHost({Probe(), input, folder + "\\missing\\out.wav", "--ini", ini, "--fast"}, folder);
    EXPECT_EQ(run.ExitCode, 5) << Said(run);
    EXPECT_TRUE(Contains(run.Err, "cannot create " + folder + "\\missing\\out.wav")) << run.Err;
    EXPECT_EQ(EntriesOf(Log(), "quit").size(), 1u);  // the module had its whole run
}

TEST_F(HostTool, AModuleWritingPastItsRoomIsCaught) {
    WriteTestWav(input, {2, kRate, 16, false}, 2000);
    const HostRun run = RunProbe(kOverrun, {"--fast"});
    EXPECT_EQ(run.ExitCode, 6) << Said(run);
    EXPECT_TRUE(Contains(run.Err, "wrote past the room of twice the block's frames at block 0")) << run.Err;
    EXPECT_EQ(LineNumber(run.Out, "summary:", "room_overruns"), 4);
}

TEST_F(HostTool, FrameCountsOutsideHalfToTwiceAreBoundedToTheRoomAndReported) {
    WriteTestWav(input, {2, kRate, 16, false}, 1000);
    const HostRun run = RunProbe(kGreedy, {"--fast", "--block", "500"});
    EXPECT_EQ(run.ExitCode, 6) << Said(run);
    EXPECT_TRUE(Contains(run.Err, "ModifySamples answered 2000 frames for a block of 500 at block 0")) << run.Err;
    EXPECT_EQ(ReadTestWav(output).Frames, 2000);  // twice each block, no more
}

TEST_F(HostTool, AnAccessViolationInQuitIsContainedAndTheLibraryStillUnloaded) {
    WriteTestWav(input, {2, kRate, 16, false}, 1000);
    const HostRun run = RunProbe(kFaultingQuit, {"--fast"});
    EXPECT_EQ(run.ExitCode, 6) << Said(run);
    EXPECT_TRUE(Contains(run.Err, "Quit faulted with exception 0xC0000005; contained")) << run.Err;
    EXPECT_TRUE(Contains(run.Out, "unload: done")) << run.Out;
    EXPECT_EQ(ReadTestWav(output).Frames, 1000);
}

TEST_F(HostTool, AForeignCppExceptionInQuitIsContained) {
    WriteTestWav(input, {2, kRate, 16, false}, 1000);
    const HostRun run = RunProbe(kRaisingQuit, {"--fast"});
    EXPECT_EQ(run.ExitCode, 6) << Said(run);
    EXPECT_TRUE(Contains(run.Err, "Quit faulted with exception 0xE06D7363; contained")) << run.Err;
    EXPECT_TRUE(Contains(run.Out, "unload: done")) << run.Out;
}

TEST_F(HostTool, AFaultInModifySamplesEndsThePlaybackInOrder) {
    WriteTestWav(input, {2, kRate, 16, false}, 576 * 5);
    const HostRun run = RunProbe(kFaultingBlock, {"--fast"});
    EXPECT_EQ(run.ExitCode, 6) << Said(run);
    EXPECT_TRUE(Contains(run.Err, "ModifySamples faulted with exception 0xC0000005 at block 2")) << run.Err;
    EXPECT_EQ(ReadTestWav(output).Frames, 2 * 576);  // what was played before the fault
    EXPECT_TRUE(EntriesOf(Log(), "quit").empty());   // a faulted module is not called again
}

TEST_F(HostTool, AFailingInitIsReportedAndTheRunGoesOnAsThePlayersDoes) {
    WriteTestWav(input, {2, kRate, 16, false}, 1000);
    const HostRun run = RunProbe(kFailingInit, {"--fast"});
    EXPECT_EQ(run.ExitCode, 0) << Said(run);
    EXPECT_TRUE(Contains(run.Out, "init: returned 1 (failure; the host carries on")) << run.Out;
    EXPECT_EQ(LineNumber(run.Out, "summary:", "init_failures"), 1);
    EXPECT_EQ(EntriesOf(Log(), "block").size(), 2u);
}

}  // namespace
