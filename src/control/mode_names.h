// The one table of mode names: the words of the command server ("SetMode Auto") and the
// names of the state JSON and the web bridge's API ("auto"). Modes are numbered as MixMode.
#pragma once

#include <string_view>

// The mode `name` names in either spelling, any letter case, or -1; Off only if `allowOff`
// (a level belongs to the three mixing modes only).
int ModeNamed(std::string_view name, bool allowOff = true);

// The command server's word for a mode: "Off", "Manual", "Auto", "PTT".
const char* ModeWord(int mode);

// The mode's name in the JSON and in the bridge's API: "off", "manual", "auto", "ptt".
const char* ModeJsonName(int mode);
