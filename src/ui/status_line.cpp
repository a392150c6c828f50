#include "ui/status_line.h"

#include "capture/capture_queue.h"
#include "capture/capture_trouble.h"

namespace {
constexpr int kHostPlaying = 1;
}

std::string StatusLineText(const StatusInputs& inputs) {
    std::string text;
    if (inputs.HasCaptureThread) {
        text = CaptureStateWord(inputs.CaptureState);
        text += " AvailBuffs: ";
        text += std::to_string(inputs.RecordedCount);
        if (inputs.Trouble != kTroubleNone) {
            text += "  ";
            text += CaptureTroubleText(inputs.Trouble);
        }
    }
    if (inputs.PttIndicator) text += "  ---P.T.T.---";
    if (!inputs.HotkeyProblem.empty()) text += (text.empty() ? "" : "  ") + inputs.HotkeyProblem;
    return text;
}

bool ShouldRequestPause(bool hasHostLink, bool active, uint8_t captureState,
                        const std::function<int()>& askPlayState) {
    return hasHostLink && active && captureState != kStatePaused && askPlayState() != kHostPlaying;
}
