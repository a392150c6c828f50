// The wave-in devices as the device-name rule names them, read through the wave-in seam:
// the wave mapper first, then devices 0 to n-1; a device whose capabilities cannot be read
// is left out. Used by the capture thread's open and by the control window's device list.
#pragma once

#include <vector>

#include "capture/device_names.h"
#include "capture/wave_in_api.h"

std::vector<NamedDevice> ListInputDevices(WaveInApi& waveIn);
