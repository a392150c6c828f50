// Notification messages posted to the control window (lParam always 0). The mixing engine
// posts all of them except WM_MIXIN_TOGGLE_SERVER, which an outside program posts to
// switch the command server.
#pragma once

#include <cstdint>

inline constexpr uint32_t kWmUser = 1024;

inline constexpr uint32_t WM_MIXIN_RMS = kWmUser + 0;            // level, integer percent
inline constexpr uint32_t WM_MIXIN_TRIGGER = kWmUser + 1;        // auto trigger 1 / 0
inline constexpr uint32_t WM_MIXIN_TOGGLE_SERVER = kWmUser + 2;  // command server on/off
inline constexpr uint32_t WM_MIXIN_SRATE = kWmUser + 3;          // sample rate, Hz
inline constexpr uint32_t WM_MIXIN_BITS = kWmUser + 4;           // bits per sample
inline constexpr uint32_t WM_MIXIN_NCH = kWmUser + 5;            // channels
inline constexpr uint32_t WM_MIXIN_SAMPLES = kWmUser + 6;        // frames in the block
inline constexpr uint32_t WM_MIXIN_PTT = kWmUser + 7;            // push-to-talk 1 / 0
