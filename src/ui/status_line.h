// The control window's status line and the rule that pauses capture while the host is not
// playing. Refreshed every 300 ms on the window thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

struct StatusInputs {
    bool HasCaptureThread;
    uint8_t CaptureState;   // read only when HasCaptureThread
    int32_t RecordedCount;  // recorded buffers waiting for the mixer
    bool PttIndicator;      // push-to-talk reported on by the mixing engine
    uint8_t Trouble = 0;    // CaptureTrouble of the capture thread
    std::string HotkeyProblem = {};  // why the push-to-talk hotkey cannot be had, if it cannot
};

// "DataReady AvailBuffs: 6" followed by "  ---P.T.T.---" while push-to-talk is on; only the
// marker without a capture thread; empty with neither. Trouble with the input device is
// told in words after the count ("Error AvailBuffs: 0  Input device lost: ..."), and a
// hotkey that cannot be had at the end ("...  hotkey F9 is in use by another program").
std::string StatusLineText(const StatusInputs& inputs);

// The status refresh asks the capture thread to pause when capture is wanted but the host
// does not answer "playing" (only 1 means playing) and the thread is not paused already.
// The thread itself acts only while it is open or recording.
// The host is asked (`askPlayState`, a synchronous window message) only when the other
// conditions hold.
bool ShouldRequestPause(bool hasHostLink, bool active, uint8_t captureState,
                        const std::function<int()>& askPlayState);
