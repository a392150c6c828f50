#include "comms/protocol_message.h"

#include "comms/window_coms_codes.h"

UINT WindowComsProtocolMessage() {
    static const UINT message = RegisterWindowMessageA(kWindowComsProtocolName);
    return message;
}
