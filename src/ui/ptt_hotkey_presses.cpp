#include "ui/ptt_hotkey_presses.h"

#include "base/same_letters.h"

namespace {
constexpr const char* kHoldName = "Hold";
constexpr const char* kToggleName = "Toggle";
}  // namespace

std::optional<PttHotkeyMode> ParsePttHotkeyMode(std::string_view text) {
    if (SameLetters(text, kHoldName)) return PttHotkeyMode::Hold;
    if (SameLetters(text, kToggleName)) return PttHotkeyMode::Toggle;
    return std::nullopt;
}

const char* PttHotkeyModeName(PttHotkeyMode mode) { return mode == PttHotkeyMode::Toggle ? kToggleName : kHoldName; }

PttHotkeyPresses::Step PttHotkeyPresses::Pressed() {
    if (held_) {
        seenDown_ = true;  // a repeat: the key is down
        return {PadAction::None, true};
    }
    held_ = true;
    seenDown_ = false;
    return {mode_ == PttHotkeyMode::Hold ? PadAction::Press : PadAction::Toggle, true};
}

PttHotkeyPresses::Step PttHotkeyPresses::Polled(bool keyDown, unsigned msSincePress) {
    if (!held_) return {};
    if (keyDown) seenDown_ = true;
    if (keyDown || (!seenDown_ && msSincePress < kPressSettleMs)) return {PadAction::None, true};
    return Stop();
}

PttHotkeyPresses::Step PttHotkeyPresses::Stop() {
    if (!held_) return {};
    held_ = false;
    return {mode_ == PttHotkeyMode::Hold ? PadAction::Release : PadAction::None, false};
}

PttPad::Event PressPad(PttPad& pad, PttHotkeyPresses::PadAction action) {
    using PadAction = PttHotkeyPresses::PadAction;
    switch (action) {
        case PadAction::Press: return pad.MouseDown();
        case PadAction::Release: return pad.MouseUp();
        case PadAction::Toggle: return pad.Pressed() ? pad.MouseUp() : pad.MouseDown();
        case PadAction::None: break;
    }
    return std::nullopt;
}
