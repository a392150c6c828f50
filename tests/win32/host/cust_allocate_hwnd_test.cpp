#include "host/cust_allocate_hwnd.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

WNDCLASSA UtilityClass(const char* name) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = name;
    return wc;
}

struct Receiver {
    int count = 0;
    UINT lastMessage = 0;
    DWORD thread = 0;
    void Handle(WindowMessage& message) {
        if (message.Msg == WM_APP + 1) {
            ++count;
            lastMessage = message.Msg;
            thread = GetCurrentThreadId();
            message.Result = static_cast<LRESULT>(message.WParam * 2);
            return;
        }
        DefaultWindowMessage(message);
    }
};

TEST(CustAllocateHWnd, MakesAHiddenToolWindowThatForwardsToTheMethod) {
    Receiver receiver;
    const WNDCLASSA wc = UtilityClass("TidewellTestUtilA");
    HWND window = CustAllocateHWnd(WindowMethod::Of<&Receiver::Handle>(&receiver), &wc);
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_TRUE(GetWindowLongA(window, GWL_STYLE) & WS_POPUP);
    EXPECT_EQ(SendMessageA(window, WM_APP + 1, 21, 0), 42) << "the method's result is the message's result";
    EXPECT_EQ(receiver.count, 1);
    CustDeallocateHWnd(window);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(receiver.count, 1) << "destruction sends nothing to the handler";
}

TEST(CustAllocateHWnd, SameClassTwiceRegistersOnceAndMakesTwoWindows) {
    const WNDCLASSA wc = UtilityClass("TidewellTestUtilB");
    HWND first = CustAllocateHWnd(WindowMethod{}, &wc);
    HWND second = CustAllocateHWnd(WindowMethod{}, &wc);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    EXPECT_EQ(GetClassLongA(first, GCW_ATOM), GetClassLongA(second, GCW_ATOM)) << "one class for both";
    CustDeallocateHWnd(first);
    CustDeallocateHWnd(second);
}

LRESULT CALLBACK OtherProcedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, msg, wParam, lParam);
}

TEST(CustAllocateHWnd, ClassWithAnotherProcedureIsReplaced) {
    WNDCLASSA other = UtilityClass("TidewellTestUtilC");
    other.lpfnWndProc = OtherProcedure;
    other.hInstance = GetModuleHandleA(nullptr);  // the module this code is linked into
    ASSERT_NE(RegisterClassA(&other), 0);

    const WNDCLASSA wc = UtilityClass("TidewellTestUtilC");
    HWND window = CustAllocateHWnd(WindowMethod{}, &wc);
    ASSERT_NE(window, nullptr);
    WNDCLASSA now{};
    ASSERT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), "TidewellTestUtilC", &now));
    EXPECT_EQ(now.lpfnWndProc, reinterpret_cast<WNDPROC>(DefWindowProcA));
    CustDeallocateHWnd(window);
}

TEST(CustAllocateHWnd, UnsetMethodKeepsTheDefaultProcedure) {
    const WNDCLASSA wc = UtilityClass("TidewellTestUtilD");
    HWND window = CustAllocateHWnd(WindowMethod{}, &wc);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongA(window, GWL_WNDPROC)),
              reinterpret_cast<WNDPROC>(DefWindowProcA));
    CustDeallocateHWnd(window);
}

TEST(CustAllocateHWnd, WindowBelongsToTheThreadThatMadeIt) {
    Receiver receiver;
    const WNDCLASSA wc = UtilityClass("TidewellTestUtilE");
    HWND window = nullptr;
    DWORD workerId = 0;
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread worker([&] {
        workerId = GetCurrentThreadId();
        window = CustAllocateHWnd(WindowMethod::Of<&Receiver::Handle>(&receiver), &wc);
        SetEvent(ready);
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
        CustDeallocateHWnd(window);
    });
    WaitForSingleObject(ready, 5000);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(GetWindowThreadProcessId(window, nullptr), workerId);
    EXPECT_EQ(SendMessageA(window, WM_APP + 1, 5, 0), 10);
    EXPECT_EQ(receiver.thread, workerId) << "handled by the owning thread's loop";
    PostThreadMessageA(workerId, WM_QUIT, 0, 0);
    worker.join();
    CloseHandle(ready);
}

TEST(CustAllocateHWnd, MissingClassDescriptionGivesNull) {
    EXPECT_EQ(CustAllocateHWnd(WindowMethod{}, nullptr), nullptr);
    WNDCLASSA unnamed{};
    unnamed.lpfnWndProc = DefWindowProcA;
    EXPECT_EQ(CustAllocateHWnd(WindowMethod{}, &unnamed), nullptr);
}

}  // namespace
