// KeyboardRouter: the control window's keyboard handling inside a message loop it does not
// own.
//
// The window lives in the host's process and its messages pass through the host's message
// loop, which knows nothing of our window: no accelerator table, no dialog navigation. A
// message hook on the window thread sees each message as the loop takes it; for messages
// meant for the window or one of its controls it first offers key-downs to a shortcut
// handler (Ctrl+A/M/P/O), then lets the dialog manager handle Tab and the arrow keys (it
// asks the window to move the focus with WM_NEXTDLGCTL, which the window must answer). A
// message handled either way is turned into WM_NULL, so the host's loop dispatches nothing
// more.
//
// Install and remove on the window thread; one router per window.
#pragma once

#include <windows.h>

#include <functional>

class KeyboardRouter {
public:
    // `shortcut` gets a virtual-key code pressed with Ctrl (Alt up) and answers whether it
    // took it.
    KeyboardRouter(HWND window, std::function<bool(int virtualKey)> shortcut);
    ~KeyboardRouter();
    KeyboardRouter(const KeyboardRouter&) = delete;
    KeyboardRouter& operator=(const KeyboardRouter&) = delete;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM removal, LPARAM message);
    bool Route(MSG& message);

    HWND window_;
    std::function<bool(int)> shortcut_;
    HHOOK hook_ = nullptr;
};
