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
constexpr int32_t kInputLevelMax = 100;
const char* Flag(bool on) { return on ? "true" : "false"; }

// Whole numbers only: a decimal point would follow the host's locale.
int64_t Whole(double value) { return std::isfinite(value) ? std::llround(value) : 0; }

std::string LatencyJson(const ControlStateFacts::Latency& l) {
    std::string setting = ProfileOf(LatencyModeFromNumber(l.Setting)).Name;
    for (char& c : setting) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return "{\"setting\":\"" + setting + "\",\"delayMs\":" + std::to_string(Whole(l.DelaySeconds * 1000.0)) +
           ",\"targetMs\":" + std::to_string(Whole(l.TargetSeconds * 1000.0)) +
           ",\"ratioPpm\":" + std::to_string(Whole((l.Ratio - 1.0) * 1e6)) +
           ",\"underruns\":" + std::to_string(l.Underruns) + "}";
}
}  // namespace

std::string JsonQuoted(const std::string& text) {
    // Latin-1 to UTF-8: every byte is one code point, so the text is valid UTF-8 whatever
    // it holds, and the serializer writes everything beyond ASCII as \u00XX.
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
    constexpr int kOneLine = -1;
    return nlohmann::json(utf8).dump(kOneLine, ' ', /*ensure_ascii=*/true);
}

std::string ControlStateJson(const ControlStateFacts& f) {
    auto number = [](int64_t value) { return std::to_string(value); };
    std::string json = "{\"mode\":\"" + std::string(ModeJsonName(f.Mode)) + "\"";
    json += ",\"ptt\":\"" + std::string(f.PttDown ? "down" : "up") + "\"";
    json += ",\"pttLive\":" + std::string(Flag(f.PttLive));
    json += ",\"levels\":{\"manual\":" + number(f.ManualLevel) + ",\"auto\":" + number(f.AutoLevel) +
            ",\"ptt\":" + number(f.PttLevel) + "}";
    json += ",\"capture\":{\"state\":" +
            JsonQuoted(f.HasCaptureThread ? CaptureStateWord(f.CaptureState) : "none") +
            ",\"active\":" + Flag(f.Active) + ",\"buffers\":" + number(f.RecordedCount) +
            ",\"device\":" + JsonQuoted(f.Device) + "}";
    json += ",\"input\":" + number(std::clamp<int32_t>(f.InputLevel, 0, kInputLevelMax));
    json += ",\"trigger\":" + std::string(Flag(f.Trigger));
    json += ",\"format\":{\"rate\":" + number(f.SampleRate) + ",\"bits\":" + number(f.Bits) +
            ",\"channels\":" + number(f.Channels) + ",\"samples\":" + number(f.BlockSamples) + "}";
    if (f.LatencyMode) json += ",\"latencyMode\":" + number(*f.LatencyMode);
    if (f.LatencyNow) json += ",\"latency\":" + LatencyJson(*f.LatencyNow);
    if (const auto& h = f.Hotkey) {
        json += ",\"hotkey\":{\"key\":" + JsonQuoted(h->Key) + ",\"mode\":\"" + (h->Toggle ? "toggle" : "hold") +
                "\",\"registered\":" + Flag(h->Registered) + ",\"problem\":" + JsonQuoted(h->Problem) + "}";
    }
    return json + "}";
}
