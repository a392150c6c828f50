// Releasing a chain of push-to-talk marks (each allocated on its own, linked by NextPTT).
#pragma once

#include "capture/capture_types.h"

// Frees every mark of the chain; null is an empty chain.
void FreeMarkChain(CaptureMark* chain);
