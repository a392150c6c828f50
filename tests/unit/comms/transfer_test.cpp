// Complete transfers between two handlers: the exact wire sequence, the empty text, queued
// messages, binary payloads and the taken flag of delivery.
#include <gtest/gtest.h>

#include "comms/window_coms_wire.h"
#include "unit/comms/handler_pair.h"

namespace {

using Pair = HandlerPair;

// The codes of a successful transfer of n bytes.
std::string WireSequence(size_t n) {
    std::string codes = "P0Q2R3S4U5";
    for (size_t i = 0; i < n; ++i) codes += "V6";
    return codes + "W7X8";
}

TEST(Transfer, OneTextRunsTheFullWireSequence) {
    Pair pair;
    pair.Send(Pair::kA, "abc");
    pair.Run();

    EXPECT_EQ(pair.Codes(), "P0Q2R3S4U5V6V6V6W7X8");
    const auto& d = pair.delivered;
    EXPECT_EQ(d[2].message.value, 0);   // "Q": high half of 3
    EXPECT_EQ(d[4].message.value, 3);   // "R": low half
    EXPECT_EQ(d[10].message.byte, 'a');
    EXPECT_EQ(d[12].message.byte, 'b');
    EXPECT_EQ(d[14].message.byte, 'c');
    EXPECT_EQ(d[18].message.value, 294);  // "X": 97 + 98 + 99
    for (const auto& entry : d) {
        EXPECT_EQ(entry.to, entry.from == Pair::kA ? Pair::kB : Pair::kA);
    }
    EXPECT_EQ(pair.logB.delivered, std::vector<std::string>{"abc"});
    EXPECT_EQ(pair.logB.receiveStarted, 1);
    EXPECT_EQ(pair.logA.sendStarted, 1);
    EXPECT_TRUE(pair.logA.sendErrors.empty());
    EXPECT_TRUE(pair.logB.receiveErrors.empty());
}

TEST(Transfer, EndsWithBothSidesIdleAndNoTimerRunning) {
    Pair pair;
    pair.Send(Pair::kA, "hello");
    pair.Run();
    EXPECT_FALSE(pair.a.Sending());
    EXPECT_FALSE(pair.b.Receiving());
    EXPECT_TRUE(pair.timers.empty());
    EXPECT_GT(pair.timerStarts, 0);
}

TEST(Transfer, EmptyTextIsAMessageOfSizeZero) {
    Pair pair;
    pair.Send(Pair::kA, "");
    pair.Run();
    EXPECT_EQ(pair.Codes(), WireSequence(0));
    EXPECT_EQ(pair.delivered[12].message.value, 0);  // checksum of nothing
    EXPECT_EQ(pair.logB.delivered, std::vector<std::string>{""});
}

TEST(Transfer, SizeHalvesCarryBothWords) {
    Pair pair;
    const std::string text(70000, 'x');  // 0x00011170
    pair.Send(Pair::kA, text);
    pair.Run();
    EXPECT_EQ(pair.delivered[2].message.value, 0x0001);
    EXPECT_EQ(pair.delivered[4].message.value, 0x1170);
    ASSERT_EQ(pair.logB.delivered.size(), 1u);
    EXPECT_EQ(pair.logB.delivered[0], text);
    EXPECT_EQ(pair.delivered.size(), 2 * text.size() + 14);
}

TEST(Transfer, TwoSendsInARowArriveCompleteAndInOrder) {
    Pair pair;
    pair.Send(Pair::kA, "first");
    pair.Send(Pair::kA, "second");
    EXPECT_EQ(pair.a.QueuedCount(), 1u);
    pair.Run();
    EXPECT_EQ(pair.logB.delivered, (std::vector<std::string>{"first", "second"}));
    EXPECT_EQ(pair.Codes(), WireSequence(5) + WireSequence(6));
    EXPECT_EQ(pair.a.QueuedCount(), 0u);
}

TEST(Transfer, BothDirectionsAtOnce) {
    Pair pair;
    pair.Send(Pair::kA, "ping");
    pair.Send(Pair::kB, "pong");
    pair.Send(Pair::kA, "again");
    pair.Run();
    EXPECT_EQ(pair.logB.delivered, (std::vector<std::string>{"ping", "again"}));
    EXPECT_EQ(pair.logA.delivered, std::vector<std::string>{"pong"});
}

TEST(Transfer, BinaryMayContainZeroBytes) {
    Pair pair;
    const uint8_t bytes[] = {0, 1, 0, 255};
    ProtocolActions out;
    pair.a.SendBinary(bytes, sizeof bytes, out);
    // Replay the actions through the pair's wire by hand.
    for (const auto& action : out) {
        if (action.kind == ProtocolAction::Kind::Post) pair.wire.push_back({Pair::kA, Pair::kB, action.message});
    }
    pair.Run();
    EXPECT_EQ(pair.Codes(), "P0Q2R3T4U5V6V6V6V6W7X8");
    ASSERT_EQ(pair.logB.delivered.size(), 1u);
    EXPECT_EQ(pair.logB.delivered[0], std::string("\0\1\0\xff", 4));
}

TEST(Transfer, TakenBufferBelongsToTheCallbackAndReadyIsNotCalled) {
    Pair pair;
    static uint8_t* kept = nullptr;
    static int readyCalls = 0;
    pair.b.OnTextData = {[](void*, uint8_t* buffer, uint32_t, bool&) { kept = buffer; }, nullptr};
    pair.b.OnTextReady = {[](void*, const uint8_t*, uint32_t) { ++readyCalls; }, nullptr};
    pair.Send(Pair::kA, "mine");
    pair.Run();
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(kept), 4), "mine");
    EXPECT_EQ(readyCalls, 0);
    delete[] kept;  // now ours: the sanitizer reports a double free if the handler freed it too
}

TEST(Transfer, ReturnedBufferGoesToTheReadyNotification) {
    Pair pair;
    static std::string seen;
    pair.b.OnTextData = {[](void*, uint8_t*, uint32_t, bool& taken) { taken = false; }, nullptr};
    pair.b.OnTextReady = {[](void*, const uint8_t* buffer, uint32_t size) {
                              seen.assign(reinterpret_cast<const char*>(buffer), size);
                          },
                          nullptr};
    pair.Send(Pair::kA, "yours");
    pair.Run();
    EXPECT_EQ(seen, "yours");
}

TEST(Transfer, TimeOutZeroStartsNoTimer) {
    Pair pair;
    pair.a.TimeOut = 0;
    pair.b.TimeOut = 0;
    pair.Send(Pair::kA, "quiet");
    pair.Run();
    EXPECT_EQ(pair.timerStarts, 0);
    EXPECT_EQ(pair.logB.delivered, std::vector<std::string>{"quiet"});
}

TEST(WireFormat, PacksCodeByteAndValue) {
    const ComsWireMessage m{'X', 7, 0x0126};
    EXPECT_EQ(PackComsWParam(m), 0x01260758u);
    const ComsWireMessage back = UnpackComsWParam(0x01260758u);
    EXPECT_EQ(back.code, 'X');
    EXPECT_EQ(back.byte, 7);
    EXPECT_EQ(back.value, 0x0126);
}

TEST(WireFormat, ChecksumIsTheByteSumModulo65536) {
    const uint8_t abc[] = {'a', 'b', 'c'};
    EXPECT_EQ(ComsChecksum(abc, 3), 294);
    const std::string many(300, '\xff');  // 300 * 255 = 76500 = 65536 + 10964
    EXPECT_EQ(ComsChecksum(reinterpret_cast<const uint8_t*>(many.data()), 300), 10964);
}

}  // namespace
