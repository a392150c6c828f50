#include "control/mode_names.h"

#include "base/same_letters.h"
#include "core/mix_state.h"

namespace {

struct ModeName {
    MixMode Mode;
    const char* Word;
    const char* Json;
};

constexpr ModeName kModeNames[] = {
    {kModeOff, "Off", "off"},
    {kModeManual, "Manual", "manual"},
    {kModeAuto, "Auto", "auto"},
    {kModePtt, "PTT", "ptt"},
};

const ModeName& Entry(int mode) {
    for (const ModeName& entry : kModeNames) {
        if (entry.Mode == mode) return entry;
    }
    return kModeNames[0];  // any other value shows as Off
}

}  // namespace

int ModeNamed(std::string_view name, bool allowOff) {
    for (const ModeName& entry : kModeNames) {
        if (SameLetters(name, entry.Word) && (allowOff || entry.Mode != kModeOff)) return entry.Mode;
    }
    return -1;
}

const char* ModeWord(int mode) { return Entry(mode).Word; }

const char* ModeJsonName(int mode) { return Entry(mode).Json; }
