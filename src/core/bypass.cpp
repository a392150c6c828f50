#include "core/bypass.h"

#include <algorithm>
#include <cstring>

#include "core/mix_state.h"

BypassCopyRecord BypassCopy;
bool BypassSaved = false;
RelaxedAtomic<bool> BypassActive{false};

namespace {

int64_t BlockBytes(int numsamples, int bps, int nch) {
    return static_cast<int64_t>(bps / 8) * numsamples * nch;
}

int64_t CopyBytes() { return BlockBytes(BypassCopy.NumSamples, BypassCopy.Bps, BypassCopy.Nch); }

}  // namespace

void BypassFreeCopy() {
    uint8_t* data = BypassCopy.Data;
    BypassCopy.Data = nullptr;
    delete[] data;
}

void BypassSaveStep(const void* samples, int numsamples, int bps, int nch, int srate) {
    const int64_t size = BlockBytes(numsamples, bps, nch);
    // A block that has no bytes (or a nonsensical format) cannot be saved; drop any copy
    // rather than allocate a negative or empty size.
    if (!MixState.EnableBypass || !BypassActive || size <= 0 || samples == nullptr) {
        BypassSaved = false;
        BypassFreeCopy();
        return;
    }

    uint8_t* copy = BypassCopy.Data;
    BypassCopy.Data = nullptr;
    if (copy != nullptr) {
        const bool sameBlock = numsamples == BypassCopy.NumSamples && bps == BypassCopy.Bps &&
                               nch == BypassCopy.Nch && srate == BypassCopy.SRate;
        if (!sameBlock) {
            delete[] copy;
            copy = new uint8_t[static_cast<size_t>(size)];
            BypassCopy.NumSamples = numsamples;
            BypassCopy.Bps = bps;
            BypassCopy.Nch = nch;
            BypassCopy.SRate = srate;
            std::memcpy(copy, samples, static_cast<size_t>(size));
        } else if (!BypassSaved) {
            std::memcpy(copy, samples, static_cast<size_t>(size));
        }
        // Same format and not yet put back: the older copy stays untouched.
    } else {
        copy = new uint8_t[static_cast<size_t>(size)];
        BypassCopy.NumSamples = numsamples;
        BypassCopy.Bps = bps;
        BypassCopy.Nch = nch;
        BypassCopy.SRate = srate;
        std::memcpy(copy, samples, static_cast<size_t>(size));
    }
    BypassCopy.Data = copy;
    BypassSaved = true;
}

int BypassInit(bool configExists, bool mixInLoaded) {
    if (!configExists || BypassActive || !mixInLoaded) return 1;
    BypassActive = true;
    return 0;
}

int BypassModifySamples(void* samples, int numsamples, int bps, int nch, int srate) {
    if (!BypassSaved || BypassCopy.Data == nullptr || bps != BypassCopy.Bps ||
        nch != BypassCopy.Nch || srate != BypassCopy.SRate || samples == nullptr ||
        numsamples <= 0) {
        return numsamples;
    }
    // The copy was saved from this block at the MixIn entry, so the host's buffer (room
    // for twice the host's count) holds it whole even when a module in between changed
    // the count. Bound it all the same by the room the count we were given implies, so a
    // caller that never went through the save step cannot make us write past its block.
    const int frameBytes = (bps / 8) * nch;
    const int32_t frames = std::min<int64_t>(BypassCopy.NumSamples, int64_t{2} * numsamples);
    std::memcpy(samples, BypassCopy.Data,
                static_cast<size_t>(std::min<int64_t>(CopyBytes(), int64_t{frames} * frameBytes)));
    BypassSaved = false;
    return frames;
}

void BypassQuit() { BypassActive = false; }
