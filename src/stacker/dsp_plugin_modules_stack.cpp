#include "stacker/dsp_plugin_modules_stack.h"

#include <algorithm>
#include <cstdint>

#include "stacker/dsp_plugin_module.h"
#include "stacker/module_calls.h"
#include "stacker/stack_lock.h"

TDSPPluginModulesStack::TDSPPluginModulesStack(ForeignCallGuard& guard,
                                               DspModifySamplesProc mixSamples)
    : guard_(guard), mixSamples_(mixSamples) {}

TDSPPluginModule* TDSPPluginModulesStack::Get(int index) const {
    if (index < 0 || index >= Count()) return nullptr;
    return entries_[static_cast<size_t>(index)];
}

int TDSPPluginModulesStack::IndexOf(const TDSPPluginModule* entry) const {
    const auto at = std::find(entries_.begin(), entries_.end(), entry);
    return at == entries_.end() ? -1 : static_cast<int>(at - entries_.begin());
}

void TDSPPluginModulesStack::Exchange(int first, int second) {
    StackLockHold hold(StackLock());
    if (Get(first) == nullptr || Get(second) == nullptr) return;
    std::swap(entries_[static_cast<size_t>(first)], entries_[static_cast<size_t>(second)]);
}

void TDSPPluginModulesStack::Move(int from, int to) {
    StackLockHold hold(StackLock());
    if (Get(from) == nullptr || Get(to) == nullptr || from == to) return;
    TDSPPluginModule* entry = entries_[static_cast<size_t>(from)];
    entries_.erase(entries_.begin() + from);
    entries_.insert(entries_.begin() + to, entry);
}

void TDSPPluginModulesStack::Remove(TDSPPluginModule* entry) {
    if (entry == nullptr) return;
    // Not under one hold: the module's Quit must run outside the lock. SetActive takes the
    // entry out of the chain first, and the window thread is the only one changing the list.
    entry->SetActive(false);
    Take(entry);
}

void TDSPPluginModulesStack::Append(TDSPPluginModule* entry) {
    if (entry == nullptr) return;
    StackLockHold hold(StackLock());
    Take(entry);
    entries_.push_back(entry);
}

void TDSPPluginModulesStack::Take(TDSPPluginModule* entry) {
    StackLockHold hold(StackLock());
    const auto at = std::find(entries_.begin(), entries_.end(), entry);
    if (at != entries_.end()) entries_.erase(at);
}

int TDSPPluginModulesStack::RunChain(short* samples, int numsamples, int bps, int nch,
                                     int srate) {
    StackLockHold hold(StackLock());
    // The host's buffer has room for twice its own count; a module claiming more (or a
    // negative count) would send the next module, the mixer included, past its end.
    const int64_t maxCount = int64_t{kMaxGrowthFactor} * std::max(numsamples, 0);
    int count = numsamples;
    for (size_t i = 0; i < entries_.size(); ++i) {
        TDSPPluginModule* entry = entries_[i];
        if (!entry->Active) continue;
        if (entry->IsMixIn && mixSamples_ == nullptr) continue;
        int result = count;
        // A hosted module's function pointer is read inside the guard, like the call.
        const bool ran = entry->IsMixIn
                             ? GuardedModifySamples(guard_, mixSamples_, entry->Module, samples, result, bps, nch, srate)
                             : GuardedModuleModifySamples(guard_, entry->Module, samples, result, bps, nch, srate);
        if (!ran) break;
        if (result < 0 || result > maxCount) break;
        count = result;
    }
    return count;
}
