#include "ui/ptt_hotkey_control.h"

#include <mmsystem.h>

namespace {
// The system timer resolution asked for while the key is held, so that a 10 ms window timer
// fires every 10 ms rather than at the default 15.6 ms tick.
constexpr UINT kPollResolutionMs = 1;
constexpr SHORT kKeyDownBit = static_cast<SHORT>(0x8000);
constexpr UINT kNoRepeat = 0x4000;  // MOD_NOREPEAT (Windows 7 and later)
}  // namespace

PttHotkeyControl::PttHotkeyControl(HWND window, PadHandler pad) : window_(window), pad_(std::move(pad)) {}

PttHotkeyControl::~PttHotkeyControl() {
    // The window is going: no pad action any more, only the system's resources given back.
    StopPolling();
    Unregister();
}

void PttHotkeyControl::Apply(const std::string& name, PttHotkeyMode mode) {
    Run(presses_.Stop());
    Unregister();
    presses_.SetMode(mode);
    name_ = name;
    problem_.clear();
    taken_ = false;
    if (name.empty()) return;
    const std::optional<HotkeyChord> chord = ParseHotkeyName(name);
    if (!chord) {
        problem_ = HotkeyUnknownText(name);
        return;
    }
    chord_ = *chord;
    name_ = HotkeyName(chord_);
    Register();
}

void PttHotkeyControl::Register() {
    lastAttempt_ = GetTickCount();
    // MOD_NOREPEAT asks Windows for one message per press; Wine repeats anyway, and
    // PttHotkeyPresses ignores the repeats while the key is held.
    if (RegisterHotKey(window_, kPttHotkeyId, chord_.Modifiers | kNoRepeat, static_cast<UINT>(chord_.VirtualKey))) {
        registered_ = true;
        taken_ = false;
        problem_.clear();
        return;
    }
    const DWORD error = GetLastError();
    taken_ = error == ERROR_HOTKEY_ALREADY_REGISTERED;
    problem_ = taken_ ? HotkeyInUseText(name_) : HotkeyFailedText(name_, error);
}

void PttHotkeyControl::Unregister() {
    if (!registered_) return;
    UnregisterHotKey(window_, kPttHotkeyId);
    registered_ = false;
}

void PttHotkeyControl::RetryIfTaken() {
    if (!taken_ || GetTickCount() - lastAttempt_ < kHotkeyRetryMs) return;
    Register();
}

void PttHotkeyControl::HotkeyMessage(WPARAM id) {
    if (id != kPttHotkeyId || !registered_) return;
    if (!presses_.Held()) pressedAt_ = GetTickCount();
    Run(presses_.Pressed());
}

void PttHotkeyControl::Poll() {
    if (!presses_.Held()) {
        StopPolling();
        return;
    }
    const bool down = (GetAsyncKeyState(chord_.VirtualKey) & kKeyDownBit) != 0;
    Run(presses_.Polled(down, GetTickCount() - pressedAt_));
}

void PttHotkeyControl::Run(PttHotkeyPresses::Step step) {
    if (step.Poll) {
        StartPolling();
    } else {
        StopPolling();
    }
    if (step.Pad != PttHotkeyPresses::PadAction::None && pad_) pad_(step.Pad);
}

void PttHotkeyControl::StartPolling() {
    if (polling_) return;
    polling_ = true;
    timeBeginPeriod(kPollResolutionMs);
    SetTimer(window_, kHotkeyPollTimerId, kHotkeyPollMs, nullptr);
}

void PttHotkeyControl::StopPolling() {
    if (!polling_) return;
    polling_ = false;
    KillTimer(window_, kHotkeyPollTimerId);
    timeEndPeriod(kPollResolutionMs);
}
