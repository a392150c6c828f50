// The capture thread as the control window uses it: its state and waiting-buffer count for
// the status line, the pause and reset requests, and the push-to-talk marks of the pad.
// Every call returns at once (requests are posted to the capture thread; the counts and the
// mark queue take the capture thread's own short locks).
//
// The running plug-in reaches the thread published in the global WaveInRecThread
// (PublishedCaptureThread); tests hand the window a scripted one.
#pragma once

#include <cstdint>

class ControlCaptureLink {
public:
    virtual ~ControlCaptureLink() = default;
    virtual uint8_t State() const = 0;
    virtual int32_t RecordedCount() const = 0;
    virtual void RequestPause() = 0;
    virtual void RequestReset() = 0;
    // Queues a push-to-talk event: 1 on, 0 off; an off event takes effect `tailSeconds`
    // later (the release tail).
    virtual void QueueMark(uint8_t on, double tailSeconds) = 0;
    // What went wrong with the input device, for the status line (CaptureTrouble).
    virtual uint8_t Trouble() const { return 0; }
};

// The capture thread published in WaveInRecThread, or null while there is none.
ControlCaptureLink* PublishedCaptureThread();
