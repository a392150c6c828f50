// The control window's command server: outside programs switch it on by posting
// WM_MIXIN_TOGGLE_SERVER to the window, then send text commands; the server raises each
// received text here, on the window thread.
#include <windows.h>

#include <exception>

#include "capture/wave_in_rec_thread.h"
#include "comms/server_client_window_coms.h"
#include "comms/server_window_coms.h"
#include "core/exported_globals.h"
#include "core/mix_state.h"
#include "core/mixer_wiring.h"
#include "host/message_pump.h"
#include "ui/mix_in_form.h"
#include "ui/pumping_handler.h"
#include "control/remote_commands.h"

namespace {
constexpr const char* kCommandServerName = "QuorvexTidewell";
}  // namespace

void TMixInForm::CreateCommandServer() {
    QXServerWindowComs1 = std::make_unique<TQXServerWindowComs>(this);
    QXServerWindowComs1->SetServerName(kCommandServerName);
    QXServerWindowComs1->OnClientReadString = [this](TQXServerWindowComs* sender, TQXServerClientWindowComs* client) {
        QXServerWindowComs1ClientReadString(sender, client);
    };
}

void TMixInForm::ToggleCommandServer() {
    if (QXServerWindowComs1 == nullptr) return;
    try {
        QXServerWindowComs1->SetActive(!QXServerWindowComs1->Active());
    } catch (const std::exception&) {
        // A server that cannot open stays inactive; the next toggle tries again.
    }
}

void TMixInForm::QXServerWindowComs1ClientReadString(TQXServerWindowComs*, TQXServerClientWindowComs* client) {
    if (client == nullptr) return;
    const std::string text = client->ReadString();
    TWaveInRecThread* thread = WaveInRecThread;
    switch (MatchRemoteCommand(text)) {
        case RemoteCommand::EnableBypass:
            MixState.SetEnableBypass(true);
            break;
        case RemoteCommand::DisableBypass:
            MixState.SetEnableBypass(false);
            break;
        case RemoteCommand::RecThreadStats: {
            if (thread == nullptr) {
                client->SendString(kNoCaptureThreadReply);
                break;
            }
            RecThreadStatsFacts facts;
            facts.StatusLine = StatusText();
            facts.UtilWindow = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(thread->UtilWindow()));
            facts.BuffSize = thread->BuffSize();
            facts.DeviceName = thread->DeviceName();
            facts.InQueueBuffersCount = thread->InQueueBuffersCount();
            facts.UsedSamplesCount = thread->UsedSamplesCount();
            facts.ReadyBuffersCount = thread->ReadyBuffersCount();
            facts.FRMSStatus = meter_.FRMSStatus;
            for (int i = 0; i < kPeakHistorySlots; ++i) facts.RMSP[i] = meter_.RMSP[i];
            client->SendString(RecThreadStatsReply(facts));
            break;
        }
        case RemoteCommand::MixInStats:
            client->SendString(kMixInStatsHeading + MixInStatsReport());
            break;
        case RemoteCommand::Pause:
            if (thread != nullptr) thread->RequestPause();
            break;
        case RemoteCommand::Start:
            if (thread != nullptr) thread->RequestStart();
            break;
        case RemoteCommand::RamPTT:
            if (thread != nullptr) PostMessageA(window_, kRunRamPttMessage, 0, 0);
            break;
        case RemoteCommand::SetMode:
        case RemoteCommand::PushToTalk:
        case RemoteCommand::SetLevel:
        case RemoteCommand::GetState:
            client->SendString(AnswerControlWord(MatchRemoteCommand(text), text));
            break;
        case RemoteCommand::None:
            break;
    }
}

void TMixInForm::RamPTT() {
    // Alternating marks with the message queue pumped between them, so the marks spread
    // over recorded buffers while everything else (further commands included) runs nested.
    PumpingHandler running(ramPttRunning_, alive_);
    if (!running.Entered()) return;
    const HWND window = window_;
    uint8_t on = 1;
    for (int pass = 0; pass < kRamPttMarks; ++pass) {
        try {
            if (TWaveInRecThread* thread = WaveInRecThread) thread->QueueMark(on);
            on = on ? 0 : 1;
            for (int i = 0; i < kRamPttIdlePosts; ++i) PostMessageA(window, WM_NULL, 0, 0);
            if (PumpWaitingMessages([&] { return running.ObjectGone(); }) == PumpEnd::Quit) return;
        } catch (const std::exception&) {
            // One failed pass does not end the run.
        }
        if (running.ObjectGone()) return;
    }
}
