// The millisecond tick the capture thread's watchdog reads (wraps after 49 days; only
// differences are used). A seam for tests, which move it by hand.
#pragma once

#include <cstdint>

using TickClock = uint32_t (*)();

uint32_t SystemTickNow();
