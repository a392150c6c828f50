// What other windows ask of the control window when it exists.
#pragma once

#include <string>

// Refills the control window's DSP list from the module stack (after the configuration
// dialog added or removed the Bypass entry). Does nothing while there is no control window.
void RefillControlWindowDspList();

// The control window takes the push-to-talk hotkey settings from the configuration store and
// registers the key; answers why the key cannot be had (empty when it is registered or none
// is set, or when there is no control window).
std::string ApplyControlWindowHotkey();
