// Calls into a hosted library's header and module records, each one run inside the
// foreign-call guard. Every function returns false when the call failed (a contained
// exception or fault) or could not be made (a null function pointer; a missing Quit counts
// as done), and then leaves its out-parameter unchanged. Every read of a foreign record
// (its function pointers and texts) happens inside the guard too, so a record at a bad
// address is contained like a faulting call. None of them allocates, so the chain can use
// them per block.
#pragma once

#include <cstdint>

#include "base/dsp_records.h"
#include "host/foreign_call_guard.h"

// Longest description text copied out of a foreign record; a longer one is cut there (a
// pointer into memory without a terminator would otherwise be read without end).
inline constexpr int kMaxForeignTextLength = 1023;
using ForeignText = char[kMaxForeignTextLength + 1];

// The fields of a library's header that the stacker uses, copied inside the guard.
struct HeaderFields {
    int32_t Version = 0;
    DspGetModuleProc GetModule = nullptr;
    ForeignText Description = {};
};

bool GuardedGetHeader(ForeignCallGuard& guard, DspGetHeaderProc entry, void* parentWindow,
                      winampDSPHeader*& header);
// Copies the header's version, getModule and description (null reads as empty).
bool GuardedReadHeader(ForeignCallGuard& guard, const winampDSPHeader* header, HeaderFields& fields);
bool GuardedGetModule(ForeignCallGuard& guard, DspGetModuleProc getModule, int index,
                      winampDSPModule*& module);
// Copies a module record's description (null reads as empty).
bool GuardedReadDescription(ForeignCallGuard& guard, const winampDSPModule* module, ForeignText& text);
// Fills what the host fills in a module record it loads itself: the parent window and
// the library's instance handle.
bool GuardedFillHostFields(ForeignCallGuard& guard, winampDSPModule* module, void* parentWindow,
                           void* instance);
bool GuardedInit(ForeignCallGuard& guard, winampDSPModule* module);
bool GuardedQuit(ForeignCallGuard& guard, winampDSPModule* module);
bool GuardedConfig(ForeignCallGuard& guard, winampDSPModule* module);
// Runs the module's own ModifySamples, its function pointer read inside the guard; false
// for a null pointer too.
bool GuardedModuleModifySamples(ForeignCallGuard& guard, winampDSPModule* module, short* samples,
                                int& count, int bps, int nch, int srate);
// Runs `proc` (a module's ModifySamples, or the mixing step) on the block; `count` is the
// frame count passed in and, on success, the count the call returned.
bool GuardedModifySamples(ForeignCallGuard& guard, DspModifySamplesProc proc,
                          winampDSPModule* module, short* samples, int& count, int bps, int nch,
                          int srate);
