// PttHotkeyPresses: what the push-to-talk hotkey's presses do to the pad.
//
// The system reports a press of a registered hotkey (WM_HOTKEY) but not its release: while
// the key is held, the window polls the key's state, and the first poll that finds it up
// ends the press. Messages that arrive while the key is held are repeats (Wine sends them
// even when asked not to) and do nothing.
//
// Right after the press the key's state may still read "up": Wine answers GetAsyncKeyState
// from a per-thread copy up to 50 ms old. So a poll that finds the key up ends the press only
// once the key was seen down (a poll or a repeat), or kPressSettleMs after the press (a tap
// too short to be seen).
//
// Hold: the pad is pressed while the key is held. Toggle: each press presses the pad when
// it is up and releases it when it is down.
//
// Used on the window thread by the control window, which owns the pad and the polling timer.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "ui/ptt_pad.h"

enum class PttHotkeyMode { Hold, Toggle };

inline constexpr unsigned kPressSettleMs = 100;

// "Hold" or "Toggle" (read without regard to letter case); nothing for any other text.
std::optional<PttHotkeyMode> ParsePttHotkeyMode(std::string_view text);
const char* PttHotkeyModeName(PttHotkeyMode mode);

class PttHotkeyPresses {
public:
    enum class PadAction { None, Press, Release, Toggle };
    struct Step {
        PadAction Pad = PadAction::None;
        bool Poll = false;  // the key is held: keep polling its state
        bool operator==(const Step&) const = default;
    };

    void SetMode(PttHotkeyMode mode) { mode_ = mode; }
    PttHotkeyMode Mode() const { return mode_; }

    // The system reported a press of the hotkey.
    Step Pressed();
    // A poll of the key's state while it is held, `msSincePress` after the press.
    Step Polled(bool keyDown, unsigned msSincePress);
    // The hotkey goes away (another key chosen, the window closing): a press in progress
    // ends, releasing the pad in Hold mode.
    Step Stop();

    bool Held() const { return held_; }

private:
    PttHotkeyMode mode_ = PttHotkeyMode::Hold;
    bool held_ = false;
    bool seenDown_ = false;  // the key read down since the press
};

// Does a pad action to the pad as the pad's own input does (Press as a mouse-down, Release
// as a mouse-up); answers the event to queue.
PttPad::Event PressPad(PttPad& pad, PttHotkeyPresses::PadAction action);
