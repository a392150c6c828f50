#include "comms/coms_transport_core.h"

ComsTransportCore::ComsTransportCore(ComsTransportPort& port, ComsWindow ownWindow, ComsWindow peerWindow,
                                     uint32_t timeOut)
    : port_(port), peerWindow_(peerWindow) {
    handler_.TimeOut = timeOut;
    handler_.OwnWindow = ownWindow;
    handler_.PeerWindow = peerWindow;
    actions_.reserve(16);
}

ComsTransportCore::~ComsTransportCore() { Shutdown(); }

void ComsTransportCore::HandleMessage(uint32_t wParam, ComsWindow sender) {
    // Only the peer is heard; the check also spares asking the window system about senders.
    if (sender != peerWindow_) return;
    std::lock_guard<std::mutex> hold(lock_);
    if (shut_) return;
    actions_.clear();
    handler_.HandleMessage(UnpackComsWParam(wParam), sender, actions_);
    Execute(actions_);
}

void ComsTransportCore::HandleTimer(uint32_t timerId) {
    if (!IsTimer(timerId)) return;
    std::lock_guard<std::mutex> hold(lock_);
    PlatformTimer& timer = TimerFor(timerId);
    if (shut_ || !timer.armed) {
        port_.KillTimer(timerId);
        timer.running = false;
        return;
    }
    const uint64_t now = port_.NowMs();
    if (now < timer.deadline) {
        // Early: wait for the time left. A platform that cannot start the timer again would
        // leave the transfer unguarded, so then the time-out comes now instead.
        if (port_.StartTimer(timerId, static_cast<uint32_t>(timer.deadline - now))) return;
    }
    port_.KillTimer(timerId);
    timer.running = false;
    actions_.clear();
    handler_.HandleTimer(timerId, actions_);
    Execute(actions_);
}

void ComsTransportCore::WakeUp() {
    std::lock_guard<std::mutex> hold(lock_);
    wakePosted_ = false;
    if (!shut_) StartPendingTimers();
}

int32_t ComsTransportCore::SendString(std::string_view text) {
    std::lock_guard<std::mutex> hold(lock_);
    if (shut_) return 0;
    actions_.clear();
    const int32_t result = handler_.SendString(text, actions_);
    Execute(actions_);
    return result;
}

bool ComsTransportCore::Idle() {
    std::lock_guard<std::mutex> hold(lock_);
    return !handler_.Sending() && !handler_.Receiving() && handler_.QueuedCount() == 0;
}

void ComsTransportCore::Shutdown() {
    std::lock_guard<std::mutex> hold(lock_);
    if (shut_) return;
    shut_ = true;
    actions_.clear();
    handler_.Shutdown(actions_);
    Execute(actions_);
    for (uint32_t id : {kReceiveTimerId, kSendTimerId}) {
        PlatformTimer& timer = TimerFor(id);
        if (timer.running && port_.OnOwnThread()) port_.KillTimer(id);
        timer = PlatformTimer{};
    }
}

// Platform timers belong to the window's thread; another thread asks that one to start them.
void ComsTransportCore::StartPendingTimers() {
    if (!port_.OnOwnThread()) {
        if (!wakePosted_) wakePosted_ = port_.PostWake();
        return;
    }
    for (uint32_t id : {kReceiveTimerId, kSendTimerId}) {
        PlatformTimer& timer = TimerFor(id);
        if (!timer.armed || timer.running) continue;
        const uint64_t now = port_.NowMs();
        const uint32_t period = timer.deadline > now ? static_cast<uint32_t>(timer.deadline - now) : 1;
        timer.running = port_.StartTimer(id, period);
    }
}

void ComsTransportCore::Execute(const ProtocolActions& actions) {
    bool startTimers = false;
    for (const ProtocolAction& action : actions) {
        switch (action.kind) {
        case ProtocolAction::Kind::Post:
            port_.Post(action.message);
            break;
        case ProtocolAction::Kind::StartTimer: {
            if (!IsTimer(action.timerId)) break;
            PlatformTimer& timer = TimerFor(action.timerId);
            timer.armed = true;
            timer.deadline = port_.NowMs() + handler_.TimeOut;
            if (!timer.running) startTimers = true;
            break;
        }
        case ProtocolAction::Kind::StopTimer:
            if (IsTimer(action.timerId)) TimerFor(action.timerId).armed = false;
            break;
        }
    }
    if (startTimers) StartPendingTimers();
}
