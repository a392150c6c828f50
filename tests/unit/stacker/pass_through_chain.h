// What the chain-overhead measurements time: the MixIn entry (a mixing step that only
// returns the count) and `hosted` modules that do the same, every entry active, with call
// tracing off while it lives.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "unit/stacker/scripted_dsp_folder.h"

class PassThroughChain {
public:
    static constexpr int kFrames = 576;
    static constexpr int kChannels = 2;

    PassThroughChain(ForeignCallGuard& guard, int hosted) {
        host_.enableBypass = false;
        scripted::Library& own = folder_.AddOwn();
        std::vector<scripted::ModuleScript> modules;
        for (int i = 0; i < hosted; ++i) modules.push_back({"Pass" + std::to_string(i)});
        folder_.Add({"dsp_pass.dll", modules});
        OwnLibrary ownLibrary = folder_.OwnOf(own);
        ownLibrary.MixSamples = NoMixing;
        manager_ = std::make_unique<TDSPPlugins>(host_, ownLibrary, folder_, guard);
        for (int i = 0; i < manager_->Stack()->Count(); ++i) manager_->Stack()->Get(i)->SetActive(true);
        scripted::Tracing() = false;
    }
    ~PassThroughChain() { scripted::Tracing() = true; }
    PassThroughChain(const PassThroughChain&) = delete;
    PassThroughChain& operator=(const PassThroughChain&) = delete;

    // One 16-bit stereo block through the whole chain.
    int RunBlock() { return manager_->Stack()->RunChain(block_.data(), kFrames, 16, kChannels, 44100); }

private:
    static int TIDEWELL_CDECL NoMixing(winampDSPModule*, short*, int n, int, int, int) { return n; }

    scripted::Folder folder_;
    scripted::Host host_;
    std::unique_ptr<TDSPPlugins> manager_;
    std::vector<short> block_ = std::vector<short>(2 * kFrames * kChannels);
};
