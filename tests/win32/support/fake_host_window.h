// A stand-in for the host's main window (class "Winamp v1.x") in a Win32 test: it answers
// the host's window-message API from fields the test sets. Created on the test's thread,
// which therefore answers SendMessage from that thread directly.
#pragma once

#include <windows.h>

#include <string>

class FakeHostWindow {
public:
    int PlayState = 1;
    HWND Windows[3] = {nullptr, nullptr, nullptr};  // equalizer, playlist editor, browser
    std::string IniFile = "C:\\Winamp\\winamp.ini";
    std::string PluginFolder = "C:\\Winamp\\Plugins";
    LRESULT PluginFolderAnswer = -1;  // -1: answer the address of PluginFolder
    LRESULT IniFileAnswer = -1;       // -1: answer the address of IniFile
    HWND DialogParentAnswer = nullptr;
    int QuestionsAsked = 0;

    explicit FakeHostWindow(const char* className = "Winamp v1.x") {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &FakeHostWindow::Procedure;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = className;
        RegisterClassA(&wc);
        window_ = CreateWindowExA(0, className, "Fake host", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                  nullptr, wc.hInstance, nullptr);
        SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~FakeHostWindow() { DestroyWindow(window_); }
    FakeHostWindow(const FakeHostWindow&) = delete;
    FakeHostWindow& operator=(const FakeHostWindow&) = delete;

    HWND Handle() const { return window_; }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<FakeHostWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self == nullptr || msg != WM_USER) return DefWindowProcA(window, msg, wParam, lParam);
        ++self->QuestionsAsked;
        switch (lParam) {
            case 104: return self->PlayState;
            case 260: return wParam < 3 ? reinterpret_cast<LRESULT>(self->Windows[wParam]) : 0;
            case 334:
                return self->IniFileAnswer != -1 ? self->IniFileAnswer
                                                 : reinterpret_cast<LRESULT>(self->IniFile.c_str());
            case 336:
                return self->PluginFolderAnswer != -1 ? self->PluginFolderAnswer
                                                      : reinterpret_cast<LRESULT>(self->PluginFolder.c_str());
            case 365: return reinterpret_cast<LRESULT>(self->DialogParentAnswer);
            default: return 1;
        }
    }

    HWND window_ = nullptr;
};
