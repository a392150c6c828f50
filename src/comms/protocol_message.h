// The comms message number: what RegisterWindowMessageA gives for "WindowComsProtocol",
// the same in every process of the desktop.
#pragma once

#include <windows.h>

UINT WindowComsProtocolMessage();

// WPARAM and LPARAM of a comms message with a control code (byte 1 and the value are 0
// unless given) from window `sender`.
inline WPARAM ComsControlWParam(BYTE code, BYTE byte = 0) {
    return static_cast<WPARAM>(code) | (static_cast<WPARAM>(byte) << 8);
}
inline LPARAM ComsSender(HWND window) { return reinterpret_cast<LPARAM>(window); }
inline HWND ComsSenderWindow(LPARAM lParam) { return reinterpret_cast<HWND>(lParam); }
