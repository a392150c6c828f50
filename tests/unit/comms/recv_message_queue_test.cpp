#include "comms/recv_message_queue.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

uint8_t* Bytes(const char* text) {
    const size_t size = std::strlen(text);
    auto* buffer = new uint8_t[size];
    std::memcpy(buffer, text, size);
    return buffer;
}

TEST(RecvMessageQueue, EmptyQueueReadsTheEmptyText) {
    TQXWindowComsRecvMessageQueue queue;
    EXPECT_EQ(queue.ReadString(), "");
}

TEST(RecvMessageQueue, TextsComeOutInArrivalOrder) {
    TQXWindowComsRecvMessageQueue queue;
    queue.PushText(Bytes("one"), 3);
    queue.PushText(Bytes("two"), 3);
    EXPECT_EQ(queue.ReadString(), "one");
    EXPECT_EQ(queue.ReadString(), "two");
    EXPECT_EQ(queue.ReadString(), "");
}

TEST(RecvMessageQueue, BinaryFirstDoesNotHoldUpTheTextsBehindIt) {
    TQXWindowComsRecvMessageQueue queue;
    queue.PushBinary(Bytes("bin"), 3);
    queue.PushText(Bytes("one"), 3);
    queue.PushBinary(Bytes("bin2"), 4);
    queue.PushText(Bytes("two"), 3);
    EXPECT_EQ(queue.ReadString(), "one");
    EXPECT_EQ(queue.ReadString(), "two");
    EXPECT_EQ(queue.ReadString(), "");
    EXPECT_EQ(queue.ReadBinary(), "bin");
    // Binaries nobody reads are bounded: only the newest few wait.
    for (int i = 0; i < 10; ++i) queue.PushBinary(Bytes("more"), 4);
    EXPECT_EQ(queue.Count(), TQXWindowComsRecvMessageQueue::kMaxWaitingBinaries);
}

TEST(RecvMessageQueue, ClosedQueueTakesNothingAndLeaksNothing) {
    TQXWindowComsRecvMessageQueue queue;
    queue.PushText(Bytes("waiting"), 7);
    queue.Close();
    EXPECT_TRUE(queue.Closed());
    EXPECT_EQ(queue.Count(), 0u);
    queue.PushText(Bytes("late"), 4);  // freed at once; the leak checker would see it otherwise
    EXPECT_EQ(queue.Count(), 0u);
    EXPECT_EQ(queue.ReadString(), "");
}

}  // namespace
