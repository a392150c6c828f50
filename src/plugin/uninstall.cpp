#include "plugin/uninstall.h"

#include <memory>

#include "config/plugin_config.h"
#include "base/plugin_error.h"
#include "host/error_display.h"
#include "host/host_commands.h"
#include "host/message_box.h"
#include "host/winamp_api_man.h"

namespace {

HWND IfWindow(HWND candidate) { return candidate != nullptr && IsWindow(candidate) ? candidate : nullptr; }

void ShowUninstallError(const char* text) { ShowMessageBox(nullptr, text, kUninstallCaption, MB_OK); }

}  // namespace

HWND FindHostWindowForUninstall(HWND recordParent, HWND givenParent) {
    if (HWND window = IfWindow(recordParent)) return window;
    if (HWND window = IfWindow(givenParent != nullptr ? GetAncestor(givenParent, GA_ROOTOWNER) : nullptr)) {
        return window;
    }
    return IfWindow(FindWindowA(kHostMainWindowClass, nullptr));
}

void UninstallSettings(HWND recordParent, HWND givenParent) {
    HWND hostWindow = FindHostWindowForUninstall(recordParent, givenParent);
    if (hostWindow == nullptr) {
        ShowUninstallError(kUninstallApiText);
        throw PluginError(kManualUninstallText);
    }

    std::unique_ptr<TWinAmpAPIMan> hostLink;
    try {
        hostLink = std::make_unique<TWinAmpAPIMan>(hostWindow);
    } catch (const std::exception& error) {
        ShowUninstallError(kUninstallApiText);
        ShowErrorMessage(error.what());
        throw;
    }

    std::unique_ptr<TPluginConfig> config;
    try {
        config = std::make_unique<TPluginConfig>(hostLink.get());
    } catch (const std::exception& error) {
        ShowUninstallError(kUninstallConfigText);
        hostLink.reset();
        ShowErrorMessage(error.what());
        throw;
    }

    // The store forgets its path before deleting, so destroying it cannot write the file again.
    config->DeleteIniFile();
    config.reset();
    hostLink.reset();
}

int UninstallPlugin(HWND recordParent, HWND givenParent) noexcept {
    try {
        UninstallSettings(recordParent, givenParent);
        return kUninstallDone;
    } catch (...) {
        return kUninstallFailed;
    }
}
