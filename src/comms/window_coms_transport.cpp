#include "comms/window_coms_transport.h"

#include "comms/protocol_message.h"

namespace {

// Posted to the own window when a timer must be started by the window's own thread.
constexpr UINT kStartTimersMessage = WM_APP + 0x3C0;

ComsWindow AsComsWindow(HWND window) { return reinterpret_cast<ComsWindow>(window); }

}  // namespace

WindowComsTransport::WindowComsTransport(HWND ownWindow, HWND peerWindow, uint32_t timeOut)
    : ownWindow_(ownWindow),
      peerWindow_(peerWindow),
      ownThread_(GetWindowThreadProcessId(ownWindow, nullptr)),
      protocolMessage_(WindowComsProtocolMessage()),
      core_(*this, AsComsWindow(ownWindow), AsComsWindow(peerWindow), timeOut) {
    core_.Handler().ProtocolMessage = protocolMessage_;
}

WindowComsTransport::~WindowComsTransport() { core_.Shutdown(); }

bool WindowComsTransport::HandleWindowMessage(WindowMessage& message) {
    if (message.Msg == protocolMessage_ && IsDataCode(static_cast<uint8_t>(message.WParam & 0xFF))) {
        message.Result = 0;
        // A sender that used a synchronous send is released before anything else happens.
        if (InSendMessage()) ReplyMessage(0);
        core_.HandleMessage(static_cast<uint32_t>(message.WParam), AsComsWindow(ComsSenderWindow(message.LParam)));
        return true;
    }
    if (message.Msg == WM_TIMER && ComsTransportCore::IsTimer(static_cast<uint32_t>(message.WParam))) {
        core_.HandleTimer(static_cast<uint32_t>(message.WParam));
        return true;
    }
    if (message.Msg == kStartTimersMessage) {
        core_.WakeUp();
        return true;
    }
    return false;
}

void WindowComsTransport::Post(const ComsWireMessage& message) {
    PostMessageA(peerWindow_, protocolMessage_, PackComsWParam(message), ComsSender(ownWindow_));
}

bool WindowComsTransport::StartTimer(uint32_t timerId, uint32_t periodMs) {
    return SetTimer(ownWindow_, timerId, periodMs < USER_TIMER_MINIMUM ? USER_TIMER_MINIMUM : periodMs, nullptr) != 0;
}

void WindowComsTransport::KillTimer(uint32_t timerId) { ::KillTimer(ownWindow_, timerId); }

bool WindowComsTransport::PostWake() { return PostMessageA(ownWindow_, kStartTimersMessage, 0, 0) != 0; }
