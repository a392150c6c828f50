#include "capture/capture_queue.h"

const char* CaptureStateWord(uint8_t state) {
    static const char* const words[] = {"GoAway", "Idle",  "Init",   "Open",   "DataReady", "Paused",
                                        "Reset",  "Stop",  "Close",  "Uninit", "Error"};
    return state < sizeof words / sizeof words[0] ? words[state] : "Unknown";
}
