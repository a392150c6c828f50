#include "host_options.h"

#include <gtest/gtest.h>

namespace {

HostOptionsResult Parse(std::vector<std::string> args) { return ParseHostOptions(args); }

TEST(HostOptions, LibraryAndInputAloneGiveTheHostDefaults) {
    const HostOptionsResult r = Parse({"dsp.dll", "in.wav"});
    ASSERT_EQ(r.Error, "");
    EXPECT_EQ(r.Options.Library, "dsp.dll");
    EXPECT_EQ(r.Options.InputWav, "in.wav");
    EXPECT_EQ(r.Options.OutputWav, "");
    EXPECT_EQ(r.Options.ModuleIndex, 0);
    EXPECT_EQ(r.Options.BlockFrames, 576);
    EXPECT_FALSE(r.Options.Fast);
    EXPECT_LT(r.Options.ConfigCloseAfter, 0);
    EXPECT_EQ(r.Options.Cycles, 0);
}

TEST(HostOptions, OptionsMayStandAnywhereAndTakeTheirValueEitherWay) {
    const HostOptionsResult r =
        Parse({"--module", "-1", "dsp.dll", "--block=100", "in.wav", "--fast", "out.wav", "--cycles", "200",
               "--cycle-every=3", "--plugin-dir", "C:\\P", "--ini=C:\\w.ini", "--config-close-after", "0.5"});
    ASSERT_EQ(r.Error, "");
    EXPECT_EQ(r.Options.ModuleIndex, -1);  // passed on: the library answers whether it exists
    EXPECT_EQ(r.Options.BlockFrames, 100);
    EXPECT_EQ(r.Options.OutputWav, "out.wav");
    EXPECT_TRUE(r.Options.Fast);
    EXPECT_EQ(r.Options.Cycles, 200);
    EXPECT_EQ(r.Options.CycleEvery, 3);
    EXPECT_EQ(r.Options.PluginDir, "C:\\P");
    EXPECT_EQ(r.Options.IniFile, "C:\\w.ini");
    EXPECT_DOUBLE_EQ(r.Options.ConfigCloseAfter, 0.5);
}

TEST(HostOptions, HoldsAndConfigCallsKeepTheirKindTimesAndOrder) {
    const HostOptionsResult r =
        Parse({"d.dll", "i.wav", "--stop", "2:1.5", "--pause", "0.25:0.5", "--config-at", "1"});
    ASSERT_EQ(r.Error, "");
    ASSERT_EQ(r.Options.Actions.size(), 3u);
    EXPECT_EQ(r.Options.Actions[0].Kind, StreamActionKind::Stop);
    EXPECT_DOUBLE_EQ(r.Options.Actions[0].AtSeconds, 2);
    EXPECT_DOUBLE_EQ(r.Options.Actions[0].ForSeconds, 1.5);
    EXPECT_EQ(r.Options.Actions[1].Kind, StreamActionKind::Pause);
    EXPECT_DOUBLE_EQ(r.Options.Actions[1].AtSeconds, 0.25);
    EXPECT_EQ(r.Options.Actions[2].Kind, StreamActionKind::Config);
    EXPECT_DOUBLE_EQ(r.Options.Actions[2].AtSeconds, 1);
}

TEST(HostOptions, PlayerPaceTakesItsBufferAndPollPeriodAndSeeksJoinTheActions) {
    const HostOptionsResult r = Parse({"d.dll", "i.wav", "--pace", "player:500", "--seek", "5", "--seek=1.5",
                                       "--log-bursts"});
    ASSERT_EQ(r.Error, "");
    EXPECT_EQ(r.Options.Pace.OutputMs, 500);
    EXPECT_EQ(r.Options.Pace.PollMs, 10);
    EXPECT_TRUE(r.Options.LogBursts);
    ASSERT_EQ(r.Options.Actions.size(), 2u);
    EXPECT_EQ(r.Options.Actions[1].Kind, StreamActionKind::Seek);
    EXPECT_DOUBLE_EQ(r.Options.Actions[1].AtSeconds, 1.5);

    const HostOptionsResult polled = Parse({"d.dll", "i.wav", "--pace=player:2000:30"});
    ASSERT_EQ(polled.Error, "");
    EXPECT_EQ(polled.Options.Pace.OutputMs, 2000);
    EXPECT_EQ(polled.Options.Pace.PollMs, 30);
    EXPECT_EQ(Parse({"d.dll", "i.wav"}).Options.Pace.OutputMs, 0);  // evenly paced
}

TEST(HostOptions, APlayerOutputBufferMustHoldAWholeBlockOfTheStream) {
    const HostOptions tiny = Parse({"d.dll", "i.wav", "--pace", "player:13"}).Options;  // 573 frames
    EXPECT_NE(CheckOptionsAgainstStream(tiny, 44100).find("holds less than one block (576 frames at 44100 Hz)"),
              std::string::npos);
    EXPECT_EQ(CheckOptionsAgainstStream(tiny, 48000), "");  // 624 frames
    EXPECT_EQ(CheckOptionsAgainstStream(Parse({"d.dll", "i.wav"}).Options, 8000), "");
}

TEST(HostOptions, HelpWinsOverMissingArguments) {
    for (const char* help : {"--help", "-h", "/?"}) {
        const HostOptionsResult r = Parse({help});
        EXPECT_TRUE(r.Options.Help) << help;
        EXPECT_EQ(r.Error, "") << help;
    }
    EXPECT_NE(std::string(HostUsageText()).find("Usage: tidewell-host"), std::string::npos);
}

TEST(HostOptions, BadCommandLinesSayWhatIsWrong) {
    struct Case {
        std::vector<std::string> Args;
        const char* Expected;
    };
    const Case cases[] = {
        {{}, "missing LIBRARY and INPUT.wav"},
        {{"d.dll"}, "missing LIBRARY and INPUT.wav"},
        {{"d.dll", "i.wav", "o.wav", "x"}, "too many arguments: x"},
        {{"d.dll", "i.wav", "--bogus"}, "unknown option --bogus"},
        {{"d.dll", "i.wav", "--fastest"}, "unknown option --fastest"},
        {{"d.dll", "i.wav", "--block"}, "--block needs a value"},
        {{"d.dll", "i.wav", "--block", "0"}, "--block: frames must be"},
        {{"d.dll", "i.wav", "--block", "12x"}, "--block: frames must be"},
        {{"d.dll", "i.wav", "--module", "one"}, "--module: not a whole number"},
        {{"d.dll", "i.wav", "--pause", "1"}, "--pause: expected AT:FOR"},
        {{"d.dll", "i.wav", "--stop", "1:-2"}, "--stop: expected AT:FOR"},
        {{"d.dll", "i.wav", "--pause", "1,5:2"}, "--pause: expected AT:FOR"},
        {{"d.dll", "i.wav", "--config-at", "soon"}, "--config-at: not a time"},
        {{"d.dll", "i.wav", "--cycles", "-1"}, "--cycles: not a count"},
        {{"d.dll", "i.wav", "--cycle-every", "0"}, "--cycle-every: blocks must be"},
        {{"d.dll", "i.wav", "--pace", "player:0"}, "--pace: expected player:OUT_MS[:POLL_MS]"},
        {{"d.dll", "i.wav", "--pace", "player:abc"}, "--pace: expected player:OUT_MS[:POLL_MS]"},
        {{"d.dll", "i.wav", "--pace", "player:500:0"}, "--pace: expected player:OUT_MS[:POLL_MS]"},
        {{"d.dll", "i.wav", "--pace", "500"}, "--pace: expected player:OUT_MS[:POLL_MS]"},
        {{"d.dll", "i.wav", "--pace", "player:500", "--fast"}, "--pace and --fast exclude each other"},
        {{"d.dll", "i.wav", "--pace", "player:500", "--seek", "-1"}, "--seek: not a time"},
        {{"d.dll", "i.wav", "--seek", "5"}, "--seek needs --pace player"},
        {{"d.dll", "i.wav", "--log-bursts"}, "--log-bursts needs --pace player"},
    };
    for (const Case& c : cases) {
        const HostOptionsResult r = Parse(c.Args);
        EXPECT_NE(r.Error.find(c.Expected), std::string::npos) << "got: " << r.Error;
    }
}

}  // namespace
