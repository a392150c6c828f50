// The receive side against a scripted sender: every fault ends the receive, tells the owner
// and answers "9" with the error code.
#include <gtest/gtest.h>

#include "unit/comms/handler_pair.h"

namespace {

using Pair = HandlerPair;

// Drives B's receive from window A up to the payload phase for `size` bytes of `kind`.
void OpenReceive(Pair& pair, uint32_t size, char kind = 'S') {
    pair.Inject(Pair::kA, Pair::kB, Wire('P'));
    pair.Inject(Pair::kA, Pair::kB, Wire('Q', 0, static_cast<uint16_t>(size >> 16)));
    pair.Inject(Pair::kA, Pair::kB, Wire('R', 0, static_cast<uint16_t>(size & 0xFFFF)));
    pair.Inject(Pair::kA, Pair::kB, Wire(kind));
    pair.Inject(Pair::kA, Pair::kB, Wire('U'));
}

std::vector<std::string> Answers(std::initializer_list<const char*> codes) {
    return std::vector<std::string>(codes.begin(), codes.end());
}

TEST(ReceiveFaults, ZeroByteInATextFailsWithCode4) {
    Pair pair;
    pair.Send(Pair::kA, std::string("a\0b", 3));
    pair.Run();
    EXPECT_EQ(pair.logB.receiveErrors, std::vector<uint8_t>{kComsZeroInText});
    EXPECT_EQ(pair.logA.sendErrors, std::vector<uint8_t>{kComsZeroInText});  // told by "9"
    EXPECT_EQ(pair.PostedBy(Pair::kB).back(), "94");
    EXPECT_TRUE(pair.logB.delivered.empty());
    EXPECT_FALSE(pair.a.Sending());
    EXPECT_FALSE(pair.b.Receiving());
}

TEST(ReceiveFaults, PayloadDoneBeforeAllBytesFailsWithCode1) {
    Pair pair;
    OpenReceive(pair, 2);
    pair.Inject(Pair::kA, Pair::kB, Wire('V', 'x'));
    pair.Inject(Pair::kA, Pair::kB, Wire('W'));
    EXPECT_EQ(pair.PostedBy(Pair::kB), Answers({"0", "2", "3", "4", "5", "6", "91"}));
    EXPECT_EQ(pair.logB.receiveErrors, std::vector<uint8_t>{kComsSizeMismatch});
    EXPECT_FALSE(pair.b.Receiving());
}

TEST(ReceiveFaults, ByteBeyondTheSizeFailsWithCode1) {
    Pair pair;
    OpenReceive(pair, 1);
    pair.Inject(Pair::kA, Pair::kB, Wire('V', 'x'));
    pair.Inject(Pair::kA, Pair::kB, Wire('V', 'y'));
    EXPECT_EQ(pair.PostedBy(Pair::kB), Answers({"0", "2", "3", "4", "5", "6", "91"}));
    EXPECT_EQ(pair.logB.receiveErrors, std::vector<uint8_t>{kComsSizeMismatch});
}

TEST(ReceiveFaults, ChecksumMismatchFailsWithCode3AndDeliversNothing) {
    Pair pair;
    OpenReceive(pair, 2);
    pair.Inject(Pair::kA, Pair::kB, Wire('V', 'o'));
    pair.Inject(Pair::kA, Pair::kB, Wire('V', 'k'));
    pair.Inject(Pair::kA, Pair::kB, Wire('W'));
    pair.Inject(Pair::kA, Pair::kB, Wire('X', 0, 'o' + 'k' + 1));
    EXPECT_EQ(pair.PostedBy(Pair::kB), Answers({"0", "2", "3", "4", "5", "6", "6", "7", "93"}));
    EXPECT_EQ(pair.logB.receiveErrors, std::vector<uint8_t>{kComsChecksumMismatch});
    EXPECT_TRUE(pair.logB.delivered.empty());
}

TEST(ReceiveFaults, NoChecksumStillDelivers) {
    Pair pair;
    OpenReceive(pair, 1);
    pair.Inject(Pair::kA, Pair::kB, Wire('V', 'k'));
    pair.Inject(Pair::kA, Pair::kB, Wire('W'));
    pair.Inject(Pair::kA, Pair::kB, Wire('Y'));
    EXPECT_EQ(pair.PostedBy(Pair::kB).back(), "8");
    EXPECT_EQ(pair.logB.delivered, std::vector<std::string>{"k"});
}

TEST(ReceiveFaults, RepeatedHeaderPartFailsWithCode2) {
    Pair pair;
    pair.Inject(Pair::kA, Pair::kB, Wire('P'));
    pair.Inject(Pair::kA, Pair::kB, Wire('Q'));
    pair.Inject(Pair::kA, Pair::kB, Wire('Q'));
    EXPECT_EQ(pair.PostedBy(Pair::kB), Answers({"0", "2", "92"}));
    EXPECT_EQ(pair.logB.receiveErrors, std::vector<uint8_t>{kComsSequenceError});
    EXPECT_FALSE(pair.b.Receiving());
}

TEST(ReceiveFaults, HeaderPartWithoutStartIsAcknowledgedAfterTheError) {
    Pair pair;
    pair.Inject(Pair::kA, Pair::kB, Wire('R', 0, 5));
    EXPECT_EQ(pair.PostedBy(Pair::kB), Answers({"92", "3"}));
    EXPECT_FALSE(pair.b.Receiving());
    // Nothing is in progress, so nothing can time out.
    EXPECT_FALSE(pair.TimerRunning(Pair::kB, kReceiveTimerId));
}

TEST(ReceiveFaults, SenderAbortEndsTheReceiveWithItsCodeAndNoAnswer) {
    Pair pair;
    OpenReceive(pair, 4);
    pair.Inject(Pair::kA, Pair::kB, Wire('Z', 42));
    EXPECT_EQ(pair.logB.receiveErrors, std::vector<uint8_t>{42});
    EXPECT_EQ(pair.PostedBy(Pair::kB).back(), "5");
    EXPECT_FALSE(pair.b.Receiving());
    EXPECT_FALSE(pair.TimerRunning(Pair::kB, kReceiveTimerId));
}

TEST(ReceiveFaults, SilentSenderTimesOutWithCode6) {
    Pair pair;
    pair.Inject(Pair::kA, Pair::kB, Wire('P'));
    ASSERT_TRUE(pair.TimerRunning(Pair::kB, kReceiveTimerId));
    pair.Tick(Pair::kB, kReceiveTimerId);
    EXPECT_EQ(pair.PostedBy(Pair::kB), Answers({"0", "96"}));
    EXPECT_EQ(pair.logB.receiveErrors, std::vector<uint8_t>{kComsTimeOut});
    EXPECT_FALSE(pair.b.Receiving());
    EXPECT_FALSE(pair.TimerRunning(Pair::kB, kReceiveTimerId));
    pair.Tick(Pair::kB, kReceiveTimerId);  // a late tick of a stopped timer changes nothing
    EXPECT_EQ(pair.logB.receiveErrors.size(), 1u);
}

TEST(ReceiveFaults, AnnouncedSizeAboveTheLimitIsRefusedBeforeAllocating) {
    Pair pair;
    static int allocations = 0;
    pair.b.AllocateBuffer = [](uint32_t size) -> uint8_t* {
        ++allocations;
        return new uint8_t[size];
    };
    OpenReceive(pair, kMaxTransferSize + 1);
    EXPECT_EQ(allocations, 0);
    EXPECT_EQ(pair.PostedBy(Pair::kB).back(), "91");
    EXPECT_EQ(pair.logB.receiveErrors, std::vector<uint8_t>{kComsSizeMismatch});

    OpenReceive(pair, kMaxTransferSize);
    EXPECT_EQ(allocations, 1);
    EXPECT_EQ(pair.PostedBy(Pair::kB).back(), "5");
}

TEST(ReceiveFaults, FailedAllocationFailsWithCode1) {
    Pair pair;
    pair.b.AllocateBuffer = [](uint32_t) -> uint8_t* { return nullptr; };
    OpenReceive(pair, 10);
    EXPECT_EQ(pair.PostedBy(Pair::kB).back(), "91");
    EXPECT_EQ(pair.logB.receiveErrors, std::vector<uint8_t>{kComsSizeMismatch});
    EXPECT_FALSE(pair.b.Receiving());
}

TEST(ReceiveFaults, ForgedCodesFromAStrangerAreDroppedAndTheTransferGoesOn) {
    Pair pair;
    pair.Send(Pair::kA, "abcd");
    for (int i = 0; i < 12; ++i) pair.Step();  // into the payload
    ASSERT_TRUE(pair.b.Receiving());
    const size_t before = pair.sent.size();

    // Every data code a stranger could forge, to both sides of the live connection.
    for (int code = kFirstDataCode; code <= kLastDataCode; ++code) {
        pair.Inject(Pair::kStranger, Pair::kB, Wire(static_cast<char>(code), 2));
        pair.Inject(Pair::kStranger, Pair::kA, Wire(static_cast<char>(code), 2));
    }

    EXPECT_EQ(pair.sent.size(), before) << "nothing is posted on a stranger's behalf";
    EXPECT_TRUE(pair.logA.sendErrors.empty());
    EXPECT_TRUE(pair.logB.receiveErrors.empty());
    pair.Run();
    EXPECT_EQ(pair.logB.delivered, std::vector<std::string>{"abcd"});
    EXPECT_FALSE(pair.a.Sending());
}

TEST(ReceiveFaults, ShutdownDuringAReceiveAbortsWithCode7) {
    Pair pair;
    pair.Send(Pair::kA, "abcd");
    for (int i = 0; i < 12; ++i) pair.Step();
    ProtocolActions out;
    pair.b.Shutdown(out);
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out[0].message.code, '9');
    EXPECT_EQ(out[0].message.byte, kComsPeerDestroyed);
    EXPECT_FALSE(pair.b.Receiving());
    for (const auto& action : out) EXPECT_NE(action.kind, ProtocolAction::Kind::StartTimer);
}

}  // namespace
