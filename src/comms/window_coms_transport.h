// WindowComsTransport: a data message handler bound to a window. It is the Win32 shell of
// ComsTransportCore: it answers each data message with 0 at once (releasing a sender that
// used a synchronous send), hands it to the core, which hears only the peer, and gives the
// core its platform: PostMessageA of "WindowComsProtocol" to the peer with the own window as
// LPARAM, the protocol timers 1024 (receive) and 1280 (send) on the own window, and a
// wake-up message to the own window for timers armed from another thread.
//
// Threads: the window's messages and timers come on the thread that owns the own window
// (the listening thread for an endpoint); SendString may come from any thread (ComsTransportCore).
//
// Ownership: owns its core and handler. Shutdown (on the own window's thread, before the
// window goes) aborts transfers in progress towards the peer with code 7 and stops the timers.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string_view>

#include "comms/coms_transport_core.h"
#include "host/cust_allocate_hwnd.h"

class WindowComsTransport : private ComsTransportPort {
public:
    WindowComsTransport(HWND ownWindow, HWND peerWindow, uint32_t timeOut);
    ~WindowComsTransport() override;
    WindowComsTransport(const WindowComsTransport&) = delete;
    WindowComsTransport& operator=(const WindowComsTransport&) = delete;

    // For installing the callbacks before the first message; not thread-safe afterwards.
    TQXWindowComsDataMessageHandler& Handler() { return core_.Handler(); }

    // Takes the own window's messages that belong to the transport (comms messages with a
    // data code, its timers, its wake-up); returns false for any other message.
    bool HandleWindowMessage(WindowMessage& message);

    // Starts or queues a text transfer; 0 when the copy failed or the transport is shut.
    int32_t SendString(std::string_view text) { return core_.SendString(text); }

    // Nothing being sent, queued or received.
    bool Idle() { return core_.Idle(); }

    // Aborts what is in progress (code 7 to the peer) and refuses everything afterwards.
    // The destructor does this when it has not been done.
    void Shutdown() { core_.Shutdown(); }

private:
    // ComsTransportPort
    uint64_t NowMs() override { return GetTickCount64(); }
    bool OnOwnThread() override { return GetCurrentThreadId() == ownThread_; }
    void Post(const ComsWireMessage& message) override;
    bool StartTimer(uint32_t timerId, uint32_t periodMs) override;
    void KillTimer(uint32_t timerId) override;
    bool PostWake() override;

    HWND ownWindow_;
    HWND peerWindow_;
    DWORD ownThread_;
    UINT protocolMessage_;
    ComsTransportCore core_;  // last: it calls the port from its destructor
};
