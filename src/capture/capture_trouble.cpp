#include "capture/capture_trouble.h"

const char* CaptureTroubleText(uint8_t trouble) {
    switch (trouble) {
        case kTroubleDeviceLost: return "Input device lost: trying again every second";
        case kTroubleDeviceStuck: return "Input device would not stop: closed by force";
        default: return "";
    }
}
