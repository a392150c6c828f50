// What the stacker manager takes from the rest of the plug-in when the MixIn module's Init
// creates it.
//
// StackerHost is answered by the host window link (TWinAmpAPIMan: MainWnd and
// PluginDirectory) and the configuration store (TPluginConfig: whether it exists, the
// "AlwaysLoad" and "EnableBypass" settings, and the StackLines list that holds the saved
// stack). The manager asks at the moments it needs the answers, on the window thread.
//
// OwnLibrary identifies the plug-in's own library, header and module records, so that the
// scan recognises them among the DSP libraries of the folder, and carries the mixing step
// (MixSamples) that the chain runs at the MixIn entry. The file is recognised by its module
// handle, never by the spelling of its path: the host's plug-in folder may be spelt
// differently (letter case, short names) from the path the library was loaded under.
#pragma once

#include <string>
#include <vector>

#include "base/dsp_records.h"

class StackerHost {
public:
    virtual ~StackerHost() = default;

    // The host main window: the parent window handed to every hosted library.
    virtual void* MainWnd() = 0;
    // The host's plug-in folder; "" when the host gives none.
    virtual std::string PluginDirectory() = 0;

    // Whether the configuration store exists; without it "AlwaysLoad" counts as off, the
    // Bypass module always joins the stack, and the order is not saved.
    virtual bool ConfigExists() = 0;
    virtual bool AlwaysLoad() = 0;
    virtual bool EnableBypass() = 0;
    // The saved stack, as "name=value" lines.
    virtual std::vector<std::string> StackLines() = 0;
    // Replaces the saved stack in one change (the store then writes its file). Called from
    // the manager's destructor, so it must not throw: a save that fails is the host's to
    // report.
    virtual void SetStackLines(const std::vector<std::string>& lines) noexcept = 0;
};

struct OwnLibrary {
    void* Handle = nullptr;                     // the library's own module handle
    const winampDSPHeader* Header = nullptr;    // the library's own header record
    const winampDSPModule* MixIn = nullptr;     // module 0's record
    const winampDSPModule* Bypass = nullptr;    // module 1's record
    DspModifySamplesProc MixSamples = nullptr;  // the mixing step, run at the MixIn entry
};
