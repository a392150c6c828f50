#include "comms/listening_window_control.h"

#include "comms/window_coms_codes.h"

ListeningStep ListeningWindowControl::Handle(uint8_t code, uint8_t byte, ComsWindow from) {
    using Kind = ListeningStep::Kind;
    switch (code) {
    case kComsQuery:
        return {Kind::Announce, from};
    case kComsNameRequest:
        // Our own start-up broadcast reaches us too; we need not learn our own name.
        if (from != self_ && Exists(from)) return {Kind::SendName, from};
        return {};
    case kComsNameFirst:
    case kComsNameNext:
    case kComsNameLast:
        // A name is taken only from a window that exists; once its record is there, the
        // remaining characters need no new check.
        if (from == self_) return {};
        if (otherServers_.Find(from) == nullptr && !Exists(from)) return {};
        otherServers_.NameCharacter(from, code, static_cast<char>(byte));
        return {};
    case kComsServerStarted:
        if (from == self_ || !Exists(from)) return {};
        if (otherServers_.FindOrAdd(from) == nullptr) return {};  // full: not recorded, not asked
        return {Kind::RequestName, from};
    case kComsServerStopped:
        if (from != self_) otherServers_.Remove(from);
        return {};
    case kComsConnect:
        return {Kind::Connect, from};
    case kComsDisconnect:
        return {Kind::Disconnect, from};
    default:
        return {};
    }
}
