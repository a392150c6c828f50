#include "ui/remote_commands.h"

#include <gtest/gtest.h>

namespace {

TEST(RemoteCommandWords, PrefixMatchCaseSensitive) {
    EXPECT_EQ(MatchRemoteCommand("EnableBypass"), RemoteCommand::EnableBypass);
    EXPECT_EQ(MatchRemoteCommand("DisableBypassXYZ"), RemoteCommand::DisableBypass) << "anything may follow";
    EXPECT_EQ(MatchRemoteCommand(" EnableBypass"), RemoteCommand::None) << "nothing may come before";
    EXPECT_EQ(MatchRemoteCommand("enablebypass"), RemoteCommand::None);
    EXPECT_EQ(MatchRemoteCommand("RecThreadStats;"), RemoteCommand::RecThreadStats);
    EXPECT_EQ(MatchRemoteCommand("MixInStats"), RemoteCommand::MixInStats);
    EXPECT_EQ(MatchRemoteCommand("Pause"), RemoteCommand::Pause);
    EXPECT_EQ(MatchRemoteCommand("Start now"), RemoteCommand::Start);
    EXPECT_EQ(MatchRemoteCommand("RamPTT"), RemoteCommand::RamPTT);
}

TEST(RemoteCommandWords, EmptyShortAndUnknownTextsMatchNothing) {
    EXPECT_EQ(MatchRemoteCommand(""), RemoteCommand::None);
    EXPECT_EQ(MatchRemoteCommand("Paus"), RemoteCommand::None);
    EXPECT_EQ(MatchRemoteCommand("Stop"), RemoteCommand::None);
    EXPECT_EQ(MatchRemoteCommand(std::string_view("Pa\0se", 5)), RemoteCommand::None);
}

TEST(RecThreadStatsReply, TwentyFourLinesInOrder) {
    RecThreadStatsFacts facts;
    facts.StatusLine = "DataReady AvailBuffs: 5";
    facts.UtilWindow = 0x1A2B;
    facts.BuffSize = 88200;
    facts.DeviceName = "Monitor of Mic";
    facts.InQueueBuffersCount = 5;
    facts.UsedSamplesCount = -1;
    facts.ReadyBuffersCount = 20;
    facts.FRMSStatus = 42;
    for (int i = 0; i < kPeakHistorySlots; ++i) facts.RMSP[i] = i * 3;
    const std::string reply = RecThreadStatsReply(facts);

    std::string expected =
        "WaveInRecThread Stats:\r\n\tDataReady AvailBuffs: 5\r\n"
        "\tHWND: 0x00001A2B\r\n"
        "\tBuffSize: 88200\r\n"
        "\tDevice Name: Monitor of Mic\r\n"
        "\tInQueueBuffersCount: 5\r\n"
        "\tUsedSamplesCount: -1\r\n"
        "\tReadyBuffersCount: 20\r\n"
        "FRMSStatus: 42\r\n";
    for (int i = 0; i < kPeakHistorySlots; ++i) expected += "RMSP[" + std::to_string(i) + "]: " + std::to_string(i * 3) + "\r\n";
    EXPECT_EQ(reply, expected);
    size_t lines = 0;
    for (size_t at = reply.find("\r\n"); at != std::string::npos; at = reply.find("\r\n", at + 2)) ++lines;
    EXPECT_EQ(lines, 24u);
}

}  // namespace
