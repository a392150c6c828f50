// The comms message number: what RegisterWindowMessageA gives for "WindowComsProtocol",
// the same in every process of the desktop.
#pragma once

#include <windows.h>

UINT WindowComsProtocolMessage();

// Posted by an endpoint to its listening window when a transfer with its client timed out:
// the client window may have gone, and the listening thread looks for vanished clients.
inline constexpr UINT kReclaimRequestMessage = WM_APP + 0x3C1;

// WPARAM and LPARAM of a comms message with a control code (byte 1 and the value are 0
// unless given) from window `sender`.
inline WPARAM ComsControlWParam(BYTE code, BYTE byte = 0) {
    return static_cast<WPARAM>(code) | (static_cast<WPARAM>(byte) << 8);
}
inline LPARAM ComsSender(HWND window) { return reinterpret_cast<LPARAM>(window); }
inline HWND ComsSenderWindow(LPARAM lParam) { return reinterpret_cast<HWND>(lParam); }
