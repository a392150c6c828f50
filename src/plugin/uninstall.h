// Uninstall: the plug-in's own clean-up when the user removes it in the host's preferences,
// which is deleting its settings file. The library file itself is the host's to remove.
//
// Runs on the thread the host calls winampUninstallPlugin from (its window thread). It builds
// its own host window link and configuration store and touches neither MixState nor the
// objects of a running MixIn module, which may never have been initialised in this process.
#pragma once

#include <windows.h>

inline constexpr const char* kUninstallCaption = "Uninstall Error";
inline constexpr const char* kUninstallApiText = "Error while init API";
inline constexpr const char* kUninstallConfigText = "Error while init config";
inline constexpr const char* kManualUninstallText = "Error while init API.  A manual unsinstall will be required.";

inline constexpr int kUninstallDone = 0;
inline constexpr int kUninstallFailed = 1;

// The host main window, tried in this order: `recordParent` (hwndParent of module 0's record,
// as the host last filled it), the root owner of `givenParent`, the top-level window of class
// "Winamp v1.x". Null when none of them is an existing window.
HWND FindHostWindowForUninstall(HWND recordParent, HWND givenParent);

// Finds the host window, builds a host link and a configuration store from it and deletes the
// settings file; the store's destruction writes nothing. Each failure has told the user by the
// time it is thrown (PluginError): no window -> "Error while init API" then the manual-uninstall
// failure; no link or no store -> the message box, the failure's own message, then the failure.
void UninstallSettings(HWND recordParent, HWND givenParent);

// UninstallSettings behind the host's boundary: no exception leaves it. kUninstallDone when
// the settings file has been handled; kUninstallFailed otherwise (the host interface has only
// this value, and the user has already been told).
int UninstallPlugin(HWND recordParent, HWND givenParent) noexcept;
