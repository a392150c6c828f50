// The "GetState" reply: what the control window shows, as one line of JSON.
//
//   {"mode":"auto","ptt":"up","pttLive":false,"levels":{"manual":0,"auto":70,"ptt":70},
//    "capture":{"state":"DataReady","active":true,"buffers":5,"device":"Monitor of Mic"},
//    "input":23,"trigger":true,"format":{"rate":44100,"bits":16,"channels":2,"samples":576}}
//
// mode: the mode button that is down; ptt: the push-to-talk pad (down while pressed or held);
// pttLive: push-to-talk as the mixing engine last reported it; levels: the three level
// sliders in whole percent; capture: the capture thread's state word ("none" without a
// thread), capture wanted (Activate), recorded buffers waiting, the chosen device; input: the
// meter's input level, 0..100; trigger: the Auto trigger lamp; format: the host's stream as
// last reported (zeros before the first block). "latencyMode" follows when the build has
// the latency setting, and then
//    "latency":{"setting":"lowest","delayMs":31,"targetMs":30,"ratioPpm":-212,"underruns":0}
// and "hotkey" when the window has the push-to-talk hotkey:
//   "hotkey":{"key":"F9","mode":"hold","registered":false,
//             "problem":"hotkey F9 is in use by another program"}
// (key empty when none is set; problem empty when there is none).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct ControlStateFacts {
    int8_t Mode = 0;  // MSMode numbering
    bool PttDown = false;
    bool PttLive = false;
    int ManualLevel = 0, AutoLevel = 0, PttLevel = 0;  // slider positions, percent
    bool HasCaptureThread = false;
    uint8_t CaptureState = 0;
    bool Active = false;
    int32_t RecordedCount = 0;
    std::string Device;
    int32_t InputLevel = 0;
    bool Trigger = false;
    int32_t SampleRate = 0, Bits = 0, Channels = 0, BlockSamples = 0;
    // The configuration's LatencyMode (0 classic, 1 low, 2 lowest) where the plug-in has
    // that setting; left empty, the field is not written.
    std::optional<int> LatencyMode;
    // How late the voice is mixed, where the plug-in keeps it: written as the "latency"
    // object (setting name, delay now and aimed at in whole ms, the resampling ratio's
    // distance from 1 in whole ppm, underruns since Init).
    struct Latency {
        int Setting = 0;  // LatencyMode numbering
        double DelaySeconds = 0.0;
        double TargetSeconds = 0.0;
        double Ratio = 1.0;
        int32_t Underruns = 0;
    };
    std::optional<Latency> LatencyNow;
    struct HotkeyFacts {
        std::string Key;
        bool Toggle = false;
        bool Registered = false;
        std::string Problem;
    };
    std::optional<HotkeyFacts> Hotkey;
};

std::string ControlStateJson(const ControlStateFacts& facts);

// `text` as a JSON string with its quotes. Texts are 8-bit in the system's code page; bytes
// above 127 are taken as Latin-1, so the result is valid UTF-8 JSON whatever they hold.
std::string JsonQuoted(const std::string& text);
