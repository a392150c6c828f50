// The messages of the capture thread's utility window. Requests are posted by any thread and
// handled on the capture thread in posting order; the platform's MM_WIM_* callbacks arrive
// at the same window.
#pragma once

#include <windows.h>

inline constexpr UINT WM_RECTHREAD_OPEN = WM_USER + 0;
inline constexpr UINT WM_RECTHREAD_CLOSE = WM_USER + 1;
inline constexpr UINT WM_RECTHREAD_IDLE = WM_USER + 2;
inline constexpr UINT WM_RECTHREAD_RECYCLE = WM_USER + 3;  // wParam device, lParam header
inline constexpr UINT WM_RECTHREAD_TRIM = WM_USER + 4;
inline constexpr UINT WM_RECTHREAD_STOP = WM_USER + 5;
inline constexpr UINT WM_RECTHREAD_START = WM_USER + 6;
inline constexpr UINT WM_RECTHREAD_DISCARD = WM_USER + 7;  // wParam count
inline constexpr UINT WM_RECTHREAD_RESET = WM_USER + 8;
inline constexpr UINT WM_RECTHREAD_SPARE = WM_USER + 9;        // wParam data block
inline constexpr UINT WM_RECTHREAD_SETPRIORITY = WM_USER + 10;  // wParam priority 0..6
inline constexpr UINT WM_RECTHREAD_GETPRIORITY = WM_USER + 11;  // sent; answers 0..6
inline constexpr UINT WM_RECTHREAD_PAUSE = WM_USER + 12;

// Private: marks the end of the messages a drain has to dispatch.
inline constexpr UINT WM_RECTHREAD_DRAIN_END = WM_USER + 13;
