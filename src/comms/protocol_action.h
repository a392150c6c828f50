// What a data message handler asks its platform shell to do. The handler never touches a
// window or a timer itself: each event it consumes appends actions here, and the shell
// carries them out in order (posting to the peer with the handler's own window as LPARAM,
// starting or killing a timer on the handler's own window with the handler's TimeOut).
#pragma once

#include <cstdint>
#include <vector>

#include "comms/window_coms_wire.h"

struct ProtocolAction {
    enum class Kind : uint8_t {
        Post,        // post `message` to the peer window
        StartTimer,  // start timer `timerId` with the handler's TimeOut as period
        StopTimer,   // kill timer `timerId`
    };
    Kind kind = Kind::Post;
    ComsWireMessage message{};
    uint32_t timerId = 0;
};

using ProtocolActions = std::vector<ProtocolAction>;
