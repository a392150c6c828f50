// The four mode actions of the control window (buttons A, M, P, O and Ctrl+A/M/P/O): the
// mode each one sets (numbered as MixState MSMode and configuration key MixInMode) and the
// page it brings to the front.
#pragma once

#include <cstdint>

#include "ui/control_pages.h"

struct MixModeAction {
    const char* Caption;
    char ShortcutLetter;  // with Ctrl
    int8_t Mode;
    ControlPage Page;  // kPageNone: the page stays as it is
};

enum MixModeActionIndex : int { kAutoAction = 0, kManualAction, kPttAction, kOffAction, kModeActionCount };

extern const MixModeAction kMixModeActions[kModeActionCount];

// The action whose button is down for a stored mode: 1 Manual, 2 Auto, 3 PTT, any other
// value Off.
MixModeActionIndex ActionForMode(int32_t mode);

// The action bound to Ctrl + `letter` (upper case), or kModeActionCount for none.
MixModeActionIndex ActionForShortcut(char letter);

// Choosing the mode that is already set does nothing at all (no page, no save).
inline bool ModeActionChangesMode(int32_t currentMode, MixModeActionIndex action) {
    return currentMode != kMixModeActions[action].Mode;
}
