// Where the configuration dialog's controls go, shared by its files.
#pragma once

#include <windows.h>

struct Place {
    int Left, Top, Width, Height;
};

// The push-to-talk hotkey group, in the free space above the picture: the dialog keeps its
// size and every other control its place.
inline constexpr Place kHotkeyGroup{206, 2, 228, 76};

// A child control of `parent` at `at`, placed relative to the group `inside`.
inline HWND Make(HWND parent, const char* cls, const char* text, DWORD style, Place at, int id,
                 Place inside = {0, 0, 0, 0}) {
    return CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, inside.Left + at.Left, inside.Top + at.Top,
                           at.Width, at.Height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleA(nullptr), nullptr);
}
