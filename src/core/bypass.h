// The bypass copy: the MixIn module saves the untouched host block before any processing,
// and the Bypass module puts it back at its place in the module stack, so that modules
// after it (and the host) get the unprocessed stream.
//
// The save step and the restore both run on the host's playback thread; Bypass Init and
// Quit run on the window thread and only flip BypassActive.
#pragma once

#include <cstdint>

#include "base/relaxed_atomic.h"

struct BypassCopyRecord {
    uint8_t* Data = nullptr;  // (Bps / 8) * NumSamples * Nch bytes of raw PCM, or null
    int32_t NumSamples = 0;   // frames
    int32_t Bps = 0;
    int32_t Nch = 0;
    int32_t SRate = 0;
};

extern BypassCopyRecord BypassCopy;
extern bool BypassSaved;                  // the copy holds a block not yet put back
extern RelaxedAtomic<bool> BypassActive;  // the Bypass module is initialised

// First step of MixIn ModifySamples. Keeps (or drops) the copy of the untouched block.
void BypassSaveStep(const void* samples, int numsamples, int bps, int nch, int srate);

// Bypass module callbacks, free of the host records. `configExists` and `mixInLoaded`
// are the state of the MixIn module at the time of the call.
int BypassInit(bool configExists, bool mixInLoaded);
int BypassModifySamples(void* samples, int numsamples, int bps, int nch, int srate);
void BypassQuit();

// Frees the copy (MixIn Quit).
void BypassFreeCopy();
