// What the DSP library manager asks of the plug-in, answered by the host window link and
// the published configuration store (PluginConfig, which may be null). Window thread.
#pragma once

#include "stacker/stacker_host.h"

class TWinAmpAPIMan;

class PluginStackerHost final : public StackerHost {
public:
    explicit PluginStackerHost(TWinAmpAPIMan& link) : link_(link) {}

    void* MainWnd() override;
    std::string PluginDirectory() override;
    bool ConfigExists() override;
    bool AlwaysLoad() override;
    bool EnableBypass() override;
    std::vector<std::string> StackLines() override;
    void SetStackLines(const std::vector<std::string>& lines) noexcept override;

private:
    TWinAmpAPIMan& link_;
};
