// TWinAmpAPIMan: the link to the host's windows.
//
// Checks the host main window, finds the host's equalizer, playlist-editor and mini-browser
// windows, and asks the host its few questions by window message. Built and used on the
// host's window thread: the queries are synchronous SendMessage calls, so they must not be
// made while the host's window thread waits for the caller. MixIn Init builds one from its
// module record and keeps it in the record's userData; uninstall builds one from a window.
#pragma once

#include <windows.h>

#include <string>

#include "base/dsp_records.h"

inline constexpr const char* kNullModuleText = "NULL Pointer to module Var.";
inline constexpr const char* kNullModuleCaption = "Internal Error";
inline constexpr const char* kNullMainWindowText = "NULL Winamp Main HWND Var.";
inline constexpr const char* kBadMainWindowText = "Bad Winamp Main HWND Var.";

class TWinAmpAPIMan {
public:
    // From the host's module record. A null record shows "NULL Pointer to module Var." and
    // throws SilentAbort. The record's hwndParent is taken without a test.
    explicit TWinAmpAPIMan(winampDSPModule* module);
    // From a main window handle. Throws PluginError for a null or dead handle; showing the
    // error is the caller's business.
    explicit TWinAmpAPIMan(HWND mainWindow);
    virtual ~TWinAmpAPIMan() = default;

    TWinAmpAPIMan(const TWinAmpAPIMan&) = delete;
    TWinAmpAPIMan& operator=(const TWinAmpAPIMan&) = delete;

    winampDSPModule* Module = nullptr;
    HWND MainWnd = nullptr;
    HWND EqWnd = nullptr;
    HWND PlaylistWnd = nullptr;
    HWND BrowserWnd = nullptr;

    // The host's play state; only 1 means playing.
    int IsPlaying() const;
    // The folder of the host's INI file, ending in '\'.
    std::string IniDirectory() const;
    // The host's plug-in folder; empty when the host answers 0 or 1.
    std::string PluginDirectory() const;
    // The window that should own modal dialogs (unchecked: test it with IsWindow).
    HWND DialogParent() const;

private:
    LRESULT Ask(int code, WPARAM argument = 0) const;
    HWND AskWindow(int which) const;
    void FindHostWindows();
};
