// PttHotkeyControl: the push-to-talk hotkey of the control window, seen whichever window has
// the focus.
//
// RegisterHotKey gives the press (WM_HOTKEY to the window); the release comes from polling
// the key's state (GetAsyncKeyState) on a window timer every kHotkeyPollMs while the key is
// held, with the system's timer resolution raised to 1 ms meanwhile, so that the polls are
// no further apart than that. What the presses do to the pad is PttHotkeyPresses'; this
// class hands each pad action to its owner. Nothing here waits: the window thread only
// handles messages.
//
// A key that cannot be had (an unknown name, or another program holds it) leaves the pad
// and the link working; Problem() says why, for the status line, GetState and the
// configuration dialog. A key held by another program is asked for again now and then
// (RetryIfTaken), so that it works once that program lets go.
//
// Created and destroyed on the window thread with the window; the destructor unregisters
// the key, stops the timer and gives back the timer resolution. The window forwards
// WM_HOTKEY and the poll timer's WM_TIMER.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "ui/hotkey_name.h"
#include "ui/ptt_hotkey_presses.h"

inline constexpr UINT_PTR kHotkeyPollTimerId = 3;
inline constexpr UINT kHotkeyPollMs = 10;
// The hotkey's identifier on the window (identifiers are per window).
inline constexpr int kPttHotkeyId = 1;
// A key held by another program is asked for again at most this often.
inline constexpr uint32_t kHotkeyRetryMs = 1000;

class PttHotkeyControl {
public:
    using PadHandler = std::function<void(PttHotkeyPresses::PadAction)>;

    PttHotkeyControl(HWND window, PadHandler pad);
    ~PttHotkeyControl();
    PttHotkeyControl(const PttHotkeyControl&) = delete;
    PttHotkeyControl& operator=(const PttHotkeyControl&) = delete;

    // Takes the setting: the key name (empty: no hotkey) and the mode. A press in progress
    // ends first (releasing the pad in Hold mode); then the key is registered.
    void Apply(const std::string& name, PttHotkeyMode mode);
    // WM_HOTKEY with this identifier.
    void HotkeyMessage(WPARAM id);
    // The poll timer's tick.
    void Poll();
    // From the status refresh: registers a key that another program held, when it is free.
    void RetryIfTaken();

    // The key as set (canonical when it is a key name), the mode, and whether it is ours.
    const std::string& Name() const { return name_; }
    PttHotkeyMode Mode() const { return presses_.Mode(); }
    bool Registered() const { return registered_; }
    // Why the key cannot be had; empty when it is registered or none is set.
    const std::string& Problem() const { return problem_; }

private:
    void Register();
    void Unregister();
    void Run(PttHotkeyPresses::Step step);
    void StartPolling();
    void StopPolling();

    HWND window_;
    PadHandler pad_;
    PttHotkeyPresses presses_;
    HotkeyChord chord_;
    std::string name_;
    std::string problem_;
    bool registered_ = false;
    bool taken_ = false;  // another program holds the key: retried
    uint32_t lastAttempt_ = 0;
    uint32_t pressedAt_ = 0;  // tick of the press being held
    bool polling_ = false;
};
