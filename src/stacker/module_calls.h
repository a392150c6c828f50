// Calls into a hosted library's header and module records, each one run inside the
// foreign-call guard. Every function returns false when the call failed (a contained
// exception or fault) or could not be made (a null function pointer; a missing Quit counts
// as done), and then leaves its out-parameter unchanged. None of them allocates, so the chain can use them per block.
#pragma once

#include "core/dsp_records.h"
#include "stacker/foreign_call_guard.h"

bool GuardedGetHeader(ForeignCallGuard& guard, DspGetHeaderProc entry, void* parentWindow,
                      winampDSPHeader*& header);
bool GuardedGetModule(ForeignCallGuard& guard, const winampDSPHeader& header, int index,
                      winampDSPModule*& module);
bool GuardedInit(ForeignCallGuard& guard, winampDSPModule* module);
bool GuardedQuit(ForeignCallGuard& guard, winampDSPModule* module);
bool GuardedConfig(ForeignCallGuard& guard, winampDSPModule* module);
// Runs `proc` (a module's ModifySamples, or the mixing step) on the block; `count` is the
// frame count passed in and, on success, the count the call returned.
bool GuardedModifySamples(ForeignCallGuard& guard, DspModifySamplesProc proc,
                          winampDSPModule* module, short* samples, int& count, int bps, int nch,
                          int srate);
