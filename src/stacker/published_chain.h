// The MixIn module's ModifySamples runs the chain through the published stack pointer
// (DSPPluginModulesStack). Reading that pointer and running the chain happen under one
// hold of the stack lock, and the manager publishes the stack under the same lock once it
// is complete and unpublishes it under that lock before taking it down, so the playback
// thread never runs a stack that the window thread (MixIn Init or Quit) is still building
// or already destroying.
//
// Playback thread. Allocates nothing.
#pragma once

class TDSPPluginModulesStack;

// Runs the chain of the stack `published` points to and stores its count in `result`.
// False when no stack is published; the caller then mixes the block directly.
bool RunPublishedChain(TDSPPluginModulesStack* const& published, short* samples, int numsamples,
                       int bps, int nch, int srate, int& result);
