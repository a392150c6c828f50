// The transport between real windows on this thread: transfers, the protocol timers with
// their deadlines, sends from another thread, and messages from windows that are not the
// peer.
#include "comms/window_coms_transport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "win32/comms/child_process.h"
#include "win32/comms/recording_window.h"

namespace {

// A window with a transport to `peer`, recording what its handler reports.
class TransportWindow {
public:
    TransportWindow() {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.lpszClassName = "TidewellCommsTransportTest";
        window_ = CustAllocateHWnd(WindowMethod::Of<&TransportWindow::Handle>(this), &windowClass);
    }
    ~TransportWindow() {
        transport_.reset();
        CustDeallocateHWnd(window_);
    }

    void Connect(HWND peer, uint32_t timeOut) {
        transport_ = std::make_unique<WindowComsTransport>(window_, peer, timeOut);
        auto& h = transport_->Handler();
        h.OnTextData = {[](void* self, uint8_t* buffer, uint32_t size, bool& taken) {
                            static_cast<TransportWindow*>(self)->texts.emplace_back(reinterpret_cast<char*>(buffer), size);
                            taken = false;
                        },
                        this};
        h.OnReceiveError = {[](void* self, uint8_t code) { static_cast<TransportWindow*>(self)->receiveErrors.push_back(code); },
                            this};
        h.OnSendError = {[](void* self, uint8_t code) { static_cast<TransportWindow*>(self)->sendErrors.push_back(code); },
                         this};
    }

    HWND Window() const { return window_; }
    WindowComsTransport& Transport() { return *transport_; }

    std::vector<std::string> texts;
    std::vector<uint8_t> receiveErrors, sendErrors;

private:
    void Handle(WindowMessage& message) {
        if (transport_ && transport_->HandleWindowMessage(message)) return;
        DefaultWindowMessage(message);
    }

    HWND window_ = nullptr;
    std::unique_ptr<WindowComsTransport> transport_;
};

TEST(WindowComsTransport, MovesTextsBetweenTwoWindowsInOrder) {
    TransportWindow a, b;
    a.Connect(b.Window(), 2000);
    b.Connect(a.Window(), 2000);
    EXPECT_EQ(a.Transport().SendString("first"), 5);
    EXPECT_EQ(a.Transport().SendString(""), 0);
    EXPECT_EQ(a.Transport().SendString("third"), 5);
    ASSERT_TRUE(PumpUntil([&] { return b.texts.size() == 3; }, 10000));
    EXPECT_EQ(b.texts, (std::vector<std::string>{"first", "", "third"}));
    EXPECT_TRUE(PumpUntil([&] { return a.Transport().Idle() && b.Transport().Idle(); }, 5000));
    EXPECT_TRUE(a.sendErrors.empty());
}

TEST(WindowComsTransport, SilentPeerMakesTheSenderTimeOutAfterTimeOut) {
    RecordingWindow silent;
    TransportWindow a;
    a.Connect(silent.Window(), 300);
    const ULONGLONG start = GetTickCount64();
    a.Transport().SendString("anyone?");
    ASSERT_TRUE(PumpUntil([&] { return !a.sendErrors.empty(); }, 10000));
    EXPECT_GE(GetTickCount64() - start, 250u);
    EXPECT_EQ(a.sendErrors, std::vector<uint8_t>{6});
    PumpUntil([&] { return silent.received.size() >= 2; }, 2000);
    EXPECT_EQ(silent.Codes(), (std::vector<std::string>{"P", "Z6"}));
}

TEST(WindowComsTransport, SendFromAnotherThreadStillStartsTheTimer) {
    RecordingWindow silent;
    TransportWindow a;
    a.Connect(silent.Window(), 300);
    std::thread([&] { a.Transport().SendString("from elsewhere"); }).join();
    ASSERT_TRUE(PumpUntil([&] { return !a.sendErrors.empty(); }, 10000));
    EXPECT_EQ(a.sendErrors, std::vector<uint8_t>{6});
}

TEST(WindowComsTransport, ReceiverTimesOutWhenTheSenderGoesQuiet) {
    RecordingWindow sender;
    TransportWindow b;
    b.Connect(sender.Window(), 300);
    sender.Post(b.Window(), 'P');
    ASSERT_TRUE(PumpUntil([&] { return !b.receiveErrors.empty(); }, 10000));
    EXPECT_EQ(b.receiveErrors, std::vector<uint8_t>{6});
    EXPECT_EQ(sender.Codes(), (std::vector<std::string>{"0", "96"}));
}

TEST(WindowComsTransport, EveryByteMovesTheReceiveDeadline) {
    // Bytes 200 ms apart for longer than the time-out: no time-out while they come, one
    // time-out after the last.
    RecordingWindow sender;
    TransportWindow b;
    b.Connect(sender.Window(), 1000);
    for (char code : {'P', 'Q', 'R', 'S', 'U'}) sender.Post(b.Window(), code, 0, code == 'R' ? 8 : 0);
    for (int i = 0; i < 8; ++i) {
        PumpUntil([] { return false; }, 200);
        sender.Post(b.Window(), 'V', 'x');
    }
    PumpUntil([] { return false; }, 200);
    EXPECT_TRUE(b.receiveErrors.empty()) << "a deadline was missed while bytes kept coming";
    ASSERT_TRUE(PumpUntil([&] { return !b.receiveErrors.empty(); }, 10000));
    EXPECT_EQ(b.receiveErrors, std::vector<uint8_t>{6});
}

TEST(WindowComsTransport, StrangerWindowIsNotHeard) {
    RecordingWindow peer, stranger;
    TransportWindow b;
    b.Connect(peer.Window(), 2000);
    stranger.Post(b.Window(), 'V', 'x');
    stranger.Post(b.Window(), 'P');
    PumpUntil([] { return false; }, 300);
    EXPECT_TRUE(peer.received.empty());
    EXPECT_TRUE(stranger.received.empty());
    EXPECT_TRUE(b.receiveErrors.empty());
    EXPECT_TRUE(b.Transport().Idle());
}

TEST(WindowComsTransport, MessageWhoseSenderIsNoWindowIsIgnored) {
    RecordingWindow peer;
    TransportWindow b;
    b.Connect(peer.Window(), 2000);
    PostMessageA(b.Window(), WindowComsProtocolMessage(), 'P', 0x1234);
    PumpUntil([] { return false; }, 300);
    EXPECT_TRUE(peer.received.empty());
}

TEST(WindowComsTransport, ShutdownAbortsATransferWithCode7) {
    RecordingWindow peer;
    TransportWindow a;
    a.Connect(peer.Window(), 2000);
    a.Transport().SendString("interrupted");
    a.Transport().Shutdown();
    EXPECT_EQ(a.Transport().SendString("after"), 0);
    PumpUntil([&] { return peer.received.size() == 2; }, 5000);
    EXPECT_EQ(peer.Codes(), (std::vector<std::string>{"P", "Z7"}));
}

}  // namespace
