#include "control/control_state_json.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "capture/capture_queue.h"
#include "capture/latency_profile.h"
#include "control/mode_names.h"
#include "core/mix_state.h"

#include <nlohmann/json.hpp>

namespace {
using Json = nlohmann::ordered_json;  // the fields stay in the order written
constexpr int32_t kInputLevelMax = 100;
constexpr int kOneLine = -1;
constexpr bool kEnsureAscii = true;

// Whole numbers only: the state carries no fractions.
int64_t Whole(double value) { return std::isfinite(value) ? std::llround(value) : 0; }

// Latin-1 to UTF-8: every byte is one code point, so the text is valid UTF-8 whatever it
// holds, and the serializer writes everything beyond ASCII as \u00XX.
std::string Utf8(const std::string& text) {
    constexpr unsigned char kFirstNonAscii = 0x80;
    std::string utf8;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < kFirstNonAscii) {
            utf8 += c;
        } else {
            utf8 += static_cast<char>(0xC0 | (byte >> 6));
            utf8 += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return utf8;
}

Json LatencyObject(const ControlStateFacts::Latency& l) {
    std::string setting = ProfileOf(LatencyModeFromNumber(l.Setting)).Name;
    for (char& c : setting) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return Json{{"setting", setting},
                {"delayMs", Whole(l.DelaySeconds * 1000.0)},
                {"targetMs", Whole(l.TargetSeconds * 1000.0)},
                {"ratioPpm", Whole((l.Ratio - 1.0) * 1e6)},
                {"underruns", l.Underruns}};
}
}  // namespace

std::string JsonQuoted(const std::string& text) { return Json(Utf8(text)).dump(kOneLine, ' ', kEnsureAscii); }

std::string ControlStateJson(const ControlStateFacts& f) {
    Json json;
    json["mode"] = ModeJsonName(f.Mode);
    json["ptt"] = f.PttDown ? "down" : "up";
    json["pttLive"] = f.PttLive;
    json["levels"] = Json{{"manual", f.ManualLevel}, {"auto", f.AutoLevel}, {"ptt", f.PttLevel}};
    json["capture"] = Json{{"state", f.HasCaptureThread ? CaptureStateWord(f.CaptureState) : "none"},
                           {"active", f.Active},
                           {"buffers", f.RecordedCount},
                           {"device", Utf8(f.Device)}};
    json["input"] = std::clamp<int32_t>(f.InputLevel, 0, kInputLevelMax);
    json["trigger"] = f.Trigger;
    json["format"] = Json{{"rate", f.SampleRate}, {"bits", f.Bits}, {"channels", f.Channels}, {"samples", f.BlockSamples}};
    if (f.LatencyMode) json["latencyMode"] = *f.LatencyMode;
    if (f.LatencyNow) json["latency"] = LatencyObject(*f.LatencyNow);
    if (const auto& h = f.Hotkey) {
        json["hotkey"] = Json{{"key", Utf8(h->Key)},
                              {"mode", h->Toggle ? "toggle" : "hold"},
                              {"registered", h->Registered},
                              {"problem", Utf8(h->Problem)}};
    }
    return json.dump(kOneLine, ' ', kEnsureAscii);
}
