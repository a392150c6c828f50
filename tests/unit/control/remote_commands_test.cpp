#include "control/remote_commands.h"

#include "core/mix_state.h"
#include "control/control_state_json.h"
#include "control/remote_control_words.h"

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
    EXPECT_EQ(MatchRemoteCommand("RamPTT"), RemoteCommand::RamPTT) << "RamPTT is not PTT";
    EXPECT_EQ(MatchRemoteCommand("SetMode Auto"), RemoteCommand::SetMode);
    EXPECT_EQ(MatchRemoteCommand("PTT Down"), RemoteCommand::PushToTalk);
    EXPECT_EQ(MatchRemoteCommand("SetLevel PTT 5"), RemoteCommand::SetLevel);
    EXPECT_EQ(MatchRemoteCommand("GetState"), RemoteCommand::GetState);
    EXPECT_EQ(MatchRemoteCommand("ptt down"), RemoteCommand::None);
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

TEST(RemoteControlWords, ArgumentsReadOrRefusedWithAReason) {
    using Action = RemoteControlRequest::Action;
    auto read = [](const char* text) { return ReadRemoteControl(MatchRemoteCommand(text), text); };

    EXPECT_EQ(read("SetMode auto\r\n").Act, Action::SetMode);
    EXPECT_EQ(read("SetMode PTT").Mode, kModePtt);
    EXPECT_EQ(read("SetMode Off").Mode, kModeOff);
    EXPECT_EQ(read("PTT  Up ").Act, Action::PttUp);
    const RemoteControlRequest level = read("SetLevel Auto 100");
    EXPECT_EQ(level.Act, Action::SetLevel);
    EXPECT_EQ(level.Mode, kModeAuto);
    EXPECT_EQ(level.Percent, 100);
    EXPECT_EQ(read("SetLevel Manual 007").Percent, 7);
    EXPECT_EQ(read("GetState now").Act, Action::GetState);

    for (const char* bad : {"SetMode", "SetModeAuto", "SetMode Loud", "SetMode Auto Manual", "PTT", "PTT Sideways",
                            "SetLevel Manual", "SetLevel Off 5", "SetLevel Manual 101", "SetLevel Manual -1",
                            "SetLevel Manual 5.5", "SetLevel Manual 99999999999999999999", "SetLevel PTT x"}) {
        const RemoteControlRequest request = read(bad);
        EXPECT_EQ(request.Act, Action::Invalid) << bad;
        EXPECT_FALSE(request.Error.empty()) << bad;
    }
    EXPECT_EQ(ControlErrorReply(read("SetMode Loud").Error), "ERROR: unknown mode \"Loud\" (Auto, Manual, PTT or Off)");
    EXPECT_EQ(ControlErrorReply(read("SetLevel Manual 101").Error), "ERROR: level \"101\" out of range 0..100");
}

TEST(ControlStateJson, OneLineWithEscapedDeviceAndOptionalLatency) {
    ControlStateFacts facts;
    facts.Mode = kModeAuto;
    facts.PttDown = true;
    facts.ManualLevel = 5;
    facts.AutoLevel = 70;
    facts.PttLevel = 65;
    facts.HasCaptureThread = true;
    facts.CaptureState = 4;
    facts.Active = true;
    facts.RecordedCount = 6;
    facts.Device = "Mic \"A\"\\\xE9";
    facts.InputLevel = 140;
    facts.SampleRate = 44100;
    facts.Bits = 16;
    facts.Channels = 2;
    facts.BlockSamples = 576;
    EXPECT_EQ(ControlStateJson(facts),
              "{\"mode\":\"auto\",\"ptt\":\"down\",\"pttLive\":false,\"levels\":{\"manual\":5,\"auto\":70,\"ptt\":65},"
              "\"capture\":{\"state\":\"DataReady\",\"active\":true,\"buffers\":6,\"device\":\"Mic \\\"A\\\"\\\\\\u00e9\"},"
              "\"input\":100,\"trigger\":false,\"format\":{\"rate\":44100,\"bits\":16,\"channels\":2,\"samples\":576}}");
    facts.HasCaptureThread = false;
    facts.LatencyMode = 2;
    const std::string json = ControlStateJson(facts);
    EXPECT_NE(json.find("\"state\":\"none\""), std::string::npos);
    EXPECT_TRUE(json.ends_with(",\"latencyMode\":2}")) << json;
}

}  // namespace
