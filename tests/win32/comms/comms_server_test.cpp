// The command server and its clients in separate processes under Wine: discovery, names,
// connect and disconnect, server stop, the close-inside-connect case, a vanished client and
// the command-line client. Servers are started in comms_peer or in this process; clients are
// this process, comms_peer or tidewell-remote.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "comms/server_client_window_coms.h"
#include "comms/server_window_coms.h"
#include "comms/server_window_coms_thread.h"
#include "win32/comms/child_process.h"
#include "win32/comms/comms_test_protocol.h"
#include "win32/support/test_paths.h"
#include "window_coms_client.h"

namespace {

constexpr DWORD kStartMs = 20000;  // a Wine process can take seconds to come up on a busy machine
constexpr DWORD kStepMs = 10000;

// A server name no other test on the desktop uses at the same time.
std::string UniqueName(const std::string& stem) {
    static int counter = 0;
    return stem + std::to_string(GetCurrentProcessId()) + "x" + std::to_string(++counter);
}

std::string Program(const std::string& name) { return "\"" + TestProgramFolder() + "\\" + name + "\""; }

// comms_peer running a server; its listening window once it is up.
class PeerServer {
public:
    PeerServer(const std::string& name, const std::string& options = "") : name_(name) {
        started_ = process_.Start(Program("comms_peer.exe") + " server " + name + " " + options);
    }
    ~PeerServer() { Quit(); }

