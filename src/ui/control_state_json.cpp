#include "ui/control_state_json.h"

#include <algorithm>

#include "capture/capture_queue.h"
#include "core/mix_state.h"

#include <nlohmann/json.hpp>

namespace {
constexpr int32_t kInputLevelMax = 100;
const char* Flag(bool on) { return on ? "true" : "false"; }
}  // namespace

const char* ModeJsonName(int mode) {
    switch (mode) {
        case kModeManual: return "manual";
        case kModeAuto: return "auto";
        case kModePtt: return "ptt";
        default: return "off";
    }
}

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
    return json + "}";
}
