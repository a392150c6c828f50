// TDSPPluginModulesStack: the ordered list of module entries that the MixIn module runs
// over every host block, and its saved form ("name=value" lines kept by the configuration
// store in the section "QXTidewellStack").
//
// Owned by the manager (TDSPPlugins) and published in DSPPluginModulesStack once it is
// complete. Refers to entries, never owns them. RunChain runs on the playback thread under
// the stack lock; every other operation runs on the window thread, the only thread that
// changes the list, so Count, Get and IndexOf read without the lock. The window thread
// holds the lock only to change the list or an entry's Active flag, never across a call
// into a module, so the playback thread never waits for a module's Init or Quit.
#pragma once

#include <string>
#include <vector>

#include "base/dsp_records.h"
#include "host/foreign_call_guard.h"

class TDSPPluginModule;

inline constexpr const char* kModuleCountKey = "ModuleCount";
// A module may hand back at most twice the host's frame count: the host's buffer holds
// no more.
inline constexpr int kMaxGrowthFactor = 2;

class TDSPPluginModulesStack {
public:
    // `mixSamples` is the mixing step run at the MixIn entry (null: that entry passes the
    // block on untouched).
    TDSPPluginModulesStack(ForeignCallGuard& guard, DspModifySamplesProc mixSamples);
    TDSPPluginModulesStack(const TDSPPluginModulesStack&) = delete;
    TDSPPluginModulesStack& operator=(const TDSPPluginModulesStack&) = delete;

    int Count() const { return static_cast<int>(entries_.size()); }
    TDSPPluginModule* Get(int index) const;  // null out of range
    int IndexOf(const TDSPPluginModule* entry) const;  // -1 when absent

    // Swap two positions (nothing happens for an index out of range).
    void Exchange(int first, int second);
    // Take the entry at `from` out and insert it at `to`; nothing unless both are in range.
    void Move(int from, int to);
    // Deactivate the entry (its Quit runs outside the lock), then take it out of the list.
    void Remove(TDSPPluginModule* entry);
    // Put the entry at the end (taking it out first if it is there); activity unchanged.
    void Append(TDSPPluginModule* entry);
    // Take the entry out of the list without touching its activity (entry destruction).
    void Take(TDSPPluginModule* entry);

    // Runs every active entry in order over the block, each given the count the previous
    // one returned, and returns the final count. A call that fails, or that returns a count
    // below 0 or above twice `numsamples`, ends the chain for this block: the count reached
    // before it is returned. Holds the stack lock for the whole run; allocates nothing.
    int RunChain(short* samples, int numsamples, int bps, int nch, int srate);

    // Moves and activates the entries named by the saved lines, front first, in saved
    // order. Takes the lock per step, not for the whole load.
    void LoadOrder(const std::vector<std::string>& lines);
    // Replaces `lines` with the saved form of the current order and activity.
    void SaveOrder(std::vector<std::string>& lines) const;

private:
    ForeignCallGuard& guard_;
    DspModifySamplesProc mixSamples_;
    std::vector<TDSPPluginModule*> entries_;
};
