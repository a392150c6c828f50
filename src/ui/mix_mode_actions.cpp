#include "ui/mix_mode_actions.h"

#include "core/mix_state.h"

const MixModeAction kMixModeActions[kModeActionCount] = {
    {"A", 'A', kModeAuto, kPageAuto},
    {"M", 'M', kModeManual, kPageManual},
    {"P", 'P', kModePtt, kPagePtt},
    {"O", 'O', kModeOff, kPageNone},
};

MixModeActionIndex ActionForMode(int32_t mode) {
    switch (mode) {
        case kModeManual: return kManualAction;
        case kModeAuto: return kAutoAction;
        case kModePtt: return kPttAction;
        default: return kOffAction;
    }
}

MixModeActionIndex ActionForShortcut(char letter) {
    for (int i = 0; i < kModeActionCount; ++i) {
        if (kMixModeActions[i].ShortcutLetter == letter) return static_cast<MixModeActionIndex>(i);
    }
    return kModeActionCount;
}
