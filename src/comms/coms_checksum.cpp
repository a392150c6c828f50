#include "comms/window_coms_wire.h"

uint16_t ComsChecksum(const uint8_t* data, uint32_t size) {
    uint32_t sum = 0;
    for (uint32_t i = 0; i < size; ++i) sum += data[i];
    return static_cast<uint16_t>(sum);
}
