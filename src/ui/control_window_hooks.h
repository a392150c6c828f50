// What other windows ask of the control window when it exists.
#pragma once

// Refills the control window's DSP list from the module stack (after the configuration
// dialog added or removed the Bypass entry). Does nothing while there is no control window.
void RefillControlWindowDspList();
