// Two data message handlers joined by an in-memory wire, for driving the protocol without
// windows. Window 1 is side A, window 2 is side B; posted messages wait on the wire in order
// until Step() hands the oldest one to its addressee. Timers are recorded, never fired on
// their own: a test ticks them explicitly.
#pragma once

#include <cstdint>
#include <deque>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "comms/data_message_handler.h"

struct WireEntry {
    ComsWindow from = 0;
    ComsWindow to = 0;
    ComsWireMessage message{};
};

// What one side saw through its callbacks.
struct SideLog {
    std::vector<std::string> delivered;  // texts and binaries, in delivery order
    std::vector<uint8_t> receiveErrors;
    std::vector<uint8_t> sendErrors;
    int receiveStarted = 0;
    int sendStarted = 0;
};

class HandlerPair {
public:
    static constexpr ComsWindow kA = 1;
    static constexpr ComsWindow kB = 2;
    static constexpr ComsWindow kStranger = 3;

    HandlerPair() {
        Join(a, kA, kB, logA);
        Join(b, kB, kA, logB);
    }
    ~HandlerPair() {
        ProtocolActions ignored;
        a.Shutdown(ignored);
        b.Shutdown(ignored);
    }

    TQXWindowComsDataMessageHandler& Handler(ComsWindow window) { return window == kA ? a : b; }

    void Send(ComsWindow from, const std::string& text) {
        ProtocolActions out;
        Handler(from).SendString(text, out);
        Apply(from, out);
    }

    // Feeds one message to `to` as if window `from` had posted it.
    void Inject(ComsWindow from, ComsWindow to, ComsWireMessage message) {
        ProtocolActions out;
        Handler(to).HandleMessage(message, from, out);
        Apply(to, out);
    }

    void Tick(ComsWindow window, uint32_t timerId) {
        ProtocolActions out;
        Handler(window).HandleTimer(timerId, out);
        Apply(window, out);
    }

    // Hands the oldest posted message to its addressee; false when the wire is empty.
    bool Step() {
        if (wire.empty()) return false;
        WireEntry entry = wire.front();
        wire.pop_front();
        delivered.push_back(entry);
        Inject(entry.from, entry.to, entry.message);
        return true;
    }
    void Run() {
        while (Step()) {
        }
    }

    // The codes of every message delivered so far, e.g. "P0Q2R3S4U5W7X8".
    std::string Codes() const {
        std::string codes;
        for (const auto& entry : delivered) codes.push_back(static_cast<char>(entry.message.code));
        return codes;
    }
    // The messages `from` has posted so far (delivered or still waiting), as code strings
    // with the data byte for "9" and "Z": e.g. "P", "Z6".
    std::vector<std::string> PostedBy(ComsWindow from) const {
        std::vector<std::string> posted;
        for (const auto& entry : sent) {
            if (entry.from != from) continue;
            std::string text(1, static_cast<char>(entry.message.code));
            if (entry.message.code == '9' || entry.message.code == 'Z') {
                text += std::to_string(entry.message.byte);
            }
            posted.push_back(text);
        }
        return posted;
    }
    bool TimerRunning(ComsWindow window, uint32_t timerId) const {
        return timers.count({window, timerId}) != 0;
    }

    TQXWindowComsDataMessageHandler a, b;
    SideLog logA, logB;
    std::deque<WireEntry> wire;
    std::vector<WireEntry> sent;       // every posted message, in posting order
    std::vector<WireEntry> delivered;  // every message handed over, in order
    std::set<std::pair<ComsWindow, uint32_t>> timers;
    int timerStarts = 0;

private:
    void Apply(ComsWindow from, const ProtocolActions& out) {
        const ComsWindow peer = Handler(from).PeerWindow;
        for (const auto& action : out) {
            switch (action.kind) {
            case ProtocolAction::Kind::Post:
                wire.push_back({from, peer, action.message});
                sent.push_back({from, peer, action.message});
                break;
            case ProtocolAction::Kind::StartTimer:
                timers.insert({from, action.timerId});
                ++timerStarts;
                break;
            case ProtocolAction::Kind::StopTimer:
                timers.erase({from, action.timerId});
                break;
            }
        }
    }

    static void Join(TQXWindowComsDataMessageHandler& h, ComsWindow own, ComsWindow peer, SideLog& log) {
        h.OwnWindow = own;
        h.PeerWindow = peer;
        h.OnTextData = {[](void* context, uint8_t* buffer, uint32_t size, bool& taken) {
                            static_cast<SideLog*>(context)->delivered.emplace_back(
                                reinterpret_cast<const char*>(buffer), size);
                            taken = false;  // the handler frees it
                        },
                        &log};
        h.OnBinaryData = h.OnTextData;
        h.OnReceiveError = {[](void* context, uint8_t code) {
                                static_cast<SideLog*>(context)->receiveErrors.push_back(code);
                            },
                            &log};
        h.OnSendError = {[](void* context, uint8_t code) {
                             static_cast<SideLog*>(context)->sendErrors.push_back(code);
                         },
                         &log};
        h.OnReceiveStarted = {[](void* context) { ++static_cast<SideLog*>(context)->receiveStarted; }, &log};
        h.OnSendStarted = {[](void* context) { ++static_cast<SideLog*>(context)->sendStarted; }, &log};
    }
};

inline ComsWireMessage Wire(char code, uint8_t byte = 0, uint16_t value = 0) {
    return ComsWireMessage{static_cast<uint8_t>(code), byte, value};
}
