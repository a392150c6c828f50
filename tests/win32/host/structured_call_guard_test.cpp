// The foreign-call guard against real faults: access violations, foreign exception codes,
// our own C++ exceptions, nesting, and the thread's exception chain left as it was found.
#include <windows.h>

#include <gtest/gtest.h>

#include <stdexcept>

#include "host/structured_call_guard.h"

namespace {

void* ChainHead() {
    void* head;
    asm volatile("movl %%fs:0, %0" : "=r"(head));
    return head;
}

void WriteThroughNull(void*) { *static_cast<volatile int*>(nullptr) = 1; }

struct ThreadResult {
    StructuredCallGuard guard;
    bool faulted = false;
};

DWORD WINAPI FaultOnThread(void* context) {
    auto* r = static_cast<ThreadResult*>(context);
    r->faulted = !r->guard.Run(WriteThroughNull, nullptr);
    return 0;
}

struct Guard : ::testing::Test {
    StructuredCallGuard guard;
    void* head = ChainHead();
    void TearDown() override { EXPECT_EQ(ChainHead(), head) << "exception chain restored"; }
};

TEST_F(Guard, ANormalCallReturnsTrueAndRuns) {
    int value = 0;
    EXPECT_TRUE(guard.Run([](void* c) { *static_cast<int*>(c) = 7; }, &value));
    EXPECT_EQ(value, 7);
}

TEST_F(Guard, ContainsAnAccessViolation) { EXPECT_FALSE(guard.Run(WriteThroughNull, nullptr)); }

TEST_F(Guard, ContainsForeignExceptionCodes) {
    for (DWORD code : {0xE06D7363u, 0x0EEDFADEu, 0xC0000094u, 0x20000001u}) {
        DWORD raised = code;
        EXPECT_FALSE(guard.Run([](void* c) { RaiseException(*static_cast<DWORD*>(c), 0, 0, nullptr); },
                               &raised))
            << std::hex << code;
    }
}

TEST_F(Guard, ContainsOurOwnCppExceptions) {
    EXPECT_FALSE(guard.Run([](void*) { throw std::runtime_error("ours"); }, nullptr));
}

TEST_F(Guard, AFaultInsideANestedGuardStaysInside) {
    struct Nested {
        StructuredCallGuard inner;
        bool innerResult = true;
    } nested;
    EXPECT_TRUE(guard.Run(
        [](void* c) {
            auto* n = static_cast<Nested*>(c);
            n->innerResult = n->inner.Run(WriteThroughNull, nullptr);
        },
        &nested));
    EXPECT_FALSE(nested.innerResult);
}

TEST_F(Guard, ManyFaultsInARowLeaveTheThreadUsable) {
    for (int i = 0; i < 1000; ++i) ASSERT_FALSE(guard.Run(WriteThroughNull, nullptr)) << i;
    EXPECT_TRUE(guard.Run([](void*) {}, nullptr));
}

TEST_F(Guard, WorksOnAnotherThread) {
    ThreadResult result;
    HANDLE thread = CreateThread(nullptr, 0, FaultOnThread, &result, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    EXPECT_TRUE(result.faulted);
}

}  // namespace
