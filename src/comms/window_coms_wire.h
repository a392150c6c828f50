// The comms message on the wire: WPARAM carries the code (byte 0), one data byte (byte 1)
// and a 16-bit value (bytes 2-3); LPARAM is the sender's window, which is also where
// answers go. Windows are plain integers here so the protocol logic needs no platform header.
#pragma once

#include <cstdint>

using ComsWindow = uintptr_t;

struct ComsWireMessage {
    uint8_t code = 0;
    uint8_t byte = 0;    // payload byte for "V", error code for "9"/"Z", name character for 3-5
    uint16_t value = 0;  // size halves for "Q"/"R", checksum for "X"

    bool operator==(const ComsWireMessage&) const = default;
};

constexpr uint32_t PackComsWParam(const ComsWireMessage& m) {
    return uint32_t{m.code} | (uint32_t{m.byte} << 8) | (uint32_t{m.value} << 16);
}

constexpr ComsWireMessage UnpackComsWParam(uint32_t wparam) {
    return ComsWireMessage{static_cast<uint8_t>(wparam & 0xFF),
                           static_cast<uint8_t>((wparam >> 8) & 0xFF),
                           static_cast<uint16_t>(wparam >> 16)};
}

// The checksum of a transfer: the sum of all payload bytes, each unsigned, modulo 65536.
uint16_t ComsChecksum(const uint8_t* data, uint32_t size);
