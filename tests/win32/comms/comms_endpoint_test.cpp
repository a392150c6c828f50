// The server and its endpoints in this process, driven by a client window on this thread:
// how texts, replies, errors, queries and stale notices reach the component's events.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "comms/server_client_window_coms.h"
#include "comms/server_window_coms.h"
#include "comms/server_window_coms_thread.h"
#include "win32/comms/child_process.h"
#include "win32/comms/recording_window.h"
#include "window_coms_client.h"

namespace {

constexpr DWORD kStepMs = 10000;

class Endpoints : public ::testing::Test {
protected:
    void SetUp() override {
        static int counter = 0;
        name = "Endpoints" + std::to_string(GetCurrentProcessId()) + "x" + std::to_string(++counter);
        server.SetServerName(name);
        server.OnActivate = [this](TQXServerWindowComs*) { ++activations; };
        server.OnClientConnect = [this](TQXServerWindowComs*, TQXServerClientWindowComs*) { ++connects; };
        server.OnClientError = [this](TQXServerWindowComs*, TQXServerClientWindowComs*, uint8_t code) {
            errors.push_back(code);
        };
    }
    void TearDown() override { server.SetActive(false); }

    void Start() {
        server.SetActive(true);
        ASSERT_TRUE(PumpUntil([&] { return activations == 1; }, kStepMs));
    }
    HWND Listening() const { return server.Thread()->ListeningWindow(); }

    std::string name;
    TQXServerWindowComs server;
    int activations = 0, connects = 0;
    std::vector<uint8_t> errors;
};

TEST_F(Endpoints, TwoTextsBeforeReadingGiveTwoNoticesReadInArrivalOrder) {
    int notices = 0;
    std::vector<std::string> read;
    server.OnClientReadString = [&](TQXServerWindowComs*, TQXServerClientWindowComs* client) {
        if (++notices < 2) return;  // read nothing until both have arrived
        read.push_back(client->ReadString());
        read.push_back(client->ReadString());
        read.push_back(client->ReadString());
    };
    Start();
    WindowComsClient client;
    ASSERT_TRUE(client.Connect(Listening(), kStepMs));
    client.SendString("first");
    client.SendString("second");
    ASSERT_TRUE(PumpUntil([&] { return notices == 2; }, kStepMs));
    EXPECT_EQ(read, (std::vector<std::string>{"first", "second", ""}));
}

TEST_F(Endpoints, RepliesSentBackToBackArriveCompleteAndInOrder) {
    server.OnClientReadString = [&](TQXServerWindowComs*, TQXServerClientWindowComs* client) {
        const std::string request = client->ReadString();
        EXPECT_EQ(client->SendString(request + " one"), static_cast<int>(request.size()) + 4);
        client->SendString(request + " two");  // queued behind the first
        client->SendString(std::string(300, 'z'));
    };
    Start();
    WindowComsClient client;
    ASSERT_TRUE(client.Connect(Listening(), kStepMs));
    client.SendString("reply");
    ASSERT_TRUE(client.PumpUntil([&] { return client.Waiting() == 3; }, kStepMs));
    EXPECT_EQ(client.ReadString(), "reply one");
    EXPECT_EQ(client.ReadString(), "reply two");
    EXPECT_EQ(client.ReadString(), std::string(300, 'z'));
}

TEST_F(Endpoints, ProtocolFaultsReachOnClientError) {
    server.SetTimeOut(300);
    Start();
    RecordingWindow client;
    DWORD_PTR endpoint = 0;
    ASSERT_TRUE(SendMessageTimeoutA(Listening(), WindowComsProtocolMessage(), kComsConnect, ComsSender(client.Window()),
                                    SMTO_NORMAL, kStepMs, &endpoint));
    ASSERT_NE(endpoint, 0u);
    HWND endpointWindow = reinterpret_cast<HWND>(endpoint);

    client.Post(endpointWindow, 'V', 'x');  // no transfer started: sequence error
    ASSERT_TRUE(PumpUntil([&] { return errors.size() == 1; }, kStepMs));
    EXPECT_EQ(errors[0], kComsSequenceError);

    client.Post(endpointWindow, 'P');  // then silence: time-out
    ASSERT_TRUE(PumpUntil([&] { return errors.size() == 2; }, kStepMs));
    EXPECT_EQ(errors[1], kComsTimeOut);
    // Besides the answers the client window also hears the endpoint's code 11.
    PumpUntil([] { return false; }, 100);
    std::vector<std::string> data;
    for (const auto& code : client.Codes()) {
        if (code[0] >= '0') data.push_back(code);
    }
    EXPECT_EQ(data, (std::vector<std::string>{"92", "0", "96"}));
}

TEST_F(Endpoints, QueryToAnEndpointBroadcasts9AndToTheListeningWindow1) {
    Start();
    WindowComsClient client;
    ASSERT_TRUE(client.Connect(Listening(), kStepMs));
    const UINT message = WindowComsProtocolMessage();
    EXPECT_EQ(reinterpret_cast<HWND>(SendMessageA(client.Endpoint(), message, kComsQuery, ComsSender(client.Window()))),
              Listening());
    EXPECT_EQ(reinterpret_cast<HWND>(SendMessageA(Listening(), message, kComsQuery, ComsSender(client.Window()))),
              Listening());
    auto heard = [&](BYTE code) {
        for (const auto& a : client.Announcements()) {
            if (a.code == code && a.window == Listening()) return true;
        }
        return false;
    };
    EXPECT_TRUE(client.PumpUntil([&] { return heard(kComsEndpointAnnouncement) && heard(kComsServerAnnouncement); },
                                 kStepMs));
}

TEST_F(Endpoints, NoticeForAnEndpointThatIsGoneRaisesNothing) {
    int reads = 0;
    server.OnClientReadString = [&](TQXServerWindowComs*, TQXServerClientWindowComs*) { ++reads; };
    Start();
    TQXServerClientWindowComs* nowhere = reinterpret_cast<TQXServerClientWindowComs*>(0x1000);
    PostMessageA(server.FrontWindow(), kFrontReadString, reinterpret_cast<WPARAM>(nowhere), 0);
    PostMessageA(server.FrontWindow(), kFrontReceiveError, reinterpret_cast<WPARAM>(nowhere), 2);
    PumpUntil([] { return false; }, 200);
    EXPECT_EQ(reads, 0);
    EXPECT_TRUE(errors.empty());
}

TEST_F(Endpoints, NameAndTimeOutCannotChangeWhileActive) {
    Start();
    server.SetServerName("Other");
    server.SetTimeOut(5);
    EXPECT_EQ(server.ServerName(), name);
    EXPECT_EQ(server.TimeOut(), 2000u);
    server.SetActive(false);
    server.SetTimeOut(5);
    EXPECT_EQ(server.TimeOut(), 5u);
}

TEST_F(Endpoints, EmptyNameEndsTheThreadButLeavesTheServerMarkedActive) {
    server.SetServerName("");
    server.SetActive(true);
    EXPECT_TRUE(server.Active());
    ASSERT_NE(server.Thread(), nullptr);
    PumpUntil([&] { return !server.Thread()->FailureMessage().empty(); }, kStepMs);
    EXPECT_EQ(server.Thread()->FailureMessage(), "Cannot create Server listening endpoint with empty name");
    EXPECT_EQ(server.Thread()->ListeningWindow(), nullptr);
    EXPECT_EQ(activations, 0);
    server.SetActive(false);
    EXPECT_FALSE(server.Active());
}

TEST_F(Endpoints, ServerStoppedByAQuitFromElsewhereCanBeOpenedAgain) {
    int deactivations = 0;
    server.OnDeactivate = [&](TQXServerWindowComs*) { ++deactivations; };
    Start();
    PostThreadMessageA(server.Thread()->ThreadId(), WM_QUIT, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return deactivations == 1; }, kStepMs));
    EXPECT_FALSE(server.Active());
    server.SetActive(true);
    EXPECT_TRUE(PumpUntil([&] { return activations == 2; }, kStepMs));
    EXPECT_TRUE(server.Active());
}

