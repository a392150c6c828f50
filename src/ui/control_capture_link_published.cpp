// The control window's view of the capture thread published in WaveInRecThread.
#include "capture/wave_in_rec_thread.h"
#include "core/exported_globals.h"
#include "ui/control_capture_link.h"

namespace {

// Reads the global at every call: the thread is published and unpublished by MixIn Init
// and Quit around the window's life.
class PublishedCaptureLink final : public ControlCaptureLink {
public:
    uint8_t State() const override { return WaveInRecThread->State(); }
    int32_t RecordedCount() const override { return WaveInRecThread->RecordedCount(); }
    void RequestPause() override { WaveInRecThread->RequestPause(); }
    void RequestReset() override { WaveInRecThread->RequestReset(); }
    void QueueMark(uint8_t on, double tailSeconds) override { WaveInRecThread->QueueMark(on, tailSeconds); }
    uint8_t Trouble() const override { return WaveInRecThread->Trouble(); }
};

}  // namespace

ControlCaptureLink* PublishedCaptureThread() {
    static PublishedCaptureLink link;
    return WaveInRecThread != nullptr ? &link : nullptr;
}
