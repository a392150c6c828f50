#include "host/winamp_api_man.h"

#include "base/plugin_error.h"
#include "host/host_commands.h"
#include "host/host_paths.h"
#include "host/message_box.h"

namespace {
HWND IfWindow(HWND candidate) { return IsWindow(candidate) ? candidate : nullptr; }
}  // namespace

TWinAmpAPIMan::TWinAmpAPIMan(winampDSPModule* module) {
    if (module == nullptr) {
        ShowMessageBox(nullptr, kNullModuleText, kNullModuleCaption, MB_OK);
        throw SilentAbort();
    }
    Module = module;
    MainWnd = static_cast<HWND>(module->hwndParent);
    FindHostWindows();
}

TWinAmpAPIMan::TWinAmpAPIMan(HWND mainWindow) {
    if (mainWindow == nullptr) throw PluginError(kNullMainWindowText);
    if (!IsWindow(mainWindow)) throw PluginError(kBadMainWindowText);
    MainWnd = mainWindow;
    FindHostWindows();
}

void TWinAmpAPIMan::FindHostWindows() {
    EqWnd = IfWindow(AskWindow(kHostEqualizerWindow));
    PlaylistWnd = IfWindow(AskWindow(kHostPlaylistWindow));
    if (PlaylistWnd == nullptr) PlaylistWnd = IfWindow(FindWindowA(kHostPlaylistWindowClass, nullptr));
    BrowserWnd = IfWindow(AskWindow(kHostBrowserWindow));
}

LRESULT TWinAmpAPIMan::Ask(int code, WPARAM argument) const {
    return SendMessageA(MainWnd, kHostIpcMessage, argument, code);
}

HWND TWinAmpAPIMan::AskWindow(int which) const {
    return reinterpret_cast<HWND>(Ask(kHostGetWindow, which));
}

int TWinAmpAPIMan::IsPlaying() const { return static_cast<int>(Ask(kHostIsPlaying)); }

std::string TWinAmpAPIMan::IniDirectory() const {
    const auto* path = reinterpret_cast<const char*>(Ask(kHostGetIniFile));
    // The answer points into the host's own memory (we run in its process); a host that
    // does not know the command answers a small number, which is no path.
    return IniDirectoryOf(reinterpret_cast<uintptr_t>(path) > 1 ? path : "");
}

std::string TWinAmpAPIMan::PluginDirectory() const {
    const LRESULT answer = Ask(kHostGetPluginDirectory);
    if (answer == 0 || answer == 1) return std::string();
    return reinterpret_cast<const char*>(answer);
}

HWND TWinAmpAPIMan::DialogParent() const { return reinterpret_cast<HWND>(Ask(kHostGetDialogParent)); }
