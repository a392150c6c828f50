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
      protocolMessage_(WindowComsProtocolMessage()) {
    handler_.ProtocolMessage = protocolMessage_;
    handler_.TimeOut = timeOut;
    handler_.OwnWindow = AsComsWindow(ownWindow);
    handler_.PeerWindow = AsComsWindow(peerWindow);
    actions_.reserve(16);
}

WindowComsTransport::~WindowComsTransport() { Shutdown(); }

bool WindowComsTransport::HandleWindowMessage(WindowMessage& message) {
    if (message.Msg == protocolMessage_ && IsDataCode(static_cast<uint8_t>(message.WParam & 0xFF))) {
        message.Result = 0;
        HandleMessage(message.WParam, message.LParam);
        return true;
    }
    if (message.Msg == WM_TIMER && TimerFor(message.WParam) != nullptr) {
        HandleTimer(message.WParam);
        return true;
    }
    if (message.Msg == kStartTimersMessage) {
        std::lock_guard<std::mutex> hold(lock_);
        wakePosted_ = false;
        if (!shut_) StartPendingTimers();
        return true;
    }
    return false;
}

void WindowComsTransport::HandleMessage(WPARAM wParam, LPARAM lParam) {
    // A sender that used a synchronous send is released before anything else happens.
    if (InSendMessage()) ReplyMessage(0);
    HWND sender = ComsSenderWindow(lParam);
    // The peer is known to be a window; asking the window system again for every byte would
    // double the cost of a transfer. Any other sender must be an existing window.
    if (sender != peerWindow_ && !IsWindow(sender)) return;
    std::lock_guard<std::mutex> hold(lock_);
    if (shut_) return;
    actions_.clear();
    handler_.HandleMessage(UnpackComsWParam(static_cast<uint32_t>(wParam)), AsComsWindow(sender), actions_);
    Execute(actions_);
}

void WindowComsTransport::HandleTimer(UINT_PTR timerId) {
    std::lock_guard<std::mutex> hold(lock_);
    PlatformTimer& timer = *TimerFor(timerId);
    if (shut_ || !timer.armed) {
        KillTimer(ownWindow_, timerId);
        timer.running = false;
        return;
    }
    const ULONGLONG now = GetTickCount64();
    if (now < timer.deadline) {
        SetTimer(ownWindow_, timerId, static_cast<UINT>(timer.deadline - now), nullptr);
        return;
    }
    KillTimer(ownWindow_, timerId);
    timer.running = false;
    actions_.clear();
    handler_.HandleTimer(static_cast<uint32_t>(timerId), actions_);
    Execute(actions_);
}

int32_t WindowComsTransport::SendString(std::string_view text) {
    std::lock_guard<std::mutex> hold(lock_);
    if (shut_) return 0;
    actions_.clear();
    const int32_t result = handler_.SendString(text, actions_);
    Execute(actions_);
    return result;
}

bool WindowComsTransport::Idle() {
    std::lock_guard<std::mutex> hold(lock_);
    return !handler_.Sending() && !handler_.Receiving() && handler_.QueuedCount() == 0;
}

void WindowComsTransport::Shutdown() {
    std::lock_guard<std::mutex> hold(lock_);
    if (shut_) return;
    shut_ = true;
    actions_.clear();
    handler_.Shutdown(actions_);
    Execute(actions_);
    for (UINT_PTR id : {UINT_PTR{kReceiveTimerId}, UINT_PTR{kSendTimerId}}) {
        PlatformTimer& timer = *TimerFor(id);
        if (timer.running && GetCurrentThreadId() == ownThread_) KillTimer(ownWindow_, id);
        timer = PlatformTimer{};
    }
}

WindowComsTransport::PlatformTimer* WindowComsTransport::TimerFor(UINT_PTR timerId) {
    if (timerId == kReceiveTimerId) return &receiveTimer_;
    if (timerId == kSendTimerId) return &sendTimer_;
    return nullptr;
}

// Platform timers belong to the window's thread; another thread asks that one to start them.
void WindowComsTransport::StartPendingTimers() {
    if (GetCurrentThreadId() != ownThread_) {
        if (!wakePosted_) wakePosted_ = PostMessageA(ownWindow_, kStartTimersMessage, 0, 0) != 0;
        return;
    }
    for (UINT_PTR id : {UINT_PTR{kReceiveTimerId}, UINT_PTR{kSendTimerId}}) {
        PlatformTimer& timer = *TimerFor(id);
        if (!timer.armed || timer.running) continue;
        const ULONGLONG now = GetTickCount64();
        const UINT period = timer.deadline > now ? static_cast<UINT>(timer.deadline - now) : USER_TIMER_MINIMUM;
        timer.running = SetTimer(ownWindow_, id, period, nullptr) != 0;
    }
}

void WindowComsTransport::Execute(const ProtocolActions& actions) {
    bool startTimers = false;
    for (const ProtocolAction& action : actions) {
        switch (action.kind) {
        case ProtocolAction::Kind::Post:
            // A peer window that has gone simply does not get it.
            PostMessageA(peerWindow_, protocolMessage_, PackComsWParam(action.message), ComsSender(ownWindow_));
            break;
        case ProtocolAction::Kind::StartTimer: {
            PlatformTimer* timer = TimerFor(action.timerId);
            if (timer == nullptr) break;
            timer->armed = true;
            timer->deadline = GetTickCount64() + handler_.TimeOut;
            if (!timer->running) startTimers = true;
            break;
        }
        case ProtocolAction::Kind::StopTimer:
            if (PlatformTimer* timer = TimerFor(action.timerId)) timer->armed = false;
            break;
        }
    }
    if (startTimers) StartPendingTimers();
}
