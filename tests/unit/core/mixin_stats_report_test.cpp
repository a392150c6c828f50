#include "core/mixin_stats_report.h"

#include <gtest/gtest.h>

#include <atomic>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "base/number_format.h"
#include "unit/support/mixer_rig.h"

namespace {

// Date-times as "DT<days>", with a chosen decimal separator.
class FixedFormat : public ReportTextFormat {
public:
    explicit FixedFormat(char separator = '.') : separator_(separator) {}
    char DecimalSeparator() const override { return separator_; }
    std::string DateTime(double days) const override { return "DT" + FormatFloat(days, separator_); }

private:
    char separator_;
};

std::vector<std::string> Lines(const std::string& report) {
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < report.size()) {
        const size_t end = report.find("\r\n", at);
        if (end == std::string::npos) {
            lines.push_back("<unterminated>" + report.substr(at));
            break;
        }
        lines.push_back(report.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

std::string Value(const std::vector<std::string>& lines, const std::string& key) {
    const std::string prefix = "\t" + key + ": ";
    for (const std::string& line : lines) {
        if (line.rfind(prefix, 0) == 0) return line.substr(prefix.size());
    }
    return "<missing>";
}

TEST(MixInStatsReport, RightAfterInitItHasTheFortyOneLinesInOrder) {
    MixStateRecord state;
    state.ResetForInit();
    PendingMarksMirror marks;
    const std::string report = BuildMixInStatsReport(state, marks, FixedFormat());
    EXPECT_EQ(report,
              "\tlast0_numsamples: 0\r\n\tlast0_bps: 0\r\n\tlast0_nch: 0\r\n\tlast0_srate: 0\r\n"
              "\tlast0_ltv: 0\r\n\tlast0_gtv: 0\r\n\tgtv0: 0\r\n\tltv0: 0\r\n\tcenter0: 0\r\n"
              "\tbuff0pointer: 0\r\n\tlast0_WantActivate: false\r\n\tlast0_rtab: 0\r\n"
              "\tfMixInPercent: 0\r\n\tfMixOtPercent: 1\r\n\tRMS0: 0\r\n\tRMS1: 0\r\n"
              "\tlast0_Device: \r\n\tLastSpikeTime: DT0\r\n\tLastSpikeTemp: 0\r\n"
              "\tLastLevel: false\r\n\tnominalbuffcount: 5\r\n\tAutoMixThresh: 0\r\n"
              "\tAutoMixHold: 0\r\n\tLevel: false\r\n\tLogTrans: true\r\n\tWantReset: false\r\n"
              "\tMixIn: true\r\n\tAutoMixInFade: 0.01\r\n\tAutoMixOtFade: 1\r\n"
              "\tSelectedDeviceChanged: false\r\n\tMixInPercent: 0\r\n"
              "\tManualMixInPercent: 0\r\n\tAutoMixInPercent: 0\r\n\tNotifyHWnd: 0x00000000\r\n"
              "\tPTTOn: false\r\n\tLastPTTSampleIndex: 0\r\n\tbuff0.numsamples: 0\r\n"
              "\tPTTMixInPercent: 0.7\r\n\tMSMode: 0\r\n\tSendNotifyWndRMS: true\r\n"
              "\tEnableBypass: false\r\n");
    EXPECT_EQ(Lines(report).size(), 41u);
}

TEST(MixInStatsReport, ShowsTheFormatLimitsOfTheLastBlock) {
    MixerRig rig;
    std::vector<int16_t> block(1152);
    rig.Mix(block);
    auto lines = Lines(BuildMixInStatsReport(rig.state, rig.engine.Marks(), FixedFormat()));
    EXPECT_EQ(Value(lines, "gtv0"), "32767");
    EXPECT_EQ(Value(lines, "ltv0"), "-32768");
    EXPECT_EQ(Value(lines, "center0"), "0");

    rig.format = RecordedFormat{44100, 1, 8};
    std::vector<uint8_t> bytes(576, 128);
    rig.Mix(bytes);
    lines = Lines(BuildMixInStatsReport(rig.state, rig.engine.Marks(), FixedFormat()));
    EXPECT_EQ(Value(lines, "gtv0"), "255");
    EXPECT_EQ(Value(lines, "ltv0"), "0");
    EXPECT_EQ(Value(lines, "center0"), "128");
    EXPECT_EQ(Value(lines, "last0_bps"), "8");
}

TEST(MixInStatsReport, TheWindowHandleIsEightUpperCaseHexDigits) {
    MixStateRecord state;
    state.NotifyHWnd = reinterpret_cast<void*>(uintptr_t{1234});
    const auto lines = Lines(BuildMixInStatsReport(state, PendingMarksMirror(), FixedFormat()));
    EXPECT_EQ(lines[33], "\tNotifyHWnd: 0x000004D2");
}

TEST(MixInStatsReport, NumbersUseTheSystemsDecimalSeparator) {
    MixStateRecord state;
    state.ResetForInit();
    state.SetMSMode(-3);
    const auto lines = Lines(BuildMixInStatsReport(state, PendingMarksMirror(), FixedFormat(',')));
    EXPECT_EQ(Value(lines, "AutoMixInFade"), "0,01");
    EXPECT_EQ(Value(lines, "MSMode"), "-3");
}

TEST(MixInStatsReport, EachPendingMarkAddsFourLines) {
    MixerRig rig;
    CaptureMark* marks = ScriptedCaptureQueue::Marks({{1, 3000}, {0, 3600}});
    marks->When = 45444.25;
    marks->NextPTT->When = 45444.5;
    rig.Record(std::vector<int16_t>(4000), marks);
    for (int i = 0; i < 4; ++i) rig.Record(std::vector<int16_t>(4000));
    rig.StartCapture();
    std::vector<int16_t> block(1152);
    rig.Mix(block);
    ASSERT_EQ(rig.state.PTTEvent, marks) << "both marks still pending";

    const auto lines = Lines(BuildMixInStatsReport(rig.state, rig.engine.Marks(), FixedFormat()));
    ASSERT_EQ(lines.size(), 49u);
    char second[9];
    std::snprintf(second, sizeof second, "%08X", PendingMarksMirror::MarkIdentifier(marks->NextPTT));
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 41, lines.end()),
              (std::vector<std::string>{"\tPTTEvent->On: true", "\tPTTEvent->When: DT45444.25",
                                        "\tPTTEvent->Sample: 3000",
                                        std::string("\tPTTEvent->NextPTT: 0x") + second,
                                        "\tPTTEvent->On: false", "\tPTTEvent->When: DT45444.5",
                                        "\tPTTEvent->Sample: 3600",
                                        "\tPTTEvent->NextPTT: 0x00000000"}));
    EXPECT_EQ(Value(lines, "buff0.numsamples"), "4000");
    EXPECT_EQ(Value(lines, "LastPTTSampleIndex"), "3000");
}

// The report runs on the window thread while the playback thread applies marks and frees
// them; the report must only ever see whole, live marks (AddressSanitizer watches for any
// read of a freed one).
TEST(MixInStatsReport, ReportingWhileMarksAreAppliedAndFreedIsSafe) {
    MixerRig rig;
    rig.state.SetMSMode(kModePtt);
    constexpr int kBuffers = 300;
    for (int b = 0; b < kBuffers; ++b) {
        rig.Record(std::vector<int16_t>(2000, 100),
                   ScriptedCaptureQueue::Marks({{1, 200}, {0, 700}, {1, 1100}, {0, 1500}, {1, 1900}}));
    }
    rig.StartCapture(100);

    std::atomic<bool> done{false};
    std::thread playback([&] {
        std::vector<int16_t> block(200);
        for (int i = 0; i < kBuffers * 10 - 20; ++i) rig.Mix(block);
        done = true;
    });
    int reports = 0;
    while (!done || reports == 0) {
        const auto lines = Lines(BuildMixInStatsReport(rig.state, rig.engine.Marks(), FixedFormat()));
        ASSERT_GE(lines.size(), 41u);
        ASSERT_EQ((lines.size() - 41) % 4, 0u);
        for (size_t i = 41; i < lines.size(); i += 4) {
            ASSERT_EQ(lines[i].rfind("\tPTTEvent->On: ", 0), 0u);
            ASSERT_EQ(lines[i + 1], "\tPTTEvent->When: DT0");
            const std::string sample = lines[i + 2].substr(lines[i + 2].find(": ") + 2);
            ASSERT_TRUE(sample == "200" || sample == "700" || sample == "1100" ||
                        sample == "1500" || sample == "1900")
                << sample;
        }
        ++reports;
    }
    playback.join();
    EXPECT_GT(rig.queue.marksFreed, 0);
}

}  // namespace
