// The host's two windows as a DSP module sees them: the main window (class "Winamp v1.x")
// answering the host's window-message API, and the playlist editor (class "Winamp PE").
// The main window also carries the tool's own requests to the window thread: the playback
// thread posts them (it never sends), and timers fire on it.
//
// Created, used and destroyed on the window thread; SetPlayState may be called from any
// thread (the answer to the play-state question follows it).
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

// Messages the tool posts to its own main window (WM_APP range: never the host API's).
inline constexpr UINT kRequestConfig = WM_APP + 1;     // call the module's Config
inline constexpr UINT kRequestCycle = WM_APP + 2;      // Quit then Init the module
inline constexpr UINT kPlaybackEnded = WM_APP + 3;     // the playback thread is done

// Play states as the play-state question answers them.
inline constexpr int kPlayStateStopped = 0;
inline constexpr int kPlayStatePlaying = 1;
inline constexpr int kPlayStatePaused = 3;

class HostWindowListener {
public:
    virtual ~HostWindowListener() = default;
    virtual void OnHostRequest(UINT message) = 0;
    virtual void OnHostTimer(UINT_PTR id) = 0;
};

class HostWindows {
public:
    HostWindows(std::string iniFile, std::string pluginFolder, HostWindowListener& listener);
    ~HostWindows();
    HostWindows(const HostWindows&) = delete;
    HostWindows& operator=(const HostWindows&) = delete;

    bool Created() const { return main_ != nullptr && playlist_ != nullptr; }
    HWND Main() const { return main_; }
    HWND Playlist() const { return playlist_; }

    void SetPlayState(int state) { playState_.store(state, std::memory_order_relaxed); }
    int PlayState() const { return playState_.load(std::memory_order_relaxed); }

private:
    static LRESULT CALLBACK MainProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT AnswerHostQuestion(WPARAM argument, LPARAM code) const;
    template <class Handler>
    LRESULT Forward(Handler&& handler);

    std::string iniFile_;
    std::string pluginFolder_;
    HostWindowListener& listener_;
    std::atomic<int> playState_{kPlayStateStopped};
    HWND main_ = nullptr;
    HWND playlist_ = nullptr;
};
