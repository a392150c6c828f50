#include "capture/tick_clock.h"

#include <windows.h>

uint32_t SystemTickNow() { return GetTickCount(); }
