#include "comms/other_server_list.h"

#include <algorithm>

#include "comms/window_coms_codes.h"

TQXWindowComsOtherServer* OtherServerList::FindOrAdd(ComsWindow window) {
    for (auto& server : servers_) {
        if (server.Window == window) return &server;
    }
    if (servers_.size() >= kMaxOtherServers) return nullptr;
    servers_.push_back(TQXWindowComsOtherServer{window, std::string(), false});
    return &servers_.back();
}

const TQXWindowComsOtherServer* OtherServerList::Find(ComsWindow window) const {
    for (const auto& server : servers_) {
        if (server.Window == window) return &server;
    }
    return nullptr;
}

void OtherServerList::Remove(ComsWindow window) {
    std::erase_if(servers_, [window](const auto& server) { return server.Window == window; });
}

void OtherServerList::NameCharacter(ComsWindow window, uint8_t code, char character) {
    if (code != kComsNameFirst && code != kComsNameNext && code != kComsNameLast) return;
    TQXWindowComsOtherServer* server = FindOrAdd(window);
    if (server == nullptr || server->NameComplete) return;
    if (code == kComsNameFirst) {
        server->Name.assign(1, character);
    } else {
        if (server->Name.size() < kMaxServerNameLength) server->Name.push_back(character);
        server->NameComplete = code == kComsNameLast;
    }
}
