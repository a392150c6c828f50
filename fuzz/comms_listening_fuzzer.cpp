// libFuzzer target: the listening window's handling of control codes and server names
// (ListeningWindowControl), driven by random codes, data bytes and sender windows from a
// desktop whose windows come and go.
//
// It checks what must hold whatever arrives: names are answered and other-server records
// made only for windows that exist at that moment and never for the listening window
// itself; at most OtherServerList::kMaxOtherServers records, names of at most
// kMaxServerNameLength characters; a completed name never changes; connect and disconnect
// requests go to the thread for exactly the sender; the other codes do nothing.
//
// Input: operations, each one byte followed by its arguments.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <set>
#include <string>

#include "comms/listening_window_control.h"
#include "comms/window_coms_codes.h"

namespace {

constexpr ComsWindow kSelf = 1;
constexpr ComsWindow kWindows = 200;  // senders are 1..kWindows (and 0)

struct Desktop {
    std::set<ComsWindow> alive;
    static bool Exists(void* self, ComsWindow window) {
        return static_cast<Desktop*>(self)->alive.count(window) != 0;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Desktop desktop;
    desktop.alive.insert(kSelf);
    ListeningWindowControl control(kSelf, &Desktop::Exists, &desktop);
    std::map<ComsWindow, std::string> completed;  // names seen complete, which must not change
    size_t at = 0;
    auto byte = [&]() -> uint8_t { return at < size ? data[at++] : 0; };

    while (at < size) {
        const uint8_t op = byte();
        const ComsWindow from = byte() % (kWindows + 1);
        if (op >= 0xF0) {  // a window is made or destroyed
            if (from != kSelf && !desktop.alive.erase(from)) desktop.alive.insert(from);
            continue;
        }
        if (op >= 0xC0) {  // a whole name, character by character
            const size_t length = 1 + byte() * 3u;
            const uint8_t fill = byte();
            for (size_t i = 0; i < length; ++i) {
                const uint8_t code = i + 1 == length ? kComsNameLast : i == 0 ? kComsNameFirst : kComsNameNext;
                control.Handle(code, static_cast<uint8_t>(fill + i), from);
            }
        } else {
            const uint8_t code = op % 16;
            const uint8_t character = byte();
            const bool existed = control.OtherServers().Find(from) != nullptr;
            const ListeningStep step = control.Handle(code, character, from);
            const bool exists = control.OtherServers().Find(from) != nullptr;
            const bool alive = desktop.alive.count(from) != 0;
            using Kind = ListeningStep::Kind;
            if (!existed && exists && (!alive || from == kSelf)) std::abort();  // a record for nobody
            switch (code) {
            case kComsQuery:
                if (step.kind != Kind::Announce) std::abort();
                break;
            case kComsNameRequest:
                if (step.kind != (alive && from != kSelf ? Kind::SendName : Kind::None)) std::abort();
                break;
            case kComsServerStarted:
                if (step.kind == Kind::RequestName && (!alive || from == kSelf || !exists)) std::abort();
                if (step.kind != Kind::RequestName && step.kind != Kind::None) std::abort();
                break;
            case kComsServerStopped:
                if (from != kSelf && exists) std::abort();
                if (step.kind != Kind::None) std::abort();
                break;
            case kComsConnect:
                if (!(step == ListeningStep{Kind::Connect, from})) std::abort();
                break;
            case kComsDisconnect:
                if (!(step == ListeningStep{Kind::Disconnect, from})) std::abort();
                break;
            default:
                if (step.kind != Kind::None) std::abort();
                break;
            }
            if (code == kComsServerStopped) completed.erase(from);
        }

        const auto& servers = control.OtherServers().Servers();
        if (servers.size() > OtherServerList::kMaxOtherServers) std::abort();
        for (const auto& server : servers) {
            if (server.Name.size() > OtherServerList::kMaxServerNameLength) std::abort();
            if (server.Window == kSelf) std::abort();
            auto seen = completed.find(server.Window);
            if (seen != completed.end() && seen->second != server.Name) std::abort();
            if (server.NameComplete) completed[server.Window] = server.Name;
        }
        for (auto it = completed.begin(); it != completed.end();) {
            it = control.OtherServers().Find(it->first) == nullptr ? completed.erase(it) : std::next(it);
        }
    }
    return 0;
}
