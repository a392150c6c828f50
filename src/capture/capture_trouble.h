// What went wrong with the input device beyond the capture state itself, for the status
// line: a device that stopped delivering (or failed while recording) and is being reopened,
// or one that would not stop and was closed by force.
#pragma once

#include <cstdint>

enum CaptureTrouble : uint8_t {
    kTroubleNone = 0,
    kTroubleDeviceLost = 1,   // no buffer for too long once started, a device error, or missing at open
    kTroubleDeviceStuck = 2,  // the device refused to stop, again and again, while closing
};

// The plain-words text of a trouble for the status line; empty for none.
const char* CaptureTroubleText(uint8_t trouble);