TEST_F(Endpoints, ConnectFromSomethingThatIsNoWindowAnswers0) {
    Start();
    EXPECT_EQ(SendMessageA(Listening(), WindowComsProtocolMessage(), kComsConnect, 0x4321), 0);
    PumpUntil([] { return false; }, 100);
    EXPECT_EQ(connects, 0);
    EXPECT_EQ(server.Thread()->ClientCount(), 0u);
}

TEST_F(Endpoints, AtMost64EndpointsAndAVanishedClientsPlaceIsReclaimed) {
    int disconnects = 0;
    server.OnClientDisconnect = [&](TQXServerWindowComs*, TQXServerClientWindowComs*) { ++disconnects; };
    Start();
    std::vector<std::unique_ptr<WindowComsClient>> clients;
    for (size_t i = 0; i < kMaxEndpoints; ++i) {
        clients.push_back(std::make_unique<WindowComsClient>());
        ASSERT_TRUE(clients.back()->Connect(Listening(), kStepMs)) << i;
    }
    WindowComsClient extra;
    EXPECT_FALSE(extra.Connect(Listening(), kStepMs)) << "the 65th connect is not accepted";
    EXPECT_EQ(server.Thread()->ClientCount(), kMaxEndpoints);

    clients.front()->Vanish();  // its window goes without a word
    EXPECT_TRUE(extra.Connect(Listening(), kStepMs)) << "the vanished client's place is taken back";
    EXPECT_EQ(server.Thread()->ClientCount(), kMaxEndpoints);

    for (auto& client : clients) client->Disconnect();
    extra.Disconnect();
    EXPECT_TRUE(PumpUntil([&] { return server.Thread()->ClientCount() == 0; }, kStepMs));
    EXPECT_TRUE(PumpUntil([&] { return connects == 65 && disconnects == 65; }, kStepMs));
}

TEST_F(Endpoints, ABlockedWindowThreadDoesNotStallOtherClients) {
    HANDLE blocked = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE served = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    bool servedWhileBlocked = false;
    server.OnClientConnect = [&](TQXServerWindowComs*, TQXServerClientWindowComs*) {
        if (++connects > 1) return;
        // The window thread is busy elsewhere for seconds, as a modal loop or a slow handler
        // would keep it.
        SetEvent(blocked);
        servedWhileBlocked = WaitForSingleObject(served, 3000) == WAIT_OBJECT_0;
    };
    Start();
    HWND listening = Listening();
    std::thread other([&] {
        if (WaitForSingleObject(blocked, kStepMs) != WAIT_OBJECT_0) return;
        WindowComsClient client;
        if (!client.Connect(listening, kStepMs)) return;
        client.SendString("while the window thread is blocked");
        if (client.PumpUntil([&] { return client.TransfersDone(); }, kStepMs)) SetEvent(served);
        client.Disconnect();
    });
    WindowComsClient first;
    ASSERT_TRUE(first.Connect(listening, kStepMs));
    PumpUntil([&] { return connects >= 1; }, kStepMs);  // runs the blocking event
    other.join();
    EXPECT_TRUE(servedWhileBlocked) << "the other client waited for the window thread";
    CloseHandle(blocked);
    CloseHandle(served);
}

}  // namespace
