// The send side against a scripted receiver: refusal, time-outs, aborts, out-of-order
// answers, and the queue going on after each failure.
#include <gtest/gtest.h>

#include "unit/comms/handler_pair.h"

namespace {

using Pair = HandlerPair;

std::vector<std::string> Posts(std::initializer_list<const char*> codes) {
    return std::vector<std::string>(codes.begin(), codes.end());
}

void Answer(Pair& pair, char code, uint8_t byte = 0) { pair.Inject(Pair::kB, Pair::kA, Wire(code, byte)); }

TEST(SendFaults, RefusalFailsWithCode5AndSendsNothingBack) {
    Pair pair;
    pair.Send(Pair::kA, "no");
    Answer(pair, '1');
    EXPECT_EQ(pair.PostedBy(Pair::kA), Posts({"P"}));
    EXPECT_EQ(pair.logA.sendErrors, std::vector<uint8_t>{kComsRefused});
    EXPECT_FALSE(pair.a.Sending());
    EXPECT_FALSE(pair.TimerRunning(Pair::kA, kSendTimerId));
}

TEST(SendFaults, RefusalStartsTheNextQueuedMessage) {
    Pair pair;
    pair.Send(Pair::kA, "refused");
    pair.Send(Pair::kA, "next");
    Answer(pair, '1');
    EXPECT_EQ(pair.PostedBy(Pair::kA), Posts({"P", "P"}));
    EXPECT_TRUE(pair.a.Sending());
    pair.wire.clear();
    pair.wire.push_back({Pair::kA, Pair::kB, Wire('P')});
    pair.Run();
    EXPECT_EQ(pair.logB.delivered, std::vector<std::string>{"next"});
}

TEST(SendFaults, SilentReceiverTimesOutWithCode6) {
    Pair pair;
    pair.Send(Pair::kA, "hello?");
    ASSERT_TRUE(pair.TimerRunning(Pair::kA, kSendTimerId));
    pair.Tick(Pair::kA, kSendTimerId);
    EXPECT_EQ(pair.PostedBy(Pair::kA), Posts({"P", "Z6"}));
    EXPECT_EQ(pair.logA.sendErrors, std::vector<uint8_t>{kComsTimeOut});
    EXPECT_FALSE(pair.a.Sending());
    EXPECT_FALSE(pair.TimerRunning(Pair::kA, kSendTimerId));
}

TEST(SendFaults, TimeOutStartsTheNextQueuedMessage) {
    Pair pair;
    pair.Send(Pair::kA, "lost");
    pair.Send(Pair::kA, "kept");
    pair.Tick(Pair::kA, kSendTimerId);
    EXPECT_EQ(pair.PostedBy(Pair::kA), Posts({"P", "Z6", "P"}));
    pair.wire.erase(pair.wire.begin());  // the first "P" never arrived
    pair.Run();
    EXPECT_EQ(pair.logB.delivered, std::vector<std::string>{"kept"});
    EXPECT_EQ(pair.logB.receiveErrors, std::vector<uint8_t>{kComsTimeOut});  // from "Z6"
}

TEST(SendFaults, ReceiverSilentAfterAnyCodeOfTheTransferTimesOutWithCode6) {
    // Whatever the sender posted last ("Q", "R", a "V", "X"), a receiver that goes away then
    // must not leave it sending for good.
    const std::vector<std::vector<char>> answers = {
        {'0'}, {'0', '2'}, {'0', '2', '3', '4', '5'}, {'0', '2', '3', '4', '5', '6', '6', '6', '7'}};
    for (const auto& script : answers) {
        Pair pair;
        pair.Send(Pair::kA, "abc");
        pair.Send(Pair::kA, "queued");
        for (char code : script) Answer(pair, code);
        ASSERT_TRUE(pair.TimerRunning(Pair::kA, kSendTimerId)) << script.size() << " answers";
        pair.Tick(Pair::kA, kSendTimerId);
        EXPECT_EQ(pair.logA.sendErrors, std::vector<uint8_t>{kComsTimeOut}) << script.size() << " answers";
        EXPECT_EQ(pair.PostedBy(Pair::kA).back(), "P") << "the queue goes on";
    }
}

TEST(SendFaults, ReceiverAbortEndsTheSendWithItsCodeAndNoAnswer) {
    Pair pair;
    pair.Send(Pair::kA, "abc");
    Answer(pair, '0');
    Answer(pair, '9', 99);
    EXPECT_EQ(pair.PostedBy(Pair::kA), Posts({"P", "Q"}));
    EXPECT_EQ(pair.logA.sendErrors, std::vector<uint8_t>{99});
    EXPECT_FALSE(pair.a.Sending());
}

TEST(SendFaults, DeliveredBeforeAllBytesFailsWithCode1) {
    Pair pair;
    pair.Send(Pair::kA, "abc");
    for (char c : {'0', '2', '3', '4', '5'}) Answer(pair, c);
    Answer(pair, '8');
    EXPECT_EQ(pair.PostedBy(Pair::kA), Posts({"P", "Q", "R", "S", "U", "V", "Z1"}));
    EXPECT_EQ(pair.logA.sendErrors, std::vector<uint8_t>{kComsSizeMismatch});
}

TEST(SendFaults, RepeatedAnswerFailsWithCode2) {
    Pair pair;
    pair.Send(Pair::kA, "abc");
    Answer(pair, '0');
    Answer(pair, '0');
    EXPECT_EQ(pair.PostedBy(Pair::kA), Posts({"P", "Q", "Z2"}));
    EXPECT_EQ(pair.logA.sendErrors, std::vector<uint8_t>{kComsSequenceError});
}

TEST(SendFaults, OutOfOrderSizeAckSendsNoFurtherHeader) {
    Pair pair;
    pair.Send(Pair::kA, "abc");
    Answer(pair, '2');  // before "0"
    EXPECT_EQ(pair.PostedBy(Pair::kA), Posts({"P", "Z2"}));
    EXPECT_FALSE(pair.a.Sending());
}

TEST(SendFaults, RefusalAfterAcceptedStartFailsWithCode2) {
    Pair pair;
    pair.Send(Pair::kA, "abc");
    Answer(pair, '0');
    Answer(pair, '1');
    EXPECT_EQ(pair.PostedBy(Pair::kA), Posts({"P", "Q", "Z2"}));
    EXPECT_EQ(pair.logA.sendErrors, std::vector<uint8_t>{kComsSequenceError});
}

TEST(SendFaults, StrayAnswersWhileIdleDoNotDisturbTheNextTransfer) {
    Pair pair;
    Answer(pair, '0');  // nothing is being sent
    pair.wire.clear();
    pair.Send(Pair::kA, "clean");
    pair.Run();
    EXPECT_EQ(pair.logB.delivered, std::vector<std::string>{"clean"});
    EXPECT_TRUE(pair.logA.sendErrors.empty());
}

TEST(SendFaults, ShutdownDuringASendAbortsWithCode7AndDropsTheQueue) {
    Pair pair;
    pair.Send(Pair::kA, "abc");
    pair.Send(Pair::kA, "queued");
    pair.Step();
    pair.Step();  // "0" reached A; "Q" is on the wire
    ProtocolActions out;
    pair.a.Shutdown(out);
    ASSERT_GE(out.size(), 1u);
    EXPECT_EQ(out[0].kind, ProtocolAction::Kind::Post);
    EXPECT_EQ(out[0].message.code, 'Z');
    EXPECT_EQ(out[0].message.byte, kComsPeerDestroyed);
    EXPECT_FALSE(pair.a.Sending());
    EXPECT_EQ(pair.a.QueuedCount(), 0u);
    EXPECT_TRUE(pair.logA.sendErrors.empty());  // callbacks are cleared first
}

}  // namespace
