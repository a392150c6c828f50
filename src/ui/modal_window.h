// Running a window modally, the way the host's own dialogs run: the owner is disabled, a
// message loop runs on the calling (window) thread until the window asks to end, then the
// owner is enabled and activated again. Keyboard navigation (Tab, Enter for the default
// button) comes from IsDialogMessage.
#pragma once

#include <windows.h>

class ModalLoop {
public:
    // Shows `window` and pumps messages until End is called. Returns the result passed to
    // End. A WM_QUIT arriving meanwhile ends the loop and is posted again for the outer loop.
    INT_PTR Run(HWND window, HWND owner);
    void End(INT_PTR result);
    bool Running() const { return running_; }

private:
    bool running_ = false;
    bool ended_ = false;
    INT_PTR result_ = 0;
};

// The "MS Sans Serif" 8 pt font the plug-in's windows use; one shared handle.
HFONT DialogFont();
void ApplyDialogFont(HWND window);
