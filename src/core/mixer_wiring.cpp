#include "core/mixer_wiring.h"

#include <atomic>

#include "capture/capture_queue.h"
#include "core/mix_state.h"
#include "core/mixin_stats_report.h"
#include "core/mixing_engine.h"
#include "core/win32_mixer_seams.h"

namespace {

std::atomic<CaptureQueue*> captureQueue{nullptr};

// These only keep references to MixState (defined elsewhere): nothing here depends on the
// order in which the library's statics are constructed.
PostMessageSink notifications(MixState.NotifyHWnd);
Win32MixClock clock;
MixingEngine engine(MixState, notifications, clock);

}  // namespace

void SetMixerCaptureQueue(CaptureQueue* queue) {
    captureQueue.store(queue, std::memory_order_release);
}

CaptureQueue* MixerCaptureQueue() { return captureQueue.load(std::memory_order_acquire); }

int MixSamples(winampDSPModule* /*module*/, short* samples, int numsamples, int bps, int nch,
               int srate) {
    try {
        return engine.MixSamples(MixerCaptureQueue(), samples, numsamples, bps, nch, srate);
    } catch (...) {
        return numsamples;  // nothing may cross the host's callback
    }
}

void MixerDropBuffer() {
    try {
        engine.DropBuffer(MixerCaptureQueue());
    } catch (...) {
    }
}

std::string MixInStatsReport() {
    const Win32ReportTextFormat format;
    return BuildMixInStatsReport(MixState, engine.Marks(), format);
}
