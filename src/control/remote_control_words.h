// The arguments of the control words the command server understands besides the seven
// original ones, and their one-line replies:
//
//   SetMode Auto|Manual|PTT|Off     the mode buttons A, M, P, O
//   PTT Down|Up                     a press and a release of the push-to-talk pad
//   SetLevel Manual|Auto|PTT N      the level sliders, N a whole percent 0..100
//   GetState                        one line of JSON (control_state_json.h)
//
// The word and its argument are separated by blanks; argument names are matched without
// regard to letter case, and blanks or a line end after the text are ignored. Whatever the
// window does with a well-formed request is answered "OK"; anything it cannot do is answered
// "ERROR: " and the reason.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "control/remote_commands.h"

inline constexpr const char* kControlOkReply = "OK";
inline constexpr const char* kControlErrorPrefix = "ERROR: ";
inline constexpr int kControlLevelMin = 0;
inline constexpr int kControlLevelMax = 100;

struct RemoteControlRequest {
    enum class Action { SetMode, PttDown, PttUp, SetLevel, GetState, Invalid };
    Action Act = Action::Invalid;
    int8_t Mode = 0;   // SetMode: the mode; SetLevel: the mode whose level is set (MSMode numbering)
    int Percent = 0;   // SetLevel
    std::string Error; // Invalid: the reason, without the prefix
};

// Reads the argument of a control word; `word` is what MatchRemoteCommand found in `text`.
RemoteControlRequest ReadRemoteControl(RemoteCommand word, std::string_view text);

// "ERROR: " + reason.
std::string ControlErrorReply(std::string_view reason);
