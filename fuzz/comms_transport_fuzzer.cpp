// libFuzzer target: two transports (ComsTransportCore) joined by a simulated desktop: a
// wire of posted messages, a clock, periodic platform timers as the window system keeps
// them (a tick every period until killed, stale ticks after a kill), wake-ups for sends
// from another thread, message loss, reordering, forged messages from the peer and from
// strangers (with announced sizes up to and beyond the 1 MiB cap), and a side torn down and
// rebuilt mid-transfer.
//
// Besides the sanitizers it checks: whatever a side delivers was sent by the other side,
// whole and in order, unless the run forged messages in the peer's name; a stranger's
// messages change nothing and are never answered; an undisturbed run delivers everything;
// and, with the timers on, every transfer ends: after the wire is drained and time has run
// on, both sides are idle, however messages were lost (no side waits for ever on a peer
// that has gone quiet).
//
// Input: one configuration byte, then operations, each one byte followed by its arguments.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "comms/coms_transport_core.h"
#include "fuzz_input.h"
#include "wire_disturbance.h"

namespace {

constexpr ComsWindow kWindowA = 1;
constexpr ComsWindow kWindowB = 2;
constexpr ComsWindow kStranger = 3;
constexpr size_t kMaxPayload = 4096;
constexpr size_t kMaxMessagesPerRun = 400000;
constexpr int kMaxDrainRounds = 200;

struct Posted {
    ComsWindow from;
    ComsWindow to;
    uint32_t wParam;
};

class Desktop;

// One window with its transport; the port is the simulated window system.
struct Side : ComsTransportPort {
    Desktop* desktop = nullptr;
    ComsWindow own = 0, peer = 0;
    bool onOwnThread = true;
    struct Timer {
        bool running = false;
        uint64_t due = 0;
        uint32_t period = 0;
    };
    std::map<uint32_t, Timer> timers;
    bool wakePending = false;
    std::unique_ptr<ComsTransportCore> core;
    std::vector<std::string> sent, delivered;

    uint64_t NowMs() override;
    bool OnOwnThread() override { return onOwnThread; }
    void Post(const ComsWireMessage& message) override;
    bool StartTimer(uint32_t timerId, uint32_t periodMs) override {
        timers[timerId] = Timer{true, NowMs() + (periodMs < 10 ? 10 : periodMs), periodMs < 10 ? 10 : periodMs};
        return true;
    }
    void KillTimer(uint32_t timerId) override { timers[timerId].running = false; }
    bool PostWake() override {
        wakePending = true;
        return true;
    }
};

class Desktop {
public:
    explicit Desktop(uint8_t config) : timeOut_((config & 1) ? 0 : 2000) {
        a_.own = kWindowA;
        a_.peer = kWindowB;
        b_.own = kWindowB;
        b_.peer = kWindowA;
        Build(a_);
        Build(b_);
    }
    ~Desktop() {
        a_.core.reset();
        b_.core.reset();
    }

    uint64_t now = 0;

    void Transmit(ComsWindow from, ComsWindow to, const ComsWireMessage& message) {
        if (++messages_ > kMaxMessagesPerRun) std::abort();  // endless ping-pong
        if (from == kStranger || to == kStranger) std::abort();
        wire_.push_back({from, to, PackComsWParam(message)});
    }

    void Operate(InputReader& in) {
        const uint8_t op = in.Byte();
        Side& side = (op & 0x80) ? b_ : a_;
        switch (op % 16) {
        case 0:
        case 1: {  // send a text, from the window's thread or from another one
            std::string text;
            const size_t length = (size_t{in.Byte()} << (op & 0x40 ? 4 : 0)) % (kMaxPayload + 1);
            const uint8_t fill = in.Byte();
            for (size_t i = 0; i < length; ++i) text.push_back(static_cast<char>(1 + (fill + i) % 255));
            side.onOwnThread = (op & 0x20) == 0;
            if (side.core->SendString(text) != static_cast<int32_t>(text.size())) std::abort();
            side.onOwnThread = true;
            side.sent.push_back(text);
            break;
        }
        case 2:
        case 3:
        case 4:
        case 5:
            Step();
            break;
        case 6:  // loss of the oldest message
            if (LoseOldest(wire_)) disturbed_ = true;
            break;
        case 7:  // a later message overtakes the oldest one
            if (OvertakeOldest(wire_, [&] { return in.Byte(); })) disturbed_ = true;
            break;
        case 8: {  // a forged data code from a stranger: must change nothing
            const ComsWireMessage message{static_cast<uint8_t>('0' + in.Byte() % 64), in.Byte(), in.Word()};
            const size_t before = wire_.size();
            side.core->HandleMessage(PackComsWParam(message), kStranger);
            if (wire_.size() != before) std::abort();
            break;
        }
        case 9: {  // a forged data code in the peer's name, sizes up to and past the cap
            ComsWireMessage message{static_cast<uint8_t>('0' + in.Byte() % 64), in.Byte(), in.Word()};
            if (message.code == 'Q') message.value = static_cast<uint16_t>(message.value % 0x12);
            side.core->HandleMessage(PackComsWParam(message), side.peer);
            forged_ = disturbed_ = true;
            break;
        }
        case 10:  // time passes without the windows' threads getting to their messages
            Advance(uint64_t{in.Byte()} * 20);
            disturbed_ = true;
            break;
        case 11: {  // a stale tick of a timer id, running or not
            const uint32_t id = (in.Byte() & 1) ? kReceiveTimerId : kSendTimerId;
            side.core->HandleTimer(id);
            break;
        }
        case 12:  // the wake-up message arrives
            Wake(side);
            break;
        case 13:  // a side is destroyed mid-transfer and a new one takes its window
            side.core.reset();
            Build(side);
            disturbed_ = true;
            break;
        default:
            Step();
            break;
        }
    }

