#include "core/mixin_stats_report.h"

#include <cstdint>
#include <cstdio>

#include "base/number_format.h"

namespace {

class ReportWriter {
public:
    explicit ReportWriter(const ReportTextFormat& format) : format_(format) {}

    void Int(const char* key, int64_t value) { Line(key, std::to_string(value)); }
    void Bool(const char* key, bool value) { Line(key, value ? "true" : "false"); }
    void Float(const char* key, double value) {
        Line(key, FormatFloat(value, format_.DecimalSeparator()));
    }
    void DateTime(const char* key, double days) { Line(key, format_.DateTime(days)); }
    void Text(const char* key, const std::string& value) { Line(key, value); }
    void Hex(const char* key, uint32_t value) {
        char digits[9];
        std::snprintf(digits, sizeof digits, "%08X", static_cast<unsigned>(value));
        text_ += '\t';
        text_ += key;
        text_ += ": 0x";
        text_ += digits;
        text_ += "\r\n";
    }

    std::string Take() { return std::move(text_); }

private:
    void Line(const char* key, const std::string& value) {
        text_ += '\t';
        text_ += key;
        text_ += ": ";
        text_ += value;
        text_ += "\r\n";
    }

    const ReportTextFormat& format_;
    std::string text_;
};

}  // namespace

std::string BuildMixInStatsReport(const MixStateRecord& s, const PendingMarksMirror& marks,
                                  const ReportTextFormat& format) {
    const PendingMarksMirror::View pending = marks.Read();
    ReportWriter r(format);
    r.Int("last0_numsamples", s.last0_numsamples);
    r.Int("last0_bps", s.last0_bps);
    r.Int("last0_nch", s.last0_nch);
    r.Int("last0_srate", s.last0_srate);
    r.Int("last0_ltv", s.last0_ltv);
    r.Int("last0_gtv", s.last0_gtv);
    r.Int("gtv0", s.gtv0);
    r.Int("ltv0", s.ltv0);
    r.Int("center0", s.center0);
    r.Int("buff0pointer", s.buff0pointer);
    r.Bool("last0_WantActivate", s.last0_WantActivate);
    r.Int("last0_rtab", s.last0_rtab);
    r.Float("fMixInPercent", s.fMixInPercent);
    r.Float("fMixOtPercent", s.fMixOtPercent);
    r.Float("RMS0", s.RMS0);
    r.Float("RMS1", s.RMS1);
    r.Text("last0_Device", s.last0_Device.Get());
    r.DateTime("LastSpikeTime", s.LastSpikeTime);
    r.Float("LastSpikeTemp", s.LastSpikeTemp);
    r.Bool("LastLevel", s.LastLevel);
    r.Int("nominalbuffcount", s.nominalbuffcount);
    r.Float("AutoMixThresh", s.AutoMixThresh);
    r.Float("AutoMixHold", s.AutoMixHold);
    r.Bool("Level", s.Level);
    r.Bool("LogTrans", s.LogTrans);
    r.Bool("WantReset", s.WantReset);
    r.Bool("MixIn", s.MixIn);
    r.Float("AutoMixInFade", s.AutoMixInFade);
    r.Float("AutoMixOtFade", s.AutoMixOtFade);
    r.Bool("SelectedDeviceChanged", s.SelectedDeviceChanged);
    r.Float("MixInPercent", s.MixInPercent);
    r.Float("ManualMixInPercent", s.ManualMixInPercent);
    r.Float("AutoMixInPercent", s.AutoMixInPercent);
    r.Hex("NotifyHWnd", static_cast<uint32_t>(reinterpret_cast<uintptr_t>(s.NotifyHWnd.load())));
    r.Bool("PTTOn", s.PTTOn);
    r.Int("LastPTTSampleIndex", s.LastPTTSampleIndex);
    r.Int("buff0.numsamples", pending.bufferSamples);
    r.Float("PTTMixInPercent", s.PTTMixInPercent);
    r.Int("MSMode", s.MSMode.load());
    r.Bool("SendNotifyWndRMS", s.SendNotifyWndRMS);
    r.Bool("EnableBypass", s.EnableBypass);

    for (int i = 0; i < pending.count; ++i) {
        const PendingMarksMirror::Mark& mark = pending.marks[i];
        r.Bool("PTTEvent->On", mark.On != 0);
        r.DateTime("PTTEvent->When", mark.When);
        r.Int("PTTEvent->Sample", mark.Sample);
        r.Hex("PTTEvent->NextPTT", mark.NextPTT);
    }
    return r.Take();
}
