// The host's window-message API: every question goes to the host main window as
// SendMessage(mainWnd, WM_USER, argument, code).
#pragma once

inline constexpr unsigned kHostIpcMessage = 1024;  // WM_USER

inline constexpr int kHostIsPlaying = 104;           // 1 playing, 3 paused, 0 stopped
inline constexpr int kHostGetWindow = 260;           // argument: which window (below)
inline constexpr int kHostGetIniFile = 334;          // char* to the host's INI file path
inline constexpr int kHostGetPluginDirectory = 336;  // char* to the plug-in folder
inline constexpr int kHostGetDialogParent = 365;     // owner for modal dialogs

inline constexpr int kHostEqualizerWindow = 0;
inline constexpr int kHostPlaylistWindow = 1;
inline constexpr int kHostBrowserWindow = 2;

inline constexpr int kHostIsPlayingAnswerPlaying = 1;

inline constexpr const char* kHostMainWindowClass = "Winamp v1.x";
inline constexpr const char* kHostPlaylistWindowClass = "Winamp PE";