    // Delivers everything and lets time run on until nothing moves.
    void Drain() {
        for (int round = 0; round < kMaxDrainRounds; ++round) {
            while (Step()) {
            }
            Wake(a_);
            Wake(b_);
            if (!wire_.empty()) continue;
            uint64_t next = UINT64_MAX;
            for (Side* side : {&a_, &b_}) {
                for (auto& [id, timer] : side->timers) {
                    if (timer.running && timer.due < next) next = timer.due;
                }
            }
            if (next == UINT64_MAX) return;
            Advance(next > now ? next - now : 0);
        }
        if (timeOut_ != 0) std::abort();  // timers still running after all that time: a livelock
    }

    void Check() const {
        for (const Side* side : {&a_, &b_}) {
            const Side& other = side == &a_ ? b_ : a_;
            if (!forged_ && !IsOrderedSubsequence(side->delivered, other.sent)) std::abort();
            if (!disturbed_ && side->delivered != other.sent) std::abort();
            // With timers every transfer comes to an end, whatever was lost on the way.
            if ((timeOut_ != 0 || !disturbed_) && !side->core->Idle()) std::abort();
        }
    }

private:
    void Build(Side& side) {
        side.desktop = this;
        side.timers.clear();
        side.wakePending = false;
        side.core = std::make_unique<ComsTransportCore>(side, side.own, side.peer, timeOut_);
        side.core->Handler().OnTextData = {[](void* context, uint8_t* buffer, uint32_t size, bool& taken) {
                                               static_cast<Side*>(context)->delivered.emplace_back(
                                                   reinterpret_cast<const char*>(buffer), size);
                                               taken = false;
                                           },
                                           &side};
    }

    bool Step() {
        if (wire_.empty()) return false;
        const auto next = wire_.front();
        wire_.pop_front();
        Side& to = next.to == kWindowA ? a_ : b_;
        to.core->HandleMessage(next.wParam, next.from);
        return true;
    }

    void Wake(Side& side) {
        if (!side.wakePending) return;
        side.wakePending = false;
        side.core->WakeUp();
    }

    // Runs the clock forward, firing every platform timer that falls due on the way.
    void Advance(uint64_t by) {
        const uint64_t until = now + by;
        for (;;) {
            Side* due = nullptr;
            uint32_t dueId = 0;
            for (Side* side : {&a_, &b_}) {
                for (auto& [id, timer] : side->timers) {
                    if (timer.running && timer.due <= until && (due == nullptr || timer.due < due->timers[dueId].due)) {
                        due = side;
                        dueId = id;
                    }
                }
            }
            if (due == nullptr) break;
            Side::Timer& timer = due->timers[dueId];
            if (timer.due > now) now = timer.due;
            timer.due = now + timer.period;  // periodic until killed
            due->core->HandleTimer(dueId);
            while (Step()) {
            }
        }
        now = until;
    }

    static bool IsOrderedSubsequence(const std::vector<std::string>& part, const std::vector<std::string>& whole) {
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
    bool disturbed_ = false;
    bool forged_ = false;
};

uint64_t Side::NowMs() { return desktop->now; }
void Side::Post(const ComsWireMessage& message) { desktop->Transmit(own, peer, message); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    InputReader in(data, size);
    Desktop desktop(in.Byte());
    while (!in.Empty()) desktop.Operate(in);
    desktop.Drain();
    desktop.Check();
    return 0;
}
