// The DLL's one mixing engine, wired to MixState, to the control window by posted messages
// and to the Windows clocks. The capture queue it mixes from is whatever the life cycle
// last set: the capture thread once MixIn Init has published it, null (blocks pass
// unchanged) before that and after Quit.
//
// MixSamples: playback thread (MixIn ModifySamples, or the module stack's chain at the
// MixIn entry). MixInStatsReport: window thread. SetMixerCaptureQueue and MixerDropBuffer:
// window thread (MixIn Init and Quit), never while a block is being mixed.
#pragma once

#include <string>

#include "base/dsp_records.h"

class CaptureQueue;

void SetMixerCaptureQueue(CaptureQueue* queue);
CaptureQueue* MixerCaptureQueue();

// The mixing step; returns numsamples. Never throws.
int MixSamples(winampDSPModule* module, short* samples, int numsamples, int bps, int nch,
               int srate);

// MixIn Quit: lets go of the recorded buffer being mixed (and its pending marks) while the
// capture queue still exists.
void MixerDropBuffer();

// The statistics report of the DLL's MixState (may throw std::bad_alloc).
std::string MixInStatsReport();
