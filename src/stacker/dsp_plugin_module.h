// TDSPPluginModule: one entry of the module stack, standing for one module record of a
// loaded DSP library (the plug-in's own MixIn and Bypass modules included).
//
// Owned by its library (TDSPPlugin); the stack only refers to it. Created, changed and
// destroyed on the window thread; the playback thread reads Active, IsMixIn and Module
// while it runs the chain under the stack lock. IsMixIn and Module are fixed before the
// entry joins the stack, and Active is only written under the lock, so the window thread
// (its only writer) may read it without. Calls into the module go through the manager's
// foreign-call guard, and never under the stack lock: a module's Init or Quit may take as
// long as it likes without holding up the playback thread.
#pragma once

#include <cstdint>
#include <string>

#include "base/dsp_records.h"

class TDSPPlugin;

class TDSPPluginModule {
public:
    // Fills the entry from `module` and its `description` (already copied out of the
    // record by the library, inside the guard), recognises the plug-in's own two modules
    // and, unless it is a Bypass entry that the configuration keeps out, appends it to the
    // stack. Reads and writes nothing in the foreign record.
    TDSPPluginModule(TDSPPlugin* plugin, winampDSPModule* module, std::string description);
    // Leaves the stack (if it still exists) and, when active, calls the module's Quit once
    // it is out of the chain.
    ~TDSPPluginModule();
    TDSPPluginModule(const TDSPPluginModule&) = delete;
    TDSPPluginModule& operator=(const TDSPPluginModule&) = delete;

    // Activates or deactivates the module and returns the resulting state. Activation runs
    // Init first and then, under the stack lock, lets the chain see the entry; deactivation
    // takes the entry out of the chain under the lock (so no chain run is inside its
    // ModifySamples any more) and then runs Quit. A failing Init or Quit leaves the state
    // as it was. The MixIn entry is always active and calls nothing. A call made while the
    // entry's own Init or Quit runs (a module pumping messages there) changes nothing and
    // returns the current state.
    bool SetActive(bool desired);
    // Opens the module's own configuration when the entry is active. Does not hold the
    // stack lock while the module's Config runs, so the audio goes on meanwhile.
    void Configure();

    TDSPPlugin* Plugin = nullptr;
    winampDSPModule* Module = nullptr;
    std::string Description;  // with the library's FileName, the entry's saved identity
    int32_t IndexInPlugin = 0;
    bool Active = false;
    bool IsMixIn = false;
    bool IsBypass = false;
    bool Placed = false;  // the saved order or the default placement fixed its position

private:
    void StoreActive(bool active);  // under the stack lock

    bool changing_ = false;  // Init or Quit of this entry is running (window thread only)
};
