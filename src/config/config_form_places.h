// Where the configuration dialog's controls go, shared by its files.
#pragma once

#include <windows.h>

struct Place {
    int Left, Top, Width, Height;
};

// The push-to-talk hotkey group at the bottom of the dialog, and how much it adds to the
// dialog's height.
inline constexpr int kHotkeyGroupHeight = 100;
inline constexpr Place kHotkeyGroup{8, 274, 425, 92};

// A child control of `parent` at `at`, placed relative to the group `inside`.
inline HWND Make(HWND parent, const char* cls, const char* text, DWORD style, Place at, int id,
                 Place inside = {0, 0, 0, 0}) {
    return CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, inside.Left + at.Left, inside.Top + at.Top,
                           at.Width, at.Height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleA(nullptr), nullptr);
}
