// What the comms test programs and comms_peer agree on.
#pragma once

#include <windows.h>

// Thread messages to a comms_peer server process.
inline constexpr UINT kStopServerMessage = WM_APP;
inline constexpr UINT kStartServerMessage = WM_APP + 1;

// The raw ping-pong of the throughput measurement.
inline constexpr char kPongClassName[] = "TidewellCommsPong";
inline constexpr UINT kPingMessage = WM_APP;      // WPARAM counter, LPARAM window to answer
inline constexpr UINT kPongMessage = WM_APP + 1;  // WPARAM the same counter
