// Construction, dispatch, timers and shutdown of the data message handler. The two sides
// live in data_message_handler_receive.cpp and data_message_handler_send.cpp.
#include "comms/data_message_handler.h"

#include <new>

namespace {

uint8_t* AllocateNothrow(uint32_t size) { return new (std::nothrow) uint8_t[size]; }

}  // namespace

TQXWindowComsDataMessageHandler::TQXWindowComsDataMessageHandler()
    : AllocateBuffer(&AllocateNothrow) {}

TQXWindowComsDataMessageHandler::~TQXWindowComsDataMessageHandler() = default;

void TQXWindowComsDataMessageHandler::HandleMessage(const ComsWireMessage& message,
                                                    ComsWindow sender, ProtocolActions& out) {
    if (!IsDataCode(message.code)) return;
    // Only the peer takes part in this connection. Anything else on the desktop can find our
    // window and post to it; such a message is dropped unanswered, so that it can neither
    // abort the peer's transfers nor make us post on its behalf.
    if (sender != PeerWindow) return;
    if (message.code >= kFirstSenderCode) {
        if (message.code > kSendAbort) return;  // "[" to "o" mean nothing
        ReceiveSideMessage(message, out);
    } else {
        if (message.code > kAckAbort) return;  // ":" to "O" mean nothing
        SendSideMessage(message, out);
    }
    // A transfer that goes on after this message is always guarded by its timer, whichever
    // rule handled the message (some only wait for the next part), so that a peer that falls
    // silent at any point ends it with a time-out instead of leaving it open for good.
    if (receive_.started && !receiveTimerArmed_) ArmTimer(kReceiveTimerId, receiveTimerArmed_, out);
    if (send_.sending && !sendTimerArmed_) ArmTimer(kSendTimerId, sendTimerArmed_, out);
}

void TQXWindowComsDataMessageHandler::HandleTimer(uint32_t timerId, ProtocolActions& out) {
    if (timerId == kReceiveTimerId) {
        if (!receiveTimerArmed_) return;
        StopTimer(kReceiveTimerId, receiveTimerArmed_, out);
        FailReceive(kComsTimeOut, out);
    } else if (timerId == kSendTimerId) {
        if (!sendTimerArmed_) return;
        StopTimer(kSendTimerId, sendTimerArmed_, out);
        FailSend(kComsTimeOut, /*tellPeer=*/true, out);
    }
}

void TQXWindowComsDataMessageHandler::Shutdown(ProtocolActions& out) {
    OnTextReady = {};
    OnBinaryReady = {};
    OnTextSent = {};
    OnBinarySent = {};
    OnReceiveError = {};
    OnSendError = {};
    OnReceiveStarted = {};
    OnSendStarted = {};
    OnTextData = {};
    OnBinaryData = {};

    if (receive_.started) Post(out, kAckAbort, kComsPeerDestroyed);
    if (send_.sending) Post(out, kSendAbort, kComsPeerDestroyed);
    StopTimer(kReceiveTimerId, receiveTimerArmed_, out);
    StopTimer(kSendTimerId, sendTimerArmed_, out);
    ResetReceive();
    ResetSend();
    queue_.clear();
}

// Arming a timer restarts its full period. With TimeOut 0 the timers are off altogether.
void TQXWindowComsDataMessageHandler::ArmTimer(uint32_t timerId, bool& armed, ProtocolActions& out) {
    if (TimeOut == 0) return;
    if (armed) out.push_back({ProtocolAction::Kind::StopTimer, {}, timerId});
    out.push_back({ProtocolAction::Kind::StartTimer, {}, timerId});
    armed = true;
}

void TQXWindowComsDataMessageHandler::StopTimer(uint32_t timerId, bool& armed, ProtocolActions& out) {
    if (!armed) return;
    out.push_back({ProtocolAction::Kind::StopTimer, {}, timerId});
    armed = false;
}

void TQXWindowComsDataMessageHandler::Post(ProtocolActions& out, uint8_t code, uint8_t byte,
                                           uint16_t value) {
    out.push_back({ProtocolAction::Kind::Post, ComsWireMessage{code, byte, value}, 0});
}
