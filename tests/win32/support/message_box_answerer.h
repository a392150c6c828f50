// Answers the modal message boxes that code outside the test's reach shows (the plug-in
// DLL's own copy of the message-box seam cannot be replaced from a test), the way a user
// would: a thread finds each standard dialog box of this process, notes its text and
// presses OK.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

class MessageBoxAnswerer {
public:
    MessageBoxAnswerer() : thread_([this] { Run(); }) {}
    ~MessageBoxAnswerer() {
        stop_ = true;
        thread_.join();
    }
    MessageBoxAnswerer(const MessageBoxAnswerer&) = delete;
    MessageBoxAnswerer& operator=(const MessageBoxAnswerer&) = delete;

    // The texts of the boxes answered so far.
    std::vector<std::string> Texts() {
        std::lock_guard<std::mutex> hold(lock_);
        return texts_;
    }

private:
    static constexpr DWORD kPollMs = 20;
    static constexpr int kMessageTextId = 0xFFFF;  // the static control holding a box's text

    static BOOL CALLBACK Visit(HWND window, LPARAM self) {
        reinterpret_cast<MessageBoxAnswerer*>(self)->Answer(window);
        return TRUE;
    }

    void Answer(HWND window) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        char cls[16] = {};
        GetClassNameA(window, cls, sizeof cls);
        if (process != GetCurrentProcessId() || std::string(cls) != "#32770" || !IsWindowVisible(window)) return;
        if (!answered_.insert(window).second) return;
        char text[1024] = {};
        GetDlgItemTextA(window, kMessageTextId, text, sizeof text);
        {
            std::lock_guard<std::mutex> hold(lock_);
            texts_.push_back(text);
        }
        PostMessageA(window, WM_COMMAND, IDOK, 0);
    }

    void Run() {
        while (!stop_) {
            EnumWindows(&Visit, reinterpret_cast<LPARAM>(this));
            Sleep(kPollMs);
        }
    }

    std::atomic<bool> stop_{false};
    std::mutex lock_;
    std::vector<std::string> texts_;
    std::set<HWND> answered_;
    std::thread thread_;
};
