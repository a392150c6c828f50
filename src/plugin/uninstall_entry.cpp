// The host's uninstall entry point. Module 0's record tells the host main window when the
// MixIn module ran in this process; otherwise the window the host passes leads to it.
#include <windows.h>

#include "plugin/plugin_modules.h"
#include "plugin/uninstall.h"

extern "C" int TIDEWELL_CDECL winampUninstallPlugin(HINSTANCE /*library*/, HWND parent, int /*param*/) {
    const HWND recordParent = static_cast<HWND>(PluginModule(kMixInModuleIndex).hwndParent);
    return UninstallPlugin(recordParent, parent);
}
