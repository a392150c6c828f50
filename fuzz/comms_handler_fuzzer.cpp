// libFuzzer target: two data message handlers joined by an in-memory wire, driven by a
// random sequence of events: texts and binaries to send, deliveries in order, losses,
// reorderings, forged messages from the peer, from a stranger and from the handler's own
// window, timer ticks, failed allocations and a side torn down and rebuilt mid-transfer.
//
// Besides the sanitizers (crash, leak, undefined behaviour) it checks what must hold for any
// peer: whatever a side delivers was sent by the other side, whole and in order, unless the
// run forged messages in the peer's name; a run without any disturbance delivers every
// message and ends with both sides idle; and the exchange always comes to rest (no endless
// ping-pong between two handlers).
//
// Input format, read from the front: one configuration byte, then operations, each one
// byte followed by its arguments. Running out of input ends the run with a final drain.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "comms/data_message_handler.h"
#include "fuzz_input.h"
#include "wire_disturbance.h"

namespace {

constexpr ComsWindow kWindowA = 1;
constexpr ComsWindow kWindowB = 2;
constexpr ComsWindow kStranger = 3;
constexpr size_t kMaxPayload = 64;
// Far more messages than any input can legitimately cause; reaching it means a livelock.
constexpr size_t kMaxMessagesPerRun = 200000;
constexpr int kMaxDrainRounds = 64;

bool failNextAllocation = false;

uint8_t* FuzzAllocate(uint32_t size) {
    if (failNextAllocation) {
        failNextAllocation = false;
        return nullptr;
    }
    return new uint8_t[size];
}

struct Side {
    ComsWindow own = 0;
    ComsWindow peer = 0;
    bool takeBuffers = false;
    std::unique_ptr<TQXWindowComsDataMessageHandler> handler;
    std::vector<std::string> sent;       // what this side asked to send, in order
    std::vector<std::string> delivered;  // what this side received
};

struct Posted {
    ComsWindow from;
    ComsWindow to;
    ComsWireMessage message;
};

class Run {
public:
    explicit Run(uint8_t config) : timeOut_((config & 1) ? 0 : kDefaultComsTimeOutMs) {
        a_.own = kWindowA;
        a_.peer = kWindowB;
        a_.takeBuffers = (config & 2) != 0;
        b_.own = kWindowB;
        b_.peer = kWindowA;
        b_.takeBuffers = (config & 4) != 0;
        Build(a_);
        Build(b_);
    }

    ~Run() {
        ProtocolActions ignored;
        a_.handler->Shutdown(ignored);
        b_.handler->Shutdown(ignored);
    }

    void Operate(InputReader& in) {
        const uint8_t op = in.Byte();
        switch (op % 16) {
        case 0:
        case 1: {  // send a text or a binary
            Side& side = (op & 16) ? b_ : a_;
            const bool binary = (op & 32) != 0;
            std::string payload = in.Bytes(in.Byte() % (kMaxPayload + 1));
            ProtocolActions out;
            int32_t result = 0;
            if (binary) {
                result = side.handler->SendBinary(reinterpret_cast<const uint8_t*>(payload.data()),
                                                  static_cast<uint32_t>(payload.size()), out);
            } else {
                result = side.handler->SendString(payload, out);
            }
            if (result != static_cast<int32_t>(payload.size())) std::abort();
            // A text with a zero byte is refused by the receiver; it never counts as sent.
            if (binary || payload.find('\0') == std::string::npos) side.sent.push_back(payload);
            else disturbed_ = true;
            Apply(side, out);
            break;
        }
        case 2:
        case 3:
        case 4:
        case 5:
        case 6:
        case 7:
            Step();
            break;
        case 8:  // loss of the oldest message
            if (LoseOldest(wire_)) disturbed_ = true;
            break;
        case 9:  // a later message overtakes the oldest one
            if (OvertakeOldest(wire_, [&] { return in.Byte(); })) disturbed_ = true;
            break;
        case 10: {  // a forged message from the peer, a stranger or the handler's own window
            Side& side = (op & 16) ? b_ : a_;
            const uint8_t who = in.Byte() % 3;
            const ComsWindow from = who == 0 ? side.peer : who == 1 ? kStranger : side.own;
            const ComsWireMessage message{in.Byte(), in.Byte(), in.Word()};
            if (from == side.peer) forged_ = true;
            disturbed_ = true;
            Feed(side, message, from);
            break;
        }
        case 11: {  // a timer tick, armed or not
            Side& side = (op & 16) ? b_ : a_;
            const uint8_t which = in.Byte() % 3;
            Tick(side, which == 0 ? kReceiveTimerId : which == 1 ? kSendTimerId : 777);
            disturbed_ = true;
            break;
        }
        case 12:
            failNextAllocation = true;
            disturbed_ = true;
            break;
        case 13: {  // a side is destroyed mid-transfer and a new one takes its window
            Side& side = (op & 16) ? b_ : a_;
            ProtocolActions out;
            side.handler->Shutdown(out);
            Apply(side, out);
            Build(side);
            disturbed_ = true;
            break;
        }
        default:
            Step();
            break;
        }
    }

