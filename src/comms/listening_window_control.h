// ListeningWindowControl: what a server's listening window does with each control code,
// without the window. Every window on the desktop can find the listening window by its class
// name and send it anything, so the decisions here take nothing on trust: name requests are
// answered and other-server records kept only for windows that exist, the records and their
// names are bounded (OtherServerList), and connect and disconnect requests are handed to the
// listening thread, which holds the endpoints (at most kMaxEndpoints of them).
//
// Threads: used by the listening thread only; the thread guards the other-server list with
// its lock because the component's thread reads it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "comms/other_server_list.h"
#include "comms/window_coms_wire.h"

// The most endpoints one server keeps; a further connect request is answered 0.
inline constexpr size_t kMaxEndpoints = 64;

// What the listening thread must do for one control code.
struct ListeningStep {
    enum class Kind : uint8_t {
        None,
        Announce,     // broadcast code 1 and answer with the listening window
        SendName,     // send the server name to `window`, character by character
        RequestName,  // post code 2 (name request) to `window`
        Connect,      // the connect request of client `window`
        Disconnect,   // the disconnect request of client `window`
    };
    Kind kind = Kind::None;
    ComsWindow window = 0;

    bool operator==(const ListeningStep&) const = default;
};

class ListeningWindowControl {
public:
    // Tells whether a window exists; asked only for windows not yet known.
    using WindowExists = bool (*)(void* context, ComsWindow window);

    ListeningWindowControl(ComsWindow self, WindowExists exists, void* context)
        : self_(self), exists_(exists), context_(context) {}

    // A control code (WPARAM byte 0) with its data byte from window `from` (LPARAM).
    ListeningStep Handle(uint8_t code, uint8_t byte, ComsWindow from);

    OtherServerList& OtherServers() { return otherServers_; }
    const OtherServerList& OtherServers() const { return otherServers_; }

private:
    bool Exists(ComsWindow window) const { return exists_ != nullptr && exists_(context_, window); }

    ComsWindow self_;
    WindowExists exists_;
    void* context_;
    OtherServerList otherServers_;
};
