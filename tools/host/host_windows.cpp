#include "host_windows.h"

#include <cstdio>
#include <exception>

#include "exit_codes.h"
#include "host/host_commands.h"
#include "host/window_class.h"

namespace {

constexpr char kMainTitle[] = "Tidewell substitute host";
constexpr char kPlaylistTitle[] = "Playlist Editor";
constexpr int kWindowWidth = 275;   // the classic player's window size, for modules that look
constexpr int kWindowHeight = 116;
constexpr LRESULT kUnknownCodeAnswer = 1;
constexpr UINT kInternalErrorExitCode = kExitInternalError;

LRESULT CALLBACK PlaylistProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) return 0;  // the editor lives as long as the host
    return DefWindowProcA(window, message, wParam, lParam);
}

bool RegisterWindowClass(const char* name, WNDPROC procedure) {
    return EnsureWindowClass(GetModuleHandleA(nullptr), name, procedure);
}

}  // namespace

HostWindows::HostWindows(std::string iniFile, std::string pluginFolder, HostWindowListener& listener)
    : iniFile_(std::move(iniFile)), pluginFolder_(std::move(pluginFolder)), listener_(listener) {
    if (!RegisterWindowClass(kHostMainWindowClass, &HostWindows::MainProcedure) ||
        !RegisterWindowClass(kHostPlaylistWindowClass, &PlaylistProcedure)) {
        return;
    }
    HINSTANCE instance = GetModuleHandleA(nullptr);
    main_ = CreateWindowExA(0, kHostMainWindowClass, kMainTitle, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                            CW_USEDEFAULT, CW_USEDEFAULT, kWindowWidth, kWindowHeight, nullptr, nullptr, instance,
                            this);
    if (!main_) return;
    playlist_ = CreateWindowExA(0, kHostPlaylistWindowClass, kPlaylistTitle, WS_OVERLAPPED | WS_CAPTION,
                                CW_USEDEFAULT, CW_USEDEFAULT, kWindowWidth, kWindowHeight, main_, nullptr, instance,
                                nullptr);
}

HostWindows::~HostWindows() {
    if (playlist_) DestroyWindow(playlist_);
    if (main_) {
        SetWindowLongPtrA(main_, GWLP_USERDATA, 0);
        DestroyWindow(main_);
    }
}

LRESULT HostWindows::AnswerHostQuestion(WPARAM argument, LPARAM code) const {
    switch (code) {
        case kHostIsPlaying: return PlayState();
        case kHostGetWindow:
            return argument == kHostPlaylistWindow ? reinterpret_cast<LRESULT>(playlist_) : 0;
        case kHostGetIniFile: return reinterpret_cast<LRESULT>(iniFile_.c_str());
        case kHostGetPluginDirectory: return reinterpret_cast<LRESULT>(pluginFolder_.c_str());
        case kHostGetDialogParent: return reinterpret_cast<LRESULT>(main_);
        default: return kUnknownCodeAnswer;
    }
}

// No exception may leave a window procedure: a failure of the tool itself ends the run.
template <class Handler>
LRESULT HostWindows::Forward(Handler&& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tidewell-host: internal error: %s\n", error.what());
        ExitProcess(kInternalErrorExitCode);
    }
    return 0;
}

LRESULT CALLBACK HostWindows::MainProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<HostWindows*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self) {
        switch (message) {
            case kHostIpcMessage: return self->AnswerHostQuestion(wParam, lParam);
            case kRequestConfig:
            case kRequestCycle:
            case kPlaybackEnded: return self->Forward([&] { self->listener_.OnHostRequest(message); });
            case WM_TIMER: return self->Forward([&] { self->listener_.OnHostTimer(wParam); });
            case WM_CLOSE: return 0;  // the run ends when the stream does
            default: break;
        }
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
