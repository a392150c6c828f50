// ComsTransportCore: a data message handler bound to one window, without the window. It is
// the part of the transport that decides: it drops every message that does not come from the
// peer, feeds the handler, and carries out the handler's actions through a ComsTransportPort
// (posting to the peer, the platform timers, waking the own window's thread). The Win32
// shell (WindowComsTransport) supplies the port; tests and the fuzz target supply a
// simulated one with a clock of their own.
//
// Timers. The handler re-arms a timer for every code it posts or receives. Starting and
// killing a platform timer costs a round trip to the window system each time, as much as
// posting a message, so the core keeps a deadline per timer instead: arming moves the
// deadline to now + TimeOut and starts the platform timer only when none is running;
// stopping clears the deadline. A tick before the deadline re-arms the platform timer for
// the time left; a tick after it is the handler's time-out; a tick with nothing armed kills
// the timer. The handler thus times out TimeOut milliseconds after its last arming.
//
// Threads: messages, ticks and wake-ups come on the thread that owns the own window;
// SendString may come from any thread. One lock serialises every event together with the
// execution of its actions, so the handler sees one event at a time and posts leave in the
// order the handler decided them. A platform timer is started only on the own thread; from
// another thread the core asks the port to wake the own thread, which then calls WakeUp.
// The handler's callbacks run under that lock: they may post and push to a queue, but must
// not call back into the core.
#pragma once

#include <cstdint>
#include <mutex>
#include <string_view>

#include "comms/data_message_handler.h"

// What the core needs from its platform, always called under the core's lock.
class ComsTransportPort {
public:
    virtual ~ComsTransportPort() = default;
    virtual uint64_t NowMs() = 0;       // a monotonic clock in milliseconds
    virtual bool OnOwnThread() = 0;     // the caller is the own window's thread
    // Posts the comms message to the peer with the own window as sender; a peer that has
    // gone simply does not get it.
    virtual void Post(const ComsWireMessage& message) = 0;
    // Starts (or restarts) platform timer `timerId` on the own window; false on failure.
    virtual bool StartTimer(uint32_t timerId, uint32_t periodMs) = 0;
    virtual void KillTimer(uint32_t timerId) = 0;
    // Asks the own thread to call WakeUp soon; false when the request could not be made.
    virtual bool PostWake() = 0;
};

class ComsTransportCore {
public:
    ComsTransportCore(ComsTransportPort& port, ComsWindow ownWindow, ComsWindow peerWindow, uint32_t timeOut);
    ~ComsTransportCore();
    ComsTransportCore(const ComsTransportCore&) = delete;
    ComsTransportCore& operator=(const ComsTransportCore&) = delete;

    // For installing the callbacks before the first event; not thread-safe afterwards.
    TQXWindowComsDataMessageHandler& Handler() { return handler_; }

    static bool IsTimer(uint32_t timerId) { return timerId == kReceiveTimerId || timerId == kSendTimerId; }

    // A comms message with a data code (packed WPARAM) from window `sender`, already answered.
    void HandleMessage(uint32_t wParam, ComsWindow sender);
    // A tick of platform timer `timerId` (IsTimer) on the own window.
    void HandleTimer(uint32_t timerId);
    // The own thread's answer to PostWake: starts the timers that another thread armed.
    void WakeUp();

    // Starts or queues a text transfer; 0 when the copy failed or the core is shut.
    int32_t SendString(std::string_view text);

    // Nothing being sent, queued or received.
    bool Idle();

    // Aborts what is in progress (code 7 to the peer) and refuses everything afterwards.
    // The destructor does this when it has not been done.
    void Shutdown();

private:
    struct PlatformTimer {
        bool running = false;   // a platform timer exists on the own window
        bool armed = false;     // the handler wants a time-out
        uint64_t deadline = 0;  // when, in the port's clock
    };

    void StartPendingTimers();
    void Execute(const ProtocolActions& actions);
    PlatformTimer& TimerFor(uint32_t timerId) { return timerId == kReceiveTimerId ? receiveTimer_ : sendTimer_; }

    ComsTransportPort& port_;
    std::mutex lock_;
    TQXWindowComsDataMessageHandler handler_;
    ProtocolActions actions_;  // reused for every event, under the lock
    ComsWindow peerWindow_;
    PlatformTimer receiveTimer_;
    PlatformTimer sendTimer_;
    bool wakePosted_ = false;
    bool shut_ = false;
};
