// WindowComsTransport: a data message handler bound to a window. It is the platform side of
// the transfer protocol: it answers each data message with 0 at once, drops messages whose
// sender is not an existing window, feeds the handler and carries out its actions: posting
// "WindowComsProtocol" to the peer with the own window as LPARAM, and the protocol timers
// 1024 (receive) and 1280 (send) on the own window.
//
// Timers. The handler re-arms its receive timer for every payload byte. Starting and killing
// a platform timer costs a round trip to the window system each time, as much as posting a
// message, so the transport keeps a deadline per timer instead: arming moves the deadline to
// now + TimeOut and starts the platform timer only when it is not running; stopping clears
// the deadline. A tick before the deadline re-arms the platform timer for the time left; a
// tick after it is the handler's time-out; a tick with nothing armed kills the timer. The
// handler thus times out TimeOut milliseconds after its last arming, as with a fresh timer.
//
// Threads: the window's messages and timers come on the thread that owns the own window
// (the listening thread for an endpoint); SendString may come from any thread. One lock
// serialises every event together with the execution of its actions, so the handler sees
// one event at a time and posts leave in the order the handler decided them. A timer that
// must be started from another thread is started by the owner thread on a wake-up message.
// The handler's callbacks run under that lock: they may post and push to a queue, but must
// not call back into the transport.
//
// Ownership: owns its handler. Shutdown (on the own window's thread, before the window goes)
// aborts transfers in progress towards the peer with code 7 and stops the timers.
#pragma once

#include <windows.h>

#include <cstdint>
#include <mutex>
#include <string_view>

#include "comms/data_message_handler.h"
#include "host/cust_allocate_hwnd.h"

class WindowComsTransport {
public:
    WindowComsTransport(HWND ownWindow, HWND peerWindow, uint32_t timeOut);
    ~WindowComsTransport();
    WindowComsTransport(const WindowComsTransport&) = delete;
    WindowComsTransport& operator=(const WindowComsTransport&) = delete;

    // For installing the callbacks before the first message; not thread-safe afterwards.
    TQXWindowComsDataMessageHandler& Handler() { return handler_; }

    // Takes the own window's messages that belong to the transport (comms messages with a
    // data code, its timers, its wake-up); returns false for any other message.
    bool HandleWindowMessage(WindowMessage& message);

    // Starts or queues a text transfer; 0 when the copy failed or the transport is shut.
    int32_t SendString(std::string_view text);

    // Nothing being sent, queued or received.
    bool Idle();

    // Aborts what is in progress (code 7 to the peer) and refuses everything afterwards.
    // The destructor does this when it has not been done.
    void Shutdown();

private:
    struct PlatformTimer {
        bool running = false;    // a platform timer exists on the own window
        bool armed = false;      // the handler wants a time-out
        ULONGLONG deadline = 0;  // when, in GetTickCount64 time
    };

    void HandleMessage(WPARAM wParam, LPARAM lParam);
    void HandleTimer(UINT_PTR timerId);
    void StartPendingTimers();
    void Execute(const ProtocolActions& actions);
    PlatformTimer* TimerFor(UINT_PTR timerId);

    std::mutex lock_;
    TQXWindowComsDataMessageHandler handler_;
    ProtocolActions actions_;  // reused for every event, under the lock
    HWND ownWindow_;
    HWND peerWindow_;
    DWORD ownThread_;
    UINT protocolMessage_;
    PlatformTimer receiveTimer_;
    PlatformTimer sendTimer_;
    bool wakePosted_ = false;
    bool shut_ = false;
};
