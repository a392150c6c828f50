#include "plugin/plugin_stacker_host.h"

#include "config/plugin_config.h"
#include "core/exported_globals.h"
#include "host/winamp_api_man.h"

void* PluginStackerHost::MainWnd() { return link_.MainWnd; }

std::string PluginStackerHost::PluginDirectory() { return link_.PluginDirectory(); }

bool PluginStackerHost::ConfigExists() { return PluginConfig != nullptr; }

bool PluginStackerHost::AlwaysLoad() { return PluginConfig != nullptr && PluginConfig->AlwaysLoad; }

bool PluginStackerHost::EnableBypass() { return PluginConfig != nullptr && PluginConfig->EnableBypass; }

std::vector<std::string> PluginStackerHost::StackLines() {
    return PluginConfig != nullptr ? PluginConfig->StackLines.Lines() : std::vector<std::string>();
}

void PluginStackerHost::SetStackLines(const std::vector<std::string>& lines) noexcept {
    // The manager saves its order from its destructor: a failed save is shown, never thrown.
    if (TPluginConfig* config = PluginConfig) {
        config->ChangeOrReport([&lines](TPluginConfig& c) { c.StackLines.Replace(lines); });
    }
}
