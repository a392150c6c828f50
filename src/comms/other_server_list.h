// The servers a listening thread (or a discovering client) knows of, each with the name it
// has sent character by character: code 3 starts the name, 4 appends, 5 appends and
// completes it. A completed name is never changed again.
//
// Anything on the desktop can send these codes, so the list is bounded: at most
// kMaxOtherServers records, names of at most kMaxServerNameLength characters (further
// characters are ignored; the last code still completes the name).
//
// Used on one thread only (the listening thread, or the client's thread), or under a lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "comms/window_coms_wire.h"

struct TQXWindowComsOtherServer {
    ComsWindow Window = 0;  // the other server's listening window
    std::string Name;
    bool NameComplete = false;
};

class OtherServerList {
public:
    static constexpr size_t kMaxOtherServers = 64;
    static constexpr size_t kMaxServerNameLength = 256;

    // The record for `window`, added with an empty, incomplete name when there is none;
    // null when there is none and the list is full.
    TQXWindowComsOtherServer* FindOrAdd(ComsWindow window);
    const TQXWindowComsOtherServer* Find(ComsWindow window) const;
    void Remove(ComsWindow window);
    // Applies a name character (code 3, 4 or 5) from `window`; other codes are ignored.
    void NameCharacter(ComsWindow window, uint8_t code, char character);
    void Clear() { servers_.clear(); }

    const std::vector<TQXWindowComsOtherServer>& Servers() const { return servers_; }

private:
    std::vector<TQXWindowComsOtherServer> servers_;
};
