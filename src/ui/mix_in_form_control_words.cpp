// The control words of the command server: each does what the user's click does (the mode
// buttons, the push-to-talk pad, the level sliders), through the very same handlers, so the
// window, MixState and the settings file change exactly as they do for a click.
#include "capture/capture_queue.h"
#include "core/mix_state.h"
#include "control/control_state_json.h"
#include "ui/mix_in_form.h"
#include "ui/ptt_hotkey_control.h"
#include "control/remote_control_words.h"
#include "ui/scrollable_paint_box.h"

namespace {
constexpr const char* kNoCaptureThreadReason = "no capture thread";
}  // namespace

std::string TMixInForm::AnswerControlWord(RemoteCommand word, const std::string& text) {
    const RemoteControlRequest request = ReadRemoteControl(word, text);
    using Action = RemoteControlRequest::Action;
    switch (request.Act) {
        case Action::Invalid:
            return ControlErrorReply(request.Error);
        case Action::GetState:
            return ControlStateReply();
        case Action::SetMode:
            RunModeAction(ActionForMode(request.Mode));
            return kControlOkReply;
        case Action::PttDown:
        case Action::PttUp: {
            // Without a capture thread the pad would move but no mark would reach the mixer.
            if (Capture() == nullptr) return ControlErrorReply(kNoCaptureThreadReason);
            QueuePttEvent(request.Act == Action::PttDown ? pad_.MouseDown() : pad_.MouseUp());
            controls_.PTTButtonBox->Invalidate();
            return kControlOkReply;
        }
        case Action::SetLevel: {
            HWND slider = request.Mode == kModeManual ? controls_.TrackBar1
                          : request.Mode == kModeAuto ? controls_.TrackBar2
                                                      : controls_.TrackBar4;
            SetSliderPosition(slider, request.Percent);
            return kControlOkReply;
        }
    }
    return ControlErrorReply("not a control word");
}

std::string TMixInForm::ControlStateReply() const {
    ControlStateFacts facts;
    facts.Mode = mode_;
    facts.PttDown = pad_.Pressed();
    facts.PttLive = pttIndicator_;
    facts.ManualLevel = sliderPositions_[0];
    facts.AutoLevel = sliderPositions_[1];
    facts.PttLevel = sliderPositions_[3];
    if (ControlCaptureLink* capture = Capture()) {
        facts.HasCaptureThread = true;
        facts.CaptureState = capture->State();
        facts.RecordedCount = capture->RecordedCount();
    }
    facts.Active = active_;
    facts.Device = currentDevice_;
    facts.InputLevel = meter_.FRMSStatus;
    facts.Trigger = triggerOn_;
    facts.SampleRate = lastRate_;
    facts.Bits = lastBits_;
    facts.Channels = lastChannels_;
    facts.BlockSamples = lastBlockSize_;
    facts.LatencyMode = static_cast<int>(MixState.Latency.load());
    facts.LatencyNow = ControlStateFacts::Latency{*facts.LatencyMode, MixState.LatencyDelay, MixState.LatencyTarget,
                                                  MixState.ClockRatio, MixState.Underruns};
    if (hotkey_) {
        facts.Hotkey = ControlStateFacts::HotkeyFacts{hotkey_->Name(), hotkey_->Mode() == PttHotkeyMode::Toggle,
                                                      hotkey_->Registered(), hotkey_->Problem()};
    }
    return ControlStateJson(facts);
}