    // Delivers everything, then lets every armed timer expire, until nothing moves.
    void Drain() {
        for (int round = 0; round < kMaxDrainRounds; ++round) {
            while (Step()) {
            }
            bool ticked = false;
            for (Side* side : {&a_, &b_}) {
                if (side->handler->ReceiveTimerArmed()) {
                    Tick(*side, kReceiveTimerId);
                    ticked = true;
                }
                if (side->handler->SendTimerArmed()) {
                    Tick(*side, kSendTimerId);
                    ticked = true;
                }
            }
            if (!ticked && wire_.empty()) return;
            if (ticked) disturbed_ = true;
        }
        std::abort();  // still moving after every timer had its chance: a livelock
    }

    void Check() const {
        for (const Side* side : {&a_, &b_}) {
            const Side& other = side == &a_ ? b_ : a_;
            if (!forged_ && !IsOrderedSubsequence(side->delivered, other.sent)) std::abort();
            if (!disturbed_) {
                if (side->delivered != other.sent) std::abort();
                if (side->handler->Sending() || side->handler->Receiving()) std::abort();
                if (side->handler->QueuedCount() != 0) std::abort();
            }
        }
    }

private:
    void Build(Side& side) {
        side.handler = std::make_unique<TQXWindowComsDataMessageHandler>();
        TQXWindowComsDataMessageHandler& h = *side.handler;
        h.OwnWindow = side.own;
        h.PeerWindow = side.peer;
        h.TimeOut = timeOut_;
        h.AllocateBuffer = &FuzzAllocate;
        h.OnTextData = {[](void* context, uint8_t* buffer, uint32_t size, bool& taken) {
                            auto* s = static_cast<Side*>(context);
                            s->delivered.emplace_back(reinterpret_cast<const char*>(buffer), size);
                            taken = s->takeBuffers;
                            if (taken) delete[] buffer;
                        },
                        &side};
        h.OnBinaryData = h.OnTextData;
        h.OnTextReady = {[](void*, const uint8_t* buffer, uint32_t size) {
                             volatile uint8_t sink = 0;
                             for (uint32_t i = 0; i < size; ++i) sink = sink + buffer[i];
                         },
                         nullptr};
        h.OnBinaryReady = h.OnTextReady;
    }

    bool Step() {
        if (wire_.empty()) return false;
        const Posted next = wire_.front();
        wire_.pop_front();
        Side* to = next.to == kWindowA ? &a_ : next.to == kWindowB ? &b_ : nullptr;
        if (to != nullptr) Feed(*to, next.message, next.from);
        return true;
    }

    void Feed(Side& side, const ComsWireMessage& message, ComsWindow from) {
        ProtocolActions out;
        side.handler->HandleMessage(message, from, out);
        Apply(side, out);
    }

    void Tick(Side& side, uint32_t timerId) {
        ProtocolActions out;
        side.handler->HandleTimer(timerId, out);
        Apply(side, out);
    }

    void Apply(const Side& side, const ProtocolActions& out) {
        for (const auto& action : out) {
            if (action.kind != ProtocolAction::Kind::Post) continue;
            if (++messages_ > kMaxMessagesPerRun) std::abort();
            wire_.push_back({side.own, side.peer, action.message});
        }
    }

    static bool IsOrderedSubsequence(const std::vector<std::string>& part,
                                     const std::vector<std::string>& whole) {
        size_t at = 0;
        for (const auto& item : part) {
            while (at < whole.size() && whole[at] != item) ++at;
            if (at == whole.size()) return false;
            ++at;
        }
        return true;
    }

    uint32_t timeOut_;
    Side a_, b_;
    std::deque<Posted> wire_;
    size_t messages_ = 0;
    bool disturbed_ = false;  // anything but sends and in-order deliveries happened
    bool forged_ = false;     // a message was forged in the peer's name
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    InputReader in(data, size);
    failNextAllocation = false;
    Run run(in.Byte());
    while (!in.Empty()) run.Operate(in);
    run.Drain();
    run.Check();
    return 0;
}
