#include "stacker/published_chain.h"

#include "stacker/dsp_plugin_modules_stack.h"
#include "stacker/stack_lock.h"

bool RunPublishedChain(TDSPPluginModulesStack* const& published, short* samples, int numsamples,
                       int bps, int nch, int srate, int& result) {
    StackLockHold hold(StackLock());
    TDSPPluginModulesStack* stack = published;
    if (stack == nullptr) return false;
    result = stack->RunChain(samples, numsamples, bps, nch, srate);
    return true;
}