    HWND WaitListening() {
        if (!started_) return nullptr;
        PumpUntil([&] { return (listening_ = Listening()) != nullptr; }, kStartMs);
        return listening_;
    }
    HWND Listening() const { return FindWindowOfProcess("WindowComs" + name_, process_.ProcessId()); }
    void Stop() { process_.PostToMainThread(kStopServerMessage); }
    // Ends the peer and returns its summary line.
    std::string Quit() {
        if (!quit_) {
            quit_ = true;
            process_.PostToMainThread(WM_QUIT);
            process_.Wait(kStepMs);
        }
        return process_.Output();
    }
    ChildProcess& Process() { return process_; }

private:
    std::string name_;
    ChildProcess process_;
    HWND listening_ = nullptr;
    bool started_ = false;
    bool quit_ = false;
};

std::string ClassOf(HWND window) {
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

// A server in this process; its events are counted on this (the test's) thread.
struct LocalServer {
    explicit LocalServer(const std::string& name) {
        server.SetServerName(name);
        server.OnActivate = [this](TQXServerWindowComs*) { ++activations; };
        server.OnClientConnect = [this](TQXServerWindowComs*, TQXServerClientWindowComs*) { ++connects; };
        server.OnClientDisconnect = [this](TQXServerWindowComs*, TQXServerClientWindowComs*) { ++disconnects; };
        server.OnClientReadString = [this](TQXServerWindowComs*, TQXServerClientWindowComs* client) {
            texts.push_back(client->ReadString());
            if (echo) client->SendString(texts.back());
        };
    }
    bool Start() {
        server.SetActive(true);
        return PumpUntil([&] { return activations > 0; }, kStepMs);
    }
    size_t Clients() const { return server.Thread() ? server.Thread()->ClientCount() : 0; }

    TQXServerWindowComs server;
    bool echo = false;
    int activations = 0, connects = 0, disconnects = 0;
    std::vector<std::string> texts;
};

TEST(CommsServer, ClientFindsTheServerByItsClassName) {
    const std::string name = UniqueName("ByClass");
    PeerServer peer(name);
    HWND listening = peer.WaitListening();
    ASSERT_NE(listening, nullptr);
    EXPECT_EQ(ClassOf(listening), "WindowComs" + name);
    EXPECT_EQ(WindowComsClient::FindServer(name), listening);
    EXPECT_FALSE(IsWindowVisible(listening));
}

TEST(CommsServer, BroadcastDiscoveryDeliversTheNameAsCodes3Then4Then5) {
    PeerServer peer("QuorvexTidewell");
    // Another run may have a server of this name too: take the one of our peer's process.
    HWND listening = peer.WaitListening();
    ASSERT_NE(listening, nullptr);

    WindowComsClient client;
    const auto servers = client.Discover(1500);
    std::string codes, name;
    for (const auto& entry : client.NameLog()) {
        if (entry.from != listening) continue;
        codes += static_cast<char>('0' + entry.code);
        name += entry.character;
    }
    EXPECT_EQ(name, "QuorvexTidewell");
    EXPECT_EQ(codes, "3" + std::string(13, '4') + "5");
    bool listed = false;
    for (const auto& server : servers) listed |= server.Window == reinterpret_cast<ComsWindow>(listening);
    EXPECT_TRUE(listed);
}

TEST(CommsServer, TwoServersRecordEachOthersNames) {
    const std::string first = UniqueName("PeerOne");
    const std::string second = UniqueName("PeerTwo");
    PeerServer peer(first);
    HWND peerListening = peer.WaitListening();
    ASSERT_NE(peerListening, nullptr);

    LocalServer local(second);
    ASSERT_TRUE(local.Start());
    auto knows = [&](const std::string& name) {
        for (const auto& other : local.server.Thread()->OtherServers()) {
            if (other.Name == name && other.NameComplete) return true;
        }
        return false;
    };
    EXPECT_TRUE(PumpUntil([&] { return knows(first); }, kStepMs));
    PumpUntil([] { return false; }, 500);  // the peer's record of us completes alongside
    const std::string summary = peer.Quit();
    EXPECT_NE(summary.find(second), std::string::npos) << summary;
    // A stopped server is forgotten.
    EXPECT_TRUE(PumpUntil([&] { return !knows(first); }, kStepMs));
}

TEST(CommsServer, ConnectingTwiceGivesOneEndpoint) {
    const std::string name = UniqueName("Twice");
    PeerServer peer(name);
    HWND listening = peer.WaitListening();
    ASSERT_NE(listening, nullptr);

    WindowComsClient client;
    ASSERT_TRUE(client.Connect(listening, kStepMs));
    HWND endpoint = client.Endpoint();
    EXPECT_EQ(ClassOf(endpoint), "WindowComsServerClient" + name);
    EXPECT_TRUE(client.PumpUntil([&] { return client.AcceptedBy() != nullptr; }, kStepMs));
    EXPECT_EQ(client.AcceptedBy(), endpoint) << "code 11 carries the endpoint window";
    EXPECT_EQ(client.ConnectAgain(kStepMs), nullptr) << "the second request answers 0";
    EXPECT_TRUE(IsWindow(endpoint));
    client.Disconnect();
    const std::string summary = peer.Quit();
    EXPECT_NE(summary.find("connects=1 "), std::string::npos) << summary;
}

TEST(CommsServer, DisconnectAtTheEndpointOrTheListeningWindowDropsTheEndpoint) {
    const std::string name = UniqueName("Leave");
    PeerServer peer(name);
    HWND listening = peer.WaitListening();
    ASSERT_NE(listening, nullptr);

    for (bool viaListening : {false, true}) {
        WindowComsClient client;
        ASSERT_TRUE(client.Connect(listening, kStepMs));
        HWND endpoint = client.Endpoint();
        client.Disconnect(viaListening);
        EXPECT_TRUE(client.PumpUntil([&] { return !IsWindow(endpoint); }, kStepMs)) << viaListening;
        EXPECT_TRUE(client.PumpUntil([&] { return client.Dropped(); }, kStepMs)) << "the endpoint says 12 on its way out";
    }
    const std::string summary = peer.Quit();
    EXPECT_NE(summary.find("connects=2 disconnects=2 "), std::string::npos) << summary;
}

TEST(CommsServer, ServerStopTellsTheClientWith12And7) {
    const std::string name = UniqueName("Stop");
    PeerServer peer(name);
    HWND listening = peer.WaitListening();
    ASSERT_NE(listening, nullptr);

    WindowComsClient client;
    ASSERT_TRUE(client.Connect(listening, kStepMs));
    HWND endpoint = client.Endpoint();
    peer.Stop();
    EXPECT_TRUE(client.PumpUntil([&] { return client.Dropped() && client.ServerStopped(); }, kStepMs));
    EXPECT_TRUE(client.PumpUntil([&] { return !IsWindow(endpoint) && !IsWindow(listening); }, kStepMs));
    const std::string summary = peer.Quit();
    EXPECT_NE(summary.find("clients=1 "), std::string::npos) << summary;
    EXPECT_NE(summary.find("disconnects=0 "), std::string::npos) << "a server stop raises no disconnect event";
}

TEST(CommsServer, ClosingInsideOnClientConnectDoesNotDeadlock) {
    const std::string name = UniqueName("CloseInConnect");
    LocalServer local(name);
    local.server.OnClientConnect = [&](TQXServerWindowComs* sender, TQXServerClientWindowComs*) {
        ++local.connects;
        sender->SetActive(false);
    };
    ASSERT_TRUE(local.Start());

    ChildProcess remote;
    ASSERT_TRUE(remote.Start(Program("tidewell-remote.exe") + " --server " + name + " hello --timeout 8000"));
    EXPECT_TRUE(PumpUntil([&] { return local.connects == 1 && !local.server.Active(); }, kStartMs));
    EXPECT_EQ(local.server.Thread(), nullptr);
    EXPECT_EQ(remote.Wait(kStepMs), 6) << remote.Output();  // the server stopped
    EXPECT_NE(remote.Output().find("the server stopped"), std::string::npos) << remote.Output();
}

TEST(CommsServer, ClientKilledMidReplyIsReclaimedAndItsRepliesReleased) {
    const std::string name = UniqueName("Vanish");
    LocalServer local(name);
    local.server.OnClientReadString = [&](TQXServerWindowComs*, TQXServerClientWindowComs* client) {
        local.texts.push_back(client->ReadString());
        client->SendString(std::string(100000, 'r'));  // far longer than the client lives
        client->SendString("and another");
    };
    ASSERT_TRUE(local.Start());

    ChildProcess remote;
    ASSERT_TRUE(remote.Start(Program("tidewell-remote.exe") + " --server " + name + " --expect 2 --timeout 60000 hi"));
    ASSERT_TRUE(PumpUntil([&] { return local.texts.size() == 1; }, kStartMs));
    PumpUntil([] { return false; }, 300);  // into the reply's payload
    remote.Kill();  // its window goes without a word, mid-reply
    // The endpoint of the vanished window is reclaimed, with the reply in progress and the
    // one queued behind it, and the component hears of the client's going.
    EXPECT_TRUE(PumpUntil([&] { return local.Clients() == 0 && local.disconnects == 1; }, kStepMs));
}

TEST(CommsServer, RemoteClientSendsTextsAndPrintsTheReplies) {
    const std::string name = UniqueName("Remote");
    LocalServer local(name);
    local.echo = true;
    ASSERT_TRUE(local.Start());

    ChildProcess remote;
    ASSERT_TRUE(remote.Start(Program("tidewell-remote.exe") + " --server " + name + " --expect 3 one \"two words\" three"));
    EXPECT_EQ(remote.Wait(kStartMs), 0) << remote.Output();
    EXPECT_EQ(remote.Output(), "one\ntwo words\nthree\n");
    EXPECT_EQ(local.texts, (std::vector<std::string>{"one", "two words", "three"}));
    EXPECT_TRUE(PumpUntil([&] { return local.disconnects == 1; }, kStepMs));
}

TEST(CommsServer, RemoteClientFindsTheServerByBroadcastAndListsServers) {
    const std::string name = UniqueName("Listed");
    LocalServer local(name);
    local.echo = true;
    ASSERT_TRUE(local.Start());

    ChildProcess discover;
    ASSERT_TRUE(discover.Start(Program("tidewell-remote.exe") + " --discover --quiet 1500"));
    EXPECT_EQ(discover.Wait(kStartMs), 0);
    EXPECT_NE(discover.Output().find(name + "\n"), std::string::npos) << discover.Output();

    ChildProcess remote;
    ASSERT_TRUE(remote.Start(Program("tidewell-remote.exe") + " --broadcast --quiet 1500 --server " + name +
                             " --expect 1 ping"));
    EXPECT_EQ(remote.Wait(kStartMs), 0) << remote.Output();
    EXPECT_EQ(remote.Output(), "ping\n");
}

TEST(CommsServer, RemoteClientReportsAMissingServerAndExpectTimeOut) {
    ChildProcess missing;
    ASSERT_TRUE(missing.Start(Program("tidewell-remote.exe") + " --server " + UniqueName("Nobody") + " hello"));
    EXPECT_EQ(missing.Wait(kStartMs), 1) << "no such server";
    EXPECT_NE(missing.Output().find("is running"), std::string::npos) << missing.Output();

    const std::string name = UniqueName("Silent");
    LocalServer local(name);  // no echo: the expected reply never comes
    ASSERT_TRUE(local.Start());
    ChildProcess remote;
    ASSERT_TRUE(remote.Start(Program("tidewell-remote.exe") + " --server " + name + " --expect 1 --timeout 1500 hi"));
    EXPECT_EQ(remote.Wait(kStartMs), 4) << remote.Output();
    EXPECT_NE(remote.Output().find("0 of 1 replies"), std::string::npos) << remote.Output();
}

}  // namespace
